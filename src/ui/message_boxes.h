#pragma once
// The modal message boxes the window shows. An interface so that tests can answer them.

#include <QString>

class QWidget;

namespace dtchart {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Yes/No question, Yes the default, no icon. True for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& prompt) = 0;
    // A message with the error icon and an OK button.
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& prompt) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace dtchart
