// The rows of a list view: each has a caption (the first column) and sub-items (the others).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/StringList.h"

class TListView;
class QTreeWidgetItem;

class TListItem {
 public:
  TListItem(TListView* owner, QTreeWidgetItem* row);
  ~TListItem();

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  // The texts of the second and later columns; every change shows at once.
  TStrings* SubItems() { return FSubItems.get(); }
  int Index() const;

  // Class library internal.
  QTreeWidgetItem* Row() const { return FRow; }
  void Show();

 private:
  TListView* FOwner;
  QTreeWidgetItem* FRow;
  std::string FCaption;
  std::unique_ptr<TStringList> FSubItems;
};

class TListItems {
 public:
  explicit TListItems(TListView* owner) : FOwner(owner) {}
  ~TListItems();

  // A new row at the end, without caption and sub-items.
  TListItem* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError for an index outside the list.
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  void Delete(int Index);
  void Clear();
  int IndexOf(const TListItem* item) const;

 private:
  TListView* FOwner;
  std::vector<std::unique_ptr<TListItem>> FItems;
};
