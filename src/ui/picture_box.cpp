#include "ui/picture_box.h"

#include <QPainter>

namespace dtchart {

namespace {
constexpr int Border = 2;
}

PictureBox::PictureBox(int width, int height, QWidget* parent)
    : QFrame(parent), surface_(width - 2 * Border, height - 2 * Border, Qt::white) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(Border);
    setFixedSize(width, height);
    setFocusPolicy(Qt::StrongFocus);
    // The desktop's font at 8 points: the chart's captions sit at fixed pixel positions made
    // for a small dialog font, and a larger one runs labels into the ticks.
    QFont captions = font();
    captions.setPointSizeF(8);
    surface_.setFont(captions);
    surface_.setChangeListener([this] { update(); });
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    // At a device pixel ratio above 1 the image is scaled up pixel by pixel, never smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(contentsRect().topLeft(), QSize(surface_.width(), surface_.height())),
                      surface_.image());
    surface_.markShown();
}

}  // namespace dtchart
