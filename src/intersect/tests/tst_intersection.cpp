// The arithmetic of both intersection windows, without any window: the rows
// beyond those the window test runs through the real windows.
#include "intersection.h"

#include <QTest>

using intersect::IntersectionInput;
using intersect::IntersectionResult;
using Status = IntersectionResult::Status;
Q_DECLARE_METATYPE(Status)

class TstIntersection : public QObject {
    Q_OBJECT
  private:
    // Inputs E1 N1 E2 N2 a b and results E3 N3 comma-separated. A result left
    // empty is not reached (the window leaves the field alone); "*" is reached,
    // but the text is of no interest.
    static void columns() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QStringList>("results");
    }
    static void row(const char* name, const char* inputs, Status s, const char* results) {
        QTest::newRow(name) << QString(inputs).split(',') << s << QString(results).split(',');
    }
    template <class Solve> static void check(Solve solve) {
        QFETCH(QStringList, inputs);
        QFETCH(Status, status);
        QFETCH(QStringList, results);
        std::string in[6];
        for (int i = 0; i < 6; ++i)
            in[i] = inputs.at(i).toStdString();
        const IntersectionResult r =
            solve(IntersectionInput{in[0], in[1], in[2], in[3], in[4], in[5]});
        QCOMPARE(r.status, status);
        if (results[0] != QLatin1String("*"))
            QCOMPARE(QString::fromStdString(r.E3), results[0]);
        if (results[1] != QLatin1String("*"))
            QCOMPARE(QString::fromStdString(r.N3), results[1]);
    }

  private slots:
    void fromAngles_data() {
        columns();
        const Status ok = Status::Ok, far = Status::TooFar, bad = Status::DoesNotCompute;
        // clang-format off
        row("negative result below 1", "0,0,-.5,0,45,45", ok, "-.250,-.250");
        row("signs, blanks, exponents are numbers", " 0,+0,1E2,0.0,4.5e1,45", ok, "50.000,50.000");
        row("base 9994.99 m still shows 9.99 km", "0,0,9994.99,0,45,45", ok, "4997.495,4997.495");
        // Both components enter the length: 6000 and 8000 make 10 km.
        row("diagonal base of 10 km refused", "0,0,6000,8000,45,45", far, "-1000.000,7000.000");
        row("angle b of 0", "0,0,100,0,45,0", bad, ",");
        row("angle of minus 0", "0,0,100,0,-0,45", bad, ",");
        row("cot a + cot b exactly 0", "0,0,100,0,60,-60", bad, ",");
        row("blank easting", "0,0,  ,0,45,45", bad, ",");
        row("letter in a northing", "0,0,100,x,45,45", bad, ",");
        row("number too large for a double", "1e400,0,100,0,45,45", bad, ",");
        row("overflow in the easting numerator", "1e308,0,1e308,0,45,45", bad, ",");
        // The square of the northing difference overflows after both results were written.
        row("overflowing base line", "0,0,0,1e160,45,45", bad, "*,*");
        // Regressions: angles of no triangle gave C mirrored or nowhere.
        row("negative angles, C mirrored below AB", "0,0,100,0,-45,-45", bad, "*,*");
        row("angles summing to 180", "0,0,100,0,90,90", bad, "*,*");
        row("angles summing beyond 180", "0,0,100,0,120,100", bad, "*,*");
        row("angle of 180 at B", "0,0,100,0,45,180", bad, "*,*");
        row("base line judged before the angles", "0,0,10000,0,-45,-45", far, "*,*");
        // clang-format on
    }
    void fromAngles() { check(intersect::Solve_From_Angles); }

    void fromBearings_data() {
        columns();
        const Status ok = Status::Ok, far = Status::TooFar, bad = Status::DoesNotCompute;
        // clang-format off
        // Regressions: rays that meet only behind A or B gave the crossing of the lines.
        row("lines crossing behind A and B", "0,0,100,0,225,135", bad, "50.000,50.000");
        row("lines crossing behind B only", "0,0,100,50,45,90", bad, "*,*");
        row("lines crossing behind A only", "100,50,0,0,90,45", bad, "*,*");
        row("crossing at B itself is on both rays", "0,0,100,100,45,200", ok, "100.000,100.000");
        row("base line judged before the rays", "0,0,10000,0,225,135", far, "*,*");
        row("bearings of 90 and 180 do not fail", "0,0,100,100,90,180", ok, "100.000,.000");
        row("base 9995 m refused", "0,0,9995,0,45,315", far, "4997.500,4997.500");
        // Regression rows: a due-north bearing of 0 did not compute while 360
        // did, and 405 was read as 45.
        row("bearing a of 0, due north", "0,0,100,0,0,315", ok, ".000,100.000");
        row("bearing a of 360, the same", "0,0,100,0,360,315", ok, ".000,100.000");
        row("bearing b of 0", "0,0,100,0,45,0", ok, "100.000,100.000");
        const Status range = Status::OutOfRange;
        row("bearing above 360 refused", "0,0,100,0,405,315", range, ",");
        row("negative bearing refused", "0,0,100,0,45,-45", range, ",");
        row("result below 1 has no leading zero", "0,0,.5,0,45,315", ok, ".250,.250");
        // Northing of C overflows after E3 was written.
        row("overflow in the northing after E3", "0,1e308,0,1e308,135,45", bad, ".000,");
        // clang-format on
    }
    void fromBearings() { check(intersect::Solve_From_Bearings); }
};

QTEST_APPLESS_MAIN(TstIntersection)
#include "tst_intersection.moc"
