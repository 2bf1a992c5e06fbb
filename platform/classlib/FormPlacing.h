// The controls a form lists most, placed as its table gives them: owned by the form and shown
// on it, named, at a fixed place and size.
#pragma once

#include "platform/classlib/Bevel.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Label.h"

// A label of the given size, which does not size itself to its text.
TLabel* PlaceLabel(TForm* Form, const char* Name, int Left, int Top, int Width, int Height,
                   const char* Caption = "");

// A bevel drawn as a line along its top edge.
TBevel* PlaceBevel(TForm* Form, const char* Name, int Left, int Top, int Width, int Height);
