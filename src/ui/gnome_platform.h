#pragma once
// Which of Qt's window-system platforms the viewer asks for where the choice is Qt's to make.

#include <QByteArray>
#include <QVersionNumber>

#include <functional>

namespace dtchart {

// Whether that Qt ties the desktop's file dialog (GTK's chooser, the portal's) to its window on
// X11 only: before 6.5, Qt exported no Wayland window to GTK or the portal.
bool TiesDesktopDialogsOnX11Only(const QVersionNumber& qt);

// "xcb" in GNOME's Wayland session with Xwayland running, under a Qt before 6.5, unless the user
// chose a platform (QT_QPA_PLATFORM, -platform); nothing elsewhere. There the window is an X11
// one, as Qt 5 made it on GNOME: GNOME frames it and knows its questions for modal dialogs, and
// Qt ties GTK's file chooser to it. As a Wayland client under that Qt, GTK's chooser would stand
// apart from Form1 and GNOME would not know Qt's dialogs for modal: a click on Form1 would bring
// it over its dialog, holding keys it cannot answer.
QByteArray PlatformForSession(const std::function<QByteArray(const char*)>& environment,
                              const QVersionNumber& qt, bool platformArgument);

// The above for this process, set as QT_QPA_PLATFORM before QApplication is made.
void ChoosePlatformForSession(int argc, char* argv[]);

}  // namespace dtchart
