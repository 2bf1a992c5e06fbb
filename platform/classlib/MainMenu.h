// A form's menu bar: its top-level items are the menus ("&File", "&Help"), their items the
// commands.
#pragma once

#include <memory>

#include "platform/classlib/Component.h"
#include "platform/classlib/MenuItem.h"

class QWidget;
class TForm;

class TMainMenu : public TComponent {
 public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;

  TMenuItem* Items() { return FItems.get(); }

  // Class library internal.
  QWidget* MenuBarWidget() const { return FMenuBar; }
  void SetForm(TForm* form) { FForm = form; }
  void Rebuild();

 private:
  std::unique_ptr<TMenuItem> FItems;
  QWidget* FMenuBar = nullptr;
  TForm* FForm = nullptr;
};
