#pragma once
// The main window: the direction-time chart (Picture1), the load button (cmd1), the polar plot
// (Picture2) with its time (HScroll1) and scale (HScroll4) scroll bars, and the text boxes.
// Five handlers: Form_Load, cmd1_Click, Command1_Click, HScroll1_Change, HScroll4_Change.

#include <QWidget>

#include <functional>

#include "signal/signal_grid.h"
#include "ui/common_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace dtchart {

class MessageBoxes;
class PictureBox;

// What the window asks of the desktop; tests replace every piece.
struct Form1Services {
    MessageBoxes* boxes = nullptr;
    OpenFileChooser* chooser = nullptr;
    std::function<void()> endProgram;  // after an untrapped error
};

class Form1 : public QWidget {
public:
    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // Runs Form_Load as the start-up handler; false when it failed and the program must end.
    bool load();

    // Makes the load command's question box ahead, so that its first showing is as quick as
    // the later ones.
    void prepareQuestion();

    // Handlers, public so that tests can drive them exactly as the events do.
    void Form_Load();
    void cmd1_Click();
    void Command1_Click();
    void HScroll1_Change();
    void HScroll4_Change();

    const SignalGrid& signalGrid() const { return SignalGrid_; }
    float radPerDeg() const { return RadPerDeg; }
    float plotScale() const { return PlotScale; }

    PictureBox* Picture1;
    QPushButton* cmd1;
    PictureBox* Picture2;
    QScrollBar* HScroll1;
    QScrollBar* HScroll2;
    QScrollBar* HScroll3;
    QLineEdit* Text1;
    QPushButton* Command1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QScrollBar* HScroll4;
    QLabel* Label1;

private:
    void DrawChartFrame();
    void DrawPolarPlot();
    // Picture1's accessible description: the day loaded from `loadedPath`, or none shown.
    void describeChart(const QString& loadedPath);
    void handle(void (Form1::*handler)());

    Form1Services services_;
    CommonDialog CommonDialog1;
    SignalGrid SignalGrid_;
    float RadPerDeg = 0;
    float PlotScale = 0;
    QString lastFolder_;  // folder of the file chosen last in this run
};

}  // namespace dtchart
