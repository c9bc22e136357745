#include "chart/qt_surface.h"

#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace dtchart {
namespace {

// Coordinates this far out are clipped by hand before they reach QPainter, whose fixed-point
// rasteriser does not take arbitrary magnitudes.
constexpr double SafeExtent = 16384;

int rounded(double v) {
    return static_cast<int>(std::lround(std::clamp(v, -SafeExtent, SafeExtent)));
}

// Liang-Barsky: clips the segment to the rectangle; false when nothing of it lies inside.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, double left, double top,
                 double right, double bottom) {
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

}  // namespace

QtSurface::QtSurface(int width, int height, QColor background)
    : width_(width), height_(height), background_(background),
      image_(width, height, QImage::Format_RGB32) {
    image_.fill(background_);
    stride_ = static_cast<int>(image_.bytesPerLine() / sizeof(QRgb));
}

QtSurface::~QtSurface() { endPainting(); }

const QImage& QtSurface::image() const {
    endPainting();
    bits_ = nullptr;  // the caller may share the image; writing detaches it first
    return image_;
}

QPainter& QtSurface::painter(Colour colour) {
    if (!painter_) {
        bits_ = nullptr;
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setBrush(Qt::NoBrush);
    }
    painter_->setPen(QPen(QColor::fromRgb(toQRgb(colour)), 1));
    return *painter_;
}

void QtSurface::endPainting() const {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void QtSurface::takeBits() {
    endPainting();
    bits_ = reinterpret_cast<QRgb*>(image_.bits());
}

void QtSurface::notifyChanged() {
    if (changed_) return;
    changed_ = true;
    if (listener_) listener_();
}

void QtSurface::clear() {
    endPainting();
    image_.fill(background_);
    bits_ = nullptr;
    notifyChanged();
}

void QtSurface::drawLine(float x1, float y1, float x2, float y2, Colour colour) {
    double ax = x1, ay = y1, bx = x2, by = y2;
    if (!std::isfinite(ax + ay + bx + by)) return;
    const bool far = std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by)}) >
                     SafeExtent / 2;
    if (far && !clipSegment(ax, ay, bx, by, -2, -2, width_ + 1, height_ + 1)) return;
    painter(colour).drawLine(QPoint(rounded(ax), rounded(ay)), QPoint(rounded(bx), rounded(by)));
    notifyChanged();
}

void QtSurface::drawBox(float x1, float y1, float x2, float y2, Colour colour) {
    if (!std::isfinite(x1 + y1 + x2 + y2)) return;
    const int l = rounded(x1), t = rounded(y1), r = rounded(x2), b = rounded(y2);
    const QPolygon outline({QPoint(l, t), QPoint(r, t), QPoint(r, b), QPoint(l, b), QPoint(l, t)});
    painter(colour).drawPolyline(outline);
    notifyChanged();
}

void QtSurface::drawCircle(float cx, float cy, float radius, Colour colour) {
    if (!std::isfinite(cx + cy + radius)) return;
    const int r = rounded(std::fabs(radius));
    painter(colour).drawEllipse(QPoint(rounded(cx), rounded(cy)), r, r);
    notifyChanged();
}

void QtSurface::drawText(float x, float y, const std::string& text) {
    if (!std::isfinite(x + y)) return;
    QPainter& p = painter(Black);
    p.setPen(foreground_);
    p.setFont(font_);
    const QFontMetrics metrics(font_);
    p.drawText(QPoint(rounded(x), rounded(y) + metrics.ascent()), QString::fromStdString(text));
    notifyChanged();
}

}  // namespace dtchart
