#include "ui/viewer_main.h"

#include <QApplication>

#include "ui/after_first_paint.h"
#include "ui/app_identity.h"
#include "ui/desktop_file_dialog.h"
#include "ui/form1.h"
#include "ui/gnome_platform.h"
#include "ui/message_boxes.h"
#include "ui/qt_translations.h"

namespace dtchart {

int RunViewer(int argc, char* argv[], const std::function<void(QWidget&)>& beforeShow) {
    ChoosePlatformForSession(argc, argv);
    QApplication app(argc, argv);
    // The application name is the class X11 gives the window (WM_CLASS); Wayland shells match
    // the window to the desktop entry by its file name.
    QApplication::setApplicationName(ApplicationTitle());
    QGuiApplication::setDesktopFileName(DesktopFileName());
    InstallQtTranslations(QLocale());

    QtMessageBoxes boxes;
    const std::unique_ptr<OpenFileChooser> chooser = PickOpenFileChooser();
    bool ended = false;
    Form1 form({&boxes, chooser.get(), [&ended] {
                    ended = true;
                    QApplication::exit(1);
                }});
    if (!form.load()) return 1;
    // The question box is made once the window is on screen, when the user cannot yet have
    // clicked: the first question then comes as quickly as the later ones. (Before the hook, so
    // that what the hook does at the first paint comes first.)
    AfterFirstPaint prepare(&form, [&form] { form.prepareQuestion(); });
    if (beforeShow) beforeShow(form);
    form.show();
    const int code = QApplication::exec();
    return ended ? 1 : code;
}

}  // namespace dtchart
