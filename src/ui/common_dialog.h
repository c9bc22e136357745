#pragma once
// The file-open dialog component: set Filter ("description|pattern|..."), DefaultExt, InitDir
// and FileName, call ShowOpen, read FileName. A cancelled dialog raises error 32755.

#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QFileDialog;
class QWidget;

namespace dtchart {

struct OpenFileRequest {
    QString title;
    QStringList nameFilters;  // in Qt's "description (patterns)" form
    QString defaultSuffix;    // without the dot
    QString directory;
    QString fileName;
};

// Shows the dialog itself; an interface so that tests can choose the file.
class OpenFileChooser {
public:
    virtual ~OpenFileChooser() = default;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> choose(QWidget* parent, const OpenFileRequest& request) = 0;
    // Makes ahead what the next choose() for `parent` will show, where that takes time.
    virtual void prepare(QWidget* parent) { (void)parent; }
};

// Qt's own widget-based dialog, where the desktop offers none of its own. It is made by
// prepare() or the first open and kept, hidden, for the next ones, which then show at once;
// each open starts it as a new one would start. It lives as long as its parent.
class QtOpenFileChooser final : public OpenFileChooser {
public:
    ~QtOpenFileChooser() override;
    std::optional<QString> choose(QWidget* parent, const OpenFileRequest& request) override;
    void prepare(QWidget* parent) override;

    // The kept dialog, if an open has made it (for tests).
    QFileDialog* keptDialog() const;

private:
    QFileDialog& keptFor(QWidget* parent, const QString& title);

    QPointer<QFileDialog> kept_;
};

// What every open dialog shares, Qt's and the system's alike: the title (Qt's own "Open" in
// the user's language unless the request names one), the options (the desktop's own dialog
// where it has one, or Qt's) and the answer.
QString FileDialogTitle(const OpenFileRequest& request);
void ConfigureFileDialog(QFileDialog& dialog, bool desktops);
std::optional<QString> RunFileDialog(QFileDialog& dialog);

class CommonDialog {
public:
    CommonDialog(OpenFileChooser& chooser, QWidget* parent) : chooser_(chooser), parent_(parent) {}

    QString Filter;
    QString DefaultExt;
    QString InitDir;
    QString FileName;

    void ShowOpen();

    // Filter turned into Qt's name filters; "*.*" means every file, as on the desktop it
    // comes from.
    static QStringList NameFilters(const QString& filter);

private:
    OpenFileChooser& chooser_;
    QWidget* parent_;
};

}  // namespace dtchart
