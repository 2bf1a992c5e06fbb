// The about box: a borderless window exactly the size of its picture, with the program's
// icon, a motto, links to the maker's web page, mail address and feedback page, and a line at
// the bottom. Each time it is shown it places itself over the middle of the main window; a
// click on the picture hides it again.
#pragma once

#include "platform/classlib/Form.h"
#include "platform/classlib/Image.h"
#include "platform/classlib/Label.h"

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* AOwner);
  ~TForm2() override;

  TImage* Image1;
  TImage* Image2;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void Image1Click(TObject* Sender);
  void Label2Click(TObject* Sender);
  void Label3Click(TObject* Sender);
  void Label4Click(TObject* Sender);

  // The maker's addresses that the links open.
  static constexpr const char* kWebAddress = "http://ormund.example";
  static constexpr const char* kMailAddress = "us@ormund.example";
  static constexpr const char* kFeedbackAddress = "http://ormund.example/feedback";

 private:
  void OpenAddress(const std::string& Address);
};

extern TForm2* Form2;
