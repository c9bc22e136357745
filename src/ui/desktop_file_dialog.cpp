#include "ui/desktop_file_dialog.h"

#include "ui/gnome_platform.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QLibraryInfo>

#ifndef Q_OS_WIN
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <qpa/qplatformtheme.h>
#include <private/qguiapplication_p.h>
#endif

namespace dtchart {

#ifndef Q_OS_WIN
namespace {

// Long enough for a portal busy starting its back-end, short enough not to look hung.
constexpr int PortalPatienceMs = 3000;

}  // namespace

bool PortalAnswers(const QDBusConnection& bus, int milliseconds) {
    const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(portal))
        return true;
    QDBusMessage get = QDBusMessage::createMethodCall(portal, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.portal.FileChooser") << QStringLiteral("version");
    get.setAutoStartService(false);
    const QDBusMessage reply = bus.call(get, QDBus::Block, milliseconds);
    // An error is an answer too (a portal without a file chooser): only silence is not.
    return reply.type() == QDBusMessage::ReplyMessage ||
           (reply.type() == QDBusMessage::ErrorMessage &&
            reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
            reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.Timeout"));
}
#endif

std::unique_ptr<OpenFileChooser> PickOpenFileChooser() {
#ifndef Q_OS_WIN
    // Whether the platform's theme gives Qt programs a file dialog of the desktop's own.
    const QPlatformTheme* theme = QGuiApplicationPrivate::platformTheme();
    if (!theme || !theme->usePlatformNativeDialog(QPlatformTheme::FileDialog))
        return std::make_unique<QtOpenFileChooser>();
    // On Wayland such a dialog would stand apart, and a click on Form1 would bring Form1 over it,
    // held for the dialog and answering nothing. Qt's own dialog is Form1's there, as every Qt
    // window.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        TiesDesktopDialogsOnX11Only(QLibraryInfo::version()))
        return std::make_unique<QtOpenFileChooser>();
#endif
    return std::make_unique<SystemOpenFileChooser>();
}

void SystemOpenFileChooser::prepare(QWidget* parent) {
    if (portal_ == Portal::Silent) {
        fallback_.prepare(parent);
        return;
    }
    // The desktop's toolkit sets up what its dialogs need (GTK's file chooser loads its
    // classes, icons and settings) at the first dialog made: one made and let go while the first
    // question waits for its answer. Made ahead and shown later, GTK's dialog would not take
    // Return in its location field (its Open is made the default only if it can be pressed when
    // the dialog first shows): each open shows one made at the open.
    if (!warmedUp_) makeDialog(parent);
    warmedUp_ = true;
}

std::unique_ptr<QFileDialog> SystemOpenFileChooser::makeDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    ConfigureFileDialog(*dialog, true);
    return dialog;
}

std::optional<QString> SystemOpenFileChooser::choose(QWidget* parent, const OpenFileRequest& request) {
#ifndef Q_OS_WIN
    if (portal_ == Portal::Unchecked)
        portal_ = PortalAnswers(QDBusConnection::sessionBus(), PortalPatienceMs) ? Portal::Answers : Portal::Silent;
#endif
    if (portal_ == Portal::Silent) return fallback_.choose(parent, request);

    const std::unique_ptr<QFileDialog> dialog = makeDialog(parent);
    dialog->setWindowTitle(FileDialogTitle(request));
    dialog->setNameFilters(request.nameFilters);  // the first one chosen
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty()) dialog->setDirectory(request.directory);
    if (!request.fileName.isEmpty()) dialog->selectFile(request.fileName);
    return RunFileDialog(*dialog);
}

}  // namespace dtchart
