// dtchart: a viewer for one day of direction-resolved signal observations.

#include <QApplication>

#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/qt_translations.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dtchart"));
    dtchart::InstallQtTranslations(QLocale());

    dtchart::QtMessageBoxes boxes;
    dtchart::QtOpenFileChooser chooser;
    bool ended = false;
    dtchart::Form1 form({&boxes, &chooser, [&ended] {
                             ended = true;
                             QApplication::exit(1);
                         }});
    if (!form.load()) return 1;
    form.show();
    const int code = QApplication::exec();
    return ended ? 1 : code;
}
