#pragma once
// A picture box: a 2-pixel sunken frame around a drawing area that shows the persistent image
// of its drawing surface. What is drawn stays, whether or not the box is visible.

#include <QFrame>

#include "chart/qt_surface.h"

namespace dtchart {

class PictureBox : public QFrame {
public:
    // `width` and `height` are the outer size; the drawing area is 4 pixels smaller each way.
    PictureBox(int width, int height, QWidget* parent = nullptr);

    QtSurface& surface() { return surface_; }
    const QtSurface& surface() const { return surface_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QtSurface surface_;
};

}  // namespace dtchart
