#include "ui/common_dialog.h"

#include <QFileDialog>

#include "signal/system_error.h"

namespace dtchart {

std::optional<QString> QtOpenFileChooser::choose(QWidget* parent, const OpenFileRequest& request) {
    QFileDialog dialog(parent, request.title.isEmpty() ? QFileDialog::tr("Open") : request.title);
    // Windows users get the system's own open dialog, as the component did; elsewhere Qt's
    // dialog looks and works the same on every desktop.
    QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
#ifndef Q_OS_WIN
    options |= QFileDialog::DontUseNativeDialog;
#endif
    dialog.setOptions(options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.directory.isEmpty()) dialog.setDirectory(request.directory);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
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
