// The columns of a list view in report style: a caption and a width each.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TListView;

class TListColumn {
 public:
  explicit TListColumn(TListView* owner) : FOwner(owner) {}
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);

 private:
  TListView* FOwner;
  std::string FCaption;
  int FWidth = 50;
};

class TListColumns {
 public:
  explicit TListColumns(TListView* owner) : FOwner(owner) {}
  TListColumn* Add();
  int Count() const { return static_cast<int>(FColumns.size()); }
  // Raises EListError for an index outside the list.
  TListColumn* Items(int Index) const;
  void Clear();

 private:
  TListView* FOwner;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
};
