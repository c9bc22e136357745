// One window loading a thousand files in a row, alternating two days and a failing path, with
// the time scroll bar moved after each: memory stays flat and every picture of a day is the
// same to the bit.

#include <QCryptographicHash>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef RGB  // the Windows macro would hide dtchart::RGB
#include <psapi.h>
#else
#include <unistd.h>

#include <fstream>
#endif

#include "form_doubles.h"
#include "log_files.h"

using namespace dtchart;
using namespace dtchart::test;

// AddressSanitizer holds freed memory in quarantine, so there resident size tells nothing about
// leaks; its leak checker covers them instead.
#if defined(__SANITIZE_ADDRESS__)
#define DTCHART_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DTCHART_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef DTCHART_ADDRESS_SANITIZER
#define DTCHART_ADDRESS_SANITIZER 0
#endif

namespace {

long residentKiB() {
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.WorkingSetSize / 1024);
#else
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
#endif
}

QByteArray hashOf(const QImage& image) {
    return QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()),
        QCryptographicHash::Sha256);
}

}  // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void thousandLoads() {
        QTemporaryDir dir;
        const QString dayA = dir.filePath(QStringLiteral("250131.log"));
        const QString dayB = dir.filePath(QStringLiteral("250201.log"));
        const QString missing = dir.filePath(QStringLiteral("250202.log"));
        QVERIFY(WriteFile(dayA, LogBytes([](int j, int i) { return std::int16_t((j * 5 + i) % 1024); })));
        QVERIFY(WriteFile(dayB, LogBytes([](int j, int i) { return std::int16_t(i % 50 ? (j * i) % 1024 : -1); })));

        TestForm t;
        const QString paths[] = {dayA, dayB, missing};
        QByteArray chartHash[3], plotHash[3];
        long baseline = 0;
        int failures = 0;
        for (int n = 0; n < 1000; ++n) {
            const int which = n % 3;
            t.loadFile(paths[which]);
            // The doubles' own records would grow; count and drop them.
            failures += static_cast<int>(t.boxes.errors.size());
            t.boxes.errors.clear();
            t.boxes.questions.clear();
            t.chooser.requests.clear();
            // Two steps so that the plot is redrawn even when the value would not change.
            t.form->HScroll1->setValue(100 + which);
            t.form->HScroll1->setValue(200 + which);
            QCoreApplication::processEvents();
            const QByteArray chart = hashOf(t.form->Picture1->surface().image());
            const QByteArray plot = hashOf(t.form->Picture2->surface().image());
            if (n < 3) {
                chartHash[which] = chart;
                plotHash[which] = plot;
            } else {
                QVERIFY2(chart == chartHash[which], qPrintable(QStringLiteral("chart of load %1").arg(n)));
                QVERIFY2(plot == plotHash[which], qPrintable(QStringLiteral("plot of load %1").arg(n)));
            }
            if (n == 9) baseline = residentKiB();
        }
        QCOMPARE(failures, 333);  // every third load is the failing path
        QVERIFY(chartHash[0] != chartHash[1]);
#if !DTCHART_ADDRESS_SANITIZER
        const long growth = residentKiB() - baseline;
        qInfo("resident memory grew by %ld KiB after the first ten loads", growth);
        QVERIFY2(growth < 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth)));
#else
        Q_UNUSED(baseline);
#endif
    }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
