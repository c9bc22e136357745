#include "ui/picture_box.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace dtchart {

namespace {
constexpr int Border = 2;
}

PictureBox::PictureBox(int width, int height, QWidget* parent)
    // The image has the resolution of the sharpest screen, so that what is drawn before the
    // window is first shown is already sharp there.
    : QFrame(parent),
      surface_(width - 2 * Border, height - 2 * Border, Qt::white, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setLineWidth(Border);
    setFixedSize(width, height);
    setFocusPolicy(Qt::StrongFocus);
    surface_.setChangeListener([this] { update(); });
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QTransform toDevice = painter.deviceTransform();
    // The picture is drawn at the ratio of the screen it is shown on, and drawn anew when that
    // changes: a window moved to another screen, or told its fractional scale by a Wayland
    // compositor only once shown.
    if (toDevice.type() <= QTransform::TxScale && toDevice.m11() == toDevice.m22() && toDevice.m11() > 0)
        surface_.setRatio(toDevice.m11());
    const QImage& image = surface_.image();
    if (qFuzzyCompare(toDevice.m11(), image.devicePixelRatio()) &&
        qFuzzyCompare(toDevice.m22(), image.devicePixelRatio())) {
        // Copied pixel for pixel to the device pixel nearest the drawing area's corner. At a
        // fractional ratio the area's logical size is no whole number of device pixels, and a
        // rectangle in logical units would have the image resampled by a hair, moving cells
        // across their block edges.
        const QPoint corner = toDevice.map(QPointF(contentsRect().topLeft())).toPoint();
        painter.setWorldTransform(QTransform::fromScale(1 / toDevice.m11(), 1 / toDevice.m22()));
        const QPointF origin = painter.deviceTransform().map(QPointF(0, 0));
        painter.drawImage(QRectF(QPointF(corner) - origin, QSizeF(image.size())), image,
                          QRectF(image.rect()));
        painter.resetTransform();
    } else {
        // A device that is not a plain scale: scaled pixel by pixel, never smoothed.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRect(contentsRect().topLeft(), QSize(surface_.width(), surface_.height())), image);
    }
    surface_.markShown();

    // The keyboard focus: the style's focus mark on the frame, clipped off the picture so that
    // every pixel of the picture still shows.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.backgroundColor = palette().color(QPalette::Window);
        painter.resetTransform();
        painter.setClipRegion(QRegion(rect()).subtracted(contentsRect()));
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace dtchart
