#include "numtext.h"

#include <QTest>

#include <cmath>
#include <limits>

using numtext::GeographicResult;

Q_DECLARE_METATYPE(GeographicResult)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Bit-exact: a reading one ulp off, or a negative zero, is a fault here.
bool Same(double a, double b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

QByteArray Shown(double x) {
    return QByteArray::number(x, 'g', 17);
}

std::string Std(const QString& s) {
    return s.toStdString();
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Components as the inverse conversion stores them (whole degrees, decimal
// minutes, seconds recomputed from the minutes, no carry).
void Split(double x, double& deg, double& min, double& sec) {
    const double a = std::fabs(x);
    deg = std::floor(a);
    min = (a - deg) * 60;
    sec = ((a - deg) * 60 - std::trunc(min)) * 60;
}

GeographicResult From_Degrees(double lat, double lon) {
    GeographicResult r;
    Split(lat, r.lat_deg, r.lat_min, r.lat_sec);
    Split(lon, r.long_deg, r.long_min, r.long_sec);
    r.lat_hemis = lat < 0 ? "S" : "N";
    r.long_hemis = lon < 0 ? "W" : "E";
    return r;
}

} // namespace

class TestNumText : public QObject {
    Q_OBJECT

  private slots:
    // The lenient reading, the strict test, and the strict conversion, which
    // is the reading where the test passes and the value is finite.
    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("read");
        QTest::addColumn<bool>("isNumber");
        auto row = [](const char* name, const QString& text, double read, bool isNumber) {
            QTest::newRow(name) << text << read << isNumber;
        };
        // clang-format off
        row("decimal", "12.5", 12.5, true);
        row("comma stops reading", "12,5", 12, false);
        row("blank between digits ignored", "1 2", 12, false);
        row("letter only", "N", 0, false);
        row("negative", "-3", -3, true);
        row("blank after sign ignored", "- 3", -3, false);
        row("plus sign", "+7", 7, true);
        row("blanks around", " 523456.7 ", 523456.7, true);
        row("empty", "", 0, false);
        row("blanks only", "   ", 0, false);
        row("tab and line feed ignored", "\t4\n2", 42, false);
        row("tab is not trimmed by the strict test", "\t5", 5, false);
        row("carriage return stops reading", "1\r2", 1, false);
        row("blanks everywhere", " - 1 2 . 5 e 1 ", -125, false);
        row("trailing letters", "12a", 12, false);
        row("second point stops", "1.2.3", 1.2, false);
        row("exponent E", "1.5E3", 1500, true);
        row("exponent E with plus", "1E+5", 100000, true);
        row("exponent e negative", "25e-1", 2.5, true);
        row("exponent D", "2D2", 200, true);
        row("exponent d negative", "2d-2", 0.02, true);
        row("exponent letter without digits", "1e", 1, false);
        row("exponent sign without digits", "1e+", 1, false);
        row("fractional exponent", "1e5.0", 100000, false);
        row("exponent without mantissa", "e5", 0, false);
        row("point alone", ".", 0, false);
        row("sign alone", "-", 0, false);
        row("two signs", "+-5", 0, false);
        row("point first", ".5", 0.5, true);
        row("negative point first", "-.5", -0.5, true);
        row("point last", "5.", 5, true);
        row("negative zero reads as plain zero", "-0", 0, true);
        row("zero with huge exponent", "0e99999", 0, true);
        row("overflow is still a number", "1e999", kInf, true);
        row("negative overflow", "-1e999", -kInf, true);
        row("exponent beyond any integer", "1e99999999999999999999", kInf, true);
        row("underflow to zero", "1e-999", 0, true);
        row("negative underflow to plain zero", "-1e-999", 0, true);
        row("largest double", "1.7976931348623157e308", std::numeric_limits<double>::max(), true);
        row("smallest subnormal", "4.9e-324", std::numeric_limits<double>::denorm_min(), true);
        row("nearest double to 0.1", "0.1", 0.1, true);
        row("many digits exactly rounded", "123456789012345678901234567890",
            123456789012345678901234567890.0, true);
        row("halfway rounds to even", "9007199254740993", 9007199254740992.0, true);
        row("long mantissa, exponent cancels", "1" + QString(400, '0') + "e-300", 1e100, true);
        row("leading zeros cancel exponent", "0." + QString(399, '0') + "1e400", 1, true);
        // clang-format on
    }
    void reading() {
        QFETCH(QString, text);
        QFETCH(double, read);
        QFETCH(bool, isNumber);
        const double actual = numtext::Read_Number(Std(text));
        QVERIFY2(Same(actual, read), Shown(actual) + " != " + Shown(read));
        QCOMPARE(numtext::Is_Number(Std(text)), isNumber);
        const auto strict = numtext::To_Number(Std(text));
        QCOMPARE(strict.has_value(), isNumber && std::isfinite(read));
        if (strict)
            QVERIFY2(Same(*strict, read), Shown(*strict));
    }

    void toWholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("expected");
        // clang-format off
        QTest::newRow("whole") << "177" << true << 177;
        QTest::newRow("half down to even") << "2.5" << true << 2;
        QTest::newRow("half up to even") << "3.5" << true << 4;
        QTest::newRow("negative half to even") << "-2.5" << true << -2;
        QTest::newRow("negative half away to even") << "-3.5" << true << -4;
        QTest::newRow("zero and a half") << "0.5" << true << 0;
        QTest::newRow("just above half") << "2.5000001" << true << 3;
        QTest::newRow("largest") << "32767.4" << true << 32767;
        QTest::newRow("rounds past largest") << "32767.5" << false << 0;
        QTest::newRow("smallest") << "-32768" << true << -32768;
        QTest::newRow("half below smallest rounds to even inside") << "-32768.5" << true << -32768;
        QTest::newRow("below smallest") << "-32768.6" << false << 0;
        QTest::newRow("overflow") << "1e999" << false << 0;
        QTest::newRow("hemisphere letter") << "3 E" << false << 0;
        // clang-format on
    }
    void toWholeNumber() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, expected);
        const auto actual = numtext::To_Whole_Number(Std(text));
        QCOMPARE(actual.has_value(), valid);
        if (valid)
            QCOMPARE(int(*actual), expected);
    }

    // Blank-signed text empty: not checked.
    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("blankSigned");
        auto row = [](const char* name, double value, const QString& plain, const char* blank) {
            QTest::newRow(name) << value << plain << QString(blank);
        };
        // clang-format off
        row("one decimal", 30.5, "30.5", " 30.5");
        row("whole", 30.0, "30", " 30");
        row("positive whole", 51, "51", " 51");
        row("thirds at 15 digits", 30 + 20.0 / 60, "30.3333333333333", " 30.3333333333333");
        row("folded minutes", 30 + 36.0 / 60, "30.6", "");
        row("leading zero", 0.5, "0.5", " 0.5");
        row("negative fraction", -0.5, "-0.5", "-0.5");
        row("zero", 0.0, "0", " 0");
        row("negative zero", -0.0, "0", " 0");
        row("binary noise hidden", 0.1 + 0.2, "0.3", "");
        row("large without exponent", 1e20, "100000000000000000000", " 100000000000000000000");
        row("large rounded to 15 digits", 123456789012345678.0, "123456789012346000", "");
        row("rounding carries a digit", 999999999999999.9, "1000000000000000", "");
        row("small without exponent", 1e-7, "0.0000001", "");
        row("small rounded to 15 digits", 0.000123456789012345678, "0.000123456789012346", "");
        row("smallest subnormal", std::numeric_limits<double>::denorm_min(),
            "0." + QString(323, '0') + "494065645841247", "");
        row("infinity", kInf, "inf", "");
        row("not a number", kNaN, "nan", "");
        // clang-format on
    }
    void numberText() {
        QFETCH(double, value);
        QFETCH(QString, plain);
        QFETCH(QString, blankSigned);
        QCOMPARE(Q(numtext::Plain_Text(value)), plain);
        if (!blankSigned.isEmpty())
            QCOMPARE(Q(numtext::Blank_Signed_Text(value)), blankSigned);
    }

    void formatMask_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, double value, const char* mask, const char* expected) {
            QTest::newRow(name) << value << QString(mask) << QString(expected);
        };
        // clang-format off
        // The samples of the display-mask table.
        row("easting", 523456.78951, "#####0.000", "523456.790");
        row("easting below one", 0.5, "#####0.000", "0.500");
        row("northing", 5234567.8, "######0.000", "5234567.800");
        row("seconds", 5.5, "#0.000", "5.500");
        row("seconds rounded", 38.0123, "#0.000", "38.012");
        row("seconds round to sixty", 59.9996, "#0.000", "60.000");
        row("degrees one digit", 3, "00#", "003");
        row("degrees two digits", 45, "00#", "045");
        row("degrees three digits", 123, "00#", "123");
        row("minutes", 28.633536, "##.#####", "28.63354");
        row("minutes one decimal", 5.5, "##.#####", "5.5");
        row("minutes below one", 0.25, "##.#####", ".25");
        row("minutes whole", 30, "##.#####", "30.");
        row("minutes zero", 0, "##.#####", ".");
        row("distance", 12.3456, "#.00", "12.35");
        row("distance below one", 0.5, "#.00", ".50");
        row("intersection", 7.1, "##.000", "7.100");
        row("intersection below one", 0.25, "##.000", ".250");
        // Padding and placeholders beyond the samples.
        row("degrees zero", 0, "00#", "000");
        row("degrees four digits", 1234, "00#", "1234");
        row("degrees half away from zero", 2.5, "00#", "003");
        row("large written in full", 1e20, "#####0.000", "100000000000000000000.000");
        row("minutes round to sixty", 59.999996, "##.#####", "60.");
        row("forced then optional decimal", 0.5, "#.0#", ".5");
        row("optional decimal shown", 0.55, "#.0#", ".55");
        row("no point, rounds half up", 2.5, "0", "3");
        row("no point, zero under hash", 0.4, "#", "");
        row("empty mask is plain text", 2.5, "", "2.5");
        row("infinity", kInf, "#0.000", "inf");
        // Rounding is done on the 15-digit decimal text, not on the binary value.
        row("2.675 rounds up", 2.675, "#.00", "2.68");
        row("-2.675 rounds away from zero", -2.675, "#.00", "-2.68");
        row("0.285 rounds up", 0.285, "#.00", ".29");
        row("carry into integer part", 9.995, "#.00", "10.00");
        row("just below half", 9.994999, "#.00", "9.99");
        row("half a thousandth up", 0.0005, "#0.000", "0.001");
        row("negative half a thousandth", -0.0005, "#0.000", "-0.001");
        row("negative rounds to zero, no minus", -0.0004999, "#0.000", "0.000");
        row("negative to zero under hash", -0.0004, "##.000", ".000");
        row("negative minutes to zero", -0.000004, "##.#####", ".");
        row("negative zero", -0.0, "#0.000", "0.000");
        // clang-format on
    }
    void formatMask() {
        QFETCH(double, value);
        QFETCH(QString, mask);
        QFETCH(QString, expected);
        QCOMPARE(Q(numtext::Format_Mask(value, Std(mask))), expected);
    }

    // Minutes layout latitude and longitude, then seconds layout.
    void layouts_data() {
        QTest::addColumn<GeographicResult>("result");
        QTest::addColumn<QStringList>("texts");
        // clang-format off
        QTest::newRow("north-west example") << From_Degrees(51.4772256, -3.2015278)
            << QStringList{" 51 Deg 28.63354 Min N", "003 Deg 12.09167 Min W",
                           " 51 Deg  28 Min 38.012 Sec N", "003 Deg  12 Min 5.500 Sec W"};
        QTest::newRow("before any conversion") << GeographicResult{}
            << QStringList{" 0 Deg . Min ", "000 Deg . Min ",
                           " 0 Deg  0 Min 0.000 Sec ", "000 Deg  0 Min 0.000 Sec "};
        QTest::newRow("zero is north and east") << From_Degrees(0, 0)
            << QStringList{" 0 Deg . Min N", "000 Deg . Min E",
                           " 0 Deg  0 Min 0.000 Sec N", "000 Deg  0 Min 0.000 Sec E"};
        QTest::newRow("half a degree south") << From_Degrees(-0.5, 177.25)
            << QStringList{" 0 Deg 30. Min S", "177 Deg 15. Min E",
                           " 0 Deg  30 Min 0.000 Sec S", "177 Deg  15 Min 0.000 Sec E"};
        // Regression rows: 60 minutes and 60.000 seconds were shown, texts
        // the program's own fields refuse; they carry now.
        QTest::newRow("minutes round to sixty") << From_Degrees(51.99999999, 45)
            << QStringList{" 52 Deg . Min N", "045 Deg . Min E",
                           " 52 Deg  0 Min 0.000 Sec N", "045 Deg  0 Min 0.000 Sec E"};
        QTest::newRow("inverse example, carried") << From_Degrees(51.99999999994654, -1)
            << QStringList{" 52 Deg . Min N", "001 Deg . Min W",
                           " 52 Deg  0 Min 0.000 Sec N", "001 Deg  0 Min 0.000 Sec W"};
        QTest::newRow("components rounding up")
            << GeographicResult{10, 59.999996, 59.9996, "N", 100, 0.25, 15, "E"}
            << QStringList{" 11 Deg . Min N", "100 Deg .25 Min E",
                           " 11 Deg  0 Min 0.000 Sec N", "100 Deg  0 Min 15.000 Sec E"};
        QTest::newRow("seconds carry into minutes only")
            << GeographicResult{10, 29.99999999, 59.9996, "S", 3, 59.999999, 59.99995, "W"}
            << QStringList{" 10 Deg 30. Min S", "004 Deg . Min W",
                           " 10 Deg  30 Min 0.000 Sec S", "004 Deg  0 Min 0.000 Sec W"};
        // Regression row: the largest longitude's 15-digit text reads back as
        // infinity; its padded degrees still show the digits, never "inf".
        const QString largest = QStringLiteral("179769313486232") + QString(294, QLatin1Char('0'));
        QTest::newRow("largest double longitude")
            << GeographicResult{0, 0, 0, "N", std::numeric_limits<double>::max(), 0, 0, "E"}
            << QStringList{" 0 Deg . Min N", largest + " Deg . Min E",
                           " 0 Deg  0 Min 0.000 Sec N", largest + " Deg  0 Min 0.000 Sec E"};
        // clang-format on
    }
    void layouts() {
        QFETCH(GeographicResult, result);
        const auto m = numtext::Layout_Minutes(result);
        const auto s = numtext::Layout_Seconds(result);
        QTEST((QStringList{Q(m.lat), Q(m.lon), Q(s.lat), Q(s.lon)}), "texts");
    }
};

QTEST_APPLESS_MAIN(TestNumText)
#include "tst_numtext.moc"
