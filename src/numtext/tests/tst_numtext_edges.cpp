// Readings and texts at the edges of the short paths (exact integer digits,
// power-of-ten products, stack buffers), where a slip would change a digit
// only for a few values. Expected values are those of the general path.
#include "numtext.h"

#include <QTest>

#include <cmath>
#include <string>

class TestNumTextEdges : public QObject {
    Q_OBJECT

  private slots:
    void readNumber_data();
    void readNumber();
    void texts_data();
    void texts();
};

void TestNumTextEdges::readNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    auto row = [](const char* name, const char* text, double expected) {
        QTest::newRow(name) << QString(text) << expected;
    };
    // clang-format off
    row("mantissa 2^53, exact product", "9007199254740992", 9007199254740992.0);
    row("mantissa 2^53 + 1 rounds to even", "9007199254740993", 9007199254740992.0);
    row("power 22 is still exact", "1e22", 1e22);
    row("power 23 is not exact", "3e23", 3e23); // not 3 * 1e23
    row("quotient by 10^22", "1.5e-22", 1.5e-22);
    row("same value, other spelling", "15e-23", 1.5e-22);
    row("19 significant digits", "1234567890123456789", 1234567890123456789.0);
    row("20 significant digits", "12345678901234567890", 12345678901234567890.0);
    row("19 digits after the point", "0.1234567890123456789", 0.1234567890123456789);
    row("leading zeros are not significant", "0.0000000000000000000000001", 1e-25);
    row("long mantissa, small power", "123456789012345678e-40", 123456789012345678e-40);
    row("blanks between everything", "1 2 3 . 4 5 e 1", 1234.5);
    row("blanks around sign and exponent", " - 2 d + 2 ", -200.0);
    row("exponent letter D", "4.35D-3", 4.35e-3);
    row("exponent letter without digits", "7.e", 7.0);
    row("negative zero reads as zero", "-0.000", 0.0);
    // clang-format on
}

void TestNumTextEdges::readNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double got = numtext::Read_Number(text.toStdString());
    QVERIFY2(got == expected && std::signbit(got) == std::signbit(expected), qPrintable(QString::number(got, 'g', 17)));
}

void TestNumTextEdges::texts_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("easting");  // "#####0.000"
    QTest::addColumn<QString>("minutes");  // "##.#####"
    auto row = [](const char* name, double value, const char* plain, const char* easting,
                  const char* minutes) {
        QTest::newRow(name) << value << QString(plain) << QString(easting) << QString(minutes);
    };
    // clang-format off
    // Exact binary halves at the 16th digit go to the even neighbour.
    row("half at 16th digit, even stays", 123456789012344.5, "123456789012344", "123456789012344.000", "123456789012344.");
    row("half at 16th digit, odd goes up", 123456789012345.5, "123456789012346", "123456789012346.000", "123456789012346.");
    row("quarter below a half", 12345678901234.25, "12345678901234.2", "12345678901234.200", "12345678901234.2");
    // Carry out of the 15 digits into a new power of ten.
    row("carry to 10^15", 999999999999999.5, "1000000000000000", "1000000000000000.000", "1000000000000000.");
    row("no carry below the half", 999999999999999.375, "999999999999999", "999999999999999.000", "999999999999999.");
    row("10^15 itself", 1e15, "1000000000000000", "1000000000000000.000", "1000000000000000.");
    row("just below one", 0.99999999999999989, "1", "1.000", "1.");
    row("one", 1.0, "1", "1.000", "1.");
    row("one ulp above one", 1.0000000000000002, "1", "1.000", "1.");
    // The 15-digit view decides the mask's rounding.
    row("binary just below a half at the mask", 468643.1085, "468643.1085", "468643.109", "468643.1085");
    row("rounds up into the integer part", 99999.99999, "99999.99999", "100000.000", "99999.99999");
    row("negative zero", -0.0, "0", "0.000", ".");
    row("negative value rounding to zero", -0.0004, "-0.0004", "0.000", "-.0004");
    // Either side of the largest power of ten the short buffers take.
    row("order 40", 1.5e40, "15000000000000000000000000000000000000000",
        "15000000000000000000000000000000000000000.000", "15000000000000000000000000000000000000000.");
    row("order 41", 1.5e41, "150000000000000000000000000000000000000000",
        "150000000000000000000000000000000000000000.000", "150000000000000000000000000000000000000000.");
    row("order -40", -1.5e-40, "-0.00000000000000000000000000000000000000015", "0.000", ".");
    row("order -41", 1.5e-41, "0.000000000000000000000000000000000000000015", "0.000", ".");
    // clang-format on
}

void TestNumTextEdges::texts() {
    QFETCH(double, value);
    QFETCH(QString, plain);
    QFETCH(QString, easting);
    QFETCH(QString, minutes);
    QCOMPARE(QString::fromStdString(numtext::Plain_Text(value)), plain);
    QCOMPARE(QString::fromStdString(numtext::Format_Mask(value, "#####0.000")), easting);
    QCOMPARE(QString::fromStdString(numtext::Format_Mask(value, "##.#####")), minutes);
    // A mask longer than the short buffer takes.
    const std::string longMask = std::string(38, '0') + ".00";
    QCOMPARE(QString::fromStdString(numtext::Format_Mask(2.5, longMask)),
             QString::fromStdString(std::string(37, '0') + "2.50"));
}

QTEST_APPLESS_MAIN(TestNumTextEdges)
#include "tst_numtext_edges.moc"
