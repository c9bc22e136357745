#pragma once
// Runs an event handler. An error it does not trap is reported to the user as a run-time error
// with its number and message, and then the program ends; no exception ever reaches Qt.

#include <QString>

#include <functional>

class QWidget;

namespace dtchart {

class MessageBoxes;

// Text of the report: "実行時エラー '9':" and the message below it.
QString RunTimeErrorText(int number, const QString& message);

// True when the handler ran to its end; false when it failed and the program was told to end.
bool RunHandler(QWidget* window, MessageBoxes& boxes, const std::function<void()>& endProgram,
                const std::function<void()>& handler);

}  // namespace dtchart
