// The load command end to end with its boxes answered by doubles: every way out of it, and
// bad files of every kind, none of which may crash, hang or change what the window holds.

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSemaphore>
#include <QThread>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "chart/chart_frame.h"
#include "chart/chart_painting.h"
#include "form_doubles.h"
#include "log_files.h"
#include "ui/accessibility.h"
#include "ui/gnome_platform.h"
#include "ui/message_boxes.h"
#include "ui/picture_box.h"
#include "ui/qt_translations.h"
#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QProcess>

#include "ui/desktop_file_dialog.h"
#endif

using namespace dtchart;
using namespace dtchart::test;

namespace {

std::int16_t dayA(int bin, int slot) { return static_cast<std::int16_t>((bin * 5 + slot) % 1024); }
std::int16_t dayB(int bin, int slot) {
    return static_cast<std::int16_t>(slot % 97 == 0 ? -1 : (1023 - (bin * 3 + slot * 2) % 1024));
}

// What Picture1 must show after loading `grid` from `path`; with no grid, the empty frame.
QImage expectedChart(const Form1& form, const SignalGrid* grid, const std::string& path) {
    QtSurface s(813, 277);
    s.setFont(form.Picture1->surface().font());
    DrawChartFrame(s);
    if (grid) {
        PaintSignalChart(s, *grid);
        PrintLogDate(s, path);
    }
    return s.image().copy();
}

// Fails the whole test run when one case takes too long: a hang must not pass silently.
class Watchdog {
public:
    explicit Watchdog(const char* what, int seconds = 20) : thread_([this, what, seconds] {
        for (int k = 0; k < seconds * 10 && !done_; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done_) {
            std::fprintf(stderr, "FAIL! %s did not finish within %d s\n", what, seconds);
            std::_Exit(1);
        }
    }) {}
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Deletes the chosen file after the dialog closes, before the window reads it.
class DeletingChooser : public ScriptedChooser {
public:
    std::optional<QString> choose(QWidget* parent, const OpenFileRequest& request) override {
        auto chosen = ScriptedChooser::choose(parent, request);
        if (chosen) QFile::remove(*chosen);
        return chosen;
    }
};


// Runs `act` on the file dialog from inside its exec(), once it is shown and active; whatever
// `act` leaves open is cancelled, so that a failing check cannot hang the test.
template <class Act>
void whenDialogShown(Act act) {
    QTimer::singleShot(0, [act] {
        QFileDialog* dialog = nullptr;
        (void)QTest::qWaitFor([&] { return dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }, 5000);
        if (!dialog) return;
        auto cancel = qScopeGuard([dialog] {
            if (dialog->isVisible()) dialog->reject();
        });
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (QTest::qWaitForWindowActive(dialog) && QTest::qWaitFor([name] { return name->hasFocus(); }, 5000))
            act(*dialog);
    });
}

// What a user sees of an open dialog, once its folder is listed: folder, filter, name, focus,
// selection, every label, button and list with its text and state, and its place.
QStringList dialogState(QFileDialog& d, int listed) {
    auto* list = d.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    (void)QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) == listed; }, 5000);
    QStringList state = {
        QStringLiteral("title ") + d.windowTitle(),
        QStringLiteral("folder ") + d.directory().absolutePath(),
        QStringLiteral("filter ") + d.selectedNameFilter(),
        QStringLiteral("filters ") + d.nameFilters().join(QLatin1Char('|')),
        QStringLiteral("suffix ") + d.defaultSuffix(),
        QStringLiteral("focus ") + (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString()),
        QStringLiteral("selected %1").arg(list->selectionModel()->selectedIndexes().size()),
        QStringLiteral("current valid %1").arg(list->currentIndex().isValid()),
        QStringLiteral("geometry %1,%2 %3x%4").arg(d.x()).arg(d.y()).arg(d.width()).arg(d.height())};
    QStringList rows;
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
        rows << list->model()->index(r, 0, list->rootIndex()).data().toString();
    rows.sort();  // the list sorts them a moment later
    state << QStringLiteral("listed ") + rows.join(QLatin1Char('|'));
    for (QWidget* w : d.findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(w)) text = edit->text();
        else if (auto* combo = qobject_cast<QComboBox*>(w)) text = combo->currentText();
        else continue;
        state << QStringLiteral("%1 '%2' enabled %3 visible %4")
                     .arg(w->objectName(), text).arg(w->isEnabled()).arg(w->isVisible());
    }
    return state;
}

// What a screen reader is shown: the application's windows by title, then every place where a
// node counts a child it cannot give.
QStringList screenReaderTree() {
    QStringList shown, missing;
    QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
    const std::function<void(QAccessibleInterface*, const QString&, int)> walk =
        [&](QAccessibleInterface* node, const QString& path, int depth) {
            for (int k = 0; k < node->childCount() && depth < 50; ++k) {
                QAccessibleInterface* child = node->child(k);
                if (!child)
                    missing << QStringLiteral("missing child %1 of %2 (%3)")
                                   .arg(k).arg(path, node->object() ? node->object()->objectName() : QString());
                else walk(child, path + QLatin1Char('/') + child->text(QAccessible::Name), depth + 1);
            }
        };
    for (int k = 0; k < app->childCount(); ++k)
        if (QAccessibleInterface* window = app->child(k)) shown << QStringLiteral("window ") + window->text(QAccessible::Name);
    walk(app, QString(), 0);
    return shown + missing;
}

// The desktop's XDG portal as a test puts it on a private bus: answering, or holding its name
// and never answering (its thread never takes the call).
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.FileChooser")
    Q_PROPERTY(uint version READ version)

public:
    uint version() const { return 4; }
};

class StuckThread : public QThread {
public:
    QSemaphore release;
    void run() override { release.acquire(); }
};

}  // namespace

class LoadCommandTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString pathA, pathB;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // As the system writes paths, which is how Text1 shows them.
        pathA = QDir::toNativeSeparators(dir.filePath(QStringLiteral("250131.log")));
        pathB = QDir::toNativeSeparators(dir.filePath(QStringLiteral("240229.log")));
        QVERIFY(WriteFile(pathA, LogBytes(dayA)));
        QVERIFY(WriteFile(pathB, LogBytes(dayB)));
    }

    void answeringNoChangesNothing() {
        TestForm t;
        t.loadFile(pathA);
        const QImage before = t.chart();
        t.boxes.answers.push_back(false);
        t.chooser.choices.push_back(pathB);
        t.form->cmd1_Click();
        QCOMPARE(t.chart(), before);
        QCOMPARE(t.form->Text1->text(), pathA);
        QVERIFY(t.form->signalGrid() == GridWith(dayA));
        QCOMPARE(t.chooser.requests.size(), std::size_t(1));  // no dialog the second time
        QCOMPARE(t.boxes.questions.last(), QStringLiteral("dtchart: 新しいデータをロードしますか？"));
    }

    void cancellingLeavesTheEmptyFrameAndTheGrid() {
        TestForm t;
        t.loadFile(pathA);
        t.boxes.answers.push_back(true);
        t.chooser.choices.push_back(std::nullopt);
        t.form->cmd1_Click();
        QCOMPARE(t.chart(), expectedChart(*t.form, nullptr, {}));
        QVERIFY(t.form->signalGrid() == GridWith(dayA));
        QCOMPARE(t.form->Text1->text(), pathA);
        QVERIFY(t.boxes.errors.isEmpty());
        QCOMPARE(t.endRequests, 0);
        // The next plot shows the previous data.
        t.form->HScroll1->setValue(1);
        QCOMPARE(t.form->Text2->text(), QStringLiteral("0:02"));
    }

    void loadingPaintsTheDayAndItsDate() {
        TestForm t;
        const QImage plotBefore = t.plot();
        t.loadFile(pathA);
        QCOMPARE(t.form->Text1->text(), pathA);
        QVERIFY(t.form->signalGrid() == GridWith(dayA));
        const SignalGrid a = GridWith(dayA);
        QCOMPARE(t.chart(), expectedChart(*t.form, &a, pathA.toStdString()));
        // The polar plot is left for the next scroll-bar change.
        QCOMPARE(t.plot(), plotBefore);
        QCOMPARE(t.form->Text2->text(), QStringLiteral("Text2"));
        // The same file twice gives the same picture; a new day replaces every cell.
        const QImage first = t.chart();
        t.loadFile(pathA);
        QCOMPARE(t.chart(), first);
        t.loadFile(pathB);
        const SignalGrid b = GridWith(dayB);
        QCOMPARE(t.chart(), expectedChart(*t.form, &b, pathB.toStdString()));
        QVERIFY(t.boxes.errors.isEmpty());
    }

    void theDialogIsPreparedAsTheUserExpects() {
        TestForm t;
        t.loadFile(pathA);
        const OpenFileRequest& first = t.chooser.requests.at(0);
        QCOMPARE(first.nameFilters, QStringList({QStringLiteral("観測ログ(*.log) (*.log)"),
                                                 QStringLiteral("すべてのファイル(*.*) (*)")}));
        QCOMPARE(first.defaultSuffix, QStringLiteral("log"));
        QCOMPARE(first.directory, QDir::currentPath());
        QVERIFY(first.fileName.isEmpty());
        // Next time the dialog opens where the last file was chosen.
        t.loadFile(QDir(dir.path()).filePath(QStringLiteral("missing/991231.log")));
        t.loadFile(pathB);
        QCOMPARE(t.chooser.requests.at(1).directory, dir.path());
        QCOMPARE(t.chooser.requests.at(2).directory, dir.filePath(QStringLiteral("missing")));
    }

    void aFailedLoadAfterAGoodOneKeepsTheGoodGrid() {
        TestForm t;
        t.loadFile(pathA);
        t.form->HScroll1->setValue(10);
        const QImage plot = t.plot();
        t.loadFile(dir.filePath(QStringLiteral("000000.log")));
        QVERIFY(t.form->signalGrid() == GridWith(dayA));
        QCOMPARE(t.form->Text1->text(), pathA);
        QCOMPARE(t.chart(), expectedChart(*t.form, nullptr, {}));
        QCOMPARE(t.boxes.errors.size(), 1);
        QVERIFY(t.boxes.errors[0].contains(QStringLiteral("ファイルを読み込めませんでした")));
        QVERIFY(t.boxes.errors[0].contains(QStringLiteral("000000.log")));
        QCOMPARE(t.plot(), plot);
        QCOMPARE(t.endRequests, 0);
        // The plot still draws the good day.
        t.form->HScroll1->setValue(11);
        t.form->HScroll1->setValue(10);
        QCOMPARE(t.plot(), plot);
    }

    // Qt's dialog, kept from one open to the next, starts each open as a new dialog starts,
    // whatever the last one was left with; a place and size the user gave it stay.
    void theKeptDialogStartsAsANewOne_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("after a cancel") << "cancel";
        QTest::newRow("after a chosen file") << "choose";
        QTest::newRow("after another filter, folder and name, cancelled") << "wander";
        QTest::newRow("after a day's file was added") << "add";
        QTest::newRow("made ahead, while the question is asked") << "prepare";
        QTest::newRow("after being moved and resized") << "move";
        QTest::newRow("after questions and opens, as a screen reader is shown it") << "reader";
        QTest::newRow("typed into before the window system made it active") << "early";
    }
    void theKeptDialogStartsAsANewOne() {
        QFETCH(QString, before);
#ifdef Q_OS_WIN
        QSKIP("Windows shows its own dialog, made anew for every open");
#endif
        QVERIFY(InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        QTemporaryDir here;
        QVERIFY(WriteFile(here.filePath(QStringLiteral("250131.log")), LogBytes(dayA)));
        QVERIFY(WriteFile(here.filePath(QStringLiteral("notes.txt")), "notes"));
        QVERIFY(QDir(here.path()).mkdir(QStringLiteral("2024")));
        QWidget window;
        window.resize(878, 637);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const OpenFileRequest request{
            {}, CommonDialog::NameFilters(QStringLiteral("観測ログ(*.log)|*.log|すべてのファイル(*.*)|*.*")),
            QStringLiteral("log"), here.path(), {}};
        int listed = 2;  // the folder 2024 and the day's log

        QtOpenFileChooser kept;
        std::optional<QString> first;
        QRect placed;
        QtMessageBoxes boxes;
        QStringList whileUp;
        if (before == "reader") {
            // The window's own accessibility, the kept question answered Yes twice and the kept
            // dialog opened between.
            InstallAccessibleRoles();
            window.setWindowTitle(QStringLiteral("Form1"));
            for (int k = 0; k < 2; ++k) {
                QTimer::singleShot(0, [&] {
                    QMessageBox* box = nullptr;
                    (void)QTest::qWaitFor([&] { return box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 5000);
                    if (box) box->button(QMessageBox::Yes)->click();
                });
                QVERIFY(boxes.askYesNo(&window, QStringLiteral("dtchart"), QStringLiteral("読み込みますか？")));
            }
            whenDialogShown([&](QFileDialog& d) {
                dialogState(d, listed);  // once the folder is listed
                whileUp = screenReaderTree();
                QTest::keyClick(&d, Qt::Key_Escape);
            });
            first = kept.choose(&window, request);
            QVERIFY(whileUp.contains(QStringLiteral("window 開く")));
            QCOMPARE(whileUp.filter(QStringLiteral("window ")).size(), 2);
            QCOMPARE(whileUp.filter(QStringLiteral("missing")).join('\n'), QString());
        } else if (before == "prepare") {
            kept.prepare(&window);
            QVERIFY(kept.keptDialog());
            QVERIFY(!kept.keptDialog()->isVisible());
        } else {
            whenDialogShown([&](QFileDialog& d) {
                if (before == "choose") {
                    // The name without its extension, which the dialog adds.
                    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("250131"));
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                    return;
                }
                if (before == "early") {
                    // As on Wayland, where the dialog is made active a round trip after the
                    // compositor gives it the keys: the path's first key comes while the window
                    // under it is active still, the rest once the dialog is.
                    const auto activate = [](QWidget& w) {
                        w.activateWindow();
                        QVERIFY(QTest::qWaitFor([&w] { return QGuiApplication::focusWindow() == w.windowHandle(); }));
                    };
                    const QString path = here.filePath(QStringLiteral("250131"));
                    activate(window);
                    for (qsizetype k = 0; k < path.size(); ++k) {
                        if (k == 1) activate(d);
                        QTest::keyClick(d.windowHandle(), path[k].toLatin1());
                    }
                    QTest::keyClick(d.windowHandle(), Qt::Key_Return);
                    return;
                }
                if (before == "wander") {
                    d.selectNameFilter(d.nameFilters().at(1));
                    d.setDirectory(here.filePath(QStringLiteral("2024")));
                    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
                }
                if (before == "move") {
                    // As the window system reports a user's move and resize.
                    d.windowHandle()->setGeometry(QRect(d.windowHandle()->position() + QPoint(40, 30),
                                                        d.size() + QSize(60, 50)));
                    QTRY_COMPARE(d.size(), d.windowHandle()->size());
                    placed = d.geometry();
                }
                QTest::keyClick(&d, Qt::Key_Escape);
            });
            first = kept.choose(&window, request);
        }
        QCOMPARE(first, before == "choose" || before == "early" ? std::optional(here.filePath(QStringLiteral("250131.log")))
                                                                : std::nullopt);
        // Closed, nothing of it stays on screen: not the name's completions either.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(w == &window || !w->isVisible(), qPrintable(w->metaObject()->className()));
        if (before == "add") {
            QVERIFY(WriteFile(here.filePath(QStringLiteral("250201.log")), LogBytes(dayB)));
            ++listed;
        }

        // A new dialog made now, as the next open made one, and the kept one opened again.
        QStringList again, fresh;
        QtOpenFileChooser other;
        whenDialogShown([&](QFileDialog& d) { fresh = dialogState(d, listed); });
        QCOMPARE(other.choose(&window, request), std::nullopt);
        whenDialogShown([&](QFileDialog& d) { again = dialogState(d, listed); });
        QCOMPARE(kept.choose(&window, request), std::nullopt);
        if (before == "move") {
            // Where the user left it, the size they gave it; the place within the frame's
            // width, which the offscreen platform counts in one way and then the other.
            const QStringList kept = again.filter(QRegularExpression(QStringLiteral("^geometry ")));
            QCOMPARE(kept.size(), 1);
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^geometry (-?\\d+),(-?\\d+) (\\d+)x(\\d+)$")).match(kept[0]);
            QVERIFY(m.hasMatch());
            QCOMPARE(QSize(m.captured(3).toInt(), m.captured(4).toInt()), placed.size());
            QVERIFY2((QPoint(m.captured(1).toInt(), m.captured(2).toInt()) - placed.topLeft()).manhattanLength() <= 4,
                     qPrintable(kept[0]));
            again.removeAll(kept[0]);
            QCOMPARE(fresh.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("geometry ")); }), 1);
        }
        QCOMPARE(again, fresh);
        // What a new one shows: Japanese texts, the logs' filter, no name, the focus on it.
        QVERIFY(fresh.contains(QStringLiteral("title 開く")));
        QVERIFY(fresh.contains(QStringLiteral("fileTypeCombo '観測ログ(*.log)' enabled 1 visible 1")));
        QVERIFY(fresh.contains(QStringLiteral("fileNameEdit '' enabled 1 visible 1")));
        QVERIFY(fresh.contains(QStringLiteral("focus fileNameEdit")));
        QVERIFY(fresh.contains(QStringLiteral("folder ") + here.path()));
        QVERIFY(fresh.contains(QStringLiteral("selected 0")));
        // Closed, the kept question and dialog are no longer shown to a screen reader.
        if (before == "reader") QCOMPARE(screenReaderTree(), QStringList({QStringLiteral("window Form1")}));
    }

    // The desktop's dialog is asked for through its portal where one runs; a portal that holds
    // its name but never answers must not leave the window waiting: Qt's dialog serves then.
    void aSilentPortalIsNotWaitedFor_data() {
        QTest::addColumn<QString>("portal");
        QTest::addColumn<bool>("answers");
        QTest::newRow("no portal running") << "none" << true;
        QTest::newRow("a portal that answers") << "answering" << true;
        QTest::newRow("a portal that never answers") << "silent" << false;
    }
    void aSilentPortalIsNotWaitedFor() {
#ifdef Q_OS_WIN
        QSKIP("Windows has no XDG portal");
#else
        QFETCH(QString, portal);
        QFETCH(bool, answers);
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address")});
        if (!daemon.waitForStarted(5000)) QSKIP("no dbus-daemon to run a private session bus");
        auto stop = qScopeGuard([&] {
            daemon.kill();
            daemon.waitForFinished();
        });
        QVERIFY(daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection viewer = QDBusConnection::connectToBus(address, QStringLiteral("viewer-") + portal);
        QDBusConnection side = QDBusConnection::connectToBus(address, QStringLiteral("portal-") + portal);
        QVERIFY(viewer.isConnected() && side.isConnected());

        FakePortal fake;
        StuckThread stuck;
        QThread running;
        if (portal != "none") {
            QThread& home = portal == "silent" ? static_cast<QThread&>(stuck) : running;
            home.start();
            fake.moveToThread(&home);
            QVERIFY(side.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &fake,
                                        QDBusConnection::ExportAllProperties));
            QVERIFY(side.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        }
        auto join = qScopeGuard([&] {
            side.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
            stuck.release.release();
            running.quit();
            stuck.wait();
            running.wait();
        });
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(PortalAnswers(viewer, 500), answers);
        QVERIFY2(waited.elapsed() < 5000, "the check must give up on a silent portal");
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer-") + portal);
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-") + portal);
#endif
    }

    // GNOME's Wayland session under a Qt before 6.5, which could tie neither GTK's chooser nor
    // its own dialogs to Form1 there: the window goes to Xwayland, unless the user chose.
    void theWindowGoesWhereTheDialogStaysWithIt_data() {
        QTest::addColumn<QString>("session");  // XDG_SESSION_TYPE XDG_CURRENT_DESKTOP DISPLAY QT_QPA_PLATFORM
        QTest::addColumn<QString>("qt");
        QTest::addColumn<bool>("argument");
        QTest::addColumn<QString>("platform");
        QTest::newRow("GNOME on Wayland, Qt 6.4") << "wayland GNOME :0 -" << "6.4.2" << false << "xcb";
        QTest::newRow("Ubuntu's GNOME") << "wayland ubuntu:GNOME :0 -" << "6.4.2" << false << "xcb";
        QTest::newRow("Qt 6.5 ties the dialogs") << "wayland GNOME :0 -" << "6.5.0" << false << "";
        QTest::newRow("no Xwayland") << "wayland GNOME - -" << "6.4.2" << false << "";
        QTest::newRow("the user's platform") << "wayland GNOME :0 wayland" << "6.4.2" << false << "";
        QTest::newRow("the user's -platform") << "wayland GNOME :0 -" << "6.4.2" << true << "";
        QTest::newRow("GNOME on X11") << "x11 GNOME :0 -" << "6.4.2" << false << "";
        QTest::newRow("sway") << "wayland sway :0 -" << "6.4.2" << false << "";
    }
    void theWindowGoesWhereTheDialogStaysWithIt() {
        QFETCH(QString, session);
        QFETCH(QString, qt);
        QFETCH(bool, argument);
        QFETCH(QString, platform);
        const QStringList values = session.split(QLatin1Char(' '));
        const QStringList names = {"XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "DISPLAY", "QT_QPA_PLATFORM"};
        const auto environment = [&](const char* name) {
            const QString value = values.value(names.indexOf(QLatin1String(name)), QStringLiteral("-"));
            return value == QLatin1String("-") ? QByteArray() : value.toUtf8();
        };
        QCOMPARE(QString::fromLatin1(PlatformForSession(environment, QVersionNumber::fromString(qt), argument)),
                 platform);
    }

    void badFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << false << "見つかりません";
        QTest::newRow("empty") << "empty" << false << "ファイルが空です";
        QTest::newRow("1 byte") << "1" << false << "観測データがありません（1 バイトしかありません）";
        QTest::newRow("1,000 bytes, a day being written") << "1000" << true << "";
        QTest::newRow("259,199 bytes") << "259199" << true << "";
        QTest::newRow("259,201 bytes") << "259201" << true << "";
        QTest::newRow("10 MB") << "10MB" << true << "";
        QTest::newRow("directory") << "directory" << false << "通常のファイルではありません";
        QTest::newRow("Japanese name") << "japanese" << true << "";
        QTest::newRow("Japanese folder") << "japanesefolder" << true << "";
        QTest::newRow("deleted after the dialog") << "deleted" << false << "見つかりません";
#ifdef Q_OS_WIN
        QTest::newRow("held open by its logger") << "held" << true << "";
        // Windows finds the name too long; Wine, on a Linux disk, finds no such file.
        QTest::newRow("4,000 characters") << "long" << false << "ファイル名|見つかりません";
#else
        QTest::newRow("FIFO with no writer") << "fifo" << false << "通常のファイルではありません";
        QTest::newRow("/dev/zero") << "devzero" << false << "通常のファイルではありません";
        QTest::newRow("dangling symlink") << "dangling" << false << "見つかりません";
        QTest::newRow("symlink loop") << "loop" << false << "循環";
        QTest::newRow("name not UTF-8") << "notutf8" << false << "見つかりません";
        QTest::newRow("4,000 characters") << "long" << false << "長すぎます";
#endif
    }
    void badFiles() {
        QFETCH(QString, kind);
        QFETCH(bool, loads);
        QFETCH(QString, reason);
        QTemporaryDir here;
        QString path = here.filePath(QStringLiteral("250131.log"));
        const QByteArray day = LogBytes(dayB);
        if (kind == "empty") QVERIFY(WriteFile(path, {}));
        if (kind == "1") QVERIFY(WriteFile(path, day.left(1)));
        if (kind == "1000") QVERIFY(WriteFile(path, day.left(1000)));
        if (kind == "259199") QVERIFY(WriteFile(path, day.left(259199)));
        if (kind == "259201") QVERIFY(WriteFile(path, day + QByteArray(1, '\x55')));
        if (kind == "10MB") QVERIFY(WriteFile(path, day + QByteArray(10'000'000, '\x33')));
        if (kind == "directory") QVERIFY(QDir(here.path()).mkdir(QStringLiteral("250131.log")));
        if (kind == "japanese") {
            path = here.filePath(QStringLiteral("観測データ_250131.log"));
            QVERIFY(WriteFile(path, day));
        }
        if (kind == "japanesefolder") {
            QVERIFY(QDir(here.path()).mkdir(QStringLiteral("観測")));
            path = here.filePath(QStringLiteral("観測/250131.log"));
            QVERIFY(WriteFile(path, day));
        }
        if (kind == "long") path = here.path() + "/" + QString(4000 - here.path().size() - 1, QLatin1Char('a'));
#ifdef Q_OS_WIN
        // A logger writing today's file keeps it open; what it has written so far loads.
        std::optional<HeldForWriting> logger;
        if (kind == "held") {
            QVERIFY(WriteFile(path, day.left(100'001)));
            logger.emplace(path, HeldForWriting::LetReadersIn);
            QVERIFY(logger->isOpen());
        }
#else
        QByteArray rawToRemove;  // a name Qt cannot spell, so QTemporaryDir cannot remove it
        auto cleanup = qScopeGuard([&] {
            if (!rawToRemove.isEmpty()) ::unlink(rawToRemove.constData());
        });
        const QByteArray local = QFile::encodeName(path);
        if (kind == "fifo") QCOMPARE(::mkfifo(local.constData(), 0600), 0);
        if (kind == "devzero") path = QStringLiteral("/dev/zero");
        if (kind == "dangling") QCOMPARE(::symlink("nowhere.log", local.constData()), 0);
        if (kind == "loop") {
            QCOMPARE(::symlink("240101.log", local.constData()), 0);
            QCOMPARE(::symlink("250131.log", QFile::encodeName(here.filePath("240101.log")).constData()), 0);
        }
        if (kind == "notutf8") {
            const QByteArray raw = QFile::encodeName(here.path()) + "/\xff\xfe_250131.log";
            const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, day.constData(), day.size()), ssize_t(day.size()));
            ::close(fd);
            path = QFile::decodeName(raw);
            rawToRemove = raw;
        }
#endif
        if (kind == "deleted") QVERIFY(WriteFile(path, day));

        ScriptedBoxes boxes;
        DeletingChooser deleting;
        ScriptedChooser plain;
        OpenFileChooser* chooser = kind == "deleted" ? static_cast<OpenFileChooser*>(&deleting) : &plain;
        int ends = 0;
        Form1 form(Form1Services{&boxes, chooser, [&] { ++ends; }});
        form.load();
        // A good day first, so that a failure visibly keeps it.
        plain.choices.push_back(pathA);
        if (kind != "deleted") form.cmd1_Click();
        const SignalGrid before = form.signalGrid();
        const QString textBefore = form.Text1->text();

        plain.choices.push_back(path);
        deleting.choices.push_back(path);
        {
            Watchdog watchdog(qPrintable("loading " + kind));
            form.cmd1_Click();
        }
        QCOMPARE(ends, 0);
        const QImage chart = form.Picture1->surface().image().copy();
        if (loads) {
            QVERIFY2(boxes.errors.isEmpty(), qPrintable(boxes.errors.join('\n')));
            // A day still being written has no data after its last whole cell.
            const qint64 whole = std::min<qint64>(QFileInfo(path).size() / 2, SignalGrid::CellCount);
            const SignalGrid b = GridWith([whole](int bin, int slot) {
                return slot * SignalGrid::Bins + bin < whole ? dayB(bin, slot) : std::int16_t(-1);
            });
            QVERIFY(form.signalGrid() == b);
            QCOMPARE(form.Text1->text(), QDir::toNativeSeparators(path));
            QCOMPARE(chart, expectedChart(form, &b, path.toStdString()));
            // Every cell not yet written is black: nothing of day A is left.
            for (qint64 k = whole; k < SignalGrid::CellCount; ++k)
                QCOMPARE(chart.pixel(30 + int(k / SignalGrid::Bins), 230 - int(k % SignalGrid::Bins)),
                         qRgb(0, 0, 0));
        } else {
            QCOMPARE(boxes.errors.size(), 1);
            QVERIFY2(boxes.errors[0].contains(QRegularExpression(reason)), qPrintable(boxes.errors[0]));
            QVERIFY(boxes.errors[0].startsWith(QStringLiteral("ファイルを読み込めませんでした。")));
            QVERIFY(form.signalGrid() == before);
            QCOMPARE(form.Text1->text(), textBefore);
            QCOMPARE(chart, expectedChart(form, nullptr, {}));
        }
    }
};

QTEST_MAIN(LoadCommandTest)
#include "load_command_test.moc"
