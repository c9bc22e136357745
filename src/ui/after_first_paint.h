#pragma once
// Runs a task once, in the event loop's next turn after a widget's first paint, if the widget is
// still shown: by then it is on screen (the paint's flush sends it to the display), and the
// task cannot delay it. Nothing runs once this object is gone.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace dtchart {

class AfterFirstPaint final : public QObject {
public:
    AfterFirstPaint(QWidget* widget, const std::function<void()>& task) : widget_(widget), task_(task) {
        if (task_) widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                if (widget_->isVisible()) task_();
            });
        }
        return false;
    }

private:
    QWidget* widget_;
    std::function<void()> task_;
};

}  // namespace dtchart
