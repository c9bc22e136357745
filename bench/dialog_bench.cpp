// The load command's question and file dialog, timed from the input to the end of the
// dialog's first paint (its flush to the screen follows in the same turn of the event loop):
// kept and shown again against made anew for every open, as the viewer once made them; and
// against a bare QDialog shown the same way, for what Qt's own dialogs cost.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "bench_common.h"
#include "form_doubles.h"
#include "ui/message_boxes.h"

namespace dtchart::bench {
namespace {

// Watches for the first paint of the next modal dialog; notes the time its paint ends and
// closes the dialog, answering No or Cancel.
class FirstPaintOfDialog : public QObject {
public:
    FirstPaintOfDialog() { qApp->installEventFilter(this); }
    ~FirstPaintOfDialog() override { qApp->removeEventFilter(this); }

    void arm(const QElapsedTimer* clock) {
        clock_ = clock;
        painted_ = -1;
        dialog_ = nullptr;
    }
    // Nanoseconds on the armed clock at the end of the first paint; negative if none.
    qint64 paintedAt() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || dialog_ || !clock_) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* dialog = widget ? qobject_cast<QDialog*>(widget->window()) : nullptr;
        if (!dialog || !dialog->isModal() || !dialog->isVisible()) return false;
        dialog_ = dialog;
        // After every widget of the dialog has painted and the window was flushed.
        QTimer::singleShot(0, this, [this] {
            painted_ = clock_->nsecsElapsed();
            dialog_->reject();
        });
        return false;
    }

private:
    const QElapsedTimer* clock_ = nullptr;
    QDialog* dialog_ = nullptr;
    qint64 painted_ = -1;
};

void ManualTime(benchmark::internal::Benchmark* b) {
    b->Repetitions(Repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->MinTime(0.05)
        ->Unit(benchmark::kMicrosecond);
}

// A shown window with a button, as the viewer's 読み込み.
struct Window {
    QWidget window;
    QPushButton* button = new QPushButton(QStringLiteral("読み込み"), &window);
    Window() {
        window.resize(878, 637);
        button->setGeometry(8, 544, 89, 33);
        window.show();
        QCoreApplication::processEvents();
    }
};

// Times `open` (which shows a modal dialog and returns once it is closed) to the dialog's
// first paint, each iteration, after `warmUps` untimed opens.
template <class Open>
void TimeToShown(benchmark::State& state, Open open, int warmUps = 0) {
    FirstPaintOfDialog watch;
    QElapsedTimer clock;
    for (int k = 0; k < warmUps; ++k) {
        watch.arm(&clock);
        clock.start();
        open();
    }
    for (auto _ : state) {
        watch.arm(&clock);
        clock.start();
        open();
        if (watch.paintedAt() < 0) {
            state.SkipWithError("no dialog was painted");
            return;
        }
        state.SetIterationTime(watch.paintedAt() * 1e-9);
        QCoreApplication::processEvents();
    }
}

OpenFileRequest LogRequest() {
    return {{}, CommonDialog::NameFilters(QStringLiteral("観測ログ(*.log)|*.log|すべてのファイル(*.*)|*.*")),
            QStringLiteral("log"), QDir::currentPath(), {}};
}

// Baseline: a bare QDialog, kept and shown again from a button's click.
void BareDialogShownAgain(benchmark::State& state) {
    Window w;
    QDialog dialog(&w.window);
    QObject::connect(w.button, &QPushButton::clicked, &dialog, &QDialog::exec);
    TimeToShown(state, [&] { w.button->click(); });
}

// Baseline: a bare QDialog made anew for every show.
void BareDialogMadeAnew(benchmark::State& state) {
    Window w;
    TimeToShown(state, [&] {
        QDialog dialog(&w.window);
        dialog.exec();
    });
}

// 読み込み clicked on a shown window, answered No, until the question is on screen.
void TimeQuestion(benchmark::State& state, MessageBoxes& boxes) {
    test::ScriptedChooser chooser;
    Form1 form(Form1Services{&boxes, &chooser, [] {}});
    form.load();
    form.show();
    QCoreApplication::processEvents();
    // A kept box is made at the first question.
    TimeToShown(state, [&] { form.cmd1->click(); }, 1);
    if (!chooser.requests.empty()) state.SkipWithError("a question answered No opened the dialog");
}

// The kept question box.
void Question(benchmark::State& state) {
    QtMessageBoxes boxes;
    TimeQuestion(state, boxes);
}

// Baseline: the question as a box made anew for every click, as the viewer once asked it.
class NewBoxEachTime : public MessageBoxes {
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& prompt,
                  const std::function<void()>&) override {
        QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    void showError(QWidget*, const QString&, const QString&) override {}
};

void QuestionMadeAnew(benchmark::State& state) {
    NewBoxEachTime boxes;
    TimeQuestion(state, boxes);
}

// The first question of a session: a new window and box for every iteration, the box made
// ahead as the viewer makes it after the window's first paint, or (the viewer's old way) at
// the click.
void TimeFirstQuestion(benchmark::State& state, bool madeAhead) {
    FirstPaintOfDialog watch;
    for (auto _ : state) {
        QtMessageBoxes boxes;
        test::ScriptedChooser chooser;
        Form1 form(Form1Services{&boxes, &chooser, [] {}});
        form.load();
        form.show();
        if (madeAhead) form.prepareQuestion();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        watch.arm(&clock);
        clock.start();
        form.cmd1->click();
        if (watch.paintedAt() < 0) {
            state.SkipWithError("no question was painted");
            return;
        }
        state.SetIterationTime(watch.paintedAt() * 1e-9);
    }
}

void FirstQuestionMadeAhead(benchmark::State& state) { TimeFirstQuestion(state, true); }
void FirstQuestionMadeAtTheClick(benchmark::State& state) { TimeFirstQuestion(state, false); }

// The file dialog shown again, as every open after the first.
void FileDialogLaterOpen(benchmark::State& state) {
    Window w;
    QtOpenFileChooser chooser;
    const OpenFileRequest request = LogRequest();
    TimeToShown(state, [&] { chooser.choose(&w.window, request); }, 1);
}

// The first open, its dialog made while the question waited for Yes.
void FileDialogFirstOpenMadeAhead(benchmark::State& state) {
    Window w;
    const OpenFileRequest request = LogRequest();
    std::unique_ptr<QtOpenFileChooser> chooser;
    FirstPaintOfDialog watch;
    for (auto _ : state) {
        chooser = std::make_unique<QtOpenFileChooser>();
        chooser->prepare(&w.window);
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        watch.arm(&clock);
        clock.start();
        chooser->choose(&w.window, request);
        if (watch.paintedAt() < 0) {
            state.SkipWithError("no dialog was painted");
            return;
        }
        state.SetIterationTime(watch.paintedAt() * 1e-9);
    }
}

// The first open with nothing made ahead: Qt's dialog made, styled and shown.
void FileDialogMadeAnew(benchmark::State& state) {
    Window w;
    const OpenFileRequest request = LogRequest();
    TimeToShown(state, [&] {
        QtOpenFileChooser chooser;
        chooser.choose(&w.window, request);
    });
}

}  // namespace

BENCHMARK(BareDialogShownAgain)->Name("dialog/BareQDialogShownAgain")->Apply(ManualTime);
BENCHMARK(BareDialogMadeAnew)->Name("dialog/BareQDialogMadeAnew")->Apply(ManualTime);
BENCHMARK(Question)->Name("dialog/Question")->Apply(ManualTime);
BENCHMARK(QuestionMadeAnew)->Name("dialog/QuestionMadeAnew")->Apply(ManualTime);
BENCHMARK(FirstQuestionMadeAhead)->Name("dialog/FirstQuestionMadeAhead")->Apply(ManualTime);
BENCHMARK(FirstQuestionMadeAtTheClick)->Name("dialog/FirstQuestionMadeAtTheClick")->Apply(ManualTime);
BENCHMARK(FileDialogLaterOpen)->Name("dialog/FileDialogLaterOpen")->Apply(ManualTime);
BENCHMARK(FileDialogFirstOpenMadeAhead)->Name("dialog/FileDialogFirstOpenMadeAhead")->Apply(ManualTime);
BENCHMARK(FileDialogMadeAnew)->Name("dialog/FileDialogMadeAnew")->Apply(ManualTime);

}  // namespace dtchart::bench
