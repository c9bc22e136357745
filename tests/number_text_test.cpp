// Numbers as text: significant digits, fixed-point and scientific forms.

#include <QtTest>

#include <cmath>

#include "chart/number_text.h"

using namespace dtchart;

class NumberTextTest : public QObject {
    Q_OBJECT

private slots:
    void single_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("factor") << static_cast<float>(std::atan(1.0) * 4 / 180) << "1.745329E-02";
        QTest::newRow("zero") << 0.0f << "0";
        QTest::newRow("negative zero") << -0.0f << "0";
        QTest::newRow("one") << 1.0f << "1";
        QTest::newRow("integer") << 50.0f << "50";
        QTest::newRow("negative") << -2.5f << "-2.5";
        QTest::newRow("7 digits integer") << 1234567.0f << "1234567";
        QTest::newRow("8 digits integer") << 12345678.0f << "1.234568E+07";
        QTest::newRow("1e7") << 1e7f << "1E+07";
        QTest::newRow("below one") << 0.5f << "0.5";
        QTest::newRow("0.01 fits") << 0.01f << "0.01";
        QTest::newRow("zeros plus digits fit") << 0.0123456f << "0.0123456";
        QTest::newRow("one zero too many") << 0.01234567f << "1.234567E-02";
        QTest::newRow("tiny") << 1e-10f << "1E-10";
        QTest::newRow("huge") << 3.0e38f << "3E+38";
        QTest::newRow("rounds up") << 9.9999999f << "10";
        QTest::newRow("third") << 1.0f / 3 << "0.3333333";
    }
    void single() {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FormatSingle(value)), text);
    }

    void doubles_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("cosine") << std::cos(static_cast<double>(static_cast<float>(std::atan(1.0) * 4 / 180)) * 20)
                                << "0.939692621710728";
        QTest::newRow("exact cosine") << std::cos(20 * M_PI / 180) << "0.939692620785908";
        QTest::newRow("hour label") << 750 / 30.0 - 1 << "24";
        QTest::newRow("zero label") << 30 / 30.0 - 1 << "0";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("16 digits") << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("negative small") << -0.000123 << "-0.000123";
        QTest::newRow("three-digit exponent") << 1.5e-300 << "1.5E-300";
        QTest::newRow("large exponent") << 2e100 << "2E+100";
    }
    void doubles() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FormatDouble(value)), text);
    }
};

QTEST_GUILESS_MAIN(NumberTextTest)
#include "number_text_test.moc"
