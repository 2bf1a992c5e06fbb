// An ordered list of items of one item class that owns its items: clearing, deleting or
// destroying the collection destroys them.
#pragma once

#include <functional>
#include <vector>

#include "platform/classlib/CollectionItem.h"
#include "platform/classlib/Persistent.h"

// Makes a new item of the collection's item class inside the given collection.
using TCollectionItemClass = std::function<TCollectionItem*(TCollection*)>;

template <class Item>
TCollectionItemClass CollectionItemClassOf() {
  return [](TCollection* collection) -> TCollectionItem* { return new Item(collection); };
}

class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;

  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  // A new item of the item class, appended.
  TCollectionItem* Add();
  void Clear();
  // Destroys the item at Index; EListError outside the list.
  void Delete(int Index);
  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError "List index out of bounds (%d)" outside the list.
  TCollectionItem* Items(int Index) const;
  int IndexOf(const TCollectionItem* Item) const;

  // From another collection: clears this one, then adds one item per source item and assigns
  // it from that item. Anything else is the inherited assignment (and its error).
  void Assign(TPersistent* Source) override;

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
};
