#include "ui/viewer_main.h"

#include <QApplication>

#include "ui/app_identity.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/qt_translations.h"

namespace dtchart {

int RunViewer(int argc, char* argv[], const std::function<void(QWidget&)>& beforeShow) {
    QApplication app(argc, argv);
    // The application name is the class X11 gives the window (WM_CLASS); Wayland shells match
    // the window to the desktop entry by its file name.
    QApplication::setApplicationName(ApplicationTitle());
    QGuiApplication::setDesktopFileName(DesktopFileName());
    InstallQtTranslations(QLocale());

    QtMessageBoxes boxes;
    QtOpenFileChooser chooser;
    bool ended = false;
    Form1 form({&boxes, &chooser, [&ended] {
                    ended = true;
                    QApplication::exit(1);
                }});
    if (!form.load()) return 1;
    if (beforeShow) beforeShow(form);
    form.show();
    const int code = QApplication::exec();
    return ended ? 1 : code;
}

}  // namespace dtchart
