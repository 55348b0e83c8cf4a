// The one reading of a parameter set that the Spheroid tab, the catalogue
// store and quillmar-batch share: the degree forms and the physical ranges.
#include "paramtext.h"

#include <QTest>

#include <cmath>

using numtext::ParamField;

class TstParamText : public QObject {
    Q_OBJECT
  private slots:
    // NaN: the text does not read.
    void degrees_data() {
        QTest::addColumn<bool>("meridian"); // else the latitude of origin
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        const double no = std::nan("");
        auto m = [](const char* name, const char* text, double v) {
            QTest::newRow(name) << true << QString(text) << v;
        };
        auto o = [](const char* name, const char* text, double v) {
            QTest::newRow(name) << false << QString(text) << v;
        };
        m("meridian with blank", "2 W", -2);
        m("meridian without blank", "2W", -2);
        m("meridian lower case", "153 e", 153);
        m("meridian blanks around", "  3   w ", -3);
        m("meridian quarter degrees", "113.75 W", -113.75);
        m("meridian zero west is zero", "0 W", 0);
        // Regression rows: "15" was "1 5" (1 E), "2.5 W" 2 W, any letter east.
        m("meridian number alone is east", "15", 15);
        m("meridian signed number", "-2", -2);
        m("meridian fraction kept", "2.5 W", -2.5);
        m("meridian degrees split", "1 5 E", no);
        m("meridian other letter", "15 X", no);
        m("meridian text after letter", "2 W extra", no);
        m("meridian minus with letter", "-2 W", no);
        m("meridian plus with letter", "+2 E", no);
        m("meridian letter only", "W", no);
        m("meridian empty", "", no);
        m("meridian comma decimal", "2,5 W", no);
        o("origin with blank", "49 N", 49);
        o("origin fraction", "53.5 N", 53.5);
        o("origin without blank", "20N", 20);
        o("origin south", "30 S", -30);
        o("origin signed", "-10", -10);
        // Regression rows: "53 30 N" read as 53 N; "53.5 X" and "53.5 N extra" accepted.
        o("origin degrees and minutes", "53 30 N", no);
        o("origin other letter", "53.5 X", no);
        o("origin text after letter", "53.5 N extra", no);
        o("origin east letter", "49 E", no);
    }
    void degrees() {
        QFETCH(bool, meridian);
        QFETCH(QString, text);
        QFETCH(double, value);
        const auto r = meridian ? numtext::Read_Meridian(text.toStdString())
                                : numtext::Read_Origin(text.toStdString());
        QCOMPARE(r.has_value(), !std::isnan(value));
        if (r) {
            QCOMPARE(*r, value);
            QVERIFY(!std::signbit(*r) || *r != 0); // never -0
        }
    }

    // The rewritten meridian reads back to the same double.
    void meridianText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole west keeps every digit") << -2.0 << "2 W";
        QTest::newRow("east") << 15.0 << "15 E";
        QTest::newRow("zero") << 0.0 << "0 E";
        QTest::newRow("fraction") << -113.75 << "113.75 W";
        QTest::newRow("shortest round trip") << 0.1 + 0.2 << "0.30000000000000004 E";
    }
    void meridianText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        const std::string shown = numtext::Meridian_Text(value);
        QCOMPARE(QString::fromStdString(shown), text);
        QCOMPARE(numtext::Read_Meridian(shown).value(), value);
    }

    // Each field's rule; the first problem names the field. Regression rows:
    // an axis below 0, e^2 of 1.5, a scale of 0, a meridian of 200 E and an
    // empty name were all stored.
    void ranges_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem"); // empty: reads
        auto row = [](const char* name, ParamField f, const char* text, const char* problem) {
            QTest::newRow(name) << int(f) << QString(text) << QString(problem);
        };
        row("axis below 0", ParamField::Major, "-6378137", "Semi Major Axis must be a number greater than 0.");
        row("axis 0", ParamField::Major, "0", "Semi Major Axis must be a number greater than 0.");
        row("axis infinite", ParamField::Major, "1e999", "Semi Major Axis must be a number greater than 0.");
        row("e2 0, a sphere", ParamField::Ecc, "0", "");
        row("e2 1.5", ParamField::Ecc, "1.5", "Eccentricity ^2 must be a number from 0 up to but not including 1.");
        row("e2 1", ParamField::Ecc, "1", "Eccentricity ^2 must be a number from 0 up to but not including 1.");
        row("e2 below 0", ParamField::Ecc, "-0.1", "Eccentricity ^2 must be a number from 0 up to but not including 1.");
        row("scale 0", ParamField::Scale, "0", "Scale Factor must be a number greater than 0.");
        row("easting negative is fine", ParamField::FE, "-100000", "");
        row("northing with unit", ParamField::FN, "0 m", "False Northing must be a number.");
        row("origin 90 S", ParamField::Origin, "90 S", "");
        row("origin 90.5 S", ParamField::Origin, "90.5 S", "Latitude of Origin must lie between 90 S and 90 N.");
        row("meridian 180 W", ParamField::Meridian, "180 W", "");
        row("meridian 200 E", ParamField::Meridian, "200 E", "Central Meridian must lie between 180 W and 180 E.");
        row("meridian empty", ParamField::Meridian, "", "Central Meridian must be given, e.g. 2 W.");
        row("name blank", ParamField::Name, "   ", "Name must not be blank.");
    }
    void ranges() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        numtext::ParameterTexts t;
        const char* good[] = {"Test", "6378137", "0.00669438", "0.9996", "500000", "0", "0 N", "3 W"};
        for (int i = 0; i < numtext::kParamFields; ++i)
            t.text[size_t(i)] = good[i];
        t.text[size_t(field)] = text.toStdString();
        const numtext::ParameterReading r = numtext::Read_Parameters(t);
        QCOMPARE(r.values.has_value(), problem.isEmpty());
        if (!problem.isEmpty()) {
            QCOMPARE(int(r.problems.size()), 1);
            QCOMPARE(int(r.problems.front().field), field);
            QCOMPARE(QString::fromStdString(r.problems.front().message), problem);
        }
    }
};

QTEST_APPLESS_MAIN(TstParamText)
#include "tst_paramtext.moc"
