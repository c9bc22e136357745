#include "ui/gnome_platform.h"

#include <QLibraryInfo>
#include <QList>
#include <QtGlobal>

#include <cstring>

namespace dtchart {

bool TiesDesktopDialogsOnX11Only(const QVersionNumber& qt) { return qt < QVersionNumber(6, 5); }

QByteArray PlatformForSession(const std::function<QByteArray(const char*)>& environment,
                              const QVersionNumber& qt, bool platformArgument) {
    if (platformArgument || !environment("QT_QPA_PLATFORM").isEmpty() || !TiesDesktopDialogsOnX11Only(qt))
        return {};
    if (environment("XDG_SESSION_TYPE") != "wayland" || environment("DISPLAY").isEmpty()) return {};
    // XDG_CURRENT_DESKTOP is a list ("ubuntu:GNOME").
    for (const QByteArray& desktop : environment("XDG_CURRENT_DESKTOP").split(':'))
        if (desktop.compare("GNOME", Qt::CaseInsensitive) == 0) return "xcb";
    return {};
}

void ChoosePlatformForSession(int argc, char* argv[]) {
    bool argument = false;
    for (int k = 1; k < argc; ++k)
        argument = argument || std::strcmp(argv[k], "-platform") == 0 || std::strcmp(argv[k], "--platform") == 0;
    const QByteArray platform =
        PlatformForSession([](const char* name) { return qgetenv(name); }, QLibraryInfo::version(), argument);
    if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
}

}  // namespace dtchart
