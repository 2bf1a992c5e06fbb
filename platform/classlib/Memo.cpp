#include "platform/classlib/Memo.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>

#include <vector>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

namespace {

// Keeps the caret in view whatever the box's size: a box laid out only when it is first
// shown still shows the place its caret was put.
class MemoEdit : public QPlainTextEdit {
 protected:
  void resizeEvent(QResizeEvent* event) override {
    QPlainTextEdit::resizeEvent(event);
    ensureCursorVisible();
  }
};

// The memo's text seen as lines ("\n" between them, none after the last).
class MemoLines : public TStrings {
 public:
  explicit MemoLines(TMemo* memo) : FMemo(memo) {}

  int Count() const override { return static_cast<int>(Split().size()); }
  std::string Get(int Index) const override {
    auto lines = Split();
    if (Index < 0 || Index >= int(lines.size())) Error(Index);
    return lines[size_t(Index)];
  }
  void Put(int Index, const std::string& S) override {
    auto lines = Split();
    if (Index < 0 || Index >= int(lines.size())) Error(Index);
    lines[size_t(Index)] = S;
    Join(lines);
  }
  void Insert(int Index, const std::string& S) override {
    auto lines = Split();
    if (Index < 0 || Index > int(lines.size())) Error(Index);
    lines.insert(lines.begin() + Index, S);
    Join(lines);
  }
  void Delete(int Index) override {
    auto lines = Split();
    if (Index < 0 || Index >= int(lines.size())) Error(Index);
    lines.erase(lines.begin() + Index);
    Join(lines);
  }
  void Clear() override { FMemo->SetText(""); }

 private:
  std::vector<std::string> Split() const {
    std::vector<std::string> lines;
    const std::string& text = FMemo->Text();
    if (text.empty()) return lines;
    size_t start = 0;
    while (true) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) {
        lines.push_back(text.substr(start));
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
      if (start == text.size()) break;
    }
    return lines;
  }
  void Join(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
    FMemo->SetText(text);
  }

  TMemo* FMemo;
};

}  // namespace

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(std::make_unique<MemoLines>(this)) {
  auto* edit = new MemoEdit();
  AttachWidget(edit);
  // No scroll bars, as the class library's memo starts.
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QObject::connect(edit, &QPlainTextEdit::textChanged, [this, edit] {
    std::string text = FromQString(edit->toPlainText());
    if (text != FCaption) CallHandled(this, [this, text] { SetCaption(text); });
  });
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

void TMemo::SetReadOnly(bool value) {
  FReadOnly = value;
  static_cast<QPlainTextEdit*>(FWidget)->setReadOnly(value);
}

void TMemo::SetWordWrap(bool value) {
  FWordWrap = value;
  static_cast<QPlainTextEdit*>(FWidget)->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth
                                                               : QPlainTextEdit::NoWrap);
}

void TMemo::SetSelStart(int value) {
  auto* edit = static_cast<QPlainTextEdit*>(FWidget);
  QTextCursor cursor = edit->textCursor();
  cursor.movePosition(QTextCursor::End);
  if (value >= 0 && value < cursor.position()) cursor.setPosition(value);
  edit->setTextCursor(cursor);
  edit->ensureCursorVisible();
}

void TMemo::CaptionChanged() {
  auto* edit = static_cast<QPlainTextEdit*>(FWidget);
  QString text = ToQString(FCaption);
  if (edit->toPlainText() != text) {
    QSignalBlocker blocker(edit);
    edit->setPlainText(text);
  }
  if (OnChange) OnChange(this);
}
