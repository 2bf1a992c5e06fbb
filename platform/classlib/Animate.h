// An animation control playing one of the platform's standard clips (copying files,
// deleting a file), drawn by the class library frame by frame: a sheet moving from one
// folder to another, or into a bin.
#pragma once

#include <cstdint>

#include "platform/classlib/CustomControl.h"

enum TCommonAVI : uint8_t { aviNone, aviCopyFiles, aviDeleteFile };

class TAnimate : public TCustomControl {
 public:
  // Frames a second of the standard clips.
  static constexpr int FramesPerSecond = 15;

  explicit TAnimate(TComponent* AOwner);

  TCommonAVI CommonAVI() const { return FCommonAVI; }
  void SetCommonAVI(TCommonAVI value);
  int FrameCount() const;
  int FrameWidth() const { return FCommonAVI == aviNone ? 0 : 272; }
  int FrameHeight() const { return FCommonAVI == aviNone ? 0 : 60; }

  bool Active() const { return FActive; }
  void SetActive(bool value);
  int StartFrame() const { return FStartFrame; }
  void SetStartFrame(int value) { FStartFrame = value; }
  int StopFrame() const { return FStopFrame; }
  void SetStopFrame(int value) { FStopFrame = value; }
  // How often the frames from StartFrame to StopFrame play; 0 without end.
  int Repetitions() const { return FRepetitions; }
  void SetRepetitions(int value) { FRepetitions = value; }
  // The frame shown now.
  int Frame() const { return FFrame; }

  // Plays frames From to To, Count times (0: without end); frames are clamped to the clip.
  void Play(int From, int To, int Count);
  // Stops and shows the first frame.
  void Stop();
  void Seek(int frame);

  TNotifyEvent OnStart;
  TNotifyEvent OnStop;

 protected:
  void Paint() override;
  // One frame further at every tick of window timer 1.
  void WMTimer(UINT id) override;

 private:
  static constexpr UINT FrameTimer = 1;
  int ClampFrame(int frame) const;

  TCommonAVI FCommonAVI = aviNone;
  bool FActive = false;
  int FStartFrame = 0;
  int FStopFrame = 0;
  int FRepetitions = 0;
  int FPlayed = 0;
  int FFrame = 0;
};
