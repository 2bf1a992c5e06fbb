#include "platform/classlib/Timer.h"

#include <QTimer>

#include "platform/classlib/Application.h"
#include "platform/classlib/ExceptionHandler.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  Application->Initialize();
  FTimer = std::make_unique<QTimer>();
  QObject::connect(FTimer.get(), &QTimer::timeout,
                   [this] { CallHandled(this, [this] { Timer(); }); });
  Update();
}

TTimer::~TTimer() { FTimer->stop(); }

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Update();
}

void TTimer::SetInterval(unsigned value) {
  if (value == FInterval) return;
  FInterval = value;
  Update();
}

bool TTimer::Running() const { return FTimer->isActive(); }

void TTimer::Update() {
  FTimer->stop();
  if (FEnabled && FInterval > 0) {
    FTimer->setInterval(int(FInterval));
    FTimer->start();
  }
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}
