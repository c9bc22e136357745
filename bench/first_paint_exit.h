#pragma once
// For the start-up probes: ends the process once a window has painted for the first time.
// The exit comes from the event loop after the paint, so the whole first frame is drawn, and
// skips the teardown, which is not part of start-up. A window that never paints fails.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace dtchart::bench {

class FirstPaintExit : public QObject {
public:
    explicit FirstPaintExit(QWidget* window) : QObject(window) {
        window->installEventFilter(this);
        QTimer::singleShot(10000, [] { std::_Exit(3); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, [] {
                std::fflush(nullptr);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool painted_ = false;
};

}  // namespace dtchart::bench
