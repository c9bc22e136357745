#pragma once
// Which open dialog the user gets: the system's own on Windows, the desktop's own where the
// desktop gives Qt programs one (GNOME through Qt's GTK theme, Plasma through its Qt
// integration, a sandbox or any desktop through the XDG portal's file chooser), and Qt's kept
// dialog elsewhere (a bare window manager, sway without a file-chooser portal, Xvfb).

#include <QFileDialog>
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#endif

#include <memory>

#include "ui/common_dialog.h"

namespace dtchart {

// The system's or the desktop's dialog, made anew for every open: it carries nothing of the
// last open into the next. Should the desktop's XDG portal be up but not answer, Qt's kept
// dialog serves instead, from the first open on, so that the window is never left waiting on
// it.
class SystemOpenFileChooser final : public OpenFileChooser {
public:
    std::optional<QString> choose(QWidget* parent, const OpenFileRequest& request) override;
    void prepare(QWidget* parent) override;

private:
    static std::unique_ptr<QFileDialog> makeDialog(QWidget* parent);

    enum class Portal { Unchecked, Answers, Silent };
    Portal portal_ = Portal::Unchecked;
    bool warmedUp_ = false;
    QtOpenFileChooser fallback_;
};

// The chooser for this session, picked once, after QApplication is made.
std::unique_ptr<OpenFileChooser> PickOpenFileChooser();

#ifndef Q_OS_WIN
// False when the XDG desktop portal holds its name on `bus` but its file chooser does not answer
// within `milliseconds`; true when it answers or no portal is running (none is started for it).
bool PortalAnswers(const QDBusConnection& bus, int milliseconds);
#endif

}  // namespace dtchart
