#pragma once
// A drawing surface that records every operation as a line of text with its arguments, and
// keeps the current position by the same rules as every other surface.

#include <cstdio>
#include <string>
#include <vector>

#include "chart/drawing_surface.h"

namespace dtchart::test {

class RecordingSurface : public DrawingSurface {
public:
    std::vector<std::string> calls;

    void Cls() override { log("Cls"); DrawingSurface::Cls(); }
    void SetCurrentX(float x) override { log("CurrentX " + num(x)); DrawingSurface::SetCurrentX(x); }
    void SetCurrentY(float y) override { log("CurrentY " + num(y)); DrawingSurface::SetCurrentY(y); }
    void Line(float x1, float y1, float x2, float y2, Colour c) override {
        log("Line " + pt(x1, y1) + "-" + pt(x2, y2) + " " + col(c));
        DrawingSurface::Line(x1, y1, x2, y2, c);
    }
    void LineBox(float x1, float y1, float x2, float y2, Colour c) override {
        log("Box " + pt(x1, y1) + "-" + pt(x2, y2) + " " + col(c));
        DrawingSurface::LineBox(x1, y1, x2, y2, c);
    }
    void LineTo(float x2, float y2, Colour c) override {
        log("LineTo " + pt(x2, y2) + " " + col(c));
        DrawingSurface::LineTo(x2, y2, c);
    }
    void LineRelative(float dx1, float dy1, float dx2, float dy2, Colour c) override {
        log("LineStep " + pt(dx1, dy1) + "-" + pt(dx2, dy2) + " " + col(c));
        DrawingSurface::LineRelative(dx1, dy1, dx2, dy2, c);
    }
    void PSet(float x, float y, Colour c) override { log("PSet " + pt(x, y) + " " + col(c)); }
    void Circle(float dx, float dy, float r, Colour c) override {
        log("Circle " + pt(dx, dy) + " " + num(r) + " " + col(c));
        DrawingSurface::Circle(dx, dy, r, c);
    }
    void Print(const PrintItem& item) override {
        const char* kind = std::holds_alternative<std::string>(item) ? "text"
                           : std::holds_alternative<long>(item)     ? "long"
                                                                    : "double";
        log(std::string("Print ") + kind + " " + TextOf(item));
    }

    // Absolute end points of every line drawn, in order, as the renderer receives them.
    struct Segment {
        float x1, y1, x2, y2;
        Colour colour;
    };
    std::vector<Segment> segments;

    static std::string num(float v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
        return buf;
    }
    static std::string pt(float x, float y) { return "(" + num(x) + "," + num(y) + ")"; }
    static std::string col(Colour c) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%06X", c);
        return buf;
    }

protected:
    void clear() override {}
    void drawLine(float x1, float y1, float x2, float y2, Colour c) override {
        segments.push_back({x1, y1, x2, y2, c});
    }
    void drawBox(float, float, float, float, Colour) override {}
    void drawCircle(float, float, float, Colour) override {}
    void drawText(float, float, const std::string&) override {}

private:
    void log(std::string line) { calls.push_back(std::move(line)); }
};

}  // namespace dtchart::test
