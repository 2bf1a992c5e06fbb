#include "platform/classlib/Collection.h"

#include <algorithm>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Format.h"

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(std::move(ItemClass)) {}

TCollection::~TCollection() { Clear(); }

TCollectionItem* TCollection::Add() { return FItemClass(this); }

void TCollection::Clear() {
  // Each item's destructor removes it from the list.
  while (!FItems.empty()) delete FItems.back();
}

void TCollection::Delete(int Index) { delete Items(Index); }

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FItems[static_cast<size_t>(Index)];
}

int TCollection::IndexOf(const TCollectionItem* Item) const {
  auto found = std::find(FItems.begin(), FItems.end(), Item);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  Clear();
  for (int i = 0; i < source->Count(); ++i) Add()->Assign(source->Items(i));
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  auto found = std::find(FItems.begin(), FItems.end(), Item);
  if (found != FItems.end()) FItems.erase(found);
  Item->FCollection = nullptr;
}
