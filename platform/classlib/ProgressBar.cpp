#include "platform/classlib/ProgressBar.h"

#include <QProgressBar>

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* bar = new QProgressBar();
  bar->setTextVisible(false);
  AttachWidget(bar);
  SetBounds(0, 0, 150, 16);
  Apply();
}

void TProgressBar::SetMin(int value) {
  FMin = value;
  if (FMax < FMin) FMax = FMin;
  Apply();
}

void TProgressBar::SetMax(int value) {
  FMax = value;
  if (FMin > FMax) FMin = FMax;
  Apply();
}

void TProgressBar::SetPosition(int value) {
  FPosition = value;
  Apply();
}

void TProgressBar::Apply() {
  if (FPosition < FMin) FPosition = FMin;
  if (FPosition > FMax) FPosition = FMax;
  auto* bar = static_cast<QProgressBar*>(FWidget);
  if (!bar) return;
  // An empty range would make Qt's bar show a busy animation instead of an empty bar.
  if (FMax == FMin) {
    bar->setRange(0, 1);
    bar->setValue(0);
    return;
  }
  bar->setRange(FMin, FMax);
  bar->setValue(FPosition);
}
