// A timer: OnTimer every Interval milliseconds while Enabled. An exception in the handler is
// shown by the application and the timer keeps running.
#pragma once

#include <memory>

#include "platform/classlib/Component.h"
#include "platform/classlib/NotifyEvent.h"

class QTimer;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned value);
  // Whether ticks are being delivered now (Enabled with an interval above 0).
  bool Running() const;

  // One tick: runs OnTimer (the window system calls it; so can tests).
  virtual void Timer();
  TNotifyEvent OnTimer;

 private:
  void Update();

  bool FEnabled = true;
  unsigned FInterval = 1000;
  std::unique_ptr<QTimer> FTimer;
};
