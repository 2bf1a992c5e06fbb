// The application object: title, the forms and the main form, the message loop, the default
// exception handler (an error box captioned with the title) and message boxes.
#pragma once

#include <exception>
#include <string>

#include "platform/classlib/Component.h"
#include "platform/classlib/DialogProvider.h"
#include "platform/classlib/Form.h"

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Starts the platform's window system once and installs the default exception handler;
  // the class library calls it itself before the first window is made.
  void Initialize();

  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }

  // Makes a form owned by the application; the first one becomes the main form. OnCreate runs
  // once the form is complete; its exceptions go to the default handler.
  template <class TFormClass>
  void CreateForm(TFormClass*& reference) {
    auto* form = new TFormClass(this);
    reference = form;
    FormCreated(form);
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until it closes (or Terminate); then the
  // forms are destroyed.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  void ProcessMessages();

  // The default handler: an error box captioned with the title, showing the message with a
  // full stop added when its last character sorts after ".".
  void HandleException(TObject* Sender, std::exception_ptr E);
  void ShowException(const std::string& message);
  static std::string ErrorBoxText(const std::string& message);

  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  // Class library internal.
  void FormDestroyed(TForm* form);

 private:
  void FormCreated(TForm* form);

  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FInitialized = false;
};

extern TApplication* Application;

// The size of the screen in pixels.
class TScreen {
 public:
  int Width() const;
  int Height() const;
};

extern TScreen* Screen;
