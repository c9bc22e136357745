#include "ui/form1.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cmath>
#include <utility>

#include "chart/chart_frame.h"
#include "chart/chart_painting.h"
#include "chart/number_text.h"
#include "chart/polar_plot.h"
#include "signal/signal_log_reader.h"
#include "ui/accessibility.h"
#include "ui/app_identity.h"
#include "ui/caption_button.h"
#include "ui/error_resume.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"
#include "ui/scroll_bar.h"
#include "ui/untrapped_error.h"

namespace dtchart {
namespace {

template <class W>
W* place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QScrollBar* scrollBar(QWidget* parent, const char* name, int x, int y, int w, int h, int min,
                      int max) {
    return place(new ScrollBar(min, max, parent), name, x, y, w, h);
}

QLineEdit* textBox(QWidget* parent, const char* name, int x, int y, int w, int h,
                   const QString& text) {
    return place(new QLineEdit(text, parent), name, x, y, w, h);
}

// Sets a text box's text showing its beginning, as a long path reads best.
void setText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

QFont labelFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                      QStringLiteral("Takao PGothic")});
    font.setPointSizeF(11.25);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QString loadQuestion() { return QStringLiteral("新しいデータをロードしますか？"); }

}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), CommonDialog1(*services_.chooser, this) {
    // The roles first: Qt 6.8 makes the window's accessible interface as soon as its first
    // properties are set, and keeps it, without the role the factory gives.
    InstallAccessibleRoles();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(878, 637);

    Picture1 = place(new PictureBox(817, 281, this), "Picture1", 0, 0, 817, 281);
    cmd1 = place(new QPushButton(QStringLiteral("読み込み"), this), "cmd1", 8, 544, 89, 33);
    Picture2 = place(new PictureBox(265, 265, this), "Picture2", 112, 368, 265, 265);
    HScroll1 = scrollBar(this, "HScroll1", 8, 296, 761, 17, 0, 719);
    HScroll2 = scrollBar(this, "HScroll2", 8, 320, 761, 17, 0, 719);
    HScroll3 = scrollBar(this, "HScroll3", 8, 344, 761, 17, 0, 719);
    Text1 = textBox(this, "Text1", 432, 400, 249, 25, QStringLiteral("Text1"));
    Command1 = place(new CaptionButton(QStringLiteral("Command1"), this), "Command1", 32, 424, 41, 49);
    Text2 = textBox(this, "Text2", 432, 432, 249, 25, QStringLiteral("Text2"));
    Text3 = textBox(this, "Text3", 464, 504, 41, 25, QStringLiteral("1"));
    HScroll4 = scrollBar(this, "HScroll4", 432, 536, 233, 17, 1, 50);
    Label1 = place(new QLabel(QStringLiteral("倍率"), this), "Label1", 424, 504, 41, 17);
    Label1->setFont(labelFont());
    Label1->setFocusPolicy(Qt::NoFocus);

    // What a screen reader says for each control; the chart's description names its day.
    setAccessibleName(ApplicationTitle());
    const std::pair<QWidget*, QString> names[] = {
        {Picture1, QStringLiteral("方向・時間チャート")}, {cmd1, QStringLiteral("読み込み")},
        {Picture2, QStringLiteral("極座標プロット")},     {HScroll1, QStringLiteral("時刻")},
        {HScroll2, QStringLiteral("未使用 1")},           {HScroll3, QStringLiteral("未使用 2")},
        {Text1, QStringLiteral("ファイル・値")},          {Command1, QStringLiteral("Command1")},
        {Text2, QStringLiteral("時刻")},                  {Text3, QStringLiteral("倍率")},
        {HScroll4, QStringLiteral("倍率")},               {Label1, QStringLiteral("倍率")}};
    for (const auto& [widget, name] : names) widget->setAccessibleName(name);
    Command1->setAccessibleDescription(QStringLiteral("値の欄に cos 20° を表示します"));
    describeChart({});

    QWidget* tabOrder[] = {Picture1, cmd1,   Picture2, HScroll1, HScroll2, HScroll3,
                           Text1,    Command1, Text2,  Text3,    HScroll4};
    for (std::size_t k = 0; k + 1 < std::size(tabOrder); ++k)
        setTabOrder(tabOrder[k], tabOrder[k + 1]);

    connect(cmd1, &QPushButton::clicked, this, [this] { handle(&Form1::cmd1_Click); });
    connect(Command1, &QPushButton::clicked, this, [this] { handle(&Form1::Command1_Click); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { handle(&Form1::HScroll1_Change); });
    connect(HScroll4, &QScrollBar::valueChanged, this, [this] { handle(&Form1::HScroll4_Change); });
}

Form1::~Form1() = default;

void Form1::handle(void (Form1::*handler)()) {
    RunHandler(this, *services_.boxes, services_.endProgram, [this, handler] { (this->*handler)(); });
}

bool Form1::load() {
    return RunHandler(this, *services_.boxes, services_.endProgram, [this] { Form_Load(); });
}

void Form1::prepareQuestion() {
    try {
        services_.boxes->prepare(this, ApplicationTitle(), loadQuestion());
    } catch (...) {
        // Left to be made when it is asked.
    }
}

void Form1::DrawChartFrame() { dtchart::DrawChartFrame(Picture1->surface()); }

void Form1::describeChart(const QString& loadedPath) {
    QString text = QStringLiteral("データは表示されていません");
    if (!loadedPath.isEmpty()) {
        const QString date = QString::fromStdString(LogDateCaption(loadedPath.toStdString()));
        text = date.isEmpty() ? QStringLiteral("日付不明の観測") : date + QStringLiteral(" の観測");
    }
    Picture1->setAccessibleDescription(text);
}

void Form1::DrawPolarPlot() {
    const std::string time = dtchart::DrawPolarPlot(Picture2->surface(), SignalGrid_,
                                                    HScroll1->value(), RadPerDeg, PlotScale);
    setText(Text2, QString::fromStdString(time));
}

void Form1::Form_Load() {
    DrawChartFrame();
    RadPerDeg = static_cast<float>(std::atan(1.0) * 4 / 180);
    setText(Text1, QString::fromStdString(FormatSingle(RadPerDeg)));
    PlotScale = 1;
}

void Form1::Command1_Click() {
    setText(Text1, QString::fromStdString(FormatDouble(std::cos(static_cast<double>(RadPerDeg) * 20))));
}

void Form1::HScroll1_Change() {
    Picture2->surface().Cls();
    DrawPolarPlot();
}

void Form1::HScroll4_Change() {
    setText(Text3, QString::number(HScroll4->value()));
    PlotScale = static_cast<float>(HScroll4->value());
    Picture2->surface().Cls();
    DrawPolarPlot();
}

void Form1::cmd1_Click() {
    // While the user reads the question, the file dialog that Yes opens is made, if it takes
    // making; a failure there only leaves it to be made when it opens.
    const auto prepareDialog = [this] {
        try {
            services_.chooser->prepare(this);
        } catch (...) {
        }
    };
    if (!services_.boxes->askYesNo(this, ApplicationTitle(), loadQuestion(), prepareDialog))
        return;

    Picture1->surface().Cls();
    DrawChartFrame();
    describeChart({});

    ErrorResume resume;
    resume.step([&] { CommonDialog1.Filter = QStringLiteral("観測ログ(*.log)|*.log|すべてのファイル(*.*)|*.*"); });
    resume.step([&] { CommonDialog1.DefaultExt = QStringLiteral(".log"); });
    resume.step([&] { CommonDialog1.InitDir = lastFolder_.isEmpty() ? QDir::currentPath() : lastFolder_; });
    resume.step([&] { CommonDialog1.FileName.clear(); });
    resume.step([&] { CommonDialog1.ShowOpen(); });
    if (resume.number() == error_number::DialogCancelled) return;

    // The path as the system writes it (C:\観測\250131.log on Windows), handed to the reader
    // in UTF-8, which every name survives.
    const QString path = QDir::toNativeSeparators(CommonDialog1.FileName);
    lastFolder_ = QFileInfo(CommonDialog1.FileName).absolutePath();
    const std::string localPath = path.toStdString();

    // A file that cannot be read is reported, and leaves the grid, Text1 and the empty frame
    // as they are: painting the old grid under the new name would pass a failure off as a load.
    if (const auto failure = resume.step([&] { ReadSignalLog(localPath, SignalGrid_); })) {
        services_.boxes->showError(
            this, ApplicationTitle(),
            QStringLiteral("ファイルを読み込めませんでした。\n\n%1\n\n%2")
                .arg(path, QString::fromStdString(failure->what())));
        return;
    }
    resume.step([&] { PaintSignalChart(Picture1->surface(), SignalGrid_); });
    resume.step([&] { setText(Text1, path); });
    resume.step([&] { PrintLogDate(Picture1->surface(), path.toStdString()); });
    describeChart(path);
}

}  // namespace dtchart
