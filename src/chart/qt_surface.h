#pragma once
// The drawing surface on a persistent QImage (RGB32): lines, boxes and circles through an
// aliased 1-pixel QPainter, text at its top-left corner in the surface's font and foreground
// colour, and points written straight into the image. Everything outside the image is clipped.
//
// At a device pixel ratio above 1 the image has device resolution and drawing keeps its
// logical pixel coordinates: logical pixel (x, y) is the block of device pixels whose centres
// lie inside it, so a point fills its whole block (2 x 2 at ratio 2; 1 or 2 pixels a side at
// 1.5) and lines, a logical pixel wide, cover exactly the blocks a line covers at ratio 1.
// Text is rendered at device resolution. At ratio 1 nothing differs from a plain image.
//
// What was drawn since the last Cls is kept as a list of the calls that drew it, so that the
// picture can be drawn anew, exactly, when the window it shows in moves to a screen of another
// ratio (a Wayland compositor tells a window its fractional scale only once it is shown).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>
#include <vector>

#include "chart/drawing_surface.h"

namespace dtchart {

// The font of every caption the chart prints: the same proportional sans at 8 points in
// every locale and on every desktop.
QFont ChartCaptionFont();

class QtSurface final : public DrawingSurface {
public:
    // `width` and `height` in logical pixels.
    QtSurface(int width, int height, QColor background = Qt::white, qreal ratio = 1);
    ~QtSurface() override;

    int width() const { return width_; }
    int height() const { return height_; }
    qreal ratio() const { return ratio_; }
    // Draws everything drawn since the last clear again at device pixel ratio `ratio`. The
    // owner, who asks for it when painting, is not told of the change.
    void setRatio(qreal ratio);
    // The device pixels of logical pixel (x, y): columns [left, right), rows [top, bottom).
    QRect devicePixels(int x, int y) const;

    void setFont(const QFont& font) { font_ = font; }
    const QFont& font() const { return font_; }
    void setForeground(const QColor& colour) { foreground_ = colour; }

    // Called once whenever the image goes from shown to changed; the owner schedules a repaint.
    void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }
    // The owner has shown the current image; the next change calls the listener again.
    void markShown() { changed_ = false; }

    // The image as drawn so far.
    const QImage& image() const;

    // Inline: the chart painting sets 129,600 points per load.
    void PSet(float x, float y, Colour colour) override {
        const int px = pixelOf(x);
        const int py = pixelOf(y);
        if (px < 0 || py < 0 || px >= width_ || py >= height_) return;
        const QRgb pixel = toQRgb(colour);
        record([px, py, pixel](QtSurface& s) { s.put(s.writableBits(), px, py, pixel); });
        put(writableBits(), px, py, pixel);
        if (!changed_) notifyChanged();
    }

    static constexpr QRgb toQRgb(Colour c) {
        return 0xFF000000u | static_cast<QRgb>(RedOf(c)) << 16 |
               static_cast<QRgb>(GreenOf(c)) << 8 | static_cast<QRgb>(BlueOf(c));
    }

    // Points at whole-pixel positions in bulk, with the image's address, size and stride held
    // in registers: paintPixels(paint) calls paint(writer) once, and writer.set(x, y,
    // pixel(colour)) leaves the image as PSet(x, y, colour) does; the owner is told of the
    // change at the first point, as PSet tells it. The writer's type is chosen once for the
    // ratio, so that the loop inside paint has no test of it. Nothing else may draw on the
    // surface meanwhile. The surface keeps a copy of paint until the next clear, to call again
    // should its ratio change: what paint reads must stay as it is until then.
    static constexpr QRgb pixel(Colour c) { return toQRgb(c); }

    template <class Paint>
    void paintPixels(Paint&& paint) {
        record([paint](QtSurface& s) mutable { s.writePixels(paint); });
        writePixels(paint);
    }

    enum WriterKind { Plain, Doubled, Blocks };

    template <WriterKind Kind>
    class PixelWriter;

private:
    template <class Paint>
    void writePixels(Paint& paint) {
        if (!blocks_) {
            PixelWriter<Plain> writer(*this);
            paint(writer);
        } else if (ratio_ == 2) {
            PixelWriter<Doubled> writer(*this);
            paint(writer);
        } else {
            PixelWriter<Blocks> writer(*this);
            paint(writer);
        }
    }

public:
    template <WriterKind Kind>
    class PixelWriter {
    public:
        explicit PixelWriter(QtSurface& surface)
            : surface_(surface), width_(static_cast<std::size_t>(surface.width_)),
              height_(static_cast<std::size_t>(surface.height_)), stride_(surface.stride_),
              columns_(surface.columns_.data()), rows_(surface.rows_.data()) {}
        PixelWriter(const PixelWriter&) = delete;
        PixelWriter& operator=(const PixelWriter&) = delete;

        void set(int x, int y, QRgb pixel) {
            // Negative coordinates wrap round to large sizes.
            if (static_cast<std::size_t>(x) >= width_ || static_cast<std::size_t>(y) >= height_) return;
            if (!bits_) {
                bits_ = surface_.firstPoint(x, y, pixel);
            } else if constexpr (Kind == Plain) {
                bits_[static_cast<qsizetype>(y) * stride_ + x] = pixel;
            } else if constexpr (Kind == Doubled) {
                // Ratio 2, the usual HiDPI screen: a 2 x 2 block in straight-line code.
                QRgb* block = bits_ + static_cast<qsizetype>(2 * y) * stride_ + 2 * x;
                block[0] = block[1] = block[stride_] = block[stride_ + 1] = pixel;
            } else {
                fillBlock(bits_, stride_, columns_, rows_, x, y, pixel);
            }
        }

    private:
        QtSurface& surface_;
        // None of these is of the pixels' type, so storing a pixel cannot change them and the
        // compiler keeps them in registers.
        QRgb* bits_ = nullptr;
        std::size_t width_;
        std::size_t height_;
        qsizetype stride_;
        const int* columns_;  // empty at ratio 1
        const int* rows_;
    };

protected:
    void clear() override;
    void drawLine(float x1, float y1, float x2, float y2, Colour colour) override;
    void drawBox(float x1, float y1, float x2, float y2, Colour colour) override;
    void drawCircle(float cx, float cy, float radius, Colour colour) override;
    void drawText(float x, float y, const std::string& text) override;

private:
    using Drawing = std::function<void(QtSurface&)>;
    // Far more calls than any picture of the window takes between two Cls; past it the picture
    // keeps its ratio (and is scaled) rather than hold ever more.
    static constexpr std::size_t MaxDrawn = std::size_t{1} << 20;

    template <class Draw>
    void record(Draw&& draw) {
        if (drawn_.size() < MaxDrawn) drawn_.emplace_back(std::forward<Draw>(draw));
        else overflowed_ = true;
    }

    // Nearest pixel, or -1 for anything left of or above the image (NaN included).
    static int pixelOf(float v) {
        if (!(v > -0.5f)) return -1;
        if (!(v < 1.0e9f)) return 1 << 30;
        return static_cast<int>(v + 0.5f);
    }

    // A pixel writer's first point: set, the owner told, and the bits to go on with (taken
    // after the listener, which may have taken the image). Out of line, so that the writer's
    // loop keeps its registers.
    QRgb* firstPoint(int x, int y, QRgb pixel);

    // Writes the device pixels of logical pixel (x, y), which must lie on the image.
    void put(QRgb* bits, int x, int y, QRgb pixel) const {
        if (blocks_) fillBlock(bits, stride_, columns_.data(), rows_.data(), x, y, pixel);
        else bits[static_cast<qsizetype>(y) * stride_ + x] = pixel;
    }
    // The block of logical pixel (x, y) laid out by the tables of first device columns and rows.
    static void fillBlock(QRgb* bits, qsizetype stride, const int* columns, const int* rows, int x,
                          int y, QRgb pixel) {
        // Bounds first: the pixel stores may alias the tables as far as the compiler knows.
        const int left = columns[x], right = columns[x + 1];
        const int top = rows[y], bottom = rows[y + 1];
        QRgb* line = bits + static_cast<qsizetype>(top) * stride;
        for (int r = top; r < bottom; ++r, line += stride)
            for (int c = left; c < right; ++c) line[c] = pixel;
    }

    // The image and block tables for the ratio, filled with the background.
    void allocate();
    void renderLine(double x1, double y1, double x2, double y2, Colour colour);
    void renderBox(float x1, float y1, float x2, float y2, Colour colour);
    void renderCircle(float cx, float cy, float radius, Colour colour);
    void renderText(float x, float y, const QString& text, const QFont& font, const QColor& colour);
    QPainter& painter(Colour colour);
    void endPainting() const;
    QRgb* writableBits() {
        if (!bits_) takeBits();
        return bits_;
    }
    void takeBits();
    void notifyChanged();

    int width_;
    int height_;
    qreal ratio_;
    bool blocks_ = false;       // ratio other than 1: logical pixels are blocks of device pixels
    std::vector<int> columns_;  // first device column of each logical column, then the width
    std::vector<int> rows_;     // likewise for rows
    QColor background_;
    QColor foreground_ = Qt::black;
    QFont font_;
    std::function<void()> listener_;
    mutable QImage image_;
    mutable std::unique_ptr<QPainter> painter_;
    mutable QRgb* bits_ = nullptr;  // null while a painter is active or the image may be shared
    int stride_ = 0;                // in pixels
    bool changed_ = false;
    std::vector<Drawing> drawn_;    // since the last clear, in order
    bool overflowed_ = false;       // drawn_ lacks calls since the last clear
};

}  // namespace dtchart
