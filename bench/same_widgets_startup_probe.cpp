// Baseline start-up probe: a bare Qt window with the viewer's kinds of widgets and texts (two
// sunken frames, two buttons, four scroll bars, three line edits and a Japanese label), none of
// the viewer's own code. Against it, start-up measures what the viewer adds to Qt's own cost of
// such a window: fonts, widget creation and the first paint of every widget.

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include "first_paint_exit.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(878, 637);
    for (QRect r : {QRect(0, 0, 817, 281), QRect(112, 368, 265, 265)}) {
        auto* frame = new QFrame(&window);
        frame->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        frame->setGeometry(r);
    }
    (new QPushButton(QStringLiteral("読み込み"), &window))->setGeometry(8, 544, 89, 33);
    (new QPushButton(QStringLiteral("Command1"), &window))->setGeometry(32, 424, 41, 49);
    for (QRect r : {QRect(8, 296, 761, 17), QRect(8, 320, 761, 17), QRect(8, 344, 761, 17),
                    QRect(432, 536, 233, 17)})
        (new QScrollBar(Qt::Horizontal, &window))->setGeometry(r);
    (new QLineEdit(QStringLiteral("1.745329E-02"), &window))->setGeometry(432, 400, 249, 25);
    (new QLineEdit(QStringLiteral("Text2"), &window))->setGeometry(432, 432, 249, 25);
    (new QLineEdit(QStringLiteral("1"), &window))->setGeometry(464, 504, 41, 25);
    auto* label = new QLabel(QStringLiteral("倍率"), &window);
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic")});
    font.setPointSizeF(11.25);
    label->setFont(font);
    label->setGeometry(424, 504, 41, 17);
    new dtchart::bench::FirstPaintExit(&window);
    window.show();
    return QApplication::exec();
}
