#pragma once
// A horizontal scroll bar that takes keyboard focus and steps with the arrow, page, Home and
// End keys, reporting each change as any other move. Qt's own scroll bars ignore the keyboard.

#include <QScrollBar>

namespace dtchart {

class ScrollBar : public QScrollBar {
public:
    ScrollBar(int minimum, int maximum, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace dtchart
