// The arithmetic of both intersection windows, without any window.
#include "intersection.h"

#include <QTest>

using intersect::IntersectionInput;
using intersect::IntersectionResult;
using Status = IntersectionResult::Status;
Q_DECLARE_METATYPE(Status)

namespace {
const char* kE = "";    // not reached: the window leaves the field alone
const char* kAny = "*"; // reached, but the text is of no interest
} // namespace

class TstIntersection : public QObject {
    Q_OBJECT
  private:
    static void columns() {
        QTest::addColumn<QString>("E1");
        QTest::addColumn<QString>("N1");
        QTest::addColumn<QString>("E2");
        QTest::addColumn<QString>("N2");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("E3");
        QTest::addColumn<QString>("N3");
    }
    static void row(const char* name, const char* E1, const char* N1, const char* E2,
                    const char* N2, const char* a, const char* b, Status s, const char* E3,
                    const char* N3) {
        QTest::newRow(name) << QString(E1) << QString(N1) << QString(E2) << QString(N2)
                            << QString(a) << QString(b) << s << QString(E3) << QString(N3);
    }
    template <class Solve> static void check(Solve solve) {
        QFETCH(QString, E1);
        QFETCH(QString, N1);
        QFETCH(QString, E2);
        QFETCH(QString, N2);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(Status, status);
        QFETCH(QString, E3);
        QFETCH(QString, N3);
        const IntersectionInput in{E1.toStdString(), N1.toStdString(), E2.toStdString(),
                                   N2.toStdString(), a.toStdString(),  b.toStdString()};
        const IntersectionResult r = solve(in);
        QCOMPARE(r.status, status);
        if (E3 != QLatin1String("*"))
            QCOMPARE(QString::fromStdString(r.E3), E3);
        if (N3 != QLatin1String("*"))
            QCOMPARE(QString::fromStdString(r.N3), N3);
    }

  private slots:
    void fromAngles_data() {
        columns();
        const Status ok = Status::Ok, far = Status::TooFar, bad = Status::DoesNotCompute;
        row("base east 100 m, 45 and 45", "0", "0", "100", "0", "45", "45", ok, "50.000", "50.000");
        row("base north, C west of A", "0", "0", "0", "100", "45", "45", ok, "-50.000", "50.000");
        row("60 and 60", "1000", "2000", "1500", "2000", "60", "60", ok, "1250.000", "2433.013");
        row("30 and 60", "1000", "2000", "1500", "2000", "30", "60", ok, "1375.000", "2216.506");
        row("result below 1 has no leading zero", "0", "0", ".5", "0", "45", "45", ok, ".250",
            ".250");
        row("negative result below 1", "0", "0", "-.5", "0", "45", "45", ok, "-.250", "-.250");
        row("signs, blanks and exponents are numbers", " 0", "+0", "1E2", "0.0", "4.5e1", "45", ok,
            "50.000", "50.000");
        row("base 9990 m shows 9.99 km, accepted", "0", "0", "9990", "0", "45", "45", ok,
            "4995.000", "4995.000");
        row("base 9994.99 m still shows 9.99 km", "0", "0", "9994.99", "0", "45", "45", ok,
            "4997.495", "4997.495");
        row("base 9995 m shows 10.00 km, refused", "0", "0", "9995", "0", "45", "45", far,
            "4997.500", "4997.500");
        row("base 10000 m refused", "0", "0", "10000", "0", "45", "45", far, "5000.000",
            "5000.000");
        // Both components enter the length: 6000 and 8000 make 10 km.
        row("diagonal base of 10 km refused", "0", "0", "6000", "8000", "45", "45", far,
            "-1000.000", "7000.000");
        row("angle a of 0", "0", "0", "100", "0", "0", "45", bad, kE, kE);
        row("angle b of 0", "0", "0", "100", "0", "45", "0", bad, kE, kE);
        row("angle of minus 0", "0", "0", "100", "0", "-0", "45", bad, kE, kE);
        row("cot a + cot b exactly 0", "0", "0", "100", "0", "60", "-60", bad, kE, kE);
        row("empty angle a", "0", "0", "100", "0", "", "45", bad, kE, kE);
        row("empty angle b", "0", "0", "100", "0", "45", "", bad, kE, kE);
        row("blank easting", "0", "0", "  ", "0", "45", "45", bad, kE, kE);
        row("12a in an easting", "12a", "0", "100", "0", "45", "45", bad, kE, kE);
        row("letter in a northing", "0", "0", "100", "x", "45", "45", bad, kE, kE);
        row("number too large for a double", "1e400", "0", "100", "0", "45", "45", bad, kE, kE);
        row("overflow in the easting numerator", "1e308", "0", "1e308", "0", "45", "45", bad, kE,
            kE);
        // E3 is already written when N3 overflows; the window shows it under the box.
        row("overflow in the northing after E3", "0", "1e308", "0", "1e308", "45", "45", bad,
            ".000", kE);
        // The square of the northing difference overflows after both results were written.
        row("overflowing base line", "0", "0", "0", "1e160", "45", "45", bad, kAny, kAny);
    }
    void fromAngles() { check(intersect::Solve_From_Angles); }

    void fromBearings_data() {
        columns();
        const Status ok = Status::Ok, far = Status::TooFar, bad = Status::DoesNotCompute;
        row("45 and 315 over 100 m", "0", "0", "100", "0", "45", "315", ok, "50.000", "50.000");
        row("30 and 330", "1000", "2000", "1500", "2000", "30", "330", ok, "1250.000", "2433.013");
        row("60 and 300", "1000", "2000", "1500", "2000", "60", "300", ok, "1250.000", "2144.338");
        row("lines crossing behind A and B", "0", "0", "100", "0", "225", "135", ok, "50.000",
            "50.000");
        row("bearings of 90 and 180 do not fail", "0", "0", "100", "100", "90", "180", ok,
            "100.000", ".000");
        row("base 9990 m accepted", "0", "0", "9990", "0", "45", "315", ok, "4995.000", "4995.000");
        row("base 9995 m refused", "0", "0", "9995", "0", "45", "315", far, "4997.500", "4997.500");
        row("base 10000 m refused", "0", "0", "10000", "0", "45", "315", far, "5000.000",
            "5000.000");
        row("equal bearings", "0", "0", "100", "0", "45", "45", bad, kE, kE);
        row("bearing a of 0", "0", "0", "100", "0", "0", "315", bad, kE, kE);
        row("bearing b of 0", "0", "0", "100", "0", "45", "0", bad, kE, kE);
        row("empty bearing a", "0", "0", "100", "0", "", "315", bad, kE, kE);
        row("empty bearing b", "0", "0", "100", "0", "45", "", bad, kE, kE);
        row("12a in an easting", "0", "0", "12a", "0", "45", "315", bad, kE, kE);
        row("result below 1 has no leading zero", "0", "0", ".5", "0", "45", "315", ok, ".250",
            ".250");
        // Northing of C overflows after E3 was written.
        row("overflow in the northing after E3", "0", "1e308", "0", "1e308", "135", "45", bad,
            ".000", kE);
    }
    void fromBearings() { check(intersect::Solve_From_Bearings); }

    void messages_data() {
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("ok shows nothing") << Status::Ok << QString();
        QTest::newRow("does not compute")
            << Status::DoesNotCompute << QStringLiteral("Data does not compute.");
        QTest::newRow("too far") << Status::TooFar
                                 << QStringLiteral(
                                        "This formula is not suitable for this distance.");
    }
    void messages() {
        QFETCH(Status, status);
        QFETCH(QString, text);
        const auto m = intersect::Status_Message(status);
        QCOMPARE(QString::fromUtf8(m.data(), qsizetype(m.size())), text);
    }
};

QTEST_APPLESS_MAIN(TstIntersection)
#include "tst_intersection.moc"
