#include "ui/message_boxes.h"

#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

#include "ui/after_first_paint.h"

namespace dtchart {

QtMessageBoxes::~QtMessageBoxes() { delete question_.data(); }

QMessageBox* QtMessageBoxes::keptQuestion() const { return question_.data(); }

QMessageBox& QtMessageBoxes::questionFor(QWidget* parent, const QString& title, const QString& prompt) {
    if (!question_ || question_->parentWidget() != parent) {
        delete question_.data();
        question_ = new QMessageBox(QMessageBox::NoIcon, title, prompt,
                                    QMessageBox::Yes | QMessageBox::No, parent);
    }
    return *question_;
}

void QtMessageBoxes::prepare(QWidget* parent, const QString& title, const QString& prompt) {
    // Made, styled and laid out with the question it will ask: what is left is to show it.
    QMessageBox& box = questionFor(parent, title, prompt);
    box.ensurePolished();
    if (QLayout* layout = box.layout()) layout->activate();
}

bool QtMessageBoxes::askYesNo(QWidget* parent, const QString& title, const QString& prompt,
                              const std::function<void()>& whileAsked) {
    QMessageBox& box = questionFor(parent, title, prompt);
    box.setWindowTitle(title);
    box.setText(prompt);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    // The focus on Yes, as in a new box, wherever the last answer left it.
    box.button(QMessageBox::Yes)->setFocus();
    AfterFirstPaint task(&box, whileAsked);
    return box.exec() == QMessageBox::Yes;
}

void QtMessageBoxes::showError(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace dtchart
