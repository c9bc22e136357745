#include "chart/drawing_surface.h"

#include "chart/number_text.h"

namespace dtchart {

std::string TextOf(const PrintItem& item) {
    struct {
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(long n) const { return std::to_string(n); }
        std::string operator()(double d) const { return FormatDouble(d); }
    } visitor;
    return std::visit(visitor, item);
}

void DrawingSurface::Cls() {
    clear();
    currentX_ = 0;
    currentY_ = 0;
}

void DrawingSurface::strokeLine(float x1, float y1, float x2, float y2, Colour colour) {
    drawLine(x1, y1, x2, y2, colour);
    currentX_ = x2;
    currentY_ = y2;
}

void DrawingSurface::Line(float x1, float y1, float x2, float y2, Colour colour) {
    strokeLine(x1, y1, x2, y2, colour);
}

void DrawingSurface::LineBox(float x1, float y1, float x2, float y2, Colour colour) {
    drawBox(x1, y1, x2, y2, colour);
    currentX_ = x2;
    currentY_ = y2;
}

void DrawingSurface::LineTo(float x2, float y2, Colour colour) {
    strokeLine(currentX_, currentY_, x2, y2, colour);
}

void DrawingSurface::LineRelative(float dx1, float dy1, float dx2, float dy2, Colour colour) {
    const float x1 = currentX_ + dx1;
    const float y1 = currentY_ + dy1;
    strokeLine(x1, y1, x1 + dx2, y1 + dy2, colour);
}

void DrawingSurface::Circle(float dx, float dy, float radius, Colour colour) {
    const float cx = currentX_ + dx;
    const float cy = currentY_ + dy;
    drawCircle(cx, cy, radius, colour);
    currentX_ = cx;
    currentY_ = cy;
}

void DrawingSurface::Print(const PrintItem& item) { drawText(currentX_, currentY_, TextOf(item)); }

}  // namespace dtchart
