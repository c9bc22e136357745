#pragma once
// The file-open dialog component: set Filter ("description|pattern|..."), DefaultExt, InitDir
// and FileName, call ShowOpen, read FileName. A cancelled dialog raises error 32755.

#include <QString>
#include <QStringList>

#include <optional>

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
};

// The system's open dialog on Windows; Qt's own widget-based dialog elsewhere.
class QtOpenFileChooser final : public OpenFileChooser {
public:
    std::optional<QString> choose(QWidget* parent, const OpenFileRequest& request) override;
};

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
