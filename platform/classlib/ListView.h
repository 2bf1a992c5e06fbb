// A list of rows in columns (report style), with a header of column captions.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/classlib/ListColumns.h"
#include "platform/classlib/ListItems.h"
#include "platform/classlib/WinControl.h"

enum TViewStyle : uint8_t { vsIcon, vsSmallIcon, vsList, vsReport };

class TListView : public TWinControl {
 public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;

  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle value);
  TListColumns* Columns() { return FColumns.get(); }
  TListItems* Items() { return FItems.get(); }
  // Captions cannot be edited by the user.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  // A click selects the whole row.
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool value);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool value) { FGridLines = value; }

  // Class library internal.
  void ColumnsChanged();

 protected:
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  TViewStyle FViewStyle = vsIcon;
  bool FReadOnly = false;
  bool FRowSelect = false;
  bool FGridLines = false;
  std::unique_ptr<TListColumns> FColumns;
  std::unique_ptr<TListItems> FItems;
};
