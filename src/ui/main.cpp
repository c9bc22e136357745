// dtchart: a viewer for one day of direction-resolved signal observations.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/form1.h"
#include "ui/message_boxes.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dtchart"));

    // Qt's own strings (dialog buttons, the file dialog) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

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
