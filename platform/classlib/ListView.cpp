#include "platform/classlib/ListView.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/QtBridge.h"

namespace {

// A row's sub-items: every change shows in the row.
class SubItemStrings : public TStringList {
 public:
  explicit SubItemStrings(TListItem* item) : FItem(item) {}
  void Put(int Index, const std::string& S) override {
    TStringList::Put(Index, S);
    FItem->Show();
  }
  void Insert(int Index, const std::string& S) override {
    TStringList::Insert(Index, S);
    FItem->Show();
  }
  void Delete(int Index) override {
    TStringList::Delete(Index);
    FItem->Show();
  }
  void Clear() override {
    TStringList::Clear();
    FItem->Show();
  }

 private:
  TListItem* FItem;
};

QTreeWidget* Tree(TListView* view) { return static_cast<QTreeWidget*>(view->Widget()); }

}  // namespace

void TListColumn::SetCaption(const std::string& value) {
  FCaption = value;
  FOwner->ColumnsChanged();
}

void TListColumn::SetWidth(int value) {
  FWidth = value;
  FOwner->ColumnsChanged();
}

TListColumn* TListColumns::Add() {
  FColumns.push_back(std::make_unique<TListColumn>(FOwner));
  FOwner->ColumnsChanged();
  return FColumns.back().get();
}

TListColumn* TListColumns::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FColumns[size_t(Index)].get();
}

void TListColumns::Clear() {
  FColumns.clear();
  FOwner->ColumnsChanged();
}

TListItem::TListItem(TListView* owner, QTreeWidgetItem* row)
    : FOwner(owner), FRow(row), FSubItems(std::make_unique<SubItemStrings>(this)) {}

TListItem::~TListItem() {
  // Deleting the row takes it out of the tree; a tree already gone took its rows with it.
  if (FOwner->Widget()) delete FRow;
}

void TListItem::SetCaption(const std::string& value) {
  FCaption = value;
  Show();
}

int TListItem::Index() const { return FOwner->Items()->IndexOf(this); }

void TListItem::Show() {
  if (!FRow || !FOwner->Widget()) return;
  FRow->setText(0, ToQString(FCaption));
  int columns = std::max(FRow->columnCount(), FSubItems->Count() + 1);
  for (int i = 1; i < columns; ++i)
    FRow->setText(i, i - 1 < FSubItems->Count() ? ToQString(FSubItems->Get(i - 1)) : QString());
}

TListItems::~TListItems() { FItems.clear(); }

TListItem* TListItems::Add() {
  auto* row = new QTreeWidgetItem(Tree(FOwner));
  FItems.push_back(std::make_unique<TListItem>(FOwner, row));
  return FItems.back().get();
}

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FItems[size_t(Index)].get();
}

void TListItems::Delete(int Index) {
  Item(Index);
  FItems.erase(FItems.begin() + Index);
}

void TListItems::Clear() { FItems.clear(); }

int TListItems::IndexOf(const TListItem* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return int(i);
  return -1;
}

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
  auto* tree = new QTreeWidget();
  tree->setRootIsDecorated(false);
  tree->setItemsExpandable(false);
  tree->setUniformRowHeights(true);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setSelectionBehavior(QAbstractItemView::SelectItems);
  tree->header()->setStretchLastSection(false);
  AttachWidget(tree);
  FColumns = std::make_unique<TListColumns>(this);
  FItems = std::make_unique<TListItems>(this);
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 250, 150);
  ColumnsChanged();
}

TListView::~TListView() {
  // The rows go before the tree that holds them.
  FItems.reset();
}

void TListView::SetViewStyle(TViewStyle value) {
  FViewStyle = value;
  ColumnsChanged();
}

void TListView::SetRowSelect(bool value) {
  FRowSelect = value;
  Tree(this)->setSelectionBehavior(value ? QAbstractItemView::SelectRows
                                         : QAbstractItemView::SelectItems);
}

void TListView::ColumnsChanged() {
  QTreeWidget* tree = Tree(this);
  if (!tree || !FColumns) return;
  bool report = FViewStyle == vsReport;
  tree->setHeaderHidden(!report);
  int count = std::max(1, report ? FColumns->Count() : 1);
  tree->setColumnCount(count);
  QStringList labels;
  for (int i = 0; i < FColumns->Count(); ++i) labels << ToQString(FColumns->Items(i)->Caption());
  tree->setHeaderLabels(labels);
  for (int i = 0; i < FColumns->Count() && i < count; ++i)
    tree->setColumnWidth(i, FColumns->Items(i)->Width());
  if (FItems)
    for (int i = 0; i < FItems->Count(); ++i) FItems->Item(i)->Show();
}
