#pragma once
// The modal message boxes the window shows. An interface so that tests can answer them.

#include <QPointer>
#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace dtchart {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Yes/No question, Yes the default, no icon. True for Yes. `whileAsked`, when given, runs
    // once while the question waits for its answer, after the question is on screen.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& prompt,
                          const std::function<void()>& whileAsked = {}) = 0;
    // A message with the error icon and an OK button.
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
    // Makes ahead the question box that askYesNo() will show, where that takes time.
    virtual void prepare(QWidget* parent, const QString& title, const QString& prompt) {
        (void)parent, (void)title, (void)prompt;
    }
};

// The question box is made by prepare() or the first question and kept, hidden, for the next
// question, which then shows at once, as a new box would show it. It lives as long as its
// parent.
class QtMessageBoxes final : public MessageBoxes {
public:
    ~QtMessageBoxes() override;
    bool askYesNo(QWidget* parent, const QString& title, const QString& prompt,
                  const std::function<void()>& whileAsked = {}) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    void prepare(QWidget* parent, const QString& title, const QString& prompt) override;

    // The kept question box, if a question has made it (for tests).
    QMessageBox* keptQuestion() const;

private:
    QMessageBox& questionFor(QWidget* parent, const QString& title, const QString& prompt);

    QPointer<QMessageBox> question_;
};

}  // namespace dtchart
