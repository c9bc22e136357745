#include "ui/message_boxes.h"

#include <QMessageBox>

namespace dtchart {

bool QtMessageBoxes::askYesNo(QWidget* parent, const QString& title, const QString& prompt) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtMessageBoxes::showError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace dtchart
