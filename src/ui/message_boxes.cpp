#include "ui/message_boxes.h"

#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace dtchart {
namespace {

// Runs a task once, in the event loop's next turn after the box's first paint, if the box is
// still up: by then it is on screen (the paint's flush sends it to the display), and the task
// cannot delay it.
class AfterFirstPaint final : public QObject {
public:
    AfterFirstPaint(QWidget* box, const std::function<void()>& task) : box_(box), task_(task) {
        if (task_) box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Not once the box is answered: gone with this object when the question returns,
            // and skipped if the answer came first.
            QTimer::singleShot(0, this, [this] {
                if (box_->isVisible()) task_();
            });
        }
        return false;
    }

private:
    QWidget* box_;
    std::function<void()> task_;
};

}  // namespace

QtMessageBoxes::~QtMessageBoxes() { delete question_.data(); }

QMessageBox* QtMessageBoxes::keptQuestion() const { return question_.data(); }

bool QtMessageBoxes::askYesNo(QWidget* parent, const QString& title, const QString& prompt,
                              const std::function<void()>& whileAsked) {
    if (!question_ || question_->parentWidget() != parent) {
        delete question_.data();
        question_ = new QMessageBox(QMessageBox::NoIcon, title, prompt,
                                    QMessageBox::Yes | QMessageBox::No, parent);
    }
    QMessageBox& box = *question_;
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
