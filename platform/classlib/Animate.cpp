#include "platform/classlib/Animate.h"

#include <cmath>
#include <vector>

namespace {

void DrawFolder(TCanvas* canvas, int left, int top) {
  canvas->Pen()->SetColor(clBlack);
  canvas->Brush()->SetColor(RGB(255, 204, 0));
  canvas->Polygon({Point(left, top + 6), Point(left + 12, top + 6), Point(left + 16, top + 2),
                   Point(left + 30, top + 2), Point(left + 30, top + 6), Point(left + 44, top + 6),
                   Point(left + 44, top + 36), Point(left, top + 36)});
  canvas->Brush()->SetColor(RGB(255, 230, 110));
  canvas->Polygon({Point(left + 4, top + 14), Point(left + 48, top + 14),
                   Point(left + 44, top + 36), Point(left, top + 36)});
}

void DrawBin(TCanvas* canvas, int left, int top) {
  canvas->Pen()->SetColor(clBlack);
  canvas->Brush()->SetColor(clSilver);
  canvas->Rectangle(left - 2, top + 4, left + 42, top + 9);
  canvas->Polygon({Point(left, top + 9), Point(left + 40, top + 9), Point(left + 36, top + 40),
                   Point(left + 4, top + 40)});
  canvas->Pen()->SetColor(clGray);
  for (int x = left + 10; x <= left + 30; x += 10) {
    canvas->MoveTo(x, top + 13);
    canvas->LineTo(x, top + 36);
  }
}

void DrawSheet(TCanvas* canvas, int left, int top) {
  canvas->Pen()->SetColor(clBlack);
  canvas->Brush()->SetColor(clWhite);
  canvas->Rectangle(left, top, left + 16, top + 20);
  canvas->Pen()->SetColor(clNavy);
  for (int y = top + 5; y < top + 17; y += 3) {
    canvas->MoveTo(left + 3, y);
    canvas->LineTo(left + 13, y);
  }
}

}  // namespace

TAnimate::TAnimate(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(csCaptureMouse);
  SetBounds(0, 0, 100, 80);
}

int TAnimate::FrameCount() const {
  switch (FCommonAVI) {
    case aviCopyFiles: return 35;
    case aviDeleteFile: return 25;
    default: return 0;
  }
}

void TAnimate::SetCommonAVI(TCommonAVI value) {
  if (value == FCommonAVI) return;
  Stop();
  FCommonAVI = value;
  FStartFrame = 0;
  FStopFrame = FrameCount() > 0 ? FrameCount() - 1 : 0;
  FFrame = 0;
  Invalidate();
}

int TAnimate::ClampFrame(int frame) const {
  int last = FrameCount() - 1;
  if (last < 0) return 0;
  return frame < 0 ? 0 : frame > last ? last : frame;
}

void TAnimate::SetActive(bool value) {
  if (value)
    Play(FStartFrame, FStopFrame, FRepetitions);
  else
    Stop();
}

void TAnimate::Play(int From, int To, int Count) {
  if (FCommonAVI == aviNone) return;
  FStartFrame = ClampFrame(From);
  FStopFrame = ClampFrame(To);
  if (FStopFrame < FStartFrame) FStopFrame = FStartFrame;
  FRepetitions = Count < 0 ? 0 : Count;
  FPlayed = 0;
  FFrame = FStartFrame;
  bool wasActive = FActive;
  FActive = true;
  SetTimer(FrameTimer, 1000 / FramesPerSecond);
  Invalidate();
  if (!wasActive && OnStart) OnStart(this);
}

void TAnimate::Stop() {
  KillTimer(FrameTimer);
  bool wasActive = FActive;
  FActive = false;
  FFrame = 0;
  Invalidate();
  if (wasActive && OnStop) OnStop(this);
}

void TAnimate::Seek(int frame) {
  if (FActive) Stop();
  FFrame = ClampFrame(frame);
  Invalidate();
}

void TAnimate::WMTimer(UINT id) {
  if (id != FrameTimer || !FActive) return;
  if (FFrame < FStopFrame) {
    ++FFrame;
  } else {
    ++FPlayed;
    if (FRepetitions != 0 && FPlayed >= FRepetitions) {
      // The last frame stays shown until Stop.
      KillTimer(FrameTimer);
      FActive = false;
      if (OnStop) OnStop(this);
      return;
    }
    FFrame = FStartFrame;
  }
  Invalidate();
}

void TAnimate::Paint() {
  if (FCommonAVI == aviNone) return;
  TCanvas* canvas = Canvas();
  // The clip's 272 x 60 picture, centred in the control.
  int left = (FWidth - FrameWidth()) / 2, top = (FHeight - FrameHeight()) / 2;
  DrawFolder(canvas, left + 16, top + 12);
  if (FCommonAVI == aviCopyFiles)
    DrawFolder(canvas, left + 208, top + 12);
  else
    DrawBin(canvas, left + 212, top + 10);
  int last = FrameCount() - 1;
  double t = last > 0 ? double(FFrame) / last : 0;
  int x = left + 30 + int(std::lround(t * 196));
  int y = top + 18 - int(std::lround(std::sin(t * 3.14159265358979) * 16));
  if (FCommonAVI == aviDeleteFile && t > 0.85) y += int((t - 0.85) * 60);
  DrawSheet(canvas, x, y);
}
