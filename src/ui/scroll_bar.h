#pragma once
// A horizontal scroll bar that takes keyboard focus and steps with the arrow, page, Home and
// End keys, reporting each change as any other move, and shows the style's focus mark while it
// has the focus. Qt's own scroll bars ignore the keyboard and mark no focus.

#include <QScrollBar>

namespace dtchart {

class ScrollBar : public QScrollBar {
public:
    ScrollBar(int minimum, int maximum, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dtchart
