#include "ui/common_dialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLayout>
#include <QLineEdit>
#include <QShowEvent>

#include "signal/system_error.h"

namespace dtchart {
namespace {

// Qt's dialog, kept between opens. Made, it takes several frames (most of it looking its
// icons up in the icon theme); shown again, less than one. It opens over its parent, as a new
// dialog does, until the user moves it; from then on where the user put it, beside the
// parent. A size the user gives it stays.
class KeptFileDialog final : public QFileDialog {
public:
    KeptFileDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {}

    // Back to what a new dialog shows for `request`. What a new dialog takes over from the
    // last one through Qt's settings (view mode, column widths, sidebar, recent folders) is
    // kept as it is.
    void startAnew(const OpenFileRequest& request) {
        setWindowTitle(FileDialogTitle(request));
        // A new dialog offers the last five folders as recent ones.
        QStringList recent = history();
        if (recent.size() > 5) recent = recent.mid(recent.size() - 5);
        setHistory(recent);
        setNameFilters(request.nameFilters);  // the first one chosen and applied
        setDefaultSuffix(request.defaultSuffix);
        // A new dialog starts where the last one was left and moves on to the folder asked
        // for: it can go back to the first if it moved, and forward nowhere.
        const QString left = directory().absolutePath();
        if (!request.directory.isEmpty()) setDirectory(request.directory);
        if (auto* back = findChild<QAbstractButton*>(QStringLiteral("backButton")))
            back->setEnabled(directory().absolutePath() != left);
        if (auto* forward = findChild<QAbstractButton*>(QStringLiteral("forwardButton")))
            forward->setEnabled(false);
        // Nothing left of the last open: no file selected, no name typed, the list at its top.
        if (auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
            list->selectionModel()->clear();  // the detail view shares it
            list->scrollToTop();
        }
        if (auto* details = findChild<QAbstractItemView*>(QStringLiteral("treeView")))
            details->scrollToTop();
        // The name cleared and the focus in it, where a new dialog has it: left where the last
        // open's completions or list had it, the first keys typed would go to the list.
        if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->clear();
            name->setFocus();
        }
        offerCompletions(false);  // until the window system makes it the active window
        if (!request.fileName.isEmpty()) selectFile(request.fileName);
        if (userOffset_ && parentWidget())
            setGeometry(QRect(parentWidget()->geometry().topLeft() + *userOffset_, size()));
    }

    // After an open: the name's completions close with the dialog (they are a window of
    // their own, which a deleted dialog takes with it), and a dialog the user moved stays
    // where they put it.
    void closed() {
        if (completer_) completer_->popup()->hide();
        if (geometry().topLeft() != shownAt_ && parentWidget())
            userOffset_ = geometry().topLeft() - parentWidget()->geometry().topLeft();
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::WindowActivate) offerCompletions(true);
        if (event->type() == QEvent::WindowDeactivate) offerCompletions(false);
        return QFileDialog::event(event);
    }

    void showEvent(QShowEvent* event) override {
        QFileDialog::showEvent(event);  // centred over the parent unless placed
        if (!event->spontaneous()) shownAt_ = geometry().topLeft();
    }

private:
    // The name's completions are offered only while Qt holds the dialog as its active window.
    // The window system may hand the dialog keys before Qt makes it active (on Wayland, a round
    // trip after the compositor gives it the keyboard), and Qt passes over an activation that
    // comes while a popup is open: completions opened by the first keys would leave the window
    // under the dialog active, and the name without the focus, for the rest of the open. A name
    // without the focus is overwritten with the name of any file the typed path selects, and
    // the folders on the way stay selected, so that Open goes to the first of them.
    void offerCompletions(bool offer) {
        auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) return;
        if (!completer_) completer_ = name->completer();
        name->setCompleter(offer ? completer_.data() : nullptr);  // the dialog's own, kept
    }

    QPointer<QCompleter> completer_;
    QPoint shownAt_;
    std::optional<QPoint> userOffset_;
};

}  // namespace

QString FileDialogTitle(const OpenFileRequest& request) {
    return request.title.isEmpty() ? QFileDialog::tr("Open") : request.title;
}

void ConfigureFileDialog(QFileDialog& dialog, bool desktops) {
    QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
    if (!desktops) options |= QFileDialog::DontUseNativeDialog;
    dialog.setOptions(options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
}

std::optional<QString> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QtOpenFileChooser::~QtOpenFileChooser() { delete kept_.data(); }

QFileDialog* QtOpenFileChooser::keptDialog() const { return kept_.data(); }

QFileDialog& QtOpenFileChooser::keptFor(QWidget* parent, const QString& title) {
    auto* dialog = static_cast<KeptFileDialog*>(kept_.data());
    if (!dialog || dialog->parentWidget() != parent) {
        delete dialog;
        dialog = new KeptFileDialog(parent, title);
        ConfigureFileDialog(*dialog, false);
        kept_ = dialog;
    }
    return *dialog;
}

void QtOpenFileChooser::prepare(QWidget* parent) {
    // Made, styled and laid out: what is left for the open is to show and paint it.
    QFileDialog& dialog = keptFor(parent, QFileDialog::tr("Open"));
    dialog.ensurePolished();
    if (QLayout* layout = dialog.layout()) layout->activate();
}

std::optional<QString> QtOpenFileChooser::choose(QWidget* parent, const OpenFileRequest& request) {
    auto& dialog = static_cast<KeptFileDialog&>(keptFor(parent, FileDialogTitle(request)));
    dialog.startAnew(request);
    const std::optional<QString> chosen = RunFileDialog(dialog);
    dialog.closed();
    return chosen;
}

QStringList CommonDialog::NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype k = 0; k + 1 < parts.size(); k += 2) {
        QStringList patterns = parts[k + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        // The description is shown as it stands; the bracket after it carries the patterns.
        filters << parts[k] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

void CommonDialog::ShowOpen() {
    OpenFileRequest request;
    request.nameFilters = NameFilters(Filter);
    request.defaultSuffix = DefaultExt.startsWith(QLatin1Char('.')) ? DefaultExt.mid(1) : DefaultExt;
    request.directory = InitDir;
    request.fileName = FileName;
    const std::optional<QString> chosen = chooser_.choose(parent_, request);
    if (!chosen) throw SystemError(error_number::DialogCancelled, "キャンセルが選択されました。");
    FileName = *chosen;
}

}  // namespace dtchart
