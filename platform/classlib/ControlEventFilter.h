// Routes a widget's Qt events to its control as the window messages the control expects
// (class library internal). Every event is handled inside the application's one catch.
#pragma once

#include <QObject>

class TControl;

class ControlEventFilter : public QObject {
 public:
  ControlEventFilter(TControl* control, QObject* parent);
  void Detach() { FControl = nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TControl* FControl;
};
