#include "ui/accessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QWindow>

#include "ui/form1.h"
#include "ui/picture_box.h"

namespace dtchart {
namespace {

// Qt counts every top-level window among the application's children, hidden ones too: the
// question box and the file dialog, kept hidden between loads, would stand beside Form1 with
// trees that are not on screen. Only windows shown are children here.
class ShownWindowsApplication final : public QAccessibleApplication {
public:
    int childCount() const override { return int(shown().size()); }

    QAccessibleInterface* child(int index) const override {
        const QObjectList windows = shown();
        return index >= 0 && index < windows.size() ? QAccessible::queryAccessibleInterface(windows[index])
                                                    : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(shown().indexOf(child->object())) : -1;
    }

private:
    static QObjectList shown() {
        QObjectList windows;
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (!window->isVisible() || window->type() == Qt::Popup || window->type() == Qt::Desktop) continue;
            if (QAccessibleInterface* root = window->accessibleRoot(); root && root->object())
                windows << root->object();
        }
        return windows;
    }
};

// Qt reports a top-level QWidget as a filler and a QFrame as a frame, which screen readers on
// the Linux desktop take for a window: the window is a window, and the picture boxes images.
QAccessibleInterface* accessibleRole(const QString&, QObject* object) {
    if (object && object == QCoreApplication::instance()) return new ShownWindowsApplication;
    if (auto* form = dynamic_cast<Form1*>(object)) return new QAccessibleWidget(form, QAccessible::Window);
    if (auto* box = dynamic_cast<PictureBox*>(object)) return new QAccessibleWidget(box, QAccessible::Graphic);
    return nullptr;
}

}  // namespace

void InstallAccessibleRoles() {
    static const bool installed = (QAccessible::installFactory(accessibleRole), true);
    (void)installed;
}

}  // namespace dtchart
