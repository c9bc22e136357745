#include "ui/untrapped_error.h"

#include <exception>
#include <new>

#include "signal/system_error.h"
#include "ui/app_identity.h"
#include "ui/message_boxes.h"

namespace dtchart {

QString RunTimeErrorText(int number, const QString& message) {
    return QStringLiteral("実行時エラー '%1':\n\n%2").arg(number).arg(message);
}

bool RunHandler(QWidget* window, MessageBoxes& boxes, const std::function<void()>& endProgram,
                const std::function<void()>& handler) {
    int number = 0;
    QString message;
    try {
        handler();
        return true;
    } catch (const SystemError& e) {
        number = e.number();
        message = QString::fromStdString(e.what());
    } catch (const std::bad_alloc&) {
        number = error_number::OutOfMemory;
        message = QStringLiteral("メモリが不足しています。");
    } catch (const std::exception& e) {
        number = error_number::Internal;
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        number = error_number::Internal;
        message = QStringLiteral("内部エラーが発生しました。");
    }
    try {
        boxes.showError(window, ApplicationTitle(), RunTimeErrorText(number, message));
    } catch (...) {
    }
    endProgram();
    return false;
}

}  // namespace dtchart
