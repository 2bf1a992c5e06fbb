// TSlider: picks a whole number between MinValue and MaxValue with a thumb dragged along a
// ruler, presses beside the thumb (one jump at once, then one every 400 ms while held) or the
// keys Home, End and the arrows. Ruler and thumb are pictures: six slots, each built-in or
// supplied by the program; the ruler on screen keeps the ruler picture's two ends and
// repeats its middle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "controls/SliderThumb.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/CustomControl.h"
#include "platform/classlib/NotifyEvent.h"
#include "platform/classlib/Rect.h"

enum TSliderOrientation : uint8_t { soHorizontal, soVertical };

enum TSliderOption : uint8_t { soShowFocus, soShowPoints, soSmooth };

// A set of slider options in one byte, bit i standing for option i.
class TSliderOptions {
 public:
  constexpr TSliderOptions() = default;
  constexpr TSliderOptions(std::initializer_list<TSliderOption> options) {
    for (TSliderOption o : options) FBits |= uint8_t(1u << o);
  }
  constexpr bool Contains(TSliderOption o) const { return FBits & (1u << o); }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool operator==(const TSliderOptions&) const = default;

 private:
  uint8_t FBits = 0;
};

class TSlider : public TCustomControl {
 public:
  // The distance of the ruler from the control's left and top edges.
  static constexpr int Margin = 1;
  static constexpr int ImageCount = 6;
  enum ImageSlot { HThumb, HRuler, VThumb, VRuler, VThumbPressed, HThumbPressed };

  explicit TSlider(TComponent* AOwner);
  ~TSlider() override;

  // The picture slots, by index (ImageSlot) or by name. Setting copies the picture; none
  // restores the built-in one.
  TBitmap* Image(int index) const;
  void SetImage(int index, TBitmap* picture);
  TBitmap* ImageHThumb() const { return Image(HThumb); }
  TBitmap* ImageHRuler() const { return Image(HRuler); }
  TBitmap* ImageVThumb() const { return Image(VThumb); }
  TBitmap* ImageVRuler() const { return Image(VRuler); }
  TBitmap* ImageVThumbPressed() const { return Image(VThumbPressed); }
  TBitmap* ImageHThumbPressed() const { return Image(HThumbPressed); }
  void SetImageHThumb(TBitmap* p) { SetImage(HThumb, p); }
  void SetImageHRuler(TBitmap* p) { SetImage(HRuler, p); }
  void SetImageVThumb(TBitmap* p) { SetImage(VThumb, p); }
  void SetImageVRuler(TBitmap* p) { SetImage(VRuler, p); }
  void SetImageVThumbPressed(TBitmap* p) { SetImage(VThumbPressed, p); }
  void SetImageHThumbPressed(TBitmap* p) { SetImage(HThumbPressed, p); }
  // Bit i set: slot i holds a picture that the program supplied.
  uint8_t UserImages() const { return FUserImages; }

  int EdgeSize() const { return FEdgeSize; }
  void SetEdgeSize(int value);
  TNumThumbStates NumThumbStates() const { return FThumb->NumStates(); }
  void SetNumThumbStates(TNumThumbStates value) { FThumb->SetNumStates(value); }
  bool CurrentlySeeking() const { return FCurrentlySeeking; }
  TSliderOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TSliderOrientation value);
  TSliderOptions Options() const { return FOptions; }
  void SetOptions(TSliderOptions value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int value);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value);
  int Value() const { return FValue; }
  // Clamps, stores, places the thumb and fires OnChange; ignored while the thumb is held.
  void SetValue(int value);

  // The thumb's room to move along the ruler (T).
  int TrackLength() const;
  int ValueToOffset(int value) const;
  int OffsetToValue(int offset) const;
  void MoveThumb(int offset);
  // 1 MinValue, 2 MaxValue, 3 one Increment up, 4 one Increment down, others nothing.
  void JumpValue(uint8_t kind);
  // 4 before the thumb, 3 after it, 0 on it (slider coordinates).
  uint8_t SideOfThumb(int x, int y) const;
  void CreateElements();
  void BuildRuler();
  void AdjustElements();
  void Rebuild();
  void RepeatStep();
  void StopRepeat();
  // After loading stored properties: the supplied pictures take effect.
  void Loaded();

  // The elements, for those who draw or test the slider.
  TSliderThumb* Thumb() const { return FThumb; }
  TBitmap* Ruler() const { return FRuler.get(); }
  TPoint RulerPos() const { return FRulerPos; }
  TRect PointsRect() const { return FPointsRect; }
  bool Paging() const { return FPaging; }
  bool TimerOn() const { return FTimerOn; }
  bool Tracking() const { return FTracking; }

  TNotifyEvent OnChange;
  TNotifyEvent OnDrawPoints;
  TNotifyEvent OnStopTracking;

  virtual void ThumbMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);
  virtual void ThumbMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  virtual void ThumbMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // The default tick marks: Step apart (thinned out), Inner long, End long at both ends.
  virtual void DrawPoints(int Step, int Inner, int End);

 protected:
  virtual void Change();
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void WMSize() override;
  void WMTimer(UINT id) override;
  LRESULT WMGetDlgCode() override;
  void CMFocusChanged(TWinControl* focused) override;

 private:
  static constexpr UINT RepeatTimer = 1;
  static constexpr UINT RepeatPeriod = 400;  // milliseconds

  bool Horizontal() const { return FOrientation == soHorizontal; }
  int NormalThumbSlot() const { return Horizontal() ? HThumb : VThumb; }

  uint8_t FUserImages = 0;
  std::array<std::unique_ptr<TBitmap>, ImageCount> FImages;
  int FEdgeSize = 2;
  std::unique_ptr<TBitmap> FRuler;
  TPoint FRulerPos;
  TSliderThumb* FThumb = nullptr;
  TRect FPointsRect;
  TSliderOrientation FOrientation = soHorizontal;
  TSliderOptions FOptions{soShowFocus, soShowPoints, soSmooth};
  bool FCurrentlySeeking = false;
  int FMinValue = 0;
  int FMaxValue = 100;
  int FIncrement = 10;
  int FValue = 0;
  int FGrabOffset = 0;
  bool FFocused = false;
  bool FTracking = false;
  bool FPaging = false;
  bool FTimerOn = false;
  TPoint FPagePoint;
  uint8_t FPageSide = 0;
  bool FConstructing = false;
};
