// The one reader of "degrees and a letter" texts under each of its rules:
// the cases where the rules part ways, and the edges each caller relies on.
#include "degreetext.h"

#include <QtTest>

namespace {

enum Rule { MeridianRule, MeridianText, OriginSelected, OriginText };

const numtext::DegreeRule kRules[] = {numtext::kMeridianRule, numtext::kMeridianText,
                                      numtext::kOriginSelected, numtext::kOriginText};

} // namespace

class TstDegreeText : public QObject {
    Q_OBJECT
  private slots:
    void read_data();
    void read();
};

void TstDegreeText::read_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("letter");
    auto row = [](const char* name, Rule r, const QString& text, bool reads, double degrees = 0,
                  double value = 0, const QString& letter = {}) {
        QTest::newRow(name) << int(r) << text << reads << degrees << value << letter;
    };
    // clang-format off
    row("rule: 3 W is west", MeridianRule, "3 W", true, 3, -3, "W");
    row("rule: lower-case w is west", MeridianRule, "3 w", true, 3, -3, "W");
    row("rule: letter straight after the degrees", MeridianRule, "3W", true, 3, -3, "W");
    row("rule: blanks before the letter dropped", MeridianRule, "3   W", true, 3, -3, "W");
    row("rule: no-break space before the letter dropped", MeridianRule, "3\u00a0W", true, 3, -3, "W");
    row("rule: halves to even, 2.5 W is 2", MeridianRule, "2.5 W", true, 2, -2, "W");
    row("rule: 3.5 E is 4", MeridianRule, "3.5E", true, 4, 4, "E");
    row("rule: letter not validated", MeridianRule, "12 X", true, 12, 12, "X");
    row("rule: minus and W cancel", MeridianRule, "-3 W", true, -3, 3, "W");
    row("rule: 32768 W does not fit", MeridianRule, "-32768 W", false);
    row("rule: beyond 16 bits", MeridianRule, "40000 E", false);
    row("rule: degrees not a number", MeridianRule, "AB W", false);
    row("rule: leading blank leaves no degrees", MeridianRule, " 2 W", false);
    row("rule: a letter beyond 16 bits counts twice", MeridianRule, "3\U0001F600", false);
    row("text: blank required", MeridianText, "2W", false);
    row("text: 2 W", MeridianText, "2 W", true, 2, -2, "W");
    row("text: 177 E", MeridianText, "177 E", true, 177, 177, "E");
    row("selected origin: 30 S", OriginSelected, "30 S", true, 30, -30, "S");
    row("selected origin: 53.5 N rounds to 54", OriginSelected, "53.5 N", true, 54, 54, "N");
    row("selected origin: no blank not read", OriginSelected, "20N", false);
    row("origin: 53.5 N keeps its fraction", OriginText, "53.5 N", true, 53.5, 53.5, "N");
    row("origin: 49 s is south", OriginText, "49 s", true, 49, -49, "S");
    row("origin: 0 S is +0", OriginText, "0 S", true, 0, 0, "S");
    row("origin: no blank, no letter looked at", OriginText, "-10", true, -10, -10, "");
    row("origin: letter without blank", OriginText, "49N", false);
    row("origin: empty", OriginText, "", false);
    // clang-format on
}

void TstDegreeText::read() {
    QFETCH(int, rule);
    QFETCH(QString, text);
    QFETCH(bool, reads);
    const auto r = numtext::Read_Degree_Text(text.toStdString(), kRules[rule]);
    QCOMPARE(r.has_value(), reads);
    if (!r)
        return;
    QTEST(r->degrees, "degrees");
    QTEST(r->value, "value");
    QVERIFY(!std::signbit(r->value) || r->value != 0);
    QTEST(QString::fromStdString(r->letter), "letter");
}

QTEST_APPLESS_MAIN(TstDegreeText)
#include "tst_degreetext.moc"
