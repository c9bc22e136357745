#pragma once
// A picture box's drawing operations: pixel user coordinates (x right, y down, origin at the
// top-left of the drawing area), single-precision positions, a current position, and every
// line, point and circle in an explicit colour. Implementations supply the rendering; the
// position rules live here: after any Line the current position is its end point, after a
// Circle its centre.

#include <string>
#include <variant>

#include "signal/colour.h"

namespace dtchart {

// The one item of a Print: a text, a whole number, or a floating-point number.
using PrintItem = std::variant<std::string, long, double>;

// The text a Print shows for its item.
std::string TextOf(const PrintItem& item);

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    virtual void Cls();
    virtual void SetCurrentX(float x) { currentX_ = x; }
    virtual void SetCurrentY(float y) { currentY_ = y; }
    float CurrentX() const { return currentX_; }
    float CurrentY() const { return currentY_; }

    // Line (x1, y1)-(x2, y2), colour
    virtual void Line(float x1, float y1, float x2, float y2, Colour colour);
    // Line (x1, y1)-(x2, y2), colour, B: the outline of the rectangle
    virtual void LineBox(float x1, float y1, float x2, float y2, Colour colour);
    // Line -(x2, y2), colour: from the current position
    virtual void LineTo(float x2, float y2, Colour colour);
    // Line Step(dx1, dy1)-Step(dx2, dy2), colour: P = current + (dx1, dy1), to P + (dx2, dy2)
    virtual void LineRelative(float dx1, float dy1, float dx2, float dy2, Colour colour);
    virtual void PSet(float x, float y, Colour colour) = 0;
    // Circle Step(dx, dy), radius, colour
    virtual void Circle(float dx, float dy, float radius, Colour colour);
    virtual void Print(const PrintItem& item);

protected:
    virtual void clear() = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2, Colour colour) = 0;
    virtual void drawBox(float x1, float y1, float x2, float y2, Colour colour) = 0;
    virtual void drawCircle(float cx, float cy, float radius, Colour colour) = 0;
    virtual void drawText(float x, float y, const std::string& text) = 0;

private:
    void strokeLine(float x1, float y1, float x2, float y2, Colour colour);

    float currentX_ = 0;
    float currentY_ = 0;
};

}  // namespace dtchart
