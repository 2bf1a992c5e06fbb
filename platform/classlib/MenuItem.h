// One command of a menu, or a submenu holding more items. A caption of "-" makes a
// separator; "&" marks the accelerator letter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Component.h"
#include "platform/classlib/NotifyEvent.h"
#include "platform/win32/Types.h"

// A key with its modifiers: the virtual-key code plus scShift, scCtrl and scAlt.
using TShortCut = WORD;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

class TMainMenu;
class QAction;
class QMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  bool IsLine() const { return FCaption == "-"; }

  // Adds an item at the end; the item belongs to this menu from then on.
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return FParent; }

  // Runs OnClick.
  virtual void Click();
  TNotifyEvent OnClick;

  // Class library internal.
  void SetMenu(TMainMenu* menu);
  TMainMenu* Menu() const;
  void Changed();

 private:
  std::string FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  TShortCut FShortCut = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMainMenu* FMenu = nullptr;
};
