#include "converter/Options.h"

#include "converter/ConfigFile.h"

TForm3* Form3 = nullptr;

namespace {

template <class Control>
Control* Place(TForm3* form, TWinControl* parent, const char* name, int left, int top, int width,
               int height) {
  auto* control = new Control(form);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

TForm3::TForm3(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form3");
  SetCaption("Options");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(poScreenCenter);
  SetClientWidth(268);
  SetClientHeight(258);
  Font()->SetName("Verdana");
  Font()->SetSize(8);

  Panel1 = Place<TPanel>(this, this, "Panel1", 0, 0, 268, 258);
  Panel1->SetAlign(alClient);
  Panel1->SetColor(clWhite);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetBorderStyle(bsSingle);
  Panel1->SetCaption("");

  Label2 = Place<TLabel>(this, Panel1, "Label2", 16, 16, 0, 0);
  Label2->SetAutoSize(true);
  Label2->SetCaption("Define the priority for the decoder thread.");
  Label1 = Place<TLabel>(this, Panel1, "Label1", 16, 40, 0, 0);
  Label1->SetAutoSize(true);
  Label1->SetCaption("Priority:");

  Slider1 = new TSlider(this);
  Slider1->SetName("Slider1");
  Slider1->SetParent(Panel1);
  Slider1->SetBounds(72, 44, 177, 25);
  Slider1->SetNumThumbStates(1);
  Slider1->SetOptions({soShowPoints});
  Slider1->SetIncrement(1);
  Slider1->SetMinValue(0);
  Slider1->SetMaxValue(6);
  Slider1->SetValue(3);
  Slider1->SetTabOrder(0);

  Bevel1 = Place<TBevel>(this, Panel1, "Bevel1", 16, 80, 233, 2);
  Bevel1->SetShape(bsTopLine);

  CheckBox1 = Place<TCheckBox>(this, Panel1, "CheckBox1", 16, 104, 209, 17);
  CheckBox1->SetCaption("Delete the output file if aborted.");
  CheckBox1->SetTabOrder(1);
  RadioButton1 = Place<TRadioButton>(this, Panel1, "RadioButton1", 40, 128, 201, 17);
  RadioButton1->SetCaption("Also the already decoded files.");
  RadioButton1->SetTabOrder(2);
  RadioButton2 = Place<TRadioButton>(this, Panel1, "RadioButton2", 40, 152, 193, 17);
  RadioButton2->SetCaption("Only the current decoding file.");
  RadioButton2->SetTabOrder(3);
  RadioButton2->SetChecked(true);
  CheckBox1->SetChecked(true);
  CheckBox1->OnClick = [this](TObject* Sender) { CheckBox1Click(Sender); };

  Bevel2 = Place<TBevel>(this, Panel1, "Bevel2", 16, 184, 233, 2);
  Bevel2->SetShape(bsTopLine);
  Label3 = Place<TLabel>(this, Panel1, "Label3", 16, 200, 0, 0);
  Label3->SetAutoSize(true);
  Label3->SetCaption("Output Directory:");
  Edit1 = Place<TEdit>(this, Panel1, "Edit1", 16, 216, 233, 21);
  Edit1->SetReadOnly(true);
  Edit1->SetTabOrder(4);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

TForm3::~TForm3() {
  if (Form3 == this) Form3 = nullptr;
}

void TForm3::FormCreate(TObject*) {
  IniFile = std::make_unique<TIniFile>(ConfigFileName());
  Slider1->SetValue(IniFile->ReadInteger(kOptionsSection, "Priority", 3));
  CheckBox1->SetChecked(IniFile->ReadString(kOptionsSection, "Abort", "true") == "true");
  if (IniFile->ReadString(kOptionsSection, "AllFiles", "false") == "true") {
    RadioButton1->SetChecked(true);
    RadioButton2->SetChecked(false);
  } else {
    RadioButton1->SetChecked(false);
    RadioButton2->SetChecked(true);
  }
  Edit1->SetText(IniFile->ReadString(kOptionsSection, "OutputDir", ""));
}

void TForm3::CheckBox1Click(TObject*) {
  RadioButton1->SetEnabled(CheckBox1->Checked());
  RadioButton2->SetEnabled(CheckBox1->Checked());
}
