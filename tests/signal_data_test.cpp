// The signal grid, the log reader and the colour ramp.

#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#include <future>
#include <optional>

#include "log_files.h"
#include "signal/signal_colour.h"
#include "signal/signal_grid.h"
#include "signal/signal_log_reader.h"
#include "signal/system_error.h"

using namespace dtchart;
using namespace dtchart::test;

Q_DECLARE_METATYPE(std::int16_t)

namespace {

// The error number ReadSignalLog raises for a path, or 0 when it reads.
int readError(const QString& path, SignalGrid& grid, QString* message = nullptr) {
    try {
        ReadSignalLog(path.toStdString(), grid);
        return 0;
    } catch (const SystemError& e) {
        if (message) *message = QString::fromStdString(e.what());
        return e.number();
    }
}

std::int16_t ramp(int bin, int slot) { return static_cast<std::int16_t>((bin * 7 + slot * 3) % 1024); }

}  // namespace

class SignalDataTest : public QObject {
    Q_OBJECT

private slots:
    void gridStartsAtZeroAndChecksSubscripts() {
        SignalGrid grid;
        for (auto v : grid.cells()) QCOMPARE(v, std::int16_t(0));
        QCOMPARE(grid.at(179, 719), std::int16_t(0));
        for (auto [bin, slot] : {std::pair{-1, 0}, {180, 0}, {0, -1}, {0, 720}, {180, 719}}) {
            try {
                grid.at(bin, slot);
                QFAIL("no error outside the grid");
            } catch (const SystemError& e) {
                QCOMPARE(e.number(), 9);
                QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("subscript out of range"));
            }
        }
    }

    void readerByteOrderAndOffsets() {
        QTemporaryDir dir;
        QByteArray bytes(static_cast<qsizetype>(SignalLogBytes), '\0');
        auto put = [&](qsizetype at, unsigned char lo, unsigned char hi) {
            bytes[at] = static_cast<char>(lo);
            bytes[at + 1] = static_cast<char>(hi);
        };
        put(0, 0xFF, 0xFF);                  // (0, 0) = -1
        put(2, 0xFF, 0x03);                  // (1, 0) = 1023
        put(4, 0x00, 0x04);                  // (2, 0) = 1024
        put(6, 0x00, 0x80);                  // (3, 0) = -32768
        put(8, 0xFF, 0x7F);                  // (4, 0) = 32767
        put(360, 0x34, 0x12);                // (0, 1)
        put(bytes.size() - 2, 0x01, 0x02);   // (179, 719)
        const QString path = dir.filePath(QStringLiteral("250131.log"));
        QVERIFY(WriteFile(path, bytes));

        SignalGrid grid;
        QCOMPARE(readError(path, grid), 0);
        QCOMPARE(grid.at(0, 0), std::int16_t(-1));
        QCOMPARE(grid.at(1, 0), std::int16_t(1023));
        QCOMPARE(grid.at(2, 0), std::int16_t(1024));
        QCOMPARE(grid.at(3, 0), std::int16_t(-32768));
        QCOMPARE(grid.at(4, 0), std::int16_t(32767));
        QCOMPARE(grid.at(0, 1), std::int16_t(0x1234));
        QCOMPARE(grid.at(179, 719), std::int16_t(0x0201));
        QCOMPARE(grid.at(5, 0), std::int16_t(0));
    }

    void secondReadReplacesEveryCell() {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("250101.log"));
        const QString second = dir.filePath(QStringLiteral("250102.log"));
        QVERIFY(WriteFile(first, LogBytes(ramp)));
        QVERIFY(WriteFile(second, LogBytes([](int, int) { return std::int16_t(-7); })));
        SignalGrid grid;
        QCOMPARE(readError(first, grid), 0);
        QCOMPARE(grid.at(10, 20), ramp(10, 20));
        QCOMPARE(readError(second, grid), 0);
        for (auto v : grid.cells()) QCOMPARE(v, std::int16_t(-7));
    }

    // A day still being written gives its whole cells and no data after them; a longer file
    // gives its first 259,200 bytes. Nothing of the previous file survives either way.
    void readsTheWholeCellsTheFileHolds_data() {
        QTest::addColumn<int>("size");
        for (int size : {2, 3, 360, 1000, 259199, 259200, 259201})
            QTest::addRow("%d bytes", size) << size;
    }
    void readsTheWholeCellsTheFileHolds() {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString previous = dir.filePath(QStringLiteral("250130.log"));
        const QString path = dir.filePath(QStringLiteral("250131.log"));
        QVERIFY(WriteFile(previous, LogBytes([](int, int) { return std::int16_t(777); })));
        const QByteArray day = LogBytes(ramp) + QByteArray(1000, '\x7F');
        QVERIFY(WriteFile(path, day.left(size)));
        SignalGrid grid;
        QCOMPARE(readError(previous, grid), 0);
        QCOMPARE(readError(path, grid), 0);
        const int whole = std::min(size / 2, SignalGrid::CellCount);
        for (int k = 0; k < SignalGrid::CellCount; ++k) {
            const int bin = k % SignalGrid::Bins, slot = k / SignalGrid::Bins;
            const std::int16_t expected = k < whole ? ramp(bin, slot) : std::int16_t(-1);
            if (grid.at(bin, slot) != expected)
                QFAIL(qPrintable(QStringLiteral("cell %1: %2, not %3").arg(k).arg(grid.at(bin, slot)).arg(expected)));
        }
    }

    void failuresLeaveTheGridIntact_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << 53 << "見つかりません";
        QTest::newRow("empty") << "empty" << 62 << "ファイルが空です（観測データがありません）。";
        QTest::newRow("1 byte") << "one" << 62 << "観測データがありません（1 バイトしかありません）";
        QTest::newRow("directory") << "directory" << 75 << "通常のファイルではありません";
        QTest::newRow("not a folder") << "notdir" << 53 << "見つかりません";
        QTest::newRow("missing folder") << "nofolder" << 53 << "見つかりません";
        QTest::newRow("empty path") << "emptypath" << 53 << "見つかりません";
#ifdef Q_OS_WIN
        // Reserved names open devices, not files.
        QTest::newRow("NUL") << "NUL" << 75 << "通常のファイルではありません";
        QTest::newRow("CON") << "CON" << 75 << "通常のファイルではありません";
        QTest::newRow("held with no sharing") << "locked" << 70 << "他のプログラムが使用中";
        QTest::newRow("name not UTF-8") << "badutf8" << 64 << "ファイル名が正しくありません";
#else
        QTest::newRow("fifo") << "fifo" << 75 << "通常のファイルではありません";
        QTest::newRow("device") << "device" << 75 << "通常のファイルではありません";
        QTest::newRow("unreadable") << "unreadable" << 70 << "権限がありません";
#endif
    }
    void failuresLeaveTheGridIntact() {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("250131.log"));
        if (kind == "empty") QVERIFY(WriteFile(path, {}));
        if (kind == "one") QVERIFY(WriteFile(path, LogBytes(ramp).left(1)));
        if (kind == "directory") QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("250131.log")));
        if (kind == "notdir") {
            QVERIFY(WriteFile(path, LogBytes(ramp)));
            path += QStringLiteral("/250131.log");
        }
        if (kind == "nofolder") path = dir.filePath(QStringLiteral("観測/250131.log"));
        if (kind == "emptypath") path.clear();
        std::string rawPath = path.toStdString();
#ifdef Q_OS_WIN
        if (kind == "NUL" || kind == "CON") rawPath = kind.toStdString();
        std::optional<HeldForWriting> writer;
        if (kind == "locked") {
            QVERIFY(WriteFile(path, LogBytes(ramp)));
            writer.emplace(path, HeldForWriting::DenyReaders);
            QVERIFY(writer->isOpen());
        }
        if (kind == "badutf8") rawPath = dir.path().toStdString() + "/\xff\xfe_250131.log";
#else
        if (kind == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == "device") rawPath = "/dev/zero";
        if (kind == "unreadable") {
            if (::geteuid() == 0) QSKIP("root reads every file");
            QVERIFY(WriteFile(path, LogBytes(ramp)));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
#endif

        SignalGrid grid;
        QTemporaryDir good;
        QVERIFY(WriteFile(good.filePath(QStringLiteral("x.log")), LogBytes(ramp)));
        QCOMPARE(readError(good.filePath(QStringLiteral("x.log")), grid), 0);
        const SignalGrid before = grid;

        // A reader that blocked on the FIFO would hang the window: bound it.
        auto result = std::async(std::launch::async, [&] {
            QString message;
            SignalGrid copy = grid;
            int n = 0;
            try {
                ReadSignalLog(rawPath, copy);
            } catch (const SystemError& e) {
                message = QString::fromStdString(e.what());
                n = e.number();
            }
            return std::tuple{n, message, copy == before};
        });
        if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
#ifndef Q_OS_WIN
            // Unblock the reader so the test can end, then fail.
            if (kind == "fifo") ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
#endif
            QFAIL("the read blocked");
        }
        const auto [n, message, intact] = result.get();
        QCOMPARE(n, number);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(intact);
    }

    void colourTable_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        const int rows[][4] = {{-1, 0, 0, 0},      {0, 0, 0, 255},     {128, 0, 128, 255},
                               {254, 0, 254, 255}, {255, 0, 255, 255}, {256, 0, 255, 255},
                               {257, 0, 255, 254}, {384, 0, 255, 127}, {511, 0, 255, 0},
                               {512, 1, 255, 0},   {640, 129, 255, 0}, {766, 255, 255, 0},
                               {767, 255, 255, 0}, {768, 255, 255, 0}, {769, 255, 254, 0},
                               {896, 255, 127, 0}, {1023, 255, 0, 0},  {8, 0, 8, 255},
                               {248, 0, 248, 255}, {504, 0, 255, 7},   {1016, 255, 7, 0}};
        for (const auto& row : rows)
            QTest::addRow("%d", row[0]) << row[0] << row[1] << row[2] << row[3];
    }
    void colourTable() {
        QFETCH(int, level);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        const auto colour = SignalColour(static_cast<std::int16_t>(level));
        QVERIFY(colour.has_value());
        QCOMPARE(*colour, RGB(r, g, b));
        QCOMPARE(RedOf(*colour), r);
        QCOMPARE(BlueOf(*colour), b);
    }

    void everyLevelFromMinusOneTo1023HasAColourAndNoOtherDoes() {
        for (int v = -32768; v <= 32767; ++v) {
            const auto colour = SignalColour(static_cast<std::int16_t>(v));
            QCOMPARE(colour.has_value(), v >= -1 && v <= 1023);
            if (colour && v >= 0) {
                // Components add up along the ramp as they should: never all dark.
                QVERIFY(RedOf(*colour) + GreenOf(*colour) + BlueOf(*colour) >= 255);
            }
        }
        QVERIFY(!SignalColour(-2));
        QVERIFY(!SignalColour(1024));
    }
};

QTEST_GUILESS_MAIN(SignalDataTest)
#include "signal_data_test.moc"
