#pragma once
// Test doubles for the window's message boxes and file dialog, and a window built with them.

#include <QImage>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>

#include "ui/common_dialog.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"

namespace dtchart::test {

// Answers the Yes/No question from a script (Yes when the script is empty) and records
// every box shown.
class ScriptedBoxes : public MessageBoxes {
public:
    std::deque<bool> answers;
    QStringList questions;
    QStringList errors;

    bool askYesNo(QWidget*, const QString& title, const QString& prompt,
                  const std::function<void()>& whileAsked) override {
        questions << title + QStringLiteral(": ") + prompt;
        if (whileAsked) whileAsked();
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showError(QWidget*, const QString&, const QString& text) override { errors << text; }
};

// Chooses the next scripted path (nothing = cancel) and records every request.
class ScriptedChooser : public OpenFileChooser {
public:
    std::deque<std::optional<QString>> choices;
    std::vector<OpenFileRequest> requests;

    std::optional<QString> choose(QWidget*, const OpenFileRequest& request) override {
        requests.push_back(request);
        if (choices.empty() || !choices.front()) {
            if (!choices.empty()) choices.pop_front();
            return std::nullopt;
        }
        const QString path = *choices.front();
        choices.pop_front();
        return path;
    }
};

// A window wired to the doubles, after its start-up handler.
struct TestForm {
    ScriptedBoxes boxes;
    ScriptedChooser chooser;
    int endRequests = 0;
    std::unique_ptr<Form1> form;

    TestForm() {
        form = std::make_unique<Form1>(Form1Services{&boxes, &chooser, [this] { ++endRequests; }});
        form->load();
    }

    // Runs the load command answering Yes and choosing `path`.
    void loadFile(const QString& path) {
        boxes.answers.push_back(true);
        chooser.choices.push_back(path);
        form->cmd1_Click();
    }

    QImage chart() const { return form->Picture1->surface().image().copy(); }
    QImage plot() const { return form->Picture2->surface().image().copy(); }
};

}  // namespace dtchart::test
