// The main window offscreen: its controls, start-up state and the four small handlers.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <QMessageBox>

#include "form_doubles.h"
#include "signal/system_error.h"
#include "ui/picture_box.h"
#include "ui/qt_translations.h"
#include "ui/untrapped_error.h"

using namespace dtchart;
using namespace dtchart::test;

namespace {

bool isBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != 0xFFFFFFFF) return false;
    return true;
}

int countColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    return n;
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void controlsArePlacedNamedAndInTabOrder() {
        TestForm t;
        Form1& f = *t.form;
        QCOMPARE(f.windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(f.size(), QSize(878, 637));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        struct Row {
            const char* name;
            QRect geometry;
        };
        const Row rows[] = {{"Picture1", {0, 0, 817, 281}},   {"cmd1", {8, 544, 89, 33}},
                            {"Picture2", {112, 368, 265, 265}}, {"HScroll1", {8, 296, 761, 17}},
                            {"HScroll2", {8, 320, 761, 17}},    {"HScroll3", {8, 344, 761, 17}},
                            {"Text1", {432, 400, 249, 25}},     {"Command1", {32, 424, 41, 49}},
                            {"Text2", {432, 432, 249, 25}},     {"Text3", {464, 504, 41, 25}},
                            {"HScroll4", {432, 536, 233, 17}},  {"Label1", {424, 504, 41, 17}}};
        std::vector<QWidget*> order;
        for (const Row& row : rows) {
            auto* w = f.findChild<QWidget*>(QString::fromLatin1(row.name));
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), row.geometry);
            if (QString::fromLatin1(row.name) != QLatin1String("Label1")) order.push_back(w);
        }
        // Drawing areas inside the 2-pixel borders.
        QCOMPARE(f.Picture1->contentsRect(), QRect(2, 2, 813, 277));
        QCOMPARE(f.Picture2->contentsRect(), QRect(2, 2, 261, 261));
        QCOMPARE(f.Picture1->surface().image().size(), QSize(813, 277));
        QCOMPARE(f.Picture2->surface().image().size(), QSize(261, 261));
        // Tab goes through every control in order; the label takes no focus.
        for (std::size_t k = 0; k + 1 < order.size(); ++k) {
            QCOMPARE(order[k]->nextInFocusChain(), order[k + 1]);
            QVERIFY(order[k]->focusPolicy() & Qt::TabFocus);
        }
        QCOMPARE(f.Label1->focusPolicy(), Qt::NoFocus);

        QCOMPARE(f.cmd1->text(), QStringLiteral("読み込み"));
        QCOMPARE(f.Command1->text(), QStringLiteral("Command1"));
        QCOMPARE(f.Label1->text(), QStringLiteral("倍率"));
        QCOMPARE(f.Label1->font().pointSizeF(), 11.25);
        QCOMPARE(f.Label1->font().weight(), QFont::Normal);
        QVERIFY(f.Label1->font().families().contains(QStringLiteral("IPAPGothic")));
        for (QScrollBar* bar : {f.HScroll1, f.HScroll2, f.HScroll3, f.HScroll4}) {
            QCOMPARE(bar->singleStep(), 1);
            QCOMPARE(bar->pageStep(), 1);
            QVERIFY(!bar->hasTracking());
        }
        QCOMPARE(f.HScroll1->maximum(), 719);
        QCOMPARE(f.HScroll2->maximum(), 719);
        QCOMPARE(f.HScroll4->minimum(), 1);
        QCOMPARE(f.HScroll4->maximum(), 50);
    }

    void startUpState() {
        TestForm t;
        Form1& f = *t.form;
        QCOMPARE(f.Text1->text(), QStringLiteral("1.745329E-02"));
        QCOMPARE(f.Text2->text(), QStringLiteral("Text2"));
        QCOMPARE(f.Text3->text(), QStringLiteral("1"));
        QCOMPARE(f.radPerDeg(), 0.01745329238474369f);
        QCOMPARE(f.plotScale(), 1.0f);
        QCOMPARE(f.HScroll1->value(), 0);
        QCOMPARE(f.HScroll4->value(), 1);
        QVERIFY(isBlank(t.plot()));
        // The empty frame is drawn before the window is shown: box corner black, inside white.
        QCOMPARE(t.chart().pixel(29, 231), 0xFF000000);
        QCOMPARE(t.chart().pixel(400, 140), 0xFFFFFFFF);
        QVERIFY(t.boxes.questions.isEmpty());
        QVERIFY(t.boxes.errors.isEmpty());
    }

    void command1ShowsTheCosine() {
        TestForm t;
        t.form->Text1->setText(QStringLiteral("typed"));
        t.form->Command1->click();
        QCOMPARE(t.form->Text1->text(), QStringLiteral("0.939692621710728"));
        t.form->Command1->click();
        QCOMPARE(t.form->Text1->text(), QStringLiteral("0.939692621710728"));
    }

    void scaleScrollBarRedrawsThePlot() {
        TestForm t;
        Form1& f = *t.form;
        QImage previous = t.plot();
        for (int value : {2, 50, 1}) {
            f.HScroll4->setValue(value);
            QCOMPARE(f.Text3->text(), QString::number(value));
            QCOMPARE(f.plotScale(), float(value));
            QCOMPARE(f.Text2->text(), QStringLiteral("0:00"));
            QVERIFY(!isBlank(t.plot()));
        }
        // Back at scale 1, the plot equals the one a first time-slot change draws at 1.
        TestForm u;
        u.form->HScroll1->setValue(1);
        u.form->HScroll1->setValue(0);
        QCOMPARE(t.plot(), u.plot());
        QVERIFY(t.plot() != previous);
    }

    void timeScrollBarBeforeAnyLoad() {
        TestForm t;
        Form1& f = *t.form;
        f.HScroll1->setValue(345);
        QCOMPARE(f.Text2->text(), QStringLiteral("11:30"));
        const QImage plot = t.plot();
        // Rings and cross grey, the collapsed polygon a single red point at the centre.
        QCOMPARE(plot.pixel(7, 132), 0xFF7F7F7F);
        QCOMPARE(plot.pixel(132, 257), 0xFF7F7F7F);
        QCOMPARE(countColour(plot, 0xFFFF0000), 1);
        QCOMPARE(plot.pixel(132, 132), 0xFFFF0000);
        f.HScroll1->setValue(719);
        QCOMPARE(f.Text2->text(), QStringLiteral("23:58"));
        // The chart is not touched by the plot.
        QCOMPARE(t.chart().pixel(400, 140), 0xFFFFFFFF);
    }

    void scrollBarsStepByOneFromTheKeyboardAndStopAtTheEnds() {
        TestForm t;
        Form1& f = *t.form;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.HScroll1->setFocus();
        QTest::keyClick(f.HScroll1, Qt::Key_Right);
        QCOMPARE(f.HScroll1->value(), 1);
        QCOMPARE(f.Text2->text(), QStringLiteral("0:02"));
        QTest::keyClick(f.HScroll1, Qt::Key_Left);
        QTest::keyClick(f.HScroll1, Qt::Key_Left);
        QCOMPARE(f.HScroll1->value(), 0);
        QCOMPARE(f.Text2->text(), QStringLiteral("0:00"));
        f.HScroll4->setValue(50);
        f.HScroll4->setFocus();
        QTest::keyClick(f.HScroll4, Qt::Key_Right);
        QCOMPARE(f.HScroll4->value(), 50);
        QTest::keyClick(f.HScroll4, Qt::Key_Left);
        QCOMPARE(f.Text3->text(), QStringLiteral("49"));
        // The unused scroll bars change nothing.
        const QImage plot = t.plot();
        const QString time = f.Text2->text();
        f.HScroll2->setValue(100);
        f.HScroll3->setValue(200);
        QCOMPARE(t.plot(), plot);
        QCOMPARE(f.Text2->text(), time);
        // Typing into a text box changes no value.
        QTest::keyClicks(f.Text3, QStringLiteral("7"));
        QCOMPARE(f.plotScale(), 49.0f);
    }

    void draggingReportsOnlyOnRelease() {
        TestForm t;
        Form1& f = *t.form;
        f.HScroll1->setSliderDown(true);
        f.HScroll1->setSliderPosition(100);
        f.HScroll1->setSliderPosition(200);
        QCOMPARE(f.Text2->text(), QStringLiteral("Text2"));
        f.HScroll1->setSliderDown(false);
        QCOMPARE(f.HScroll1->value(), 200);
        QCOMPARE(f.Text2->text(), QStringLiteral("6:40"));
    }

    void anUntrappedErrorIsReportedAndEndsTheProgram() {
        ScriptedBoxes boxes;
        int ends = 0;
        auto end = [&] { ++ends; };
        QVERIFY(RunHandler(nullptr, boxes, end, [] {}));
        QCOMPARE(ends, 0);
        QVERIFY(!RunHandler(nullptr, boxes, end, [] { throw SystemError(9, "subscript out of range"); }));
        QVERIFY(!RunHandler(nullptr, boxes, end, [] { throw std::bad_alloc(); }));
        QVERIFY(!RunHandler(nullptr, boxes, end, [] { throw 42; }));
        QCOMPARE(ends, 3);
        QCOMPARE(boxes.errors.size(), 3);
        QCOMPARE(boxes.errors[0], QStringLiteral("実行時エラー '9':\n\nsubscript out of range"));
        QVERIFY(boxes.errors[1].startsWith(QStringLiteral("実行時エラー '7':")));
        QVERIFY(boxes.errors[2].startsWith(QStringLiteral("実行時エラー '51':")));
    }

    void qtStringsFollowTheLocale() {
        QVERIFY(InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("dtchart"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No);
        QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
