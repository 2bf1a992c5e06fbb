#include "platform/classlib/ListBox.h"

#include <QListWidget>

#include "platform/classlib/QtBridge.h"

namespace {

// The list box's strings: every change shows in the list, row by row, so that filling a long
// list takes time in step with its length.
class ListBoxStrings : public TStringList {
 public:
  explicit ListBoxStrings(TListBox* owner) : FOwner(owner) {}
  void Put(int Index, const std::string& S) override {
    TStringList::Put(Index, S);
    if (QListWidget* list = Rows()) list->item(Index)->setText(ToQString(S));
  }
  void Insert(int Index, const std::string& S) override {
    TStringList::Insert(Index, S);
    if (QListWidget* list = Rows()) list->insertItem(Index, ToQString(S));
  }
  void Delete(int Index) override {
    TStringList::Delete(Index);
    if (QListWidget* list = Rows()) delete list->takeItem(Index);
  }
  void Clear() override {
    TStringList::Clear();
    if (QListWidget* list = Rows()) list->clear();
  }

 private:
  QListWidget* Rows() const { return static_cast<QListWidget*>(FOwner->Widget()); }

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
