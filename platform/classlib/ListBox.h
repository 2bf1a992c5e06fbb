// A list of strings shown one a line; Items holds them.
#pragma once

#include <memory>

#include "platform/classlib/StringList.h"
#include "platform/classlib/WinControl.h"

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;

  TStrings* Items() { return FItems.get(); }
  // -1 when no item is selected.
  int ItemIndex() const;
  void SetItemIndex(int value);

  // Class library internal: the list's rows follow Items.
  void ItemsChanged();

 protected:
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  std::unique_ptr<TStringList> FItems;
};
