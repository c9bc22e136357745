#include "chart/qt_surface.h"

#include <QPolygon>
#include <QPolygonF>

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

// The centre of the logical pixel nearest v, as QPainter takes it at a ratio other than 1,
// moved a thirty-second of a device pixel up and left: at fractional ratios a line's edge
// can fall exactly on a device pixel's centre, and the pixel must then go to the block on
// the edge's far side, as the blocks of points are laid out.
double centre(double v, qreal ratio) { return rounded(v) + 0.5 - 1.0 / (32 * ratio); }

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

// First device pixel whose centre lies at or beyond logical coordinate v: the rasteriser
// fills a device pixel when its centre lies inside a shape, so lines a logical pixel wide
// and the blocks of points cover the same device pixels.
int firstDevicePixel(int v, qreal ratio) { return static_cast<int>(std::ceil(v * ratio - 0.5)); }

std::vector<int> devicePixelStarts(int count, qreal ratio) {
    std::vector<int> starts(static_cast<std::size_t>(count) + 1);
    for (int v = 0; v <= count; ++v) starts[static_cast<std::size_t>(v)] = firstDevicePixel(v, ratio);
    return starts;
}

}  // namespace

QFont ChartCaptionFont() {
    QFont font;
    // Arial's metrics, which the captions' fixed positions were laid out for, in every locale:
    // never the desktop's or the locale's font, which may be a wide CJK gothic.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    // The same greys on every desktop, whatever its subpixel order.
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    return font;
}

QtSurface::QtSurface(int width, int height, QColor background, qreal ratio)
    : width_(width), height_(height), ratio_(ratio > 0 ? ratio : 1), background_(background),
      font_(ChartCaptionFont()) {
    allocate();
}

void QtSurface::allocate() {
    endPainting();
    bits_ = nullptr;
    blocks_ = ratio_ != 1;
    if (blocks_) {
        columns_ = devicePixelStarts(width_, ratio_);
        rows_ = devicePixelStarts(height_, ratio_);
        image_ = QImage(columns_.back(), rows_.back(), QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio_);
    } else {
        columns_.clear();
        rows_.clear();
        image_ = QImage(width_, height_, QImage::Format_RGB32);
    }
    image_.fill(background_);
    stride_ = static_cast<int>(image_.bytesPerLine() / sizeof(QRgb));
}

void QtSurface::setRatio(qreal ratio) {
    if (!(ratio > 0) || ratio == ratio_ || overflowed_) return;
    ratio_ = ratio;
    allocate();
    // Drawing anew records nothing: the list is already that of this picture.
    const std::vector<Drawing> drawn = std::move(drawn_);
    for (const Drawing& draw : drawn) draw(*this);
    drawn_ = std::move(drawn);
    endPainting();
}

QRect QtSurface::devicePixels(int x, int y) const {
    if (!blocks_) return QRect(x, y, 1, 1);
    return QRect(QPoint(columns_[x], rows_[y]), QPoint(columns_[x + 1] - 1, rows_[y + 1] - 1));
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
    if (blocks_) {
        // A logical pixel wide, square ends and mitred corners: a line from (x1, y1) to
        // (x2, y2) drawn through the pixel centres covers whole logical pixels, as at ratio 1.
        painter_->setPen(QPen(QColor::fromRgb(toQRgb(colour)), 1, Qt::SolidLine, Qt::SquareCap,
                              Qt::MiterJoin));
    } else {
        painter_->setPen(QPen(QColor::fromRgb(toQRgb(colour)), 1));
    }
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

QRgb* QtSurface::firstPoint(int x, int y, QRgb pixel) {
    put(writableBits(), x, y, pixel);
    if (!changed_) notifyChanged();
    return writableBits();
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
    drawn_.clear();
    overflowed_ = false;
    notifyChanged();
}

// At a ratio other than 1 shapes go through the centres of logical pixels, in logical
// coordinates that QPainter scales to the image.
void QtSurface::drawLine(float x1, float y1, float x2, float y2, Colour colour) {
    record([=](QtSurface& s) { s.renderLine(x1, y1, x2, y2, colour); });
    renderLine(x1, y1, x2, y2, colour);
    notifyChanged();
}

void QtSurface::renderLine(double ax, double ay, double bx, double by, Colour colour) {
    if (!std::isfinite(ax + ay + bx + by)) return;
    const bool far = std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by)}) >
                     SafeExtent / 2;
    if (far && !clipSegment(ax, ay, bx, by, -2, -2, width_ + 1, height_ + 1)) return;
    if (blocks_)
        painter(colour).drawLine(QLineF(centre(ax, ratio_), centre(ay, ratio_), centre(bx, ratio_), centre(by, ratio_)));
    else
        painter(colour).drawLine(QPoint(rounded(ax), rounded(ay)), QPoint(rounded(bx), rounded(by)));
}

void QtSurface::drawBox(float x1, float y1, float x2, float y2, Colour colour) {
    record([=](QtSurface& s) { s.renderBox(x1, y1, x2, y2, colour); });
    renderBox(x1, y1, x2, y2, colour);
    notifyChanged();
}

void QtSurface::renderBox(float x1, float y1, float x2, float y2, Colour colour) {
    if (!std::isfinite(x1 + y1 + x2 + y2)) return;
    const int l = rounded(x1), t = rounded(y1), r = rounded(x2), b = rounded(y2);
    if (blocks_) {
        const QPolygonF outline({QPointF(centre(l, ratio_), centre(t, ratio_)),
                                 QPointF(centre(r, ratio_), centre(t, ratio_)),
                                 QPointF(centre(r, ratio_), centre(b, ratio_)),
                                 QPointF(centre(l, ratio_), centre(b, ratio_))});
        painter(colour).drawPolygon(outline);
    } else {
        const QPolygon outline({QPoint(l, t), QPoint(r, t), QPoint(r, b), QPoint(l, b), QPoint(l, t)});
        painter(colour).drawPolyline(outline);
    }
}

void QtSurface::drawCircle(float cx, float cy, float radius, Colour colour) {
    record([=](QtSurface& s) { s.renderCircle(cx, cy, radius, colour); });
    renderCircle(cx, cy, radius, colour);
    notifyChanged();
}

void QtSurface::renderCircle(float cx, float cy, float radius, Colour colour) {
    if (!std::isfinite(cx + cy + radius)) return;
    const int r = rounded(std::fabs(radius));
    if (blocks_)
        painter(colour).drawEllipse(QPointF(centre(cx, ratio_), centre(cy, ratio_)), r, r);
    else
        painter(colour).drawEllipse(QPoint(rounded(cx), rounded(cy)), r, r);
}

void QtSurface::drawText(float x, float y, const std::string& text) {
    record([=, text = QString::fromStdString(text), font = font_, colour = foreground_](QtSurface& s) {
        s.renderText(x, y, text, font, colour);
    });
    renderText(x, y, QString::fromStdString(text), font_, foreground_);
    notifyChanged();
}

void QtSurface::renderText(float x, float y, const QString& text, const QFont& font, const QColor& colour) {
    if (!std::isfinite(x + y)) return;
    QPainter& p = painter(Black);
    p.setPen(colour);
    p.setFont(font);
    const QFontMetrics metrics(font, &image_);
    p.drawText(QPoint(rounded(x), rounded(y) + metrics.ascent()), text);
}

}  // namespace dtchart
