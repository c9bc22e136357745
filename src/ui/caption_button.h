#pragma once
// A push button that always shows its whole caption: a caption wider than the button is broken
// onto a second line, and set in a smaller font when two lines of the button's own font do not
// hold it. The text stays the button's text; only the way it is drawn changes.

#include <QPushButton>

namespace dtchart {

class CaptionButton : public QPushButton {
public:
    CaptionButton(const QString& text, QWidget* parent);

    // The area the style gives the label, the font the caption is drawn in there, and the
    // rectangle the caption's lines take, for the button as it is now.
    QRect labelArea() const;
    QFont captionFont() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dtchart
