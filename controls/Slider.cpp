#include "controls/Slider.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "controls/TransparentBitmap.h"

namespace {

constexpr const char* kBuiltInNames[TSlider::ImageCount] = {"W95_HTB", "W95_HRL",  "W95_VTB",
                                                            "W95_VRL", "W95_VTBP", "W95_HTBP"};

// The nearest whole number, a half going to the even neighbour (64.5 gives 64, 65.5 gives 66).
int64_t RoundHalfEven(double x) {
  double floor = std::floor(x);
  double fraction = x - floor;
  auto result = static_cast<int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
  return result;
}

// Products and sums are formed in 64 bits; results outside the 32-bit range are pinned to it.
int ToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

TSlider::TSlider(TComponent* AOwner) : TCustomControl(AOwner) {
  FConstructing = true;
  SetControlStyle(csCaptureMouse | csClickEvents);
  SetBounds(Left(), Top(), 140, 40);
  SetTabStop(true);
  CreateElements();
  FConstructing = false;
}

TSlider::~TSlider() {
  // The thumb is destroyed later, with the slider's other components.
  FThumb->OnMouseDown = nullptr;
  FThumb->OnMouseMove = nullptr;
  FThumb->OnMouseUp = nullptr;
}

void TSlider::CreateElements() {
  FRuler = std::make_unique<TBitmap>();
  FThumb = new TSliderThumb(this);
  FThumb->SetParent(this);
  FThumb->SetCursor(crDefault);
  FThumb->SetNumStates(2);
  FThumb->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y) { ThumbMouseDown(Sender, Button, Shift, X, Y); };
  FThumb->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    ThumbMouseMove(Sender, Shift, X, Y);
  };
  FThumb->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y) { ThumbMouseUp(Sender, Button, Shift, X, Y); };
  for (int i = 0; i < ImageCount; ++i) SetImage(i, nullptr);
  AdjustElements();
}

TBitmap* TSlider::Image(int index) const {
  if (index < 0 || index >= ImageCount) return nullptr;
  return FImages[size_t(index)].get();
}

void TSlider::SetImage(int index, TBitmap* picture) {
  if (index < 0 || index >= ImageCount) return;
  auto& slot = FImages[size_t(index)];
  if (!slot) slot = std::make_unique<TBitmap>();
  if (picture == nullptr) {
    slot->LoadFromResourceName(nullptr, kBuiltInNames[index]);
    FUserImages &= uint8_t(~(1u << index));
  } else {
    slot->Assign(picture);
    FUserImages |= uint8_t(1u << index);
  }
  if (index == NormalThumbSlot()) FThumb->SetImage(slot.get());
  if (!FConstructing) Rebuild();
}

void TSlider::Loaded() {
  for (int i = 0; i < ImageCount; ++i)
    if (FUserImages & (1u << i)) SetImage(i, FImages[size_t(i)].get());
}

void TSlider::SetEdgeSize(int value) {
  TBitmap* picture = Horizontal() ? ImageHRuler() : ImageVRuler();
  int length = Horizontal() ? picture->Width() : picture->Height();
  if (2 * int64_t(value) < length && value != FEdgeSize) {
    FEdgeSize = value;
    Rebuild();
  }
}

void TSlider::SetOrientation(TSliderOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  FThumb->SetImage(Image(NormalThumbSlot()));
  Rebuild();
}

void TSlider::SetOptions(TSliderOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  Invalidate();
}

void TSlider::SetIncrement(int value) {
  if (value <= 0 || value == FIncrement) return;
  FIncrement = value;
  SetValue(FValue);
  Invalidate();
}

void TSlider::SetMinValue(int value) {
  if (value == FMinValue || int64_t(value) > int64_t(FMaxValue) - FIncrement) return;
  FMinValue = value;
  if (FOptions.Contains(soShowPoints)) Invalidate();
}

void TSlider::SetMaxValue(int value) {
  if (value == FMaxValue || int64_t(value) < int64_t(FMinValue) + FIncrement) return;
  FMaxValue = value;
  if (FOptions.Contains(soShowPoints)) Invalidate();
}

void TSlider::SetValue(int value) {
  if (FCurrentlySeeking) return;
  if (value > FMaxValue) value = FMaxValue;
  if (value < FMinValue) value = FMinValue;
  bool changed = value != FValue;
  FValue = value;
  MoveThumb(ValueToOffset(value));
  if (changed && OnChange) OnChange(this);
}

void TSlider::Change() {
  if (OnChange) OnChange(this);
}

int TSlider::TrackLength() const {
  if (Horizontal()) return FRuler->Width() - FThumb->Width();
  return FRuler->Height() - FThumb->Height();
}

int TSlider::ValueToOffset(int value) const {
  int64_t range = int64_t(FMaxValue) - FMinValue;
  double x = double(int64_t(TrackLength()) * (int64_t(value) - FMinValue)) / double(range);
  int64_t offset = RoundHalfEven(x) + Margin;
  if (!Horizontal()) offset = int64_t(ClientHeight()) - offset - FThumb->Height();
  return ToInt(offset);
}

int TSlider::OffsetToValue(int offset) const {
  int64_t p = offset;
  if (!Horizontal()) p = int64_t(ClientHeight()) - p - FThumb->Height();
  int track = TrackLength();
  // A thumb as long as the ruler has nowhere to go: the value stays as it is.
  if (track == 0) return FValue;
  int64_t range = int64_t(FMaxValue) - FMinValue;
  double x = double((p - Margin) * range) / double(track);
  int64_t r = RoundHalfEven(x);
  if (!FOptions.Contains(soSmooth)) r = (r / FIncrement) * FIncrement;
  return ToInt(r + FMinValue);
}

void TSlider::MoveThumb(int offset) {
  int previous = FValue;
  int track = TrackLength();
  int64_t p = offset;
  if (p < Margin) p = Margin;
  if (p > int64_t(Margin) + track) p = int64_t(Margin) + track;
  int position = ToInt(p);
  if (!FOptions.Contains(soSmooth)) position = ValueToOffset(OffsetToValue(position));
  if (Horizontal())
    FThumb->SetLeft(position);
  else
    FThumb->SetTop(position);
  if (FTracking) {
    FValue = OffsetToValue(position);
    if (FValue != previous) Change();
  }
}

void TSlider::JumpValue(uint8_t kind) {
  int64_t steps = FValue / FIncrement;
  switch (kind) {
    case 1: SetValue(FMinValue); break;
    case 2: SetValue(FMaxValue); break;
    case 3: SetValue(ToInt((steps + 1) * FIncrement)); break;
    case 4: SetValue(ToInt((steps - 1) * FIncrement)); break;
    default: break;
  }
}

uint8_t TSlider::SideOfThumb(int x, int y) const {
  if (Horizontal()) {
    if (x < FThumb->Left()) return 4;
    if (x > FThumb->Left() + FThumb->Width()) return 3;
    return 0;
  }
  if (y < FThumb->Top()) return 3;
  if (y > FThumb->Top() + FThumb->Height()) return 4;
  return 0;
}

void TSlider::BuildRuler() {
  TBitmap* source = Horizontal() ? ImageHRuler() : ImageVRuler();
  auto ruler = std::make_unique<TBitmap>();
  int64_t length = int64_t(Horizontal() ? Width() : Height()) - 2 * Margin;  // N
  int64_t size = Horizontal() ? source->Width() : source->Height();          // S
  int cross = Horizontal() ? source->Height() : source->Width();
  int64_t edge = FEdgeSize;          // E
  int64_t middle = size - 2 * edge;  // M
  // No room, or no middle to repeat (an edge size left over from another picture): the
  // ruler stays empty.
  if (length > 0 && middle > 0 && cross > 0) {
    if (Horizontal())
      ruler->SetSize(int(length), cross);
    else
      ruler->SetSize(cross, int(length));
    int64_t inner = length - 2 * edge;  // L
    int64_t stretches = inner / middle + 1;
    int64_t rest = inner % middle;
    source->Canvas()->SetCopyMode(cmSrcCopy);
    ruler->Canvas()->SetCopyMode(cmSrcCopy);
    for (int64_t i = 0; i < stretches; ++i) {
      int64_t to, count, from;
      if (i == 0) {
        to = 0, count = size - edge, from = 0;
      } else if (i < stretches - 1) {
        to = edge + i * middle, count = middle, from = edge;
      } else {
        to = edge + i * middle, count = edge + rest, from = size - edge - rest;
      }
      // Only what lies inside both pictures is copied.
      int64_t lo = std::max<int64_t>({0, to, to - from});
      int64_t hi = std::min<int64_t>({length, to + count, to - from + size});
      if (hi <= lo) continue;
      int d = int(lo), s = int(lo - to + from), n = int(hi - lo);
      if (Horizontal())
        ruler->Canvas()->CopyRect(Rect(d, 0, d + n, cross), source->Canvas(),
                                  Rect(s, 0, s + n, cross));
      else
        ruler->Canvas()->CopyRect(Rect(0, d, cross, d + n), source->Canvas(),
                                  Rect(0, s, cross, s + n));
    }
  }
  FRuler = std::move(ruler);
}

void TSlider::AdjustElements() {
  int saved = FValue;
  BuildRuler();
  int rulerWidth = FRuler->Width(), rulerHeight = FRuler->Height();
  int thumbWidth = FThumb->Width(), thumbHeight = FThumb->Height();
  constexpr int m = Margin;
  if (Horizontal()) {
    FThumb->SetBounds(m, m + rulerHeight + 1 - thumbHeight, thumbWidth, thumbHeight);
    FRulerPos = Point(m, m);
    FPointsRect = Rect(m, m + rulerHeight + 1, m + rulerWidth, Height() - 1);
  } else if (rulerWidth < thumbWidth) {
    FThumb->SetBounds(m, m, thumbWidth, thumbHeight);
    FRulerPos = Point(m + (thumbWidth - rulerWidth) / 2, m);
    FPointsRect = Rect(m + thumbWidth + 1, m, Width() - 1, m + rulerHeight);
  } else {
    FThumb->SetBounds(m + (rulerWidth - thumbWidth) / 2, m, thumbWidth, thumbHeight);
    FRulerPos = Point(m, m);
    FPointsRect = Rect(m + rulerWidth + 1, m, Width() - 1, m + rulerHeight);
  }
  SetValue(saved);
}

void TSlider::Rebuild() {
  AdjustElements();
  Invalidate();
}

void TSlider::Paint() {
  if (FRuler->Width() > 0)
    DrawTransparentBitmapAt(Canvas(), FRulerPos.X, FRulerPos.Y, FRuler.get(), clOlive);
  if (FOptions.Contains(soShowFocus) && FFocused) {
    TRect frame = ClientRect();
    Canvas()->DrawFocusRect(Rect(frame.Left + 2, frame.Top + 2, frame.Right - 2, frame.Bottom - 2));
  }
  if (FOptions.Contains(soShowPoints)) {
    if (OnDrawPoints)
      OnDrawPoints(this);
    else
      DrawPoints(FIncrement, 3, 4);
  }
}

void TSlider::DrawPoints(int Step, int Inner, int End) {
  if (Step < 1) return;
  int track = TrackLength();
  int64_t range = int64_t(FMaxValue) - FMinValue;
  int64_t every = Step;
  for (int64_t k = 1;; ++k) {
    every = k * Step;
    int64_t count = range / every + 1;
    int64_t gap = count > 1 ? (track - count) / (count - 1) : track;
    if (gap >= 3 || gap == track) break;
  }
  TCanvas* canvas = Canvas();
  for (int64_t v = FMinValue; v <= FMaxValue; v += every) {
    int length = (v == FMinValue || v == FMaxValue) ? End : Inner;
    int p = ValueToOffset(int(v));
    if (Horizontal()) {
      int x = p + FThumb->Width() / 2;
      canvas->MoveTo(x, FPointsRect.Top);
      canvas->LineTo(x, FPointsRect.Top + length);
    } else {
      int y = p + FThumb->Height() / 2;
      canvas->MoveTo(FPointsRect.Left, y);
      canvas->LineTo(FPointsRect.Left + length, y);
    }
  }
}

void TSlider::KeyDown(WORD& Key, TShiftState Shift) {
  if (!Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    uint8_t kind = 0;
    switch (Key) {
      case VK_HOME: kind = 1; break;
      case VK_END: kind = 2; break;
      case VK_LEFT: kind = Horizontal() ? 4 : 0; break;
      case VK_RIGHT: kind = Horizontal() ? 3 : 0; break;
      case VK_UP: kind = Horizontal() ? 0 : 3; break;
      case VK_DOWN: kind = Horizontal() ? 0 : 4; break;
      default: break;
    }
    if (kind != 0) {
      Key = 0;
      JumpValue(kind);
    }
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  SetFocus();
  SetMouseCapture(true);
  FPaging = true;
  FPagePoint = Point(X, Y);
  FPageSide = SideOfThumb(X, Y);
  RepeatStep();
}

void TSlider::MouseMove(TShiftState Shift, int X, int Y) {
  if (FPaging) FPagePoint = Point(X, Y);
  TCustomControl::MouseMove(Shift, X, Y);
}

void TSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  StopRepeat();
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSlider::RepeatStep() {
  if (SideOfThumb(FPagePoint.X, FPagePoint.Y) != FPageSide) return;
  JumpValue(FPageSide);
  if (!FTimerOn) {
    SetTimer(RepeatTimer, RepeatPeriod);
    FTimerOn = true;
  }
}

void TSlider::StopRepeat() {
  if (!FPaging) return;
  if (FTimerOn) KillTimer(RepeatTimer);
  FTimerOn = false;
  FPaging = false;
  SetMouseCapture(false);
}

void TSlider::ThumbMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  SetFocus();
  if (Button != mbLeft) return;
  FGrabOffset = Horizontal() ? X : Y;
  FThumb->SetImage(Image(Horizontal() ? HThumbPressed : VThumbPressed));
  Rebuild();
  FCurrentlySeeking = true;
  FTracking = true;
  FThumb->SetPressed(true);
}

void TSlider::ThumbMouseMove(TObject*, TShiftState, int X, int Y) {
  TPoint p = ScreenToClient(FThumb->ClientToScreen(Point(X, Y)));
  if (!FCurrentlySeeking) return;
  MoveThumb(Horizontal() ? p.X - FGrabOffset : p.Y - FGrabOffset);
}

void TSlider::ThumbMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  FThumb->SetImage(Image(NormalThumbSlot()));
  if (OnStopTracking) OnStopTracking(this);
  FCurrentlySeeking = false;
  FTracking = false;
  FThumb->SetPressed(false);
}

void TSlider::WMSize() {
  TCustomControl::WMSize();
  if (!FConstructing && FThumb) Rebuild();
}

void TSlider::WMTimer(UINT) { RepeatStep(); }

LRESULT TSlider::WMGetDlgCode() { return DLGC_WANTARROWS; }

void TSlider::CMFocusChanged(TWinControl* focused) {
  bool now = focused == this;
  if (now != FFocused) {
    FFocused = now;
    if (FOptions.Contains(soShowFocus)) Invalidate();
  }
}
