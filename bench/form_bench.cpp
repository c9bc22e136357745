// The window's commands on a shown window: the whole load command, and redrawing the polar
// plot after a load.

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include "bench_common.h"
#include "form_doubles.h"
#include "log_files.h"
#include "ui/picture_box.h"

namespace dtchart::bench {
namespace {

// A day named as the viewer expects, so that the load also prints its date.
const QString& dayPath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("250131.log"));
        if (!dir.isValid() || !test::WriteFile(file, test::LogBytes([](int bin, int slot) {
                                                   return BenchDay().cell(bin, slot);
                                               })))
            return QString();
        return file;
    }();
    return path;
}

// Counts the paint events of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// A shown window that has painted once, as the user has it in front of them.
struct ShownForm : test::TestForm {
    PaintCounter chartPaints{form->Picture1};

    ShownForm() {
        form->show();
        QCoreApplication::processEvents();
    }
    // Every load must have gone through, or the loop timed an error path.
    bool loadedTheDay() const {
        return boxes.errors.isEmpty() && form->signalGrid() == BenchDay() &&
               form->Text1->text() == dayPath();
    }
    // The doubles log every question; keep that from growing over thousands of loads.
    void forgetRequests() {
        boxes.questions.clear();
        chooser.requests.clear();
    }
};

void LoadCommand(benchmark::State& state) {
    ShownForm t;
    for (auto _ : state) {
        t.loadFile(dayPath());
        // As if the window had repainted since the last load, so each load schedules an update.
        t.form->Picture1->surface().markShown();
        if (t.chooser.requests.size() > 256) t.forgetRequests();
    }
    if (!t.loadedTheDay()) state.SkipWithError("the load command did not load the day");
}

// The same with the repaint that follows in the event loop: what the user waits for.
void LoadCommandAndRepaint(benchmark::State& state) {
    ShownForm t;
    const int paintsBefore = t.chartPaints.paints;
    for (auto _ : state) {
        t.loadFile(dayPath());
        QCoreApplication::processEvents();
        if (t.chooser.requests.size() > 256) t.forgetRequests();
    }
    if (!t.loadedTheDay()) state.SkipWithError("the load command did not load the day");
    else if (t.chartPaints.paints - paintsBefore < static_cast<int>(state.iterations()))
        state.SkipWithError("the chart was not repainted after every load");
}

void PolarPlotAfterLoad(benchmark::State& state) {
    ShownForm t;
    t.loadFile(dayPath());
    t.form->HScroll1->setValue(360);  // noon: the daytime source is up
    for (auto _ : state) {
        t.form->HScroll1_Change();
        t.form->Picture2->surface().markShown();
    }
    if (!t.loadedTheDay() || t.form->Text2->text() != QStringLiteral("12:00"))
        state.SkipWithError("the polar plot was not drawn for noon of the day");
}

}  // namespace

BENCHMARK(LoadCommand)->Name("form/LoadCommand")->Apply(Configure);
BENCHMARK(LoadCommandAndRepaint)->Name("form/LoadCommandAndRepaint")->Apply(Configure);
BENCHMARK(PolarPlotAfterLoad)->Name("form/PolarPlot")->Apply(Configure);

}  // namespace dtchart::bench
