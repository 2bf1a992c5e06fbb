// The options dialog: the decoder-thread priority, whether an abort deletes output files and
// which, and the output directory. Modeless and without OK or Cancel: the main window reads
// its controls whenever it needs a setting and saves them to "config.ini" at its close.
#pragma once

#include <memory>

#include "controls/Slider.h"
#include "platform/classlib/Bevel.h"
#include "platform/classlib/CheckBox.h"
#include "platform/classlib/Edit.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/IniFile.h"
#include "platform/classlib/Label.h"
#include "platform/classlib/Panel.h"
#include "platform/classlib/RadioButton.h"

class TForm3 : public TForm {
 public:
  explicit TForm3(TComponent* AOwner);
  ~TForm3() override;

  TPanel* Panel1;
  TLabel* Label2;
  TLabel* Label1;
  TSlider* Slider1;
  TBevel* Bevel1;
  TCheckBox* CheckBox1;
  TRadioButton* RadioButton1;
  TRadioButton* RadioButton2;
  TBevel* Bevel2;
  TLabel* Label3;
  TEdit* Edit1;

  void FormCreate(TObject* Sender);
  void CheckBox1Click(TObject* Sender);

 private:
  std::unique_ptr<TIniFile> IniFile;
};

extern TForm3* Form3;
