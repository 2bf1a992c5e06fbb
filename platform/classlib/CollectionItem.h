// An item of a TCollection: it joins the collection it is created in and leaves it when it
// is destroyed.
#pragma once

#include "platform/classlib/Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return FCollection; }
  // Moves the item into another collection (or out of any, with nullptr).
  void SetCollection(TCollection* Value);
  // The item's position in its collection, -1 without one.
  int Index() const;

  TPersistent* GetOwner() override;

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
};
