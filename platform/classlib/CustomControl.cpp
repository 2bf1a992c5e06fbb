#include "platform/classlib/CustomControl.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

namespace {

// The widget of a self-painting control: each paint fills a picture with the control's
// colour, lets the control draw on it, and shows the picture.
class PaintWidget : public QWidget {
 public:
  explicit PaintWidget(TCustomControl* control) : FControl(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage picture(size(), kImageFormat);
    picture.fill(ToQColor(FControl->Color()));
    CallHandled(FControl, [&] { FControl->PaintTo(&picture); });
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
  }

 private:
  TCustomControl* FControl;
};

}  // namespace

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  AttachWidget(new PaintWidget(this));
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintTo(QImage* target) {
  FCanvas.SetTarget(target);
  struct Reset {
    TCanvas& canvas;
    ~Reset() { canvas.SetTarget(nullptr); }
  } reset{FCanvas};
  FCanvas.Font()->Assign(Font());
  Paint();
}
