// Drawing a picture with one colour left out: pixels of the key colour leave the canvas as it
// was, every other pixel replaces it. The key clNone draws the picture opaque.
#pragma once

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Canvas.h"
#include "platform/classlib/Colors.h"
#include "platform/classlib/Rect.h"

// Draws the region of Picture that starts at the rectangle's top left, of the rectangle's size
// as far as the picture reaches (the whole picture for an empty rectangle), at (X, Y).
void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, const TRect& Source, TBitmap* Picture,
                           TColor Key);
void DrawTransparentBitmapAt(TCanvas* Canvas, int X, int Y, TBitmap* Picture, TColor Key);
