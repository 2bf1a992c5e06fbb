#include "platform/classlib/GraphicControl.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

namespace {

// Paints the control on a transparent picture, so that the parent shows where the control
// draws nothing.
class GraphicWidget : public QWidget {
 public:
  explicit GraphicWidget(TGraphicControl* control) : FControl(control) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    CallHandled(FControl, [&] { FControl->PaintTo(&picture); });
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
  }

 private:
  TGraphicControl* FControl;
};

}  // namespace

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  AttachWidget(new GraphicWidget(this));
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(QImage* target) {
  if (Opaque()) target->fill(ToQColor(Color()));
  FCanvas.SetTarget(target);
  struct Reset {
    TCanvas& canvas;
    ~Reset() { canvas.SetTarget(nullptr); }
  } reset{FCanvas};
  FCanvas.Font()->Assign(Font());
  Paint();
}
