// The main window offscreen: its controls, start-up state and the four small handlers.

#include <QAccessible>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextLayout>
#include <QtTest>

#include <QMessageBox>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTimer>

#include "form_doubles.h"
#include "log_files.h"
#include "signal/system_error.h"
#include "ui/caption_button.h"
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

// What the accessibility layer reports for a widget, as a screen reader asks for it.
QString spoken(QWidget* widget, QAccessible::Text what) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(what) : QString();
}

// Runs `act` on the question box from inside its exec(), once it is shown and active; a box
// `act` leaves open is answered No, so that a failing check cannot hang the test.
template <class Act>
void whenBoxShown(Act act) {
    QTimer::singleShot(0, [act] {
        QMessageBox* box = nullptr;
        (void)QTest::qWaitFor([&] { return box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 5000);
        if (!box) return;
        auto answer = qScopeGuard([box] {
            if (box->isVisible()) box->button(QMessageBox::No)->click();
        });
        if (QTest::qWaitFor([box] { return box->isActiveWindow() && QApplication::focusWidget(); }, 5000))
            act(*box);
    });
}

// What a user sees of the question box: texts, buttons, which has the focus and which is the
// default, its size; and what Return answers.
QStringList boxState(QMessageBox& box) {
    QStringList state = {box.windowTitle(), box.text(),
                         QStringLiteral("focus ") + qobject_cast<QAbstractButton*>(QApplication::focusWidget())->text(),
                         QStringLiteral("default ") + (box.defaultButton() ? box.defaultButton()->text() : QString()),
                         QStringLiteral("escape ") + (box.escapeButton() ? box.escapeButton()->text() : QString()),
                         QStringLiteral("size %1x%2").arg(box.width()).arg(box.height())};
    for (QAbstractButton* button : box.buttons())
        state << QStringLiteral("button ") + button->text() + (button->isVisible() ? " shown" : " hidden");
    return state;
}

// The lines a caption is broken into in `font` within `area`, as the button breaks it.
QStringList captionLines(const QFont& font, const QRect& area, const QString& text) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
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
        // Each control where it stands, and what a screen reader calls it.
        struct Row {
            const char* name;
            QRect geometry;
            QString spoken;
        };
        const Row rows[] = {
            {"Picture1", {0, 0, 817, 281}, QStringLiteral("方向・時間チャート")},
            {"cmd1", {8, 544, 89, 33}, QStringLiteral("読み込み")},
            {"Picture2", {112, 368, 265, 265}, QStringLiteral("極座標プロット")},
            {"HScroll1", {8, 296, 761, 17}, QStringLiteral("時刻")},
            {"HScroll2", {8, 320, 761, 17}, QStringLiteral("未使用 1")},
            {"HScroll3", {8, 344, 761, 17}, QStringLiteral("未使用 2")},
            {"Text1", {432, 400, 249, 25}, QStringLiteral("ファイル・値")},
            {"Command1", {32, 424, 41, 49}, QStringLiteral("Command1")},
            {"Text2", {432, 432, 249, 25}, QStringLiteral("時刻")},
            {"Text3", {464, 504, 41, 25}, QStringLiteral("倍率")},
            {"HScroll4", {432, 536, 233, 17}, QStringLiteral("倍率")},
            {"Label1", {424, 504, 41, 17}, QStringLiteral("倍率")}};
        std::vector<QWidget*> order;
        for (const Row& row : rows) {
            auto* w = f.findChild<QWidget*>(QString::fromLatin1(row.name));
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), row.geometry);
            QCOMPARE(spoken(w, QAccessible::Name), row.spoken);
            if (QString::fromLatin1(row.name) != QLatin1String("Label1")) order.push_back(w);
        }
        // No control is left for a screen reader to call by its kind alone.
        for (QWidget* w : f.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(!spoken(w, QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
        QCOMPARE(spoken(&f, QAccessible::Name), QStringLiteral("dtchart"));
        QCOMPARE(QAccessible::queryAccessibleInterface(&f)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(f.Picture1)->role(), QAccessible::Graphic);
        QCOMPARE(QAccessible::queryAccessibleInterface(f.Picture2)->role(), QAccessible::Graphic);
        QCOMPARE(QAccessible::queryAccessibleInterface(f.HScroll1)->role(), QAccessible::ScrollBar);
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

    // Command1's caption is drawn whole inside the button, in the desktop's own font and in
    // the fonts a Japanese or a larger desktop gives it, on a normal and a doubled screen.
    void command1ShowsItsWholeCaption_data() {
        QTest::addColumn<QString>("family");  // empty: the application's font
        QTest::addColumn<qreal>("points");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("desktop font") << QString() << 0.0 << 1.0;
        QTest::newRow("desktop font, ratio 2") << QString() << 0.0 << 2.0;
        QTest::newRow("Japanese desktop") << QStringLiteral("IPAGothic") << 9.0 << 1.0;
        QTest::newRow("Japanese proportional") << QStringLiteral("IPAPGothic") << 9.0 << 1.0;
        QTest::newRow("Liberation Sans 10") << QStringLiteral("Liberation Sans") << 10.0 << 2.0;
        QTest::newRow("DejaVu Sans 11") << QStringLiteral("DejaVu Sans") << 11.0 << 1.0;
        QTest::newRow("GNOME's Cantarell 11") << QStringLiteral("Cantarell") << 11.0 << 1.0;
    }
    void command1ShowsItsWholeCaption() {
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFETCH(qreal, ratio);
        TestForm t;
        auto* button = dynamic_cast<CaptionButton*>(t.form->Command1);
        QVERIFY(button);
        if (!family.isEmpty()) {
            QFont font = button->font();
            font.setFamilies({family});
            font.setPointSizeF(points);
            button->setFont(font);
        }
        QCOMPARE(button->text(), QStringLiteral("Command1"));
        QCOMPARE(button->geometry(), QRect(32, 424, 41, 49));

        // The label area as the style gives it to any button of this size.
        QPushButton plain;
        plain.setGeometry(button->geometry());
        QStyleOptionButton option;
        option.initFrom(&plain);
        const QRect area = plain.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &plain);
        QCOMPARE(button->labelArea(), area);

        // On one line the caption would be cut; its lines lie inside the area, in a font still
        // meant to be read.
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) > area.width());
        const QFont font = button->captionFont();
        const QRect lines = button->captionRect();
        QVERIFY2(area.contains(lines), qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                                                      .arg(lines.width()).arg(lines.height())
                                                      .arg(lines.x()).arg(lines.y())));
        QVERIFY(QFontInfo(font).pixelSize() >= 9);
        if (!family.isEmpty()) QCOMPARE(QFontInfo(font).family(), family);
        // One line, or broken where a reader still sees one word: past its middle, as
        // "Comman" / "d1", not "Comm" / "and1".
        const QStringList shown = captionLines(font, area, button->text());
        QVERIFY2(shown.size() == 1 || (shown.size() == 2 && shown[0].size() > shown[1].size()),
                 qPrintable(shown.join(QStringLiteral(" / "))));

        // What is drawn: every pixel that differs from a button without a caption lies in the
        // caption's lines, and there are some.
        auto render = [ratio](QWidget& w) {
            QImage image(w.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            w.render(&image);
            return image;
        };
        const QImage drawn = render(*button);
        const QImage blank = render(plain);
        QRect ink;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixel(x, y) != blank.pixel(x, y))
                    ink |= QRect(int(x / ratio), int(y / ratio), 1, 1);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(lines.adjusted(-1, -1, 1, 1).contains(ink),
                 qPrintable(QStringLiteral("ink %1 x %2 at %3, %4")
                                .arg(ink.width()).arg(ink.height()).arg(ink.x()).arg(ink.y())));
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

    // Tabbing to a scroll bar or a picture box shows the style's focus mark on it; a picture
    // box keeps its mark on the frame, so the picture shows and holds every pixel as before.
    void focusIsMarked_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"Picture1", "Picture2", "HScroll1", "HScroll3", "HScroll4"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void focusIsMarked() {
        QFETCH(QString, name);
        TestForm t;
        Form1& f = *t.form;
        f.HScroll1->setValue(10);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.Picture1);
        auto* target = f.findChild<QWidget*>(name);
        auto* box = dynamic_cast<PictureBox*>(target);
        const QImage picture = box ? box->surface().image().copy() : QImage();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!target->hasFocus());
        const QImage unfocused = target->grab().toImage();
        for (int k = 0; k < 12 && !target->hasFocus(); ++k)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(target->hasFocus());
        const QImage focused = target->grab().toImage();
        QVERIFY(focused != unfocused);
        if (box) {
            const QRect inside = box->contentsRect();
            QCOMPARE(focused.copy(inside), unfocused.copy(inside));
            QCOMPARE(box->surface().image(), picture);
        }
    }

    // Both pictures reach the window pixel for pixel, at whatever ratio the screen has: every
    // chart cell is on screen a solid block of exactly its colour. The suite runs this again at
    // the scales of HiDPI screens, fractional ones included (tests/CMakeLists.txt). Painted for
    // a screen of another ratio (the window moved there, or told its fractional scale by a
    // Wayland compositor only once shown), the pictures are drawn anew at that ratio.
    void picturesReachTheWindowPixelForPixel() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("250131.log"));
        // Neighbouring cells differ, so that a block shifted by a device pixel shows.
        QVERIFY(WriteFile(path, LogBytes([](int bin, int slot) {
            return static_cast<std::int16_t>((bin * 37 + slot * 101) % 1024);
        })));
        TestForm t;
        Form1& f = *t.form;
        t.loadFile(path);
        f.HScroll1->setValue(300);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCoreApplication::processEvents();
        const QImage chart = t.chart(), plot = t.plot();
        for (qreal ratio : {f.devicePixelRatio(), 1.5, 2.0, 1.0, f.devicePixelRatio()}) {
            // The window as its backing store gets it: painted at the ratio.
            QImage window((QSizeF(f.size()) * ratio).toSize(), QImage::Format_RGB32);
            window.setDevicePixelRatio(ratio);
            f.render(&window);
            window.setDevicePixelRatio(1);
            for (PictureBox* box : {f.Picture1, f.Picture2}) {
                QImage picture = box->surface().image().copy();
                QCOMPARE(picture.devicePixelRatio(), ratio);
                picture.setDevicePixelRatio(1);
                const QPointF corner = QPointF(box->mapTo(&f, box->contentsRect().topLeft())) * ratio;
                QVERIFY2(window.copy(QRect(corner.toPoint(), picture.size())) == picture,
                         qPrintable(box->objectName() + QStringLiteral(" at ratio ") + QString::number(ratio)));
                // The picture to the bit, which a build for another processor must match
                // (tests/same-as-host.sh).
                qInfo("picture %s at ratio %g: %s", qPrintable(box->objectName()), ratio,
                      QCryptographicHash::hash(QByteArrayView(picture.constBits(), picture.sizeInBytes()),
                                               QCryptographicHash::Sha256).toHex().constData());
            }
        }
        // Back on the first screen, the same pictures.
        QCOMPARE(t.chart(), chart);
        QCOMPARE(t.plot(), plot);
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

    // Picture1's description tells a screen reader which day the chart shows, after each way
    // out of the load command; the day before is 2024/02/29.
    void chartDescriptionNamesTheDayShown_data() {
        QTest::addColumn<QString>("file");  // empty: the dialog is cancelled
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("description");
        const QString none = QStringLiteral("データは表示されていません");
        QTest::newRow("a dated log") << "250131.log" << true << QStringLiteral("2025/01/31 の観測");
        QTest::newRow("an undated log") << "day.log" << true << QStringLiteral("日付不明の観測");
        QTest::newRow("answered No") << "250131.log" << false << QStringLiteral("2024/02/29 の観測");
        QTest::newRow("cancelled: empty frame") << QString() << true << none;
        QTest::newRow("unreadable: empty frame") << "missing.log" << true << none;
    }
    void chartDescriptionNamesTheDayShown() {
        QFETCH(QString, file);
        QFETCH(bool, answer);
        QFETCH(QString, description);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto level = [](int bin, int slot) { return std::int16_t((bin + slot) % 1024); };
        for (const char* name : {"240229.log", "250131.log", "day.log"})
            QVERIFY(WriteFile(dir.filePath(QString::fromLatin1(name)), LogBytes(level)));

        TestForm t;
        QWidget* chart = t.form->Picture1;
        QCOMPARE(spoken(chart, QAccessible::Description), QStringLiteral("データは表示されていません"));
        t.loadFile(dir.filePath(QStringLiteral("240229.log")));
        QCOMPARE(spoken(chart, QAccessible::Description), QStringLiteral("2024/02/29 の観測"));

        t.boxes.answers.push_back(answer);
        t.chooser.choices.push_back(file.isEmpty() ? std::nullopt
                                                   : std::optional<QString>(dir.filePath(file)));
        t.form->cmd1_Click();
        QCOMPARE(spoken(chart, QAccessible::Description), description);
        QCOMPARE(t.endRequests, 0);
    }

    // The question box, kept from one question to the next, asks each as a new box does,
    // whatever the last answer left in it; and runs its task once it is shown.
    void theKeptQuestionIsAskedAsByANewBox_data() {
        QTest::addColumn<QString>("keys");  // the first answer
        QTest::addColumn<bool>("answer");
        QTest::newRow("after Yes") << "Return" << true;
        QTest::newRow("after No by Escape") << "Escape" << false;
        QTest::newRow("after No by moving the focus to it") << "Tab Space" << false;
    }
    void theKeptQuestionIsAskedAsByANewBox() {
        QFETCH(QString, keys);
        QFETCH(bool, answer);
        QVERIFY(InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        QWidget window;
        window.resize(878, 637);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QtMessageBoxes kept;
        int tasks = 0;
        bool shownForTask = false;
        whenBoxShown([&](QMessageBox&) {
            QVERIFY(QTest::qWaitFor([&] { return tasks == 1; }, 5000));  // once on screen
            for (const QString& key : keys.split(' '))
                QTest::keyClick(QApplication::focusWidget(), key == "Return" ? Qt::Key_Return : key == "Escape" ? Qt::Key_Escape : key == "Tab" ? Qt::Key_Tab : Qt::Key_Space);
        });
        QCOMPARE(kept.askYesNo(&window, QStringLiteral("dtchart"), QStringLiteral("最初の質問ですか？"), [&] {
            ++tasks;
            shownForTask = kept.keptQuestion()->isVisible();
        }), answer);
        QCOMPARE(tasks, 1);
        QVERIFY(shownForTask);

        QStringList again, fresh;
        whenBoxShown([&](QMessageBox& box) {
            again = boxState(box);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QVERIFY(kept.askYesNo(&window, QStringLiteral("dtchart"), QStringLiteral("新しいデータをロードしますか？")));
        QtMessageBoxes other;
        whenBoxShown([&](QMessageBox& box) {
            fresh = boxState(box);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QVERIFY(other.askYesNo(&window, QStringLiteral("dtchart"), QStringLiteral("新しいデータをロードしますか？")));
        QCOMPARE(again, fresh);
        QVERIFY(fresh.contains(QStringLiteral("新しいデータをロードしますか？")));
        QVERIFY(fresh.at(2).startsWith(QStringLiteral("focus はい")));
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
