#include "numtext.h"

#include <QTest>

#include <cmath>
#include <limits>

using numtext::GeographicResult;

Q_DECLARE_METATYPE(GeographicResult)

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Bit-exact: a reading one ulp off, or a negative zero, is a fault here.
bool Same(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return a == b && std::signbit(a) == std::signbit(b);
}

QByteArray Shown(double x) {
    return QByteArray::number(x, 'g', 17);
}

std::string Std(const QString& s) {
    return s.toStdString();
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
    void readNumber_data();
    void readNumber();
    void isNumber_data();
    void isNumber();
    void toNumber_data();
    void toNumber();
    void toWholeNumber_data();
    void toWholeNumber();
    void plainText_data();
    void plainText();
    void blankSignedText_data();
    void blankSignedText();
    void formatMask_data();
    void formatMask();
    void layouts_data();
    void layouts();
};

void TestNumText::readNumber_data() {
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("decimal") << "12.5" << 12.5;
    QTest::newRow("comma stops reading") << "12,5" << 12.0;
    QTest::newRow("blank between digits ignored") << "1 2" << 12.0;
    QTest::newRow("letter only") << "N" << 0.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("blank after sign ignored") << "- 3" << -3.0;
    QTest::newRow("plus sign") << "+7" << 7.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("tab and line feed ignored") << "\t4\n2" << 42.0;
    QTest::newRow("carriage return stops reading") << "1\r2" << 1.0;
    QTest::newRow("blanks everywhere") << " - 1 2 . 5 e 1 " << -125.0;
    QTest::newRow("trailing letters") << "12a" << 12.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("exponent E") << "1.5E3" << 1500.0;
    QTest::newRow("exponent e negative") << "25e-1" << 2.5;
    QTest::newRow("exponent D") << "2D2" << 200.0;
    QTest::newRow("exponent d negative") << "2d-2" << 0.02;
    QTest::newRow("exponent letter without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
    QTest::newRow("exponent then letter") << "3e-x" << 3.0;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("two signs") << "+-5" << 0.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("negative point first") << "-.5" << -0.5;
    QTest::newRow("point last") << "5." << 5.0;
    QTest::newRow("exponent without mantissa") << "e5" << 0.0;
    QTest::newRow("hex prefix not read") << "&H10" << 0.0;
    QTest::newRow("negative zero reads as plain zero") << "-0" << 0.0;
    QTest::newRow("zero with huge exponent") << "0e99999" << 0.0;
    QTest::newRow("overflow") << "1e999" << kInf;
    QTest::newRow("negative overflow") << "-1e999" << -kInf;
    QTest::newRow("exponent beyond any integer") << "1e99999999999999999999" << kInf;
    QTest::newRow("underflow to zero") << "-1e-999" << 0.0;
    QTest::newRow("largest double") << "1.7976931348623157e308"
        << std::numeric_limits<double>::max();
    QTest::newRow("smallest subnormal") << "4.9e-324" << std::numeric_limits<double>::denorm_min();
    QTest::newRow("nearest double to 0.1") << "0.1" << 0.1;
    QTest::newRow("many digits exactly rounded") << "123456789012345678901234567890"
        << 123456789012345678901234567890.0;
    QTest::newRow("halfway rounds to even") << "9007199254740993" << 9007199254740992.0;
    QTest::newRow("long mantissa, exponent cancels") << QString("1") + QString(400, '0') + "e-300"
        << 1e100;
    QTest::newRow("leading zeros cancel exponent") << QString("0.") + QString(399, '0') + "1e400"
        << 1.0;
    // clang-format on
}

void TestNumText::readNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const double actual = numtext::Read_Number(Std(text));
    QVERIFY2(Same(actual, expected), Shown(actual) + " != " + Shown(expected));
}

void TestNumText::isNumber_data() {
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("decimal") << "523456.7" << true;
    QTest::newRow("blanks around") << " 523456.7 " << true;
    QTest::newRow("thousands comma") << "523,456.7" << false;
    QTest::newRow("trailing letter") << "12a" << false;
    QTest::newRow("negative") << "-3" << true;
    QTest::newRow("plus") << "+3" << true;
    QTest::newRow("point first") << ".5" << true;
    QTest::newRow("point last") << "5." << true;
    QTest::newRow("exponent") << "1E+5" << true;
    QTest::newRow("exponent D, read the same way") << "2d3" << true;
    QTest::newRow("overflowing value is still a number") << "1e999" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("inner blank") << "1 2" << false;
    QTest::newRow("blank after sign") << "- 3" << false;
    QTest::newRow("point alone") << "." << false;
    QTest::newRow("sign alone") << "+" << false;
    QTest::newRow("exponent without digits") << "1e" << false;
    QTest::newRow("exponent sign without digits") << "1e-" << false;
    QTest::newRow("exponent without mantissa") << "e5" << false;
    QTest::newRow("two points") << "1.2.3" << false;
    QTest::newRow("fractional exponent") << "1e5.0" << false;
    QTest::newRow("two signs") << "++1" << false;
    QTest::newRow("tab is not trimmed") << "\t5" << false;
    QTest::newRow("hemisphere letter") << "3 W" << false;
    // clang-format on
}

void TestNumText::isNumber() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(numtext::Is_Number(Std(text)), expected);
}

void TestNumText::toNumber_data() {
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("expected");
    QTest::newRow("blanks around") << " 523456.7 " << true << 523456.7;
    QTest::newRow("exponent D") << "2D2" << true << 200.0;
    QTest::newRow("underflow is zero") << "1e-999" << true << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("negative overflow") << "-1e999" << false << 0.0;
    QTest::newRow("trailing letter") << "12a" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("inner blank") << "1 2" << false << 0.0;
    // clang-format on
}

void TestNumText::toNumber() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, expected);
    const auto actual = numtext::To_Number(Std(text));
    QCOMPARE(actual.has_value(), valid);
    if (valid) {
        QVERIFY2(Same(*actual, expected), Shown(*actual) + " != " + Shown(expected));
    }
}

void TestNumText::toWholeNumber_data() {
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole") << "177" << true << 177;
    QTest::newRow("blanks around") << " 3 " << true << 3;
    QTest::newRow("half down to even") << "2.5" << true << 2;
    QTest::newRow("half up to even") << "3.5" << true << 4;
    QTest::newRow("negative half to even") << "-2.5" << true << -2;
    QTest::newRow("negative half away to even") << "-3.5" << true << -4;
    QTest::newRow("zero and a half") << "0.5" << true << 0;
    QTest::newRow("negative zero and a half") << "-0.5" << true << 0;
    QTest::newRow("just below half") << "2.4999" << true << 2;
    QTest::newRow("just above half") << "2.5000001" << true << 3;
    QTest::newRow("exponent") << "1e4" << true << 10000;
    QTest::newRow("largest") << "32767.4" << true << 32767;
    QTest::newRow("rounds past largest") << "32767.5" << false << 0;
    QTest::newRow("smallest") << "-32768" << true << -32768;
    QTest::newRow("half below smallest rounds to even inside") << "-32768.5" << true << -32768;
    QTest::newRow("below smallest") << "-32768.6" << false << 0;
    QTest::newRow("far out of range") << "40000" << false << 0;
    QTest::newRow("overflow") << "1e999" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("hemisphere letter") << "3 E" << false << 0;
    // clang-format on
}

void TestNumText::toWholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, expected);
    const auto actual = numtext::To_Whole_Number(Std(text));
    QCOMPARE(actual.has_value(), valid);
    if (valid) {
        QCOMPARE(int(*actual), expected);
    }
}

void TestNumText::plainText_data() {
    // clang-format off
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one decimal") << 30.5 << "30.5";
    QTest::newRow("whole") << 30.0 << "30";
    QTest::newRow("thirds at 15 digits") << 30 + 20.0 / 60 << "30.3333333333333";
    QTest::newRow("folded minutes") << 30 + 36.0 / 60 << "30.6";
    QTest::newRow("leading zero") << 0.5 << "0.5";
    QTest::newRow("negative fraction") << -0.5 << "-0.5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative third") << -1.0 / 3 << "-0.333333333333333";
    QTest::newRow("large without exponent") << 1e20 << "100000000000000000000";
    QTest::newRow("large rounded to 15 digits") << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("rounding carries a digit") << 999999999999999.9 << "1000000000000000";
    QTest::newRow("small without exponent") << 1e-7 << "0.0000001";
    QTest::newRow("small rounded to 15 digits") << 0.000123456789012345678
        << "0.000123456789012346";
    QTest::newRow("negative small") << -1e-20 << "-0.00000000000000000001";
    QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min()
        << QString("0.") + QString(323, '0') + "494065645841247";
    QTest::newRow("infinity") << kInf << "inf";
    QTest::newRow("negative infinity") << -kInf << "-inf";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "nan";
    // clang-format on
}

void TestNumText::plainText() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(numtext::Plain_Text(value)), expected);
}

void TestNumText::blankSignedText_data() {
    // clang-format off
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("positive") << 51.0 << " 51";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("negative") << -3.0 << "-3";
    QTest::newRow("positive fraction") << 0.5 << " 0.5";
    QTest::newRow("negative fraction") << -0.5 << "-0.5";
    QTest::newRow("large") << 1e20 << " 100000000000000000000";
    // clang-format on
}

void TestNumText::blankSignedText() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(numtext::Blank_Signed_Text(value)), expected);
}

void TestNumText::formatMask_data() {
    // clang-format off
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    // The samples of the display-mask table.
    QTest::newRow("easting") << 523456.78951 << "#####0.000" << "523456.790";
    QTest::newRow("easting below one") << 0.5 << "#####0.000" << "0.500";
    QTest::newRow("northing") << 5234567.8 << "######0.000" << "5234567.800";
    QTest::newRow("seconds") << 5.5 << "#0.000" << "5.500";
    QTest::newRow("seconds rounded") << 38.0123 << "#0.000" << "38.012";
    QTest::newRow("seconds round to sixty") << 59.9996 << "#0.000" << "60.000";
    QTest::newRow("degrees one digit") << 3.0 << "00#" << "003";
    QTest::newRow("degrees two digits") << 45.0 << "00#" << "045";
    QTest::newRow("degrees three digits") << 123.0 << "00#" << "123";
    QTest::newRow("minutes") << 28.633536 << "##.#####" << "28.63354";
    QTest::newRow("minutes one decimal") << 5.5 << "##.#####" << "5.5";
    QTest::newRow("minutes below one") << 0.25 << "##.#####" << ".25";
    QTest::newRow("minutes whole") << 30.0 << "##.#####" << "30.";
    QTest::newRow("minutes zero") << 0.0 << "##.#####" << ".";
    QTest::newRow("distance") << 12.3456 << "#.00" << "12.35";
    QTest::newRow("distance below one") << 0.5 << "#.00" << ".50";
    QTest::newRow("intersection") << 7.1 << "##.000" << "7.100";
    QTest::newRow("intersection below one") << 0.25 << "##.000" << ".250";
    // Padding and placeholders beyond the samples.
    QTest::newRow("degrees zero") << 0.0 << "00#" << "000";
    QTest::newRow("degrees four digits") << 1234.0 << "00#" << "1234";
    QTest::newRow("degrees half away from zero") << 2.5 << "00#" << "003";
    QTest::newRow("easting zero") << 0.0 << "#####0.000" << "0.000";
    QTest::newRow("easting negative") << -1.5 << "#####0.000" << "-1.500";
    QTest::newRow("large written in full") << 1e20 << "#####0.000" << "100000000000000000000.000";
    QTest::newRow("minutes round to sixty") << 59.999996 << "##.#####" << "60.";
    QTest::newRow("forced then optional decimal") << 0.5 << "#.0#" << ".5";
    QTest::newRow("optional decimal shown") << 0.55 << "#.0#" << ".55";
    QTest::newRow("no point, rounds half up") << 2.5 << "0" << "3";
    QTest::newRow("no point, zero under hash") << 0.4 << "#" << "";
    QTest::newRow("empty mask is plain text") << 2.5 << "" << "2.5";
    QTest::newRow("infinity") << kInf << "#0.000" << "inf";
    // Rounding is done on the 15-digit decimal text, not on the binary value.
    QTest::newRow("2.675 rounds up") << 2.675 << "#.00" << "2.68";
    QTest::newRow("-2.675 rounds away from zero") << -2.675 << "#.00" << "-2.68";
    QTest::newRow("1.005 rounds up") << 1.005 << "#.00" << "1.01";
    QTest::newRow("0.285 rounds up") << 0.285 << "#.00" << ".29";
    QTest::newRow("carry into integer part") << 9.995 << "#.00" << "10.00";
    QTest::newRow("just below half") << 9.994999 << "#.00" << "9.99";
    QTest::newRow("half a thousandth up") << 0.0005 << "#0.000" << "0.001";
    QTest::newRow("below half a thousandth") << 0.00049999 << "#0.000" << "0.000";
    QTest::newRow("negative half a thousandth") << -0.0005 << "#0.000" << "-0.001";
    QTest::newRow("negative rounds to zero, no minus") << -0.0004999 << "#0.000" << "0.000";
    QTest::newRow("negative to zero under hash") << -0.0004 << "##.000" << ".000";
    QTest::newRow("negative minutes to zero") << -0.000004 << "##.#####" << ".";
    QTest::newRow("negative zero") << -0.0 << "#0.000" << "0.000";
    // clang-format on
}

void TestNumText::formatMask() {
    QFETCH(double, value);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(numtext::Format_Mask(value, Std(mask))), expected);
}

void TestNumText::layouts_data() {
    // clang-format off
    QTest::addColumn<GeographicResult>("result");
    QTest::addColumn<QString>("minutesLat");
    QTest::addColumn<QString>("minutesLong");
    QTest::addColumn<QString>("secondsLat");
    QTest::addColumn<QString>("secondsLong");
    QTest::newRow("north-west example") << From_Degrees(51.4772256, -3.2015278)
        << " 51 Deg 28.63354 Min N" << "003 Deg 12.09167 Min W"
        << " 51 Deg  28 Min 38.012 Sec N" << "003 Deg  12 Min 5.500 Sec W";
    QTest::newRow("before any conversion") << GeographicResult{}
        << " 0 Deg . Min " << "000 Deg . Min "
        << " 0 Deg  0 Min 0.000 Sec " << "000 Deg  0 Min 0.000 Sec ";
    QTest::newRow("zero is north and east") << From_Degrees(0, 0)
        << " 0 Deg . Min N" << "000 Deg . Min E"
        << " 0 Deg  0 Min 0.000 Sec N" << "000 Deg  0 Min 0.000 Sec E";
    QTest::newRow("half a degree south") << From_Degrees(-0.5, 177.25)
        << " 0 Deg 30. Min S" << "177 Deg 15. Min E"
        << " 0 Deg  30 Min 0.000 Sec S" << "177 Deg  15 Min 0.000 Sec E";
    QTest::newRow("minutes round to sixty") << From_Degrees(51.99999999, 45)
        << " 51 Deg 60. Min N" << "045 Deg . Min E"
        << " 51 Deg  59 Min 60.000 Sec N" << "045 Deg  0 Min 0.000 Sec E";
    QTest::newRow("inverse example, no carry") << From_Degrees(51.99999999994654, -1)
        << " 51 Deg 60. Min N" << "001 Deg . Min W"
        << " 51 Deg  59 Min 60.000 Sec N" << "001 Deg  0 Min 0.000 Sec W";
    GeographicResult edge;
    edge.lat_deg = 10;
    edge.lat_min = 59.999996;
    edge.lat_sec = 59.9996;
    edge.lat_hemis = "N";
    edge.long_deg = 100;
    edge.long_min = 0.25;
    edge.long_sec = 15;
    edge.long_hemis = "E";
    QTest::newRow("components rounding up") << edge
        << " 10 Deg 60. Min N" << "100 Deg .25 Min E"
        << " 10 Deg  59 Min 60.000 Sec N" << "100 Deg  0 Min 15.000 Sec E";
    // clang-format on
}

void TestNumText::layouts() {
    QFETCH(GeographicResult, result);
    QFETCH(QString, minutesLat);
    QFETCH(QString, minutesLong);
    QFETCH(QString, secondsLat);
    QFETCH(QString, secondsLong);
    const auto m = numtext::Layout_Minutes(result);
    const auto s = numtext::Layout_Seconds(result);
    QCOMPARE(QString::fromStdString(m.lat), minutesLat);
    QCOMPARE(QString::fromStdString(m.lon), minutesLong);
    QCOMPARE(QString::fromStdString(s.lat), secondsLat);
    QCOMPARE(QString::fromStdString(s.lon), secondsLong);
}

QTEST_APPLESS_MAIN(TestNumText)
#include "tst_numtext.moc"
