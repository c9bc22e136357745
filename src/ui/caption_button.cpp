#include "ui/caption_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

namespace dtchart {

namespace {

constexpr int CaptionFlags = Qt::AlignCenter | Qt::TextWrapAnywhere | Qt::TextShowMnemonic;
constexpr int MostLines = 2;
constexpr qreal SmallestPointSize = 5;
constexpr int SmallestReadablePixels = 9;

// A word broken twice reads badly: two lines at most, or a smaller font.
bool fits(const QFontMetrics& metrics, const QRect& area, const QString& text) {
    const QRect lines = metrics.boundingRect(area, CaptionFlags, text);
    return area.contains(lines) && lines.height() < (MostLines + 1) * metrics.lineSpacing();
}

// How many characters the caption's lines after the first carry in `font`, broken as it is
// drawn.
int carriedOver(const QFont& font, const QRect& area, const QString& text) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int first = -1;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        if (first < 0) first = line.textLength();
    }
    layout.endLayout();
    return int(text.size()) - first;
}

QFont smaller(QFont font) {
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() - 0.5);
    else font.setPixelSize(font.pixelSize() - 1);
    return font;
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
    // A word broken where the line ends reads as two ("Comm" / "and1" in a wide font): of the
    // sizes still easily read, the one that breaks it last, "Comman" / "d1", the largest of
    // those. One line, where one holds it, is best of all.
    QFont best;
    int bestCarried = -1;
    for (QFont font = this->font(); QFontInfo(font).pixelSize() >= SmallestReadablePixels; font = smaller(font)) {
        if (!fits(QFontMetrics(font, this), area, text())) continue;
        const int carried = carriedOver(font, area, text());
        if (bestCarried < 0 || carried < bestCarried) best = font, bestCarried = carried;
        if (carried == 0 || (font.pointSizeF() <= 0 && font.pixelSize() <= 1)) break;
    }
    if (bestCarried >= 0) return best;
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
