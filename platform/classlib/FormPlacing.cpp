#include "platform/classlib/FormPlacing.h"

TLabel* PlaceLabel(TForm* Form, const char* Name, int Left, int Top, int Width, int Height,
                   const char* Caption) {
  auto* label = new TLabel(Form);
  label->SetName(Name);
  label->SetParent(Form);
  label->SetAutoSize(false);
  label->SetBounds(Left, Top, Width, Height);
  label->SetCaption(Caption);
  return label;
}

TBevel* PlaceBevel(TForm* Form, const char* Name, int Left, int Top, int Width, int Height) {
  auto* bevel = new TBevel(Form);
  bevel->SetName(Name);
  bevel->SetParent(Form);
  bevel->SetShape(bsTopLine);
  bevel->SetBounds(Left, Top, Width, Height);
  return bevel;
}
