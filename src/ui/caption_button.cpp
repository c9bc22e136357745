#include "ui/caption_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace dtchart {

namespace {

constexpr int CaptionFlags = Qt::AlignCenter | Qt::TextWrapAnywhere | Qt::TextShowMnemonic;
constexpr int MostLines = 2;
constexpr qreal SmallestPointSize = 5;

// A word broken twice reads badly: two lines at most, or a smaller font.
bool fits(const QFontMetrics& metrics, const QRect& area, const QString& text) {
    const QRect lines = metrics.boundingRect(area, CaptionFlags, text);
    return area.contains(lines) && lines.height() < (MostLines + 1) * metrics.lineSpacing();
}

}  // namespace

CaptionButton::CaptionButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect CaptionButton::labelArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

QFont CaptionButton::captionFont() const {
    const QRect area = labelArea();
    QFont font = this->font();
    // Half a point smaller at a time; a font set in pixels goes a pixel at a time.
    while (!fits(QFontMetrics(font, this), area, text())) {
        if (font.pointSizeF() > 0) {
            if (font.pointSizeF() - 0.5 < SmallestPointSize) break;
            font.setPointSizeF(font.pointSizeF() - 0.5);
        } else {
            if (font.pixelSize() <= 6) break;
            font.setPixelSize(font.pixelSize() - 1);
        }
    }
    return font;
}

QRect CaptionButton::captionRect() const {
    return QFontMetrics(captionFont(), this).boundingRect(labelArea(), CaptionFlags, text());
}

void CaptionButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style draws the button, its focus mark included, without a caption; the caption
    // follows in the same place and colour the style would give it, wrapped.
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = labelArea();
    if (option.state & (QStyle::State_On | QStyle::State_Sunken))
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.setFont(captionFont());
    painter.drawItemText(area, CaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}

}  // namespace dtchart
