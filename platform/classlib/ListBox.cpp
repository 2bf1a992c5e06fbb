#include "platform/classlib/ListBox.h"

#include <QListWidget>

#include "platform/classlib/QtBridge.h"

namespace {

// The list box's strings: every change shows in the list.
class ListBoxStrings : public TStringList {
 public:
  explicit ListBoxStrings(TListBox* owner) : FOwner(owner) {}
  void Put(int Index, const std::string& S) override {
    TStringList::Put(Index, S);
    FOwner->ItemsChanged();
  }
  void Insert(int Index, const std::string& S) override {
    TStringList::Insert(Index, S);
    FOwner->ItemsChanged();
  }
  void Delete(int Index) override {
    TStringList::Delete(Index);
    FOwner->ItemsChanged();
  }
  void Clear() override {
    TStringList::Clear();
    FOwner->ItemsChanged();
  }

 private:
  TListBox* FOwner;
};

}  // namespace

TListBox::TListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<ListBoxStrings>(this)) {
  AttachWidget(new QListWidget());
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

void TListBox::ItemsChanged() {
  auto* list = static_cast<QListWidget*>(FWidget);
  if (!list) return;
  int count = FItems->Count();
  while (list->count() > count) delete list->takeItem(list->count() - 1);
  for (int i = 0; i < count; ++i) {
    QString text = ToQString(FItems->Get(i));
    if (i < list->count()) {
      if (list->item(i)->text() != text) list->item(i)->setText(text);
    } else {
      list->addItem(text);
    }
  }
}

int TListBox::ItemIndex() const { return static_cast<QListWidget*>(FWidget)->currentRow(); }

void TListBox::SetItemIndex(int value) { static_cast<QListWidget*>(FWidget)->setCurrentRow(value); }
