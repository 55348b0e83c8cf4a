// Runs the built quillmar-batch on files and compares its lines with the
// texts the window functions give for the same fields, called in-process.

#include "conversions.h"
#include "csv.h"
#include "intersection.h"
#include "numtext.h"
#include "rawcatalogue.h"
#include "store.h"
#include "upperstate.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <optional>
#include <random>

namespace {

const QString kAiry = QStringLiteral("6377563.396,0.00667054,0.9996012717,400000,-100000,49 N,2 W");
// Made on first use, not at start-up, when other files' statics may not be ready.
const convert::InForce& airyParams() {
    static const convert::InForce pf =
        convert::Make_In_Force({6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2});
    return pf;
}
const QByteArray kHeader("name,sma,eccentricity,Scale,FE,FN,Lat,meridian\n");
const QByteArray kGood("52,0,0,N,1,0,0,W\n");
const QString kGoodOut = QStringLiteral("52,0,0,N,1,0,0,W,468643.108,234025.790\n");

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runBatch(const QStringList& args, const QByteArray& stdinData = {},
             const QString& home = {}) {
    QProcess p;
    if (!home.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/share"));
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(QUILLMAR_BATCH), args);
    p.write(stdinData);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& data) {
    QFile f(dir.filePath(QLatin1String(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fields as a CSV line, quoted where the batch output quotes them.
QString join(const std::vector<std::string>& fields) {
    QStringList l;
    for (const auto& f : fields) {
        QString s = QString::fromStdString(f);
        if (s.contains(QLatin1Char(',')) || s.contains(QLatin1Char('"')) ||
            s.startsWith(QLatin1Char(' ')) || s.endsWith(QLatin1Char(' ')))
            s = QLatin1Char('"') + s.replace(QLatin1String("\""), QLatin1String("\"\"")) +
                QLatin1Char('"');
        l << s;
    }
    return l.join(QLatin1Char(','));
}

// One generated file and what the window functions say about each record.
struct Expected {
    QByteArray input;
    QString out;
    QString err;
    int line = 0;
    void add(const std::vector<std::string>& fields, const std::string& message,
             std::vector<std::string> results) {
        input += join(fields).toUtf8() + '\n';
        ++line;
        if (!message.empty()) {
            // "@:" stands for the file name and a colon, or "line ".
            err += QStringLiteral("quillmar-batch: @:%1: %2\n")
                       .arg(line)
                       .arg(QString::fromStdString(message));
            out += join(fields) + QStringLiteral(",*,*\n"); // marked, as by default
            return;
        }
        results.insert(results.begin(), fields.begin(), fields.end());
        out += join(results) + QLatin1Char('\n');
    }
};

class Gen {
  public:
    explicit Gen(unsigned seed) : rng_(seed) {}
    double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
    int pick(int n) { return std::uniform_int_distribution<>(0, n - 1)(rng_); }
    // A number as typed, now and then something the window reads leniently
    // or refuses.
    std::string number(double lo, double hi, int decimals) {
        static const char* const odd[] = {"", "abc", "12a", " 7 ", "1e1", "-3", "1,5", "+.5"};
        if (pick(12) == 0)
            return odd[pick(8)];
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, uniform(lo, hi));
        return buf;
    }
    std::string letter(const char* usual) {
        static const char* const odd[] = {"", "s", "w", "WEST", " W", "n"};
        if (pick(8) == 0)
            return odd[pick(6)];
        return std::string(1, usual[pick(2)]);
    }

  private:
    std::mt19937 rng_;
};

Expected geog2grid(int n, bool minutes, unsigned seed) {
    Gen g(seed);
    Expected e;
    for (int i = 1; i <= n; ++i) {
        convert::GeogInput in;
        in.lenient = true; // as --lenient reads
        in.refuseInexact = true; // as the batch tool refuses
        in.withSeconds = !minutes;
        in.lat_deg = g.number(49, 59, 0);
        in.lat_min = g.number(0, 60, minutes ? 4 : 0);
        in.lat_sec = minutes ? "" : g.number(0, 60, 3);
        in.ns = g.letter("NS");
        in.long_deg = g.number(0, 8, 0);
        in.long_min = g.number(0, 60, minutes ? 4 : 0);
        in.long_sec = minutes ? "" : g.number(0, 60, 3);
        in.ew = g.letter("EW");
        std::vector<std::string> f = {in.lat_deg,  in.lat_min,  in.lat_sec,  in.ns,
                                      in.long_deg, in.long_min, in.long_sec, in.ew};
        if (minutes)
            f = {in.lat_deg, in.lat_min, in.ns, in.long_deg, in.long_min, in.ew};
        const auto r = convert::Geog_To_Grid(airyParams(), in);
        e.add(f, r.message, {r.easting, r.northing});
    }
    return e;
}

// faultEvery: every so many records an easting whose inverse overflows.
Expected grid2geog(int n, bool minutes, unsigned seed, int faultEvery = 0) {
    Gen g(seed);
    Expected e;
    for (int i = 1; i <= n; ++i) {
        convert::GridInput in;
        in.easting = g.number(0, 800000, 3);
        if (faultEvery && i % faultEvery == 0)
            in.easting = "1e200";
        in.northing = g.number(-100000, 1300000, 3);
        in.refuseInexact = true;
        const auto r = convert::Grid_To_Geog(airyParams(), in);
        const auto t =
            minutes ? numtext::Layout_Minutes(r.result) : numtext::Layout_Seconds(r.result);
        e.add({in.easting, in.northing}, r.message, {t.lat, t.lon});
    }
    return e;
}

enum class DistanceMode { Seconds, Minutes, Grid };

Expected distance(int n, DistanceMode mode, unsigned seed) {
    Gen g(seed);
    Expected e;
    for (int i = 1; i <= n; ++i) {
        convert::DistanceInput in;
        in.lenient = true;
        in.refuseInexact = true;
        in.withSeconds = mode != DistanceMode::Minutes;
        std::vector<std::string> f;
        if (mode == DistanceMode::Grid) {
            for (int k = 0; k < 4; ++k)
                f.push_back(in.grid[k] = g.number(0, 900000, 3));
        } else {
            for (int k = 0; k < 16; k += 4) {
                in.geog[k] = (k == 0 && g.pick(20) == 0) ? "" : g.number(0, 60, 0);
                in.geog[k + 1] = g.number(0, 60, in.withSeconds ? 0 : 3);
                in.geog[k + 2] = in.withSeconds ? g.number(0, 60, 2) : "";
                in.geog[k + 3] = g.letter(k % 8 == 0 ? "NS" : "EW");
                for (int j = 0; j < 4; ++j)
                    if (j != 2 || in.withSeconds)
                        f.push_back(in.geog[k + j]);
            }
        }
        const auto r = convert::Point_Distance(airyParams(), in);
        e.add(f, r.message, {r.kms, r.miles});
    }
    return e;
}

Expected intersection(int n, bool bearings, unsigned seed) {
    Gen g(seed);
    Expected e;
    for (int i = 1; i <= n; ++i) {
        const double maxAngle = bearings ? 360 : 120;
        intersect::IntersectionInput in{g.number(0, 5000, 2),     g.number(0, 5000, 2),
                                        g.number(0, 5000, 2),     g.number(0, 5000, 2),
                                        g.number(0, maxAngle, 4), g.number(0, maxAngle, 4)};
        const auto r =
            bearings ? intersect::Solve_From_Bearings(in) : intersect::Solve_From_Angles(in);
        e.add({in.E1, in.N1, in.E2, in.N2, in.a, in.b},
              r.message, {r.E3, r.N3});
    }
    return e;
}


// A tool of the field (PROJ's cs2cs, GeographicLib's GeodSolve and
// GeoConvert, GDAL's ogrinfo) on a text; nullopt when it is not installed.
std::optional<QString> runTool(const QString& program, const QStringList& args,
                               const QByteArray& in = {}) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(path, args);
    p.write(in);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The numbers of a text's lines, split at blanks, tabs and commas.
std::vector<std::vector<double>> numbersOf(const QString& text) {
    std::vector<std::vector<double>> rows;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        std::vector<double> row;
        for (const QString& f : line.split(QRegularExpression(QStringLiteral("[\\s,]+")),
                                           Qt::SkipEmptyParts))
            row.push_back(f.toDouble());
        rows.push_back(row);
    }
    return rows;
}

const char* const kGrs80 = "6378137,0.00669438002290,0.9996,500000,0,0 N,0 E";
const convert::InForce kGrs80Params =
    convert::Make_In_Force({6378137, 0.00669438002290, 0.9996, 500000, 0, 0, 0});
const char* const kIrish = "6377340.189,0.00667054,1.000035,200000,250000,53.5 N,8 W";

// R = sqrt(rho nu), the Gaussian mean radius, and R_alpha, the radius of the
// normal section in azimuth alpha, written out again from their definitions.
double meanRadius(double a, double e2, double lat) {
    const double s = std::sin(lat * M_PI / 180), w = 1 - e2 * s * s;
    const double rho = a * (1 - e2) / std::pow(w, 1.5), nu = a / std::sqrt(w);
    return std::sqrt(rho * nu);
}
double azimuthRadius(double a, double e2, double lat, double alpha) {
    const double s = std::sin(lat * M_PI / 180), w = 1 - e2 * s * s;
    const double rho = a * (1 - e2) / std::pow(w, 1.5), nu = a / std::sqrt(w);
    const double sa = std::sin(alpha * M_PI / 180), ca = std::cos(alpha * M_PI / 180);
    return rho * nu / (rho * sa * sa + nu * ca * ca);
}
} // namespace

Q_DECLARE_METATYPE(Expected)

class TestBatch : public QObject {
    Q_OBJECT

  private slots:
    // Worked examples and a few hundred generated records per command, with
    // refusals, read from a file; the refusals go to standard error by line.
    void records_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        auto row = [](const char* name, QStringList args, const QByteArray& in, const QString& out,
                      const QString& err = {}) { QTest::newRow(name) << args << in << out << err; };
        // The generated records hold junk on purpose; they are read as the
        // window reads them.
        auto generated = [&row](const char* name, QStringList args, const Expected& e) {
            row(name, args << "--lenient", e.input, e.out, e.err);
        };
        const QStringList toGrid{"geog2grid", "--params", kAiry},
            toGeog{"grid2geog", "--params", kAiry},
            toGeogMinutes{"grid2geog", "--layout", "minutes", "--params", kAiry},
            gridDistance{"distance", "--grid", "--params", kAiry};
        row("geog2grid Airy 52N 1W", toGrid, kGood, kGoodOut);
        // Regression rows: 60.000 seconds and 60. minutes were written.
        row("grid2geog seconds carry into the minutes", toGeog, "468643.108,234025.790\n",
            "468643.108,234025.790,\" 52 Deg  0 Min 0.000 Sec N\",001 Deg  0 Min 0.000 Sec W\n");
        row("grid2geog minutes layout carries into the degrees", toGeogMinutes, "468643.108,234025.790\n",
            "468643.108,234025.790,\" 52 Deg . Min N\",001 Deg . Min W\n");
        row("distance grid 3-4-5", gridDistance, "0,0,3000,4000\n", "0,0,3000,4000,5.00,2.70\n");
        row("distance grid below one km", gridDistance, ",,500,\n", ",,500,,.50,.27\n");
        row("last line without line end", toGrid, kGood.chopped(1), kGoodOut);
        row("CRLF line ends", gridDistance, "0,0,3000,4000\r\n0,0,0,926\r\n",
            "0,0,3000,4000,5.00,2.70\n0,0,0,926,.93,.50\n");
        row("empty file geog2grid", toGrid, "", "");
        row("empty file grid2geog", toGeog, "", "");
        row("empty file distance", gridDistance, "", "");
        row("empty file angles", {"angles"}, "", "");
        row("grid2geog decimal degrees", {"grid2geog", "--decimal", "--params", kAiry},
            "468643.108,234025.790\n", "468643.108,234025.790,52.000000000,-1.000000002\n");
        row("grid2geog layout texts quoted between blanks",
            {"grid2geog", "--delimiter", "space", "--params", kAiry}, "468643.108 234025.790\n",
            "468643.108 234025.790 \" 52 Deg  0 Min 0.000 Sec N\" \"001 Deg  0 Min 0.000 Sec W\"\n");
        // Regression: the forward origin lost its fraction (53.5 N taken as 54).
        const QString irish = "6377340.189,0.00667054,1.000035,200000,250000,53.5 N,8 W";
        row("geog2grid Irish Grid origin 53.5 N", {"geog2grid", "--params", irish},
            "53,35,40.532,N,10,9,28,W\n", "53,35,40.532,N,10,9,28,W,57154.731,262692.139\n");
        row("grid2geog Irish Grid origin 53.5 N", {"grid2geog", "--params", irish},
            "57154.731,262692.139\n",
            "57154.731,262692.139,\" 53 Deg  35 Min 40.532 Sec N\",010 Deg  9 Min 28.000 Sec W\n");

        // --with: the quantities after the results, in the order named; empty
        // where undefined (convergence at the pole, directions of a zero line).
        // Figures as TransverseMercatorProj and GeodSolve give them.
        row("geog2grid with convergence,scale",
            {"geog2grid", "--decimal", "--with", "convergence,scale", "--params", kAiry},
            "52.5,1.5\n-10,-3\n90,0\n",
            "52.5,1.5,637529.697,294921.535,2.778026326,1.0002940069\n"
            "-10,-3,290408.984,-6632570.512,0.173665616,0.9997499085\n"
            "90,0,400000.000,4470074.534,,0.9996012717\n");
        row("geog2grid with scale,convergence",
            {"geog2grid", "--decimal", "--with", "scale,convergence", "--params", kAiry},
            "52.5,1.5\n", "52.5,1.5,637529.697,294921.535,1.0002940069,2.778026326\n");
        row("grid2geog with convergence", {"grid2geog", "--with", "convergence", "--params", kAiry},
            "637529.697,294921.535\n",
            "637529.697,294921.535,\" 52 Deg  30 Min 0.000 Sec N\",001 Deg  30 Min 0.000 Sec E,"
            "2.778026329\n");
        row("distance with geodesic", {"distance", "--with", "geodesic", "--params", kAiry},
            "52,39,27.253,N,1,43,4.518,E,52,12,30,N,0,7,15,E\n"
            "52,0,0,N,1,0,0,E,52,0,0,N,1,0,0,E\n",
            "52,39,27.253,N,1,43,4.518,E,52,12,30,N,0,7,15,E,119.57,64.56,119559.1815,"
            "245.922128420,244.656171369,242.973007774,119570.5336,1.0000949497\n"
            "52,0,0,N,1,0,0,E,52,0,0,N,1,0,0,E,.00,.00,0.0000,,,,0.0000,\n");
        row("distance grid with geodesic",
            {"distance", "--grid", "--with", "geodesic", "--params", kAiry},
            "651409.903,313177.270,544000,253000\n",
            "651409.903,313177.270,544000,253000,123.12,66.48,123107.1607,243.688162186,"
            "242.410279864,240.739916518,123118.6058,1.0000929680\n");
        row("with: header names and a mark per column",
            {"grid2geog", "--header", "--on-error", "mark", "--with", "convergence,scale",
             "--params", kAiry},
            "easting,northing\nx,1\n", "easting,northing,latitude,longitude,convergence,scale\n"
            "x,1,*,*,*,*\n",
            "quillmar-batch: @:2: field 1 (easting): \"x\" is not a number\n");

        const int n = 300;
        generated("geog2grid deg min sec", toGrid, geog2grid(n, false, 1));
        generated("geog2grid deg minutes", {"geog2grid", "--minutes", "--params", kAiry},
                  geog2grid(n, true, 2));
        generated("grid2geog seconds", toGeog, grid2geog(n, false, 3));
        generated("grid2geog minutes", toGeogMinutes, grid2geog(n, true, 4));
        generated("distance geographic", {"distance", "--params", kAiry},
                  distance(n, DistanceMode::Seconds, 10));
        generated("distance deg minutes", {"distance", "--minutes", "--params", kAiry},
                  distance(n, DistanceMode::Minutes, 11));
        generated("distance grid", gridDistance, distance(n, DistanceMode::Grid, 12));
        generated("angles", {"angles"}, intersection(n, false, 20));
        generated("bearings", {"bearings"}, intersection(n, true, 21));
    }
    void records() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "records.csv", input);
        const Run r = runBatch(args << file);
        QCOMPARE(r.out, output);
        QCOMPARE(r.err, QString(errors).replace(QLatin1String("@:"), file + ':'));
        QCOMPARE(r.status, errors.isEmpty() ? 0 : 1);
    }

    // Several chunks on several threads still come out in input order, with
    // the refusals numbered by their input line.
    void largeInputKeepsOrder_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Expected>("expected");
        QTest::newRow("geog2grid") << QStringList{"geog2grid", "--lenient"}
                                   << geog2grid(120000, false, 7);
        // Regression row: the flags are read once per chunk, and a chunk
        // with a fault in it is converted again record by record; its
        // first pass must leave nothing behind.
        QTest::newRow("grid2geog, an overflow in some chunks")
            << QStringList{"grid2geog", "--lenient"} << grid2geog(200000, false, 8, 70000);
    }
    void largeInputKeepsOrder() {
        QFETCH(QStringList, args);
        QFETCH(Expected, expected);
        const Expected& e = expected;
        QVERIFY(e.input.size() > 3 * (1 << 20)); // at least four chunks
        const Run r = runBatch(args << "--threads" << "3" << "--params" << kAiry, e.input);
        QCOMPARE(r.out, e.out);
        QCOMPARE(r.err, QString(e.err).replace(QLatin1String("@:"), QLatin1String("line ")));
    }

    // A message: the record is refused. None: the record converts and is
    // echoed as `echo` followed by its results.
    void malformedRecords_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("echo");
        auto row = [](const char* name, const char* line, const char* message, const char* echo) {
            QTest::newRow(name) << QByteArray(line) << QString(message) << QString(echo);
        };
        // clang-format off
        row("too few fields", "52,0,0,N,1,0,0", "expected 8 fields, found 7", "");
        row("too many fields", "52,0,0,N,1,0,0,W,", "expected 8 fields, found 9", "");
        row("text after closing quote", "\"52\"x,0,0,N,1,0,0,W", "text after a closing quote", "");
        row("quote inside field", "5\"2,0,0,N,1,0,0,W", "quote inside an unquoted field", "");
        row("window refuses: no degrees", ",0,0,N,1,0,0,W", "Enter position.", "");
        // Quoted fields are unquoted before reading. Regression rows: "1,5"
        // read as 1 and a letter N" as north, and the records converted.
        row("quoted fields", "\"52\",\"0\",\"0\",\"N\",\"1\",\"0\",\"0\",\"W\"", "",
            "52,0,0,N,1,0,0,W,");
        row("quoted comma in a number", "\"52\",\"0\",\"0\",\"N\",\"1,5\",\"0\",\"0\",\"W\"",
            "field 5 (longitude degrees): \"1,5\" is not a number", "");
        row("doubled quote in a letter field", "52,0,0,\"N\"\"\",1,0,0,W",
            "field 4 (latitude letter): \"N\"\" is not N or S", "");
        row("blanks kept and quoted on output", " 52 ,0,0,N,1,0,0,W", "",
            "\" 52 \",0,0,N,1,0,0,W,");
        // clang-format on
    }
    // Each record stands between two good ones on standard input; the run
    // goes on and fails as a whole when the record is refused.
    void malformedRecords() {
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        QFETCH(QString, echo);
        const Run r = runBatch({"geog2grid", "--params", kAiry}, kGood + line + "\n" + kGood);
        if (message.isEmpty()) {
            QCOMPARE(r.err, QString());
            QVERIFY2(r.out.startsWith(kGoodOut + echo), qPrintable(r.out));
            QVERIFY(r.out.endsWith(kGoodOut));
            QCOMPARE(r.out.count(QLatin1Char('\n')), 3);
            QCOMPARE(r.status, 0);
        } else {
            QCOMPARE(r.err, QStringLiteral("quillmar-batch: line 2: %1\n").arg(message));
            QCOMPARE(r.out, kGoodOut + QString::fromUtf8(line) + ",*,*\n" + kGoodOut);
            QCOMPARE(r.status, 1);
        }
    }

    // Split_Record called directly, with views the tool itself never passes
    // (it skips empty lines before splitting).
    void splitRecord_data() {
        QTest::addColumn<bool>("noBuffer");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("fields");
        // Regression row: an empty view without a buffer is one empty field,
        // and its null pointer never reaches memchr.
        QTest::newRow("empty view, no buffer") << true << QByteArray() << QStringList{""};
        QTest::newRow("empty line") << false << QByteArray("") << QStringList{""};
        QTest::newRow("lone comma") << false << QByteArray(",") << QStringList{"", ""};
        QTest::newRow("quoted empty, doubled quote")
            << false << QByteArray("\"\",\"a\"\"b\"") << QStringList{"", "a\"b"};
    }
    void splitRecord() {
        QFETCH(bool, noBuffer);
        QFETCH(QByteArray, line);
        QFETCH(QStringList, fields);
        const std::string_view view =
            noBuffer ? std::string_view() : std::string_view(line.constData(), size_t(line.size()));
        std::vector<std::string_view> got;
        std::string unquoted, error;
        QVERIFY2(batch::Split_Record(view, got, unquoted, error), error.c_str());
        QStringList texts;
        for (std::string_view f : got)
            texts << QString::fromUtf8(f.data(), qsizetype(f.size()));
        QCOMPARE(texts, fields);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        // clang-format off
        auto row = [](const char* name, const QStringList& args) { QTest::newRow(name) << args; };
        row("no command", {});
        row("unknown command", {"convert"});
        row("unknown option", {"geog2grid", "--fast", "--params", kAiry});
        row("no parameter set", {"geog2grid"});
        row("both parameter sets", {"geog2grid", "--spheroid", "x", "--params", kAiry});
        row("six params", {"geog2grid", "--params", "1,2,3,4,5,49 N"});
        row("params not numbers", {"grid2geog", "--params", "a,0.006,1,0,0,49 N,2 W"});
        row("params without meridian", {"grid2geog", "--params", "6378137,0.006,1,0,0,49 N,"});
        row("bad layout", {"grid2geog", "--layout", "dms", "--params", kAiry});
        row("minutes with grid", {"distance", "--minutes", "--grid", "--params", kAiry});
        row("angles with spheroid", {"angles", "--spheroid", "x"});
        row("option without value", {"geog2grid", "--params"});
        row("import without file", {"import"});
        row("with on angles", {"angles", "--with", "geodesic"});
        row("with geodesic on geog2grid", {"geog2grid", "--with", "geodesic", "--params", kAiry});
        row("with scale on distance", {"distance", "--with", "scale", "--params", kAiry});
        row("with a name twice", {"grid2geog", "--with", "scale,scale", "--params", kAiry});
        row("with an empty name", {"grid2geog", "--with", "convergence,", "--params", kAiry});
        // clang-format on
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const Run r = runBatch(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QLatin1String("usage: quillmar-batch")), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    void helpHasAnExamplePerCommand() {
        const Run r = runBatch({"--help"});
        QCOMPARE(r.status, 0);
        for (const char* cmd : {"list", "geog2grid", "grid2geog", "distance", "angles", "bearings",
                                "export", "import", "search"})
            QVERIFY2(r.out.contains(QLatin1String("quillmar-batch ") + QLatin1String(cmd)), cmd);
    }

    // A catalogue named on the command line must exist; the program's own is
    // installed on first use by every command, as the window's first start
    // does. Regression: every command answered "Can't find database." on a
    // fresh machine.
    void missingCatalogue() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        for (const QStringList& args :
             {QStringList{"list", "--catalogue", path},
              QStringList{"geog2grid", "--spheroid", "Airy 1830 / National Grid", "--catalogue",
                          path},
              QStringList{"export", "--catalogue", path}}) {
            const Run r = runBatch(args, kGood);
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(QLatin1String("no such catalogue")), qPrintable(r.err));
            QCOMPARE(r.out, QString());
        }
        QVERIFY(!QFile::exists(path));
        const QString own = QStringLiteral("/share/quillmar/QUILLMAR.MDB");
        for (const QStringList& args :
             {QStringList{"list"}, QStringList{"export"},
              QStringList{"geog2grid", "--spheroid", "Airy 1830 / National Grid"}}) {
            QTemporaryDir home;
            const Run r = runBatch(args, kGood, home.path());
            QCOMPARE(r.status, 0);
            QCOMPARE(catalogue::CatalogueStore(home.path() + own, true).ListNames().size(), 25);
            // Never over an existing file: a second run finds the same catalogue.
            testcat::Raw(home.path() + own).run("DELETE FROM Spheroid WHERE rowid > 1");
            QCOMPARE(runBatch({"list"}, {}, home.path()).out.count('\n'), 1);
        }
    }

    // Strict fields by default; --as-window reads as the window does. A
    // record both accept gives the same bytes.
    void strictFields_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("strict"); // stderr line, or the output when accepted
        QTest::addColumn<QString>("window"); // output with --as-window
        auto row = [](const char* name, const QStringList& args, const char* record,
                      const char* strict, const char* window) {
            QTest::newRow(name) << args << QByteArray(record) << QString(strict) << QString(window);
        };
        const QStringList g{"geog2grid", "--params", kAiry};
        const QStringList d{"geog2grid", "--decimal", "--params", kAiry};
        // clang-format off
        row("comma in seconds", g, "52,0,\"27,25\",N,1,0,0,W",
            "line 1: field 3 (latitude seconds): \"27,25\" is not a number",
            "52,0,\"27,25\",N,1,0,0,W,468631.635,234859.859\n");
        row("letter N in a number field", g, "52,N,0,N,1,0,0,W",
            "line 1: field 2 (latitude minutes): \"N\" is not a number",
            "52,N,0,N,1,0,0,W,468643.108,234025.790\n");
        row("unicode minus", g, "52,0,0,N,\xe2\x88\x92" "1,0,0,E",
            "line 1: field 5 (longitude degrees): \"\xe2\x88\x92" "1\" is not a number",
            "52,0,0,N,\xe2\x88\x92" "1,0,0,E,537281.173,235442.150\n");
        row("word as a letter", g, "52,0,0,NORTH,1,0,0,W",
            "line 1: field 4 (latitude letter): \"NORTH\" is not N or S",
            "52,0,0,NORTH,1,0,0,W,468643.108,234025.790\n");
        row("W in the latitude letter", g, "52,0,0,W,1,0,0,W",
            "line 1: field 4 (latitude letter): \"W\" is not N or S",
            "52,0,0,W,1,0,0,W,468643.108,234025.790\n");
        row("lower-case letters pass", g, "52,0,0,n,1,0,0,w",
            "52,0,0,n,1,0,0,w,468643.108,234025.790\n", "52,0,0,n,1,0,0,w,468643.108,234025.790\n");
        row("empty fields pass", g, "52,,,N,1,,,W", "52,,,N,1,,,W,468643.108,234025.790\n",
            "52,,,N,1,,,W,468643.108,234025.790\n");
        row("decimal degrees", d, "52,-1", "52,-1,468643.108,234025.790\n",
            "52,-1,468643.108,234025.790\n");
        row("decimal degrees with a letter", d, "52N,-1",
            "line 1: field 1 (latitude): \"52N\" is not a number", "52N,-1,468643.108,234025.790\n");
        row("grid2geog number", QStringList{"grid2geog", "--params", kAiry}, "468643.108,abc",
            "line 1: field 2 (northing): \"abc\" is not a number", "");
        row("bearings number", QStringList{"bearings"}, "0,0,100,0,45,3I5",
            "line 1: field 6 (bearing b): \"3I5\" is not a number", "");
        // clang-format on
    }
    void strictFields() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, record);
        QFETCH(QString, strict);
        QFETCH(QString, window);
        const Run r = runBatch(args, record + "\n");
        if (strict.startsWith(QLatin1String("line "))) {
            QCOMPARE(r.err, "quillmar-batch: " + strict + "\n");
            QCOMPARE(r.out, QString::fromUtf8(record) + ",*,*\n");
            QCOMPARE(r.status, 1);
        } else {
            QCOMPARE(r.out, strict);
            QCOMPARE(r.status, 0);
        }
        if (!window.isEmpty())
            for (const char* lenient : {"--lenient", "--as-window"})
                QCOMPARE(runBatch(QStringList(args) << lenient, record + "\n").out, window);
    }

    // The layout of input and output: comments, headers, delimiters, result
    // columns only, and what a refused record leaves.
    void layoutOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("status");
        auto row = [](const char* name, const QStringList& args, const char* in, const char* out,
                      int status = 0) {
            QTest::newRow(name) << (QStringList{"geog2grid", "--params", kAiry} + args)
                                << QByteArray(in) << QString(out) << status;
        };
        const char* good = "52,0,0,N,1,0,0,W\n";
        const char* goodOut = "52,0,0,N,1,0,0,W,468643.108,234025.790\n";
        // clang-format off
        row("comments and blank lines in place", {}, "# field book 7\n\n52,0,0,N,1,0,0,W\n  # end\n",
            "# field book 7\n\n52,0,0,N,1,0,0,W,468643.108,234025.790\n  # end\n");
        row("byte-order mark dropped", {}, "\xef\xbb\xbf" "52,0,0,N,1,0,0,W\n", goodOut);
        row("header names the result columns", {"--header"}, "lat,m,s,h,lon,m,s,h\n52,0,0,N,1,0,0,W\n",
            "lat,m,s,h,lon,m,s,h,easting,northing\n52,0,0,N,1,0,0,W,468643.108,234025.790\n");
        row("regression: a header line is refused without --header", {}, "lat,m,s,h,lon,m,s,h\n",
            "lat,m,s,h,lon,m,s,h,*,*\n", 1);
        row("results only", {"--results-only"}, good, "468643.108,234025.790\n");
        row("results only with header", {"--results-only", "--header"}, "a,b,c,d,e,f,g,h\n52,0,0,N,1,0,0,W\n",
            "easting,northing\n468643.108,234025.790\n");
        row("tab", {"--delimiter", "tab"}, "52\t0\t0\tN\t1\t0\t0\tW\n",
            "52\t0\t0\tN\t1\t0\t0\tW\t468643.108\t234025.790\n");
        row("semicolon", {"--delimiter", "semicolon"}, "52;0;0;N;1;0;0;W\n",
            "52;0;0;N;1;0;0;W;468643.108;234025.790\n");
        row("space: runs of blanks and tabs", {"--delimiter", "space"}, "  52  0\t0 N 1 0 0   W \n",
            "52 0 0 N 1 0 0 W 468643.108 234025.790\n");
        row("mark keeps lines level", {"--on-error", "mark"}, "52,0,0,N,1,0,0,W\nx,0,0,N,1,0,0,W\n,0,0,N\n52,0,0,N,1,0,0,W\n",
            "52,0,0,N,1,0,0,W,468643.108,234025.790\nx,0,0,N,1,0,0,W,*,*\n,0,0,N,*,*\n52,0,0,N,1,0,0,W,468643.108,234025.790\n", 1);
        row("mark with results only", {"--on-error", "mark", "--results-only"}, ",0,0,N,1,0,0,W\n",
            "*,*\n", 1);
        row("stop at the first refusal", {"--on-error", "stop"}, "52,0,0,N,1,0,0,W\n,0,0,N,1,0,0,W\n52,0,0,N,1,0,0,W\n",
            goodOut, 1);
        row("skip leaves the line out", {"--on-error", "skip"}, "x,0,0,N,1,0,0,W\n52,0,0,N,1,0,0,W\n", goodOut, 1);
        // Regression: a refused line vanished by default and the rest misaligned.
        row("mark is the default", {}, "x,0,0,N,1,0,0,W\n52,0,0,N,1,0,0,W\n",
            "x,0,0,N,1,0,0,W,*,*\n52,0,0,N,1,0,0,W,468643.108,234025.790\n", 1);
        // clang-format on
    }
    void layoutOptions() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QTemporaryDir dir;
        const Run r = runBatch(args << writeFile(dir, "in.txt", input));
        QTEST(r.out, "output");
        QTEST(r.status, "status");
    }

    // Regression: --params read "49N" or "49" as origin 0 forward, "15" as
    // meridian 1; each part is now checked and named.
    void strictParams_data() {
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("error"); // empty: accepted
        auto row = [](const char* name, const char* params, const char* error) {
            QTest::newRow(name) << QString(params) << QString(error);
        };
        const char* airy = "6377563.396,0.00667054,0.9996012717,400000,-100000,";
        auto with = [&](const char* rest) { return QByteArray(airy) + rest; };
        // clang-format off
        row("letters", with("49 N,2 W"), "");
        row("signed numbers", with("49,-2"), "");
        row("origin with fraction", with("53.5 N,2 W"), "");
        // The windows' forms: a letter with or without a blank, fractions kept.
        row("origin letter without blank", with("49N,2 W"), "");
        // Regression rows: "53 30 N" was read as 53 N, "1 5 E" as 1 E, and
        // "53.5 X" and "53.5 N extra" were accepted.
        row("origin in degrees and minutes", with("53 30 N,2 W"), "part 6 (LAT): \"53 30 N\"");
        row("origin other letter", with("53.5 X,2 W"), "part 6 (LAT)");
        row("origin with text after it", with("53.5 N extra,2 W"), "part 6 (LAT)");
        row("meridian split by a blank", with("49 N,1 5 E"), "part 7 (CM): \"1 5 E\"");
        row("axis below 0", "-6377563.396,0.00667054,0.9996012717,400000,-100000,49 N,2 W", "part 1 (a)");
        row("e2 of 1.5", "6377563.396,1.5,0.9996012717,400000,-100000,49 N,2 W", "part 2 (e2)");
        row("scale factor 0", "6377563.396,0.00667054,0,400000,-100000,49 N,2 W", "part 3 (k0)");
        row("origin beyond 90", with("91 N,2 W"), "part 6 (LAT)");
        row("meridian letter without blank", with("49 N,2W"), "");
        row("meridian minus with letter", with("49 N,-2 W"), "part 7 (CM)");
        row("meridian other letter", with("49 N,2 X"), "part 7 (CM)");
        row("meridian beyond 180", with("49 N,181"), "part 7 (CM)");
        row("axis with unit", "6377563 m,0.00667054,0.9996,400000,-100000,49 N,2 W", "part 1 (a): \"6377563 m\"");
        row("scale with comma", "6377563,0.00667054,\"0,9996\",400000,-100000,49 N,2 W", "part 3 (k0)");
        // clang-format on
    }
    void strictParams() {
        QFETCH(QString, params);
        QFETCH(QString, error);
        const Run r = runBatch({"geog2grid", "--params", params}, kGood);
        if (error.isEmpty()) {
            QCOMPARE(r.status, 0);
            QVERIFY(r.out.startsWith(QLatin1String("52,0,0,N,1,0,0,W,468643.108,")));
        } else {
            QCOMPARE(r.status, 2);
            QVERIFY2(r.err.contains(QLatin1String("--params: ") + error), qPrintable(r.err));
        }
    }
    // "49" and "49 N" give the same northing; "-2" and "2 W" the same easting.
    void paramsSpellingsAgree() {
        const QString a = "6377563.396,0.00667054,0.9996012717,400000,-100000,";
        QCOMPARE(runBatch({"geog2grid", "--params", a + "49,-2"}, kGood).out, kGoodOut);
        QCOMPARE(runBatch({"grid2geog", "--params", a + "49,-2"}, "468643.108,234025.790\n").out,
                 runBatch({"grid2geog", "--params", a + "49 N,2 W"}, "468643.108,234025.790\n").out);
    }

    // What field files and scripts bring: --fields with pass-through
    // columns, --dms, --lon-lat, --decimal-comma, --precision, UTF-16 and
    // quoted line breaks, and the smaller faults each with the row that
    // pins its mend. Standard error with "@:" for the file name and colon.
    void fieldFiles_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<int>("status");
        auto row = [](const char* name, const QStringList& args, const QByteArray& in,
                      const QString& out, const QString& err = {}, int status = -1) {
            QTest::newRow(name) << args << in << out << err
                                << (status >= 0 ? status : err.isEmpty() ? 0 : 1);
        };
        const QStringList dec{"geog2grid", "--decimal", "--params", kAiry};
        const QStringList dms{"geog2grid", "--dms", "--params", kAiry};
        const QString at = "637529.697,294921.535"; // 52.5 N, 1.5 E
        const QString dmsAt = "433816.693,306805.606"; // 52 39 27.2531 N, 1 30 W
        // clang-format off
        // --fields: IDs and codes pass through in place, results at the end.
        row("fields by header name, ID, code, CRLF, BOM, comment, quoted line break",
            dec + QStringList{"--header", "--fields", "lat=Lat,lon=Long"},
            "\xef\xbb\xbf# book 7\r\nID,Code,Lat,Long,Note\r\nP1,TREE,52.5,1.5,\"two\r\nlines\"\r\nP2,FENCE,52.5,x,ok\r\nP3,PEG,52.5,1.5,\r\n",
            "# book 7\nID,Code,Lat,Long,Note,easting,northing\nP1,TREE,52.5,1.5,\"two\r\nlines\"," + at +
            "\nP2,FENCE,52.5,x,ok,*,*\nP3,PEG,52.5,1.5,," + at + "\n",
            "quillmar-batch: @:5: field 4 (longitude): \"x\" is not a number\n");
        row("fields: a note with blanks inside passes as read", dec + QStringList{"--fields", "lat=3,lon=4"},
            "P1,oak 0.4 m,52.5,1.5\n", "P1,oak 0.4 m,52.5,1.5," + at + "\n");
        row("fields: a blank at a field's edge is quoted", dec + QStringList{"--fields", "lat=3,lon=4"},
            "P1, oak,52.5,1.5\n", "P1,\" oak\",52.5,1.5," + at + "\n");
        row("fields by number", dec + QStringList{"--fields", "lon=4,lat=3"},
            "P1,TREE,52.5,1.5\n", "P1,TREE,52.5,1.5," + at + "\n");
        row("fields by header name, case ignored", dec + QStringList{"--header", "--fields", "lat=lat,lon=LONG"},
            "Lat,Long,ID\n52.5,1.5,P1\n", "Lat,Long,ID,easting,northing\n52.5,1.5,P1," + at + "\n");
        row("fields in the seconds layout", {"geog2grid", "--params", kAiry, "--fields",
            "lat-deg=2,lat-min=3,lat-sec=4,lat-letter=5,lon-deg=6,lon-min=7,lon-sec=8,lon-letter=9"},
            "P1,52,0,0,N,1,0,0,W,peg\n", "P1,52,0,0,N,1,0,0,W,peg,468643.108,234025.790\n");
        row("fields: a record short of the named columns", dec + QStringList{"--fields", "lat=3,lon=4"},
            "P1,52.5,1.5\n", "P1,52.5,1.5,*,*\n", "quillmar-batch: @:1: expected at least 4 fields, found 3\n");
        row("fields: records must keep the header's count", dec + QStringList{"--header", "--fields", "lat=Lat,lon=Long"},
            "ID,Lat,Long\nP1,52.5,1.5,extra\n", "ID,Lat,Long,easting,northing\nP1,52.5,1.5,extra,*,*\n",
            "quillmar-batch: @:2: expected 3 fields (as the header), found 4\n");
        row("fields: a header name that is not there", dec + QStringList{"--header", "--fields", "lat=Lat,lon=Lon"},
            "ID,Lat,Long\n", "", "quillmar-batch: @: --fields: the header has no column named \"Lon\"\n", 2);
        row("without fields a decimal comma is never two numbers", dec, "52,5,1,5\n", "52,5,1,5,*,*\n",
            "quillmar-batch: @:1: expected 2 fields, found 4\n");

        // --dms: every form surveyors and GPS software write, strictly.
        for (const char* form : {"52\xc2\xb0" "39\xe2\x80\xb2" "27.2531\xe2\x80\xb3N", "52 39 27.2531 N",
                                 "52d39'27.2531\"\"N", "52:39:27.2531N", "52\xc2\xb0 39' 27.2531\"\" N"}) {
            const QByteArray field = QByteArray(form).contains('"') ? '"' + QByteArray(form) + '"' : QByteArray(form);
            row(qPrintable(QStringLiteral("dms form %1").arg(QString::fromUtf8(form))), dms,
                field + ",1 30 W\n", QString::fromUtf8(field) + ",1 30 W," + dmsAt + "\n");
        }
        row("dms signed, no letter", dms, "-52 39 27.2531,1.5\n", "-52 39 27.2531,1.5,636678.808,-11366566.228\n");
        for (const auto& [name, field] : {std::pair{"dms minutes 60", "52 60 0 N"}, {"dms sign and letter", "-52 39 N"},
                                          {"dms text after", "52 39 N extra"}, {"dms beyond 90", "91N"},
                                          {"dms longitude letter in latitude", "52 39 E"}})
            row(name, dms, QByteArray(field) + ",1.5\n", QString(field) + ",1.5,*,*\n",
                QStringLiteral("quillmar-batch: @:1: field 1 (latitude): \"%1\" is not a latitude such as "
                               "52\u00b039'27.2531\"N\n").arg(field));
        row("dms out", {"grid2geog", "--dms", "--params", kAiry}, "468643.108,234025.790\n",
            "468643.108,234025.790,\"52\u00b000'00.0000\"\"N\",\"001\u00b000'00.0000\"\"W\"\n");

        // Order, locale and decimals.
        row("lon-lat in", dec + QStringList{"--lon-lat"}, "1.5,52.5\n", "1.5,52.5," + at + "\n");
        row("lon-lat out", {"grid2geog", "--decimal", "--lon-lat", "--header", "--params", kAiry},
            "E,N\n" + at.toUtf8() + "\n", "E,N,longitude,latitude\n" + at + ",1.500000003,52.500000004\n");
        row("decimal comma in and out, semicolons", dec + QStringList{"--decimal-comma"},
            "52,5;1,5\n", "52,5;1,5;637529,697;294921,535\n");
        row("decimal comma back", {"grid2geog", "--decimal", "--decimal-comma", "--params", kAiry},
            "637529,697;294921,535\n", "637529,697;294921,535;52,500000004;1,500000003\n");
        row("precision of metres", dec + QStringList{"--precision", "1"}, "52.5,1.5\n", "52.5,1.5,637529.7,294921.5\n");
        row("precision 0", dec + QStringList{"--precision", "0"}, "52.5,1.5\n", "52.5,1.5,637530,294922\n");
        row("precision of degrees", {"grid2geog", "--decimal", "--precision", "4", "--params", kAiry},
            at.toUtf8() + "\n", at + ",52.5000,1.5000\n");

        // Spreadsheet files.
        QByteArray utf16("\xff\xfe");
        for (char c : QByteArray("ID\tLat\tLon\r\nA\t52.5\t1.5\r\n"))
            utf16 += QByteArray(1, c) + QByteArray(1, '\0');
        row("UTF-16 with byte-order mark", dec + QStringList{"--header", "--delimiter", "tab", "--fields", "lat=Lat,lon=Lon"},
            utf16, "ID\tLat\tLon\teasting\tnorthing\nA\t52.5\t1.5\t637529.697\t294921.535\n");
        row("a quoted line break counts in the line numbers", dec,
            "\"52.5\",\"1.5\"\n\"5\n2\",1\nx,1\n", "52.5,1.5," + at + "\n\"5\n2\",1,*,*\nx,1,*,*\n",
            "quillmar-batch: @:2: field 1 (latitude): \"5\n2\" is not a number\n"
            "quillmar-batch: @:4: field 1 (latitude): \"x\" is not a number\n");
        row("an unterminated quote runs to the end", dec, "52.5,1.5\n\"52.5,1.5\n52.5,1.5\n",
            "52.5,1.5," + at + "\n\"52.5,1.5\n52.5,1.5,*,*\n", "quillmar-batch: @:2: unterminated quoted field\n");
        row("a stray quote swallows no lines", dec, "5\"2,1\n52.5,1.5\n", "5\"2,1,*,*\n52.5,1.5," + at + "\n",
            "quillmar-batch: @:1: quote inside an unquoted field\n");

        // Regressions, one row each.
        row("regression: a comment before the header", dec + QStringList{"--header"},
            "# from the logger\nlat,lon\n52.5,1.5\n", "# from the logger\nlat,lon,easting,northing\n52.5,1.5," + at + "\n");
        row("regression: a header of another count", dec + QStringList{"--header"}, "lat,lon,id\n52.5,1.5\n",
            "lat,lon,id,easting,northing\n52.5,1.5," + at + "\n",
            "quillmar-batch: @:1: the header names 3 columns, the records have 2 fields\n");
        row("regression: letters with blanks around them", {"geog2grid", "--params", kAiry},
            "52,0,0, N ,1,0,0,\tW\n", "52,0,0,\" N \",1,0,0,\tW,468643.108,234025.790\n");
        row("regression: angles with A = B", {"angles"}, "1000,1000,1000,1000,60,60\n",
            "1000,1000,1000,1000,60,60,*,*\n", "quillmar-batch: @:1: Data does not compute.\n");
        row("regression: bearings with A = B", {"bearings"}, "5,5,5,5,45,315\n",
            "5,5,5,5,45,315,*,*\n", "quillmar-batch: @:1: Data does not compute.\n");
        row("an echoed field is cut to 40 characters", dec,
            QByteArray(50, 'x') + ",1\n", QString(50, 'x') + ",1,*,*\n",
            "quillmar-batch: @:1: field 1 (latitude): \"" + QString(40, 'x') + "...\" is not a number\n");
        // clang-format on
    }
    void fieldFiles() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, errors);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "field.csv", input);
        const Run r = runBatch(args << file);
        QTEST(r.out, "output");
        QCOMPARE(r.err, errors.replace(QLatin1String("@:"), file + ':'));
        QTEST(r.status, "status");
    }

    // --lon-lat and --decimal-comma round-trip: the grid results read back
    // give the degrees, to the decimals written.
    void roundTrips_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("lon-lat") << QStringList{"--lon-lat"};
        QTest::newRow("decimal comma") << QStringList{"--decimal-comma"};
        QTest::newRow("both") << QStringList{"--lon-lat", "--decimal-comma"};
    }
    void roundTrips() {
        QFETCH(QStringList, options);
        const bool comma = options.contains("--decimal-comma");
        const bool lonLat = options.contains("--lon-lat");
        Gen g(40);
        QByteArray in;
        for (int i = 0; i < 200; ++i) {
            QString lat = QString::number(g.uniform(49, 59), 'f', 6), lon = QString::number(g.uniform(-6, 2), 'f', 6);
            if (lonLat)
                std::swap(lat, lon);
            in += (lat + (comma ? ";" : ",") + lon + "\n").toUtf8();
        }
        if (comma)
            in.replace('.', ',');
        const QStringList base{"--decimal", "--results-only", "--params", kAiry};
        const Run grid = runBatch(QStringList{"geog2grid", "--precision", "4"} + base + options, in);
        QCOMPARE(grid.status, 0);
        const Run back = runBatch(QStringList{"grid2geog", "--precision", "6"} + base + options, grid.out.toUtf8());
        QCOMPARE(back.err, QString());
        QCOMPARE(back.out.toUtf8(), in);
    }

    // Unknown options and misused values are exit 2 with the usage; the
    // new options belong to their commands.
    void newOptionsUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        auto row = [](const char* name, const QStringList& args, const char* said) {
            QTest::newRow(name) << args << QString(said);
        };
        // clang-format off
        row("unknown option", {"geog2grid", "--fields-of", "x", "--params", kAiry}, "unknown option --fields-of");
        row("value given twice", {"geog2grid", "--params", kAiry, "--params", kAiry}, "--params given twice");
        row("value on a flag", {"geog2grid", "--header=yes", "--params", kAiry}, "--header");
        row("precision not a number", {"geog2grid", "--precision", "x", "--params", kAiry}, "--precision needs");
        row("precision too large", {"geog2grid", "--precision", "13", "--params", kAiry}, "--precision needs");
        row("precision on seconds layout", {"grid2geog", "--precision", "3", "--params", kAiry}, "--precision belongs");
        row("fields: unknown key", {"geog2grid", "--decimal", "--fields", "lat=1,lng=2", "--params", kAiry}, "FIELD one of lat,lon");
        row("fields: a key left out", {"geog2grid", "--decimal", "--fields", "lat=1", "--params", kAiry}, "does not name lon");
        row("fields: a key twice", {"geog2grid", "--decimal", "--fields", "lat=1,lat=2,lon=3", "--params", kAiry}, "names lat twice");
        row("fields: a name without header", {"geog2grid", "--decimal", "--fields", "lat=Lat,lon=2", "--params", kAiry}, "with --header");
        row("dms with decimal", {"geog2grid", "--dms", "--decimal", "--params", kAiry}, "--dms goes with");
        row("dms on distance", {"distance", "--dms", "--params", kAiry}, "--dms belongs");
        row("lon-lat without decimal", {"geog2grid", "--lon-lat", "--params", kAiry}, "--lon-lat belongs");
        row("decimal comma on list", {"list", "--decimal-comma"}, "does not belong to list");
        // clang-format on
    }
    void newOptionsUsage() {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        const Run r = runBatch(args, kGood);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith(QLatin1String("quillmar-batch: ")) && r.err.contains(said) &&
                     r.err.contains(QLatin1String("usage: quillmar-batch")),
                 qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }

    // Reading is linear in the line length. Regression: a 50 MB line took
    // 4.9 s and a 200 MB one 86 s.
    void longLines() {
        const QByteArray line(20 << 20, '1');
        QElapsedTimer t;
        t.start();
        const Run r = runBatch({"geog2grid", "--params", kAiry}, "1," + line + "\n" + kGood);
        QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.endsWith(QLatin1String(",*,*\n") + kGoodOut));
        QCOMPARE(r.err, QStringLiteral("quillmar-batch: line 1: expected 8 fields, found 2\n"));
    }

    // From a pipe each line is answered before the next arrives.
    void streamsFromAPipe() {
        QProcess p;
        p.start(QStringLiteral(QUILLMAR_BATCH), {"geog2grid", "--params", kAiry});
        QVERIFY(p.waitForStarted());
        p.write(kGood);
        QVERIFY2(p.waitForReadyRead(10000), "no line before the end of input");
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), kGoodOut);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
    }

    void versionAndEndOfOptions() {
        const Run v = runBatch({"--version"});
        QCOMPARE(v.status, 0);
        QVERIFY(v.out.startsWith(QLatin1String("quillmar-batch ")));
        QTemporaryDir dir;
        const QString dashFile = writeFile(dir, "-x.csv", kGood);
        QDir::setCurrent(dir.path());
        const Run r = runBatch({"geog2grid", "--params", kAiry, "--", "-x.csv"});
        QCOMPARE(r.out, kGoodOut);
        QCOMPARE(runBatch({"geog2grid", "--params", kAiry, "-x.csv"}).status, 2);
        QVERIFY(QFile::exists(dashFile));
    }

    // A dirty AVX upper state, as set-up code may leave it, is cleared by the
    // guard the conversion loops run first.
    void upperStateCleared() {
#if defined(__x86_64__) && defined(__GNUC__)
        if (batch::Upper_State_In_Use() < 0)
            QSKIP("the processor cannot report its AVX upper state");
        // A 256-bit write with no VZEROUPPER after it.
        asm volatile("vcmpeqps %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");
        QCOMPARE(batch::Upper_State_In_Use(), 1);
        batch::Clean_Upper_State();
        QCOMPARE(batch::Upper_State_In_Use(), 0);
#else
        QSKIP("x86-64 only");
#endif
    }

    // An entry selected by name (case ignored) converts as its values given
    // with --params do.
    void spheroidFromCatalogue() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
        const catalogue::CatalogueStore store(path, true);
        const auto e = store.FindByName(QStringLiteral("Airy 1830 / National Grid"));
        QVERIFY(e);
        const auto& t = e->texts;
        const QString params =
            QStringList{t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian}.join(',');
        const Expected g = geog2grid(200, false, 30);
        const Run byName = runBatch({"geog2grid", "--as-window", "--spheroid",
                                     "AIRY 1830 / national grid", "--catalogue", path},
                                    g.input);
        const Run byParams = runBatch({"geog2grid", "--as-window", "--params", params}, g.input);
        QCOMPARE(byName.out, byParams.out);
        QCOMPARE(byName.err, byParams.err);
        QVERIFY(byName.out.count(QLatin1Char('\n')) > 150);

        const Run unknown =
            runBatch({"grid2geog", "--spheroid", "Nowhere", "--catalogue", path}, "1,1\n");
        QCOMPARE(unknown.status, 1);
        QVERIFY(unknown.err.contains(QLatin1String("Nowhere")));

        const Run list = runBatch({"list", "--catalogue", path});
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), store.ListNames());
    }

    void exportImportRoundTrip() {
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("from.mdb"));
        const QString to = dir.filePath(QStringLiteral("to.mdb"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(from));
        // A name that needs quotes on the way out.
        catalogue::CatalogueStore(from).SaveEntries(
            {{QStringLiteral("Local, \"test\" grid"), QStringLiteral("6378137"),
              QStringLiteral("0.00669438"), QStringLiteral("1"), QStringLiteral("500000"),
              QStringLiteral("0"), QStringLiteral("0 N"), QStringLiteral("3 E")}});
        QVERIFY(catalogue::CatalogueStore::CreateEmpty(to));

        const Run exported = runBatch({"export", "--catalogue", from});
        QCOMPARE(exported.status, 0);
        QVERIFY(exported.out.startsWith(QLatin1String(kHeader)));
        const Run imported = runBatch(
            {"import", "--catalogue", to, writeFile(dir, "cat.csv", exported.out.toUtf8())});
        QCOMPARE(imported.err, QString());
        QCOMPARE(imported.status, 0);

        const catalogue::CatalogueStore a(from, true), b(to, true);
        QCOMPARE(b.ListNames(), a.ListNames());
        for (const QString& name : a.ListNames()) {
            const auto x = a.FindByName(name), y = b.FindByName(name);
            QVERIFY(x && y);
            const auto &s = x->texts, &t = y->texts;
            QCOMPARE(QStringList(
                         {t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian}),
                     QStringList(
                         {s.name, s.sma, s.eccentricity, s.Scale, s.FE, s.FN, s.Lat, s.meridian}));
        }
        QCOMPARE(runBatch({"export", "--catalogue", to}).out, exported.out);
    }

    // Names already in the catalogue (case ignored) refuse the whole import
    // unless the user says what to do with them. Regression: importing twice
    // duplicated every entry, and lookups then found the older one.
    void importNames_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");      // on standard error or output
        QTest::addColumn<QStringList>("names"); // the catalogue afterwards
        QTest::addColumn<QString>("fe");        // False Easting of "Airy 1830" afterwards
        const QStringList before{"Airy 1830", "Other"};
        QTest::newRow("clash refuses all") << QStringList{} << 1 << "AIRY 1830" << before << "400000";
        QTest::newRow("replace keeps the key")
            << QStringList{"--replace"} << 0 << "" << QStringList{"AIRY 1830", "Other", "New"}
            << "1";
        QTest::newRow("skip existing") << QStringList{"--skip-existing"} << 0 << ""
                                       << (before + QStringList{"New"}) << "400000";
        QTest::newRow("dry run changes nothing") << QStringList{"--replace", "--dry-run"} << 0
                                                << "add New\nreplace AIRY 1830\n" << before
                                                << "400000";
    }
    void importNames() {
        QFETCH(QStringList, options);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        testcat::create(path, {{1, 1, "Airy 1830", "2 W", "49 N"}, {2, 2, "Other", "3 E", "0 N"}});
        testcat::Raw(path).run("UPDATE Spheroid SET FE = 400000 WHERE ref = 1");
        const QByteArray before = readFile(path);
        const QByteArray csv = kHeader + "New,6378137,0.0066,1,0,0,0 N,3 E\n"
                                         "AIRY 1830,6378137,0.0066,1,1,0,0 N,3 E\n";
        const Run r = runBatch(QStringList{"import", "--catalogue", path} + options + QStringList{"-"},
                               csv);
        QTEST(r.status, "status");
        QVERIFY2((r.err + r.out).contains(said), qPrintable(r.err + r.out));
        const catalogue::CatalogueStore store(path, true);
        QTEST(store.ListNames(), "names");
        const auto airy = store.FindByName(QStringLiteral("airy 1830"));
        QVERIFY(airy);
        QCOMPARE(airy->ref, qint64(1));
        QTEST(airy->texts.FE, "fe");
        if (options.contains("--dry-run") || r.status != 0)
            QCOMPARE(readFile(path), before);
    }

    // Names that differ only in case are each exported once, with their own
    // values (regression: the first was written for both).
    void exportByKey() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        testcat::create(path, {{1, 1, "Grid", "2 W", "49 N"}, {2, 2, "GRID", "3 E", "0 N"}});
        const Run r = runBatch({"export", "--catalogue", path});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QVERIFY2(r.out.contains(QLatin1String("\nGrid,6378137,")) &&
                     r.out.contains(QLatin1String(",49 N,2 W\n")) &&
                     r.out.contains(QLatin1String("\nGRID,6378137,")) &&
                     r.out.contains(QLatin1String(",0 N,3 E\n")),
                 qPrintable(r.out));
    }

    // A catalogue from elsewhere whose schema holds more than Quillmar's
    // table and index is never written, also not by a dry run, and is left
    // byte for byte as it was; reading and export still work. Regression:
    // a trigger wiped the other entries when one was imported.
    void foreignSchemaRefused_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("holds");
        QTest::newRow("trigger wipe")
            << "CREATE TRIGGER wipe AFTER INSERT ON Spheroid BEGIN DELETE FROM Spheroid WHERE "
               "name <> NEW.name; END"
            << "trigger wipe";
        QTest::newRow("trigger that refuses a row")
            << "CREATE TRIGGER refuse_second BEFORE INSERT ON Spheroid WHEN NEW.name = 'Second' "
               "BEGIN SELECT RAISE(ABORT, 'refused by the file'); END"
            << "trigger refuse_second";
        QTest::newRow("view") << "CREATE VIEW v AS SELECT name FROM Spheroid" << "view v";
        QTest::newRow("second table") << "CREATE TABLE notes (t TEXT)" << "table notes";
    }
    void foreignSchemaRefused() {
        QFETCH(QString, sql);
        QFETCH(QString, holds);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
        testcat::Raw(path).run(sql);
        const QByteArray before = readFile(path);
        const QString csv = writeFile(dir, "in.csv",
                                      kHeader + "First,6378137,0.0066,1,0,0,0 N,3 E\n"
                                                "Second,6378137,0.0066,1,0,0,0 N,3 E\n");
        for (const QStringList& extra : {QStringList{}, QStringList{"--dry-run"}}) {
            const Run r = runBatch(QStringList{"import", "--catalogue", path} + extra + QStringList{csv});
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains("not a Quillmar catalogue: it holds " + holds), qPrintable(r.err));
            QCOMPARE(r.out, QString());
            QCOMPARE(readFile(path), before);
        }
        const Run list = runBatch({"list", "--catalogue", path});
        QCOMPARE(list.status, 0);
        QCOMPARE(list.out.count('\n'), 25);
        QCOMPARE(runBatch({"export", "--catalogue", path}).out.count('\n'), 26);
        QCOMPARE(readFile(path), before);
    }

    // Simultaneous first runs on a fresh home each find one complete
    // catalogue, and no file is left beside it. Regression: two at once gave
    // "disk I/O error" or "table Spheroid already exists", and now and then
    // a 0-byte QUILLMAR.MDB that every later run refused.
    void simultaneousFirstRuns() {
        const int pairs = qEnvironmentVariableIntValue("QUILLMAR_STRESS_PAIRS") > 0
                              ? qEnvironmentVariableIntValue("QUILLMAR_STRESS_PAIRS")
                              : 30;
        for (int trial = 0; trial < pairs; ++trial) {
            QTemporaryDir home;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HOME"), home.path());
            env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/share"));
            QProcess a, b;
            for (QProcess* p : {&a, &b})
                p->setProcessEnvironment(env);
            a.start(QStringLiteral(QUILLMAR_BATCH), {"list"});
            b.start(QStringLiteral(QUILLMAR_BATCH),
                    {"geog2grid", "--spheroid", "Airy 1830 / National Grid"});
            b.write(kGood);
            b.closeWriteChannel();
            for (QProcess* p : {&a, &b}) {
                QVERIFY(p->waitForFinished(60000));
                QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            }
            QCOMPARE(a.readAllStandardOutput().count('\n'), 25);
            QCOMPARE(QString::fromUtf8(b.readAllStandardOutput()), kGoodOut);
            const QDir folder(home.path() + QStringLiteral("/share/quillmar"));
            QCOMPARE(folder.entryList(QDir::Files), QStringList{"QUILLMAR.MDB"});
        }
    }

    // Writers wait their turn. Regression: of four imports at once two
    // failed within milliseconds with "database is locked".
    void simultaneousImports() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int k = 0; k < 4; ++k) {
            const QString csv = writeFile(
                dir, qPrintable(QStringLiteral("in%1.csv").arg(k)),
                kHeader + QStringLiteral("Import %1,6378137,0.0066,1,0,0,0 N,3 E\n").arg(k).toUtf8());
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(QStringLiteral(QUILLMAR_BATCH), {"import", "--catalogue", path, csv});
        }
        for (auto& p : runs) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        QCOMPARE(catalogue::CatalogueStore(path, true).ListNames().size(), 29);
    }

    // Every write error is reported and fails the run. Regression: list to
    // a full disk said nothing and exited 0, export exited 1 silently.
    void writeErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addRow("list") << QStringList{"list"};
        QTest::addRow("export") << QStringList{"export"};
        QTest::addRow("geog2grid") << QStringList{"geog2grid", "--params", kAiry};
        QTest::addRow("import dry run") << QStringList{"import", "--dry-run", "-"};
    }
    void writeErrors() {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full");
        QFETCH(QStringList, args);
        QTemporaryDir home;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/share"));
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(QUILLMAR_BATCH), args);
        p.write(args.first() == "import" ? kHeader + "New,6378137,0.0066,1,0,0,0 N,3 E\n" : kGood);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("quillmar-batch: cannot write standard output: No space left on "
                                "device\n"));
    }

    void rejectedImportLeavesCatalogue_data() {
        QTest::addColumn<QByteArray>("badRow");
        QTest::addColumn<QString>("message");
        // clang-format off
        auto row = [](const char* name, const char* badRow, const char* message) {
            QTest::newRow(name) << QByteArray(badRow) << QString(message);
        };
        row("sma zero", "Zero,0,0.0066,1,0,0,0 N,3 E", "Enter semi major axis.");
        row("sma text reads as zero", "Text,abc,0.0066,1,0,0,0 N,3 E", "Enter semi major axis.");
        row("eccentricity not a number", "Bad,6378137,0.0066x,1,0,0,0 N,3 E",
            "Eccentricity ^2 must be a number");
        row("false northing empty", "Bad,6378137,0.0066,1,0,,0 N,3 E",
            "False Northing must be a number");
        row("seven fields", "Bad,6378137,0.0066,1,0,0,0 N", "expected 8 fields, found 7");
        row("origin that does not read", "Bad,6378137,0.0066,1,0,0,0 X,3 E",
            "Latitude of Origin must be degrees");
        row("meridian that does not read", "Bad,6378137,0.0066,1,0,0,0 N,X E",
            "Central Meridian must be degrees");
        row("e2 of 1.5", "Bad,6378137,1.5,1,0,0,0 N,3 E", "Eccentricity ^2 must be a number from 0");
        row("name blank", " ,6378137,0.0066,1,0,0,0 N,3 E", "Name must not be blank");
        row("meridian beyond 180", "Bad,6378137,0.0066,1,0,0,0 N,200 E",
            "Central Meridian must lie between 180 W and 180 E");
        // clang-format on
    }
    // One bad row anywhere rejects the whole file; the good row before it is
    // not added either.
    void rejectedImportLeavesCatalogue() {
        QFETCH(QByteArray, badRow);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
        const QByteArray before = readFile(path);
        const QString csv = writeFile(dir, "in.csv",
                                      kHeader + "Good,6378137,0.0066,1,0,0,0 N,3 E\n" + badRow +
                                          "\nLater,6378137,0.0066,1,0,0,0 N,3 E\n");
        const Run r = runBatch({"import", "--catalogue", path, csv});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("line 3: ") + message), qPrintable(r.err));
        QCOMPARE(readFile(path), before);
    }

    // ---- Beyond the series' millimetre -----------------------------------
    // Distances from the central meridian on GRS 80 (k0 0.9996, meridian 0),
    // with the threshold rows on both sides of 1 mm: forward 7.94 deg is
    // 0.991 mm from the exact projection, 7.96 deg 1.01 mm; the inverse
    // crosses between 7.0 and 7.1 deg. A kept record keeps every digit the
    // window shows; a refused one is marked and named as any refusal.
    void accuracy_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("refusal"); // empty: kept
        auto row = [](const char* name, const QStringList& args, const char* record,
                      const char* refusal) {
            QTest::newRow(name) << args << QByteArray(record) << QString(refusal);
        };
        const QStringList fwd{"geog2grid", "--decimal", "--params", kGrs80};
        const QStringList inv{"grid2geog", "--decimal", "--params", kGrs80};
        // clang-format off
        row("forward on the meridian", fwd, "40,0", "");
        row("forward 3 deg, every digit kept", fwd, "40,3", "");
        row("forward 7.94 deg, 0.991 mm: kept", fwd, "40,7.94", "");
        row("forward 7.96 deg, 1.01 mm: refused", fwd, "40,7.96", "0.001 m from the exact projection, 8.0° from the central meridian");
        row("forward 7.96 deg south west: refused", fwd, "-40,-7.96", "0.001 m from the exact projection, 8.0° from the central meridian");
        row("forward 18 deg", fwd, "40,18", "0.441 m from the exact projection, 18.0° from the central meridian");
        row("forward 30 deg", fwd, "40,30", "27.700 m from the exact projection, 30.0° from the central meridian");
        row("forward 45 deg", fwd, "40,45", "917.266 m from the exact projection, 45.0° from the central meridian");
        row("inverse 7.0 deg: kept", inv, "1097776.667,4451293.437", "");
        row("inverse 7.1 deg: refused", inv, "1106323.802,4451972.906", "0.001 m from the exact projection, 7.1° from the central meridian");
        // The examples that printed a latitude of 900 and 168948309256.
        row("inverse far north: impossible", inv, "500000,99999999", "The grid position lies outside what these series can invert.");
        row("inverse far east: impossible", inv, "99999999,5800000", "The grid position lies outside what these series can invert.");
        row("distance with position 2 at 18 deg", {"distance", "--params", kGrs80},
            "40,0,0,N,0,0,0,E,40,0,0,N,18,0,0,E", "0.441 m from the exact projection, 18.0° from the central meridian");
        // clang-format on
    }
    void accuracy() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, record);
        QFETCH(QString, refusal);
        const Run r = runBatch(args, record + '\n');
        if (!refusal.isEmpty()) {
            QCOMPARE(r.status, 1);
            QCOMPARE(r.err, QStringLiteral("quillmar-batch: line 1: ") + refusal + '\n');
            QVERIFY2(r.out.startsWith(QString::fromUtf8(record) + QStringLiteral(",*,*")),
                     qPrintable(r.out));
            QCOMPARE(runBatch(args + QStringList{"--on-error", "skip"}, record + '\n').out,
                     QString());
            return;
        }
        QCOMPARE(r.status, 0);
        const QStringList f = QString::fromUtf8(record).split(QLatin1Char(','));
        QString want;
        if (args[0] == QLatin1String("geog2grid")) {
            convert::GeogInput in;
            in.lat_deg = f[0].toStdString();
            in.long_deg = f[1].toStdString();
            const auto w = convert::Geog_To_Grid(kGrs80Params, in);
            QVERIFY(!w.inexact);
            want = QString::fromStdString(w.easting + "," + w.northing);
        } else {
            convert::GridInput in;
            in.easting = f[0].toStdString();
            in.northing = f[1].toStdString();
            const auto w = convert::Grid_To_Geog(kGrs80Params, in);
            QVERIFY(!w.inexact);
            want = QString::fromStdString(numtext::Format_Mask(w.latitude, "0.000000000") + "," +
                                          numtext::Format_Mask(w.longitude, "0.000000000"));
        }
        QCOMPARE(r.out, QString::fromUtf8(record) + QLatin1Char(',') + want + QLatin1Char('\n'));
    }

    // --exact against PROJ's tmerc, both ways, on several spheroids,
    // latitudes and hemispheres, from the meridian to 45 deg off it.
    void exactAgreesWithCs2cs_data() {
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("proj"); // the same set for cs2cs
        QTest::addColumn<double>("lat0");
        QTest::addColumn<double>("lon0");
        QTest::addColumn<int>("hemisphere");
        QTest::newRow("GRS 80, meridian 3 E, north")
            << "6378137,0.00669438002290,0.9996,500000,0,0 N,3 E"
            << "+proj=tmerc +lat_0=0 +lon_0=3 +k=0.9996 +x_0=500000 +y_0=0 +a=6378137 +es=0.00669438002290"
            << 0.0 << 3.0 << 1;
        QTest::newRow("GRS 80, southern false northing, south")
            << "6378137,0.00669438002290,0.9996,500000,10000000,0 N,147 E"
            << "+proj=tmerc +lat_0=0 +lon_0=147 +k=0.9996 +x_0=500000 +y_0=10000000 +a=6378137 +es=0.00669438002290"
            << 0.0 << 147.0 << -1;
        QTest::newRow("Airy 1830, origin 49 N, meridian 2 W")
            << QString(kAiry)
            << "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 +a=6377563.396 +es=0.00667054"
            << 49.0 << -2.0 << 1;
        QTest::newRow("International 1924, origin 10 S, meridian 75 W, south")
            << "6378388,0.00672267002233,0.9996,500000,2000000,10 S,75 W"
            << "+proj=tmerc +lat_0=-10 +lon_0=-75 +k=0.9996 +x_0=500000 +y_0=2000000 +a=6378388 +es=0.00672267002233"
            << -10.0 << -75.0 << -1;
    }
    void exactAgreesWithCs2cs() {
        QFETCH(QString, params);
        QFETCH(QString, proj);
        QFETCH(double, lon0);
        QFETCH(int, hemisphere);
        if (QStandardPaths::findExecutable(QStringLiteral("cs2cs")).isEmpty())
            QSKIP("cs2cs (proj-bin) is not installed");
        QByteArray latLon, lonLat;
        for (double lat : {0.5, 20.0, 40.0, 60.0, 75.0})
            for (double d : {0.0, 3.0, 10.0, 20.0, 30.0, 40.0, 45.0})
                for (int side : {-1, 1}) {
                    const double la = hemisphere * lat;
                    const double lo = std::remainder(lon0 + side * d, 360.0);
                    latLon += QByteArray::number(la, 'g', 17) + ',' + QByteArray::number(lo, 'g', 17) + '\n';
                    lonLat += QByteArray::number(lo, 'g', 17) + ' ' + QByteArray::number(la, 'g', 17) + '\n';
                }
        const QString geog = QStringLiteral("+proj=longlat ") +
                             proj.mid(proj.indexOf(QLatin1String("+a=")));
        const QStringList to = QStringList{"-f", "%.4f"} + geog.split(QLatin1Char(' ')) +
                               QStringList{"+to"} + proj.split(QLatin1Char(' '));
        const auto theirs = numbersOf(*runTool(QStringLiteral("cs2cs"), to, lonLat));
        const Run fwd = runBatch({"geog2grid", "--decimal", "--exact", "--precision", "4",
                                  "--results-only", "--params", params}, latLon);
        QCOMPARE(fwd.status, 0);
        const auto ours = numbersOf(fwd.out);
        QCOMPARE(ours.size(), theirs.size());
        for (size_t i = 0; i < ours.size(); ++i)
            QVERIFY2(std::hypot(ours[i][0] - theirs[i][0], ours[i][1] - theirs[i][1]) <= 1e-3,
                     qPrintable(QStringLiteral("%1: %2 %3 against %4 %5")
                                    .arg(QString::fromUtf8(latLon.split('\n')[int(i)]))
                                    .arg(ours[i][0], 0, 'f', 4).arg(ours[i][1], 0, 'f', 4)
                                    .arg(theirs[i][0], 0, 'f', 4).arg(theirs[i][1], 0, 'f', 4)));
        // Back from PROJ's grid positions.
        QByteArray grid, gridBlank;
        for (const auto& t : theirs) {
            grid += QByteArray::number(t[0], 'f', 4) + ',' + QByteArray::number(t[1], 'f', 4) + '\n';
            gridBlank += QByteArray::number(t[0], 'f', 4) + ' ' + QByteArray::number(t[1], 'f', 4) + '\n';
        }
        const auto back = numbersOf(*runTool(QStringLiteral("cs2cs"),
                                             QStringList{"-I", "-f", "%.11f"} + to.mid(2), gridBlank));
        const Run inv = runBatch({"grid2geog", "--decimal", "--exact", "--precision", "11",
                                  "--results-only", "--params", params}, grid);
        QCOMPARE(inv.status, 0);
        const auto geo = numbersOf(inv.out);
        QCOMPARE(geo.size(), back.size());
        for (size_t i = 0; i < geo.size(); ++i) {
            const double m = 111320 * std::hypot(geo[i][0] - back[i][1],
                                                 (geo[i][1] - back[i][0]) * std::cos(geo[i][0] * M_PI / 180));
            QVERIFY2(m <= 1e-3, qPrintable(QStringLiteral("%1: %2 m").arg(QString::fromUtf8(grid.split('\n')[int(i)])).arg(m)));
        }
    }

    // --exact reads every layout as the series do: near the meridian the two
    // agree to the millimetre, so a sign or a minute read otherwise shows.
    void exactReadsEveryLayout_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("seconds, south and west") << QStringList{} << QByteArray("40,30,15.5,S,1,15,0,W");
        QTest::newRow("seconds, minus in the degrees") << QStringList{} << QByteArray("-40,30,15.5,,-1,15,0,");
        QTest::newRow("minutes") << QStringList{"--minutes"} << QByteArray("52,30.25,N,3,15.5,W");
        QTest::newRow("lenient: the letter over the sign") << QStringList{"--lenient"} << QByteArray("52,30,0,N,-3,15,0,W");
        QTest::newRow("lenient: minutes beyond 60") << QStringList{"--lenient"} << QByteArray("52,75,0,N,0,30,0,W");
        QTest::newRow("dms in one field") << QStringList{"--dms"} << QByteArray("52 39 27.2531 N,1 30 0 W");
        QTest::newRow("decimal, longitude first") << QStringList{"--decimal", "--lon-lat"} << QByteArray("-1.5,52.5");
    }
    void exactReadsEveryLayout() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, record);
        const QStringList base = QStringList{"geog2grid", "--results-only", "--precision", "4", "--params", kAiry} + args;
        const Run series = runBatch(base, record + '\n');
        const Run exact = runBatch(base + QStringList{"--exact"}, record + '\n');
        QCOMPARE(series.status, 0);
        QCOMPARE(exact.status, 0);
        const auto a = numbersOf(series.out)[0], b = numbersOf(exact.out)[0];
        QVERIFY2(std::hypot(a[0] - b[0], a[1] - b[1]) <= 1e-3, qPrintable(series.out + exact.out));
    }

    // ---- Heights, elevation and combined factors, ground distances --------
    // Against the formulas written out here and GeodSolve's geodesic.
    void heights_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<double>("height");
        QTest::newRow("geog2grid, --height for every record")
            << QStringList{"geog2grid", "--decimal", "--height", "250", "--with", "scale,elevation,combined"}
            << QByteArray("52.5,1.5") << 250.0;
        QTest::newRow("geog2grid, below the ellipsoid")
            << QStringList{"geog2grid", "--decimal", "--height", "-400", "--with", "scale,elevation,combined"}
            << QByteArray("50.1,-5.5") << -400.0;
        QTest::newRow("grid2geog, height from a column")
            << QStringList{"grid2geog", "--decimal", "--fields", "easting=2,northing=3,h=4", "--with",
                           "scale,elevation,combined"}
            << QByteArray("P1,651409.903,313177.270,4000") << 4000.0;
    }
    void heights() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, record);
        QFETCH(double, height);
        const Run r = runBatch(args + QStringList{"--params", kAiry}, record + '\n');
        QCOMPARE(r.status, 0);
        const auto n = numbersOf(r.out)[0];
        const size_t k = n.size() - 5; // lat or E, lon or N, scale, elevation, combined
        const double lat = args[0] == QLatin1String("grid2geog") ? n[k] : n[0];
        const double R = meanRadius(6377563.396, 0.00667054, lat);
        QVERIFY(std::fabs(n[k + 3] - R / (R + height)) <= 1e-9);
        QVERIFY(std::fabs(n[k + 4] - n[k + 2] * R / (R + height)) <= 1e-9);
    }

    // Lines up to 20 km at heights up to 4,000 m: ground distance
    // s12 (R_alpha + hm) / R_alpha within 0.1 mm, the combined line factor
    // (grid / ground) within 1e-9.
    void groundDistances_data() {
        QTest::addColumn<QList<double>>("line"); // lat1, lon1, lat2, lon2
        QTest::addColumn<QStringList>("heights"); // options
        QTest::addColumn<double>("h1");
        QTest::addColumn<double>("h2");
        QTest::newRow("20 km east, 250 m") << QList<double>{52.1, -1.2, 52.1, -0.907}
                                         << QStringList{"--height", "250"} << 250.0 << 250.0;
        QTest::newRow("12 km north-east, 0 and 4000 m from columns")
            << QList<double>{54.3, -3.1, 54.38, -2.97}
            << QStringList{"--fields", "lat1-deg=1,lat1-min=2,lat1-sec=3,lat1-letter=4,lon1-deg=5,"
                                       "lon1-min=6,lon1-sec=7,lon1-letter=8,lat2-deg=9,lat2-min=10,"
                                       "lat2-sec=11,lat2-letter=12,lon2-deg=13,lon2-min=14,"
                                       "lon2-sec=15,lon2-letter=16,h1=17,h2=18"}
            << 0.0 << 4000.0;
        QTest::newRow("300 m south, 1200 m") << QList<double>{51.5, 0.1, 51.4973, 0.1}
                                           << QStringList{"--height", "1200"} << 1200.0 << 1200.0;
    }
    void groundDistances() {
        QFETCH(QList<double>, line);
        QFETCH(QStringList, heights);
        QFETCH(double, h1);
        QFETCH(double, h2);
        const double a = 6377563.396, e2 = 0.00667054;
        const auto solved = runTool(QStringLiteral("GeodSolve"),
                                    {"-i", "-e", QString::number(a, 'g', 17),
                                     QString::number(1 - std::sqrt(1 - e2), 'g', 17), "-p", "9"},
                                    QStringLiteral("%1 %2 %3 %4\n").arg(line[0], 0, 'g', 17).arg(line[1], 0, 'g', 17)
                                        .arg(line[2], 0, 'g', 17).arg(line[3], 0, 'g', 17).toUtf8());
        if (!solved)
            QSKIP("GeodSolve (geographiclib-tools) is not installed");
        const auto g = numbersOf(*solved)[0]; // azi1 azi2 s12
        // The grid distance from the unrounded eastings and northings.
        const auto en = numbersOf(runBatch({"geog2grid", "--decimal", "--precision", "9", "--results-only",
                                            "--params", kAiry},
                                           QStringLiteral("%1,%2\n%3,%4\n").arg(line[0], 0, 'g', 17).arg(line[1], 0, 'g', 17)
                                               .arg(line[2], 0, 'g', 17).arg(line[3], 0, 'g', 17).toUtf8()).out);
        const double grid = std::hypot(en[1][0] - en[0][0], en[1][1] - en[0][1]);
        auto pos = [](double lat, double lon) {
            return QStringLiteral("%1,0,0,%2,%3,0,0,%4").arg(std::fabs(lat), 0, 'g', 17).arg(lat < 0 ? "S" : "N")
                .arg(std::fabs(lon), 0, 'g', 17).arg(lon < 0 ? "W" : "E");
        };
        QString record = pos(line[0], line[1]) + QLatin1Char(',') + pos(line[2], line[3]);
        if (heights[0] == QLatin1String("--fields"))
            record += QStringLiteral(",%1,%2").arg(h1).arg(h2);
        const Run r = runBatch(QStringList{"distance", "--with", "geodesic,ground", "--params", kAiry} + heights,
                               record.toUtf8() + '\n');
        QCOMPARE(r.status, 0);
        const auto n = numbersOf(r.out)[0];
        const double ground = n[n.size() - 2], combined = n[n.size() - 1];
        const double Ra = azimuthRadius(a, e2, (line[0] + line[2]) / 2, g[0]);
        const double want = g[2] * (Ra + (h1 + h2) / 2) / Ra;
        QVERIFY2(std::fabs(ground - want) <= 1e-4, qPrintable(QString::number(ground - want)));
        QVERIFY2(std::fabs(combined - grid / want) <= 1e-9, qPrintable(QString::number(combined - grid / want)));
    }

    // ---- Grid references --------------------------------------------------
    // Written beside the results, and read instead of an easting and a
    // northing at the centre of the square they name.
    void gridReferences_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("output"); // the line, or "=E,N": the result at that grid position
        QTest::addColumn<QString>("refusal");
        const QStringList os{"grid2geog", "--decimal", "--params", kAiry};
        const QStringList ie{"grid2geog", "--decimal", "--params", kIrish};
        // clang-format off
        QTest::newRow("National Grid reference of a grid position") << (os + QStringList{"--with", "gridref,scale"})
            << QByteArray("651409.903,313177.270") << "651409.903,313177.270,52.657570302,1.717921584,TG 51409 13177,1.0003773154" << "";
        QTest::newRow("Irish Grid reference") << (ie + QStringList{"--with", "gridref"})
            << QByteArray("315904,234671") << "=" << "";
        QTest::newRow("geog2grid names its result's square") << QStringList{"geog2grid", "--decimal", "--with", "gridref", "--params", kAiry}
            << QByteArray("52.5,1.5") << "52.5,1.5,637529.697,294921.535,TM 37529 94921" << "";
        QTest::newRow("a set of no grid leaves the column empty") << QStringList{"geog2grid", "--decimal", "--with", "gridref", "--params", kGrs80}
            << QByteArray("40,1") << "40,1,585360.462,4428236.065," << "";
        QTest::newRow("read: 1 km square at its centre") << (os + QStringList{"--gridref"})
            << QByteArray("TG5113") << "=651500,313500" << "";
        QTest::newRow("read: lower case and blanks") << (os + QStringList{"--gridref"})
            << QByteArray("tg 51409 13177") << "=651409.5,313177.5" << "";
        QTest::newRow("read: Irish, written back") << (ie + QStringList{"--gridref", "--with", "gridref"})
            << QByteArray("O 15904 34671") << "=315904.5,234671.5" << "";
        QTest::newRow("read: another grid's reference refused") << (os + QStringList{"--gridref"})
            << QByteArray("O 15904 34671") << "" << "A National Grid reference is two letters and 2 to 10 digits, e.g. TG 51409 13177.";
        // A number read as a reference would be an easting on northing 0.
        QTest::newRow("read: a number is no reference") << (os + QStringList{"--gridref"})
            << QByteArray("651409") << "" << "A National Grid reference is two letters and 2 to 10 digits, e.g. TG 51409 13177.";
        // clang-format on
    }
    void gridReferences() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, record);
        QFETCH(QString, output);
        QFETCH(QString, refusal);
        const Run r = runBatch(args, record + '\n');
        if (!refusal.isEmpty()) {
            QCOMPARE(r.status, 1);
            QCOMPARE(r.err, QStringLiteral("quillmar-batch: line 1: ") + refusal + '\n');
            return;
        }
        QCOMPARE(r.status, 0);
        if (!output.startsWith(QLatin1Char('='))) {
            QCOMPARE(r.out, output + '\n');
            return;
        }
        // The same as the grid position typed as numbers.
        const QByteArray at = output.size() > 1 ? output.mid(1).toUtf8() : record;
        QStringList plain = args;
        plain.removeAll(QStringLiteral("--gridref"));
        const Run p = runBatch(plain, at + '\n');
        QCOMPARE(r.out.section(QLatin1Char(','), args.contains(QStringLiteral("--gridref")) ? 1 : 2),
                 p.out.section(QLatin1Char(','), 2));
        if (args.contains(QStringLiteral("gridref")))
            QVERIFY2(r.out.trimmed().endsWith(QLatin1String(",O 15904 34671")), qPrintable(r.out));
    }

    // MGRS references as GeoConvert -m writes them, for random points of
    // WGS 84 UTM zones north and south.
    void mgrsAgreesWithGeoConvert_data() {
        QTest::addColumn<int>("zone");
        QTest::addColumn<bool>("north");
        QTest::newRow("zone 30 north") << 30 << true;
        QTest::newRow("zone 33 north") << 33 << true;
        QTest::newRow("zone 56 south") << 56 << false;
    }
    void mgrsAgreesWithGeoConvert() {
        QFETCH(int, zone);
        QFETCH(bool, north);
        if (QStandardPaths::findExecutable(QStringLiteral("GeoConvert")).isEmpty())
            QSKIP("GeoConvert (geographiclib-tools) is not installed");
        const double cm = 6 * zone - 183;
        Gen g{unsigned(zone)};
        QByteArray pts;
        for (int i = 0; i < 400; ++i)
            pts += QByteArray::number(north ? g.uniform(0.5, 72) : g.uniform(-72, -0.5), 'f', 7) + ',' +
                   QByteArray::number(cm + g.uniform(-2.99, 2.99), 'f', 7) + '\n';
        const QString params = QStringLiteral("6378137,0.00669437999014,0.9996,500000,%1,0 N,%2")
                                   .arg(north ? 0 : 10000000).arg(cm);
        const Run r = runBatch({"geog2grid", "--decimal", "--with", "gridref", "--results-only",
                                "--params", params}, pts);
        QCOMPARE(r.status, 0);
        QByteArray blank = pts;
        blank.replace(',', ' ');
        const QStringList theirs = runTool(QStringLiteral("GeoConvert"), {"-m", "-p", "0", "-z", QString::number(zone)}, blank)
                                       ->split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList ours = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(ours.size(), theirs.size());
        for (int i = 0; i < ours.size(); ++i) {
            QString mgrs = ours[i].section(QLatin1Char(','), 2);
            mgrs.remove(QLatin1Char(' '));
            QCOMPARE(mgrs, theirs[i].trimmed());
        }
    }

    // ---- The registry -----------------------------------------------------
    // IRENET95 / Irish Transverse Mercator from the registry with no
    // catalogue, converting 53 20 N 6 15 W as cs2cs does, both ways.
    void epsgAsCs2cs_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("2157") << "2157";
        QTest::newRow("EPSG:2157") << "EPSG:2157";
    }
    void epsgAsCs2cs() {
        QFETCH(QString, code);
        QTemporaryDir home; // no catalogue anywhere
        const Run r = runBatch({"geog2grid", "--epsg", code, "--results-only"}, "53,20,0,N,6,15,0,W\n", home.path());
        QCOMPARE(r.status, 0);
        QVERIFY(!QFile::exists(home.filePath(QStringLiteral("share/quillmar"))));
        const auto ours = numbersOf(r.out);
        const auto cs2cs = runTool(QStringLiteral("cs2cs"), {"-f", "%.4f", "+proj=longlat", "+ellps=GRS80", "+to", "EPSG:2157"},
                                   "-6.25 53.3333333333333333\n");
        if (!cs2cs)
            QSKIP("cs2cs (proj-bin) is not installed");
        const auto theirs = numbersOf(*cs2cs);
        QVERIFY(std::hypot(ours[0][0] - theirs[0][0], ours[0][1] - theirs[0][1]) <= 1e-3 + 1e-9);
        const Run back = runBatch({"grid2geog", "--epsg", code, "--dms", "--results-only"}, r.out.toUtf8(), home.path());
        QCOMPARE(back.out, QStringLiteral("\"53°20'00.0000\"\"N\",\"006°15'00.0000\"\"W\"\n"));
    }

    void search_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // a line of the output; empty: none
        QTest::addColumn<bool>("first");   // the first line
        // clang-format off
        QTest::newRow("words of the name") << QStringList{"irish", "transverse"} << 0 << "EPSG:2157\tIRENET95 / Irish Transverse Mercator" << true;
        QTest::newRow("a code") << QStringList{"2157"} << 0 << "EPSG:2157\tIRENET95 / Irish Transverse Mercator" << true;
        QTest::newRow("every usable grid") << QStringList{} << 0 << "EPSG:2157\tIRENET95 / Irish Transverse Mercator" << false;
        QTest::newRow("an unusable grid only with --all") << QStringList{"--all", "EPSG:2236"} << 0
            << "EPSG:2236\tNAD83 / Florida East (ftUS)\tEPSG:2236 NAD83 / Florida East (ftUS) is in US survey feet; Quillmar works in metres" << true;
        QTest::newRow("not Transverse Mercator, without --all") << QStringList{"3857"} << 1 << "" << true;
        QTest::newRow("nothing matches") << QStringList{"no such grid anywhere"} << 1 << "" << true;
        // clang-format on
    }
    void search() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(bool, first);
        const Run r = runBatch(QStringList{"search"} + args);
        QCOMPARE(r.status, status);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (line.isEmpty()) {
            QVERIFY(lines.isEmpty());
        } else {
            QVERIFY2(first ? lines.value(0) == line : lines.contains(line), qPrintable(r.out.left(300)));
        }
        if (args.isEmpty())
            QVERIFY2(lines.size() >= 3000, qPrintable(QString::number(lines.size())));
    }

    // The registry's grids into a catalogue with import's checks and
    // duplicate rules; export --proj writes each entry's PROJ string, which
    // cs2cs converts with as the entry converts here.
    void importEpsgAndExportProj() {
        QTemporaryDir dir;
        const QString cat = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(cat));
        const QByteArray before = readFile(cat);
        auto import = [&](const QStringList& more) { return runBatch(QStringList{"import", "--catalogue", cat} + more); };
        Run r = import({"--epsg", "3857"});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QLatin1String("is not Transverse Mercator")), qPrintable(r.err));
        r = import({"--epsg", "2157,EPSG:2157"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("named twice")), qPrintable(r.err));
        QCOMPARE(readFile(cat), before);
        QCOMPARE(import({"--epsg", "2157,29903"}).status, 0);
        r = import({"--epsg", "2157"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("already has 1 entry")), qPrintable(r.err));
        QCOMPARE(import({"--epsg", "2157", "--skip-existing"}).status, 0);
        const QString names = runBatch({"list", "--catalogue", cat}).out;
        QVERIFY(names.contains(QLatin1String("IRENET95 / Irish Transverse Mercator\n")));
        QVERIFY(names.contains(QLatin1String("TM75 / Irish Grid\n")));
        // The imported entry converts as --epsg does.
        QCOMPARE(runBatch({"geog2grid", "--catalogue", cat, "--spheroid", "IRENET95 / Irish Transverse Mercator"}, "53,20,0,N,6,15,0,W\n").out,
                 runBatch({"geog2grid", "--epsg", "2157"}, "53,20,0,N,6,15,0,W\n").out);

        const Run exported = runBatch({"export", "--proj", "--catalogue", cat});
        QCOMPARE(exported.status, 0);
        QVERIFY(exported.out.startsWith(QLatin1String("name,sma,eccentricity,Scale,FE,FN,Lat,meridian,proj\n")));
        // Read back whole: the file export --proj writes imports.
        QTemporaryDir other;
        const QString copy = other.filePath(QStringLiteral("QUILLMAR.MDB"));
        QVERIFY(catalogue::CatalogueStore::InstallDefault(copy));
        QCOMPARE(runBatch({"import", "--catalogue", copy, "--replace", writeFile(other, "p.csv", exported.out.toUtf8())}).status, 0);
        if (QStandardPaths::findExecutable(QStringLiteral("cs2cs")).isEmpty())
            QSKIP("cs2cs (proj-bin) is not installed");
        std::vector<std::string_view> f;
        std::string unquoted, error;
        int checked = 0;
        const QStringList lines = exported.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
        for (const QString& line : lines) {
            const std::string text = line.toStdString();
            QVERIFY(batch::Split_Record(text, f, unquoted, error));
            QCOMPARE(f.size(), size_t(9));
            const QString name = QString::fromUtf8(f[0].data(), qsizetype(f[0].size()));
            const QString proj = QString::fromUtf8(f[8].data(), qsizetype(f[8].size()));
            if (proj.isEmpty())
                continue; // an entry whose values do not read
            QVERIFY2(proj.startsWith(QLatin1String("+proj=tmerc +lat_0=")) && proj.endsWith(QLatin1String(" +units=m +no_defs")), qPrintable(proj));
            // A point 1 deg east of the meridian, 5 deg from the origin.
            const double lat0 = proj.section(QStringLiteral("+lat_0="), 1).section(QLatin1Char(' '), 0, 0).toDouble();
            const double lon0 = proj.section(QStringLiteral("+lon_0="), 1).section(QLatin1Char(' '), 0, 0).toDouble();
            const double lat = lat0 >= 0 ? std::min(lat0 + 5, 80.0) : lat0 - 5, lon = lon0 + 1;
            const Run ours = runBatch({"geog2grid", "--decimal", "--precision", "4", "--results-only", "--catalogue", cat,
                                       "--spheroid", name},
                                      QStringLiteral("%1,%2\n").arg(lat, 0, 'g', 17).arg(lon, 0, 'g', 17).toUtf8());
            if (ours.status != 0)
                continue; // an entry the windows cannot use either
            const QString ellipsoid = proj.mid(proj.indexOf(QLatin1String("+a=")));
            const auto theirs = numbersOf(*runTool(QStringLiteral("cs2cs"),
                                                   QStringList{"-f", "%.4f", "+proj=longlat"} + ellipsoid.split(QLatin1Char(' ')) +
                                                       QStringList{"+to"} + proj.split(QLatin1Char(' ')),
                                                   QStringLiteral("%1 %2\n").arg(lon, 0, 'g', 17).arg(lat, 0, 'g', 17).toUtf8()));
            const auto n = numbersOf(ours.out);
            QVERIFY2(std::hypot(n[0][0] - theirs[0][0], n[0][1] - theirs[0][1]) <= 1e-3, qPrintable(name + ": " + proj));
            ++checked;
        }
        QVERIFY(checked >= 20);
    }

    // ---- GIS layers -------------------------------------------------------
    // Each format read back with ogrinfo: the layer, its CRS, every
    // converted record with its attributes, refused ones left out, and
    // coordinates equal to the CSV output's.
    void layers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("crs"); // a line of ogrinfo's CRS
        QTest::newRow("GeoPackage") << "out.gpkg" << "geog2grid" << "PROJCRS[\"IRENET95 / Irish Transverse Mercator\"";
        QTest::newRow("GeoJSON") << "out.geojson" << "geog2grid" << "PROJCRS[\"IRENET95 / Irish Transverse Mercator\"";
        QTest::newRow("Shapefile") << "out.shp" << "geog2grid" << "PROJCRS[\"IRENET95 / Irish Transverse Mercator\"";
        QTest::newRow("CSV") << "out.csv" << "geog2grid" << "PROJCRS[\"IRENET95 / Irish Transverse Mercator\"";
        QTest::newRow("GeoPackage, geographic") << "out.gpkg" << "grid2geog" << "GEOGCRS[\"IRENET95\"";
        // KML holds WGS 84 only; IRENET95 is the same on the ground.
        QTest::newRow("KML, geographic") << "out.kml" << "grid2geog" << "GEOGCRS[\"WGS 84\"";
    }
    void layers() {
        QFETCH(QString, file);
        QFETCH(QString, command);
        QFETCH(QString, crs);
        if (QStandardPaths::findExecutable(QStringLiteral("ogrinfo")).isEmpty())
            QSKIP("ogrinfo (gdal-bin) is not installed");
        QTemporaryDir dir;
        const bool toGrid = command == QLatin1String("geog2grid");
        const QString in = writeFile(dir, "in.csv", toGrid
            ? "ID,Note,Lat,Lon\nP1,oak tree,53.35,-6.26\nP2,\"gate, north\",53.30,-6.20\nP3,bad,abc,-6.2\n"
            : "ID,Note,E,N\nP1,oak tree,715845.936,734720.331\nP2,\"gate, north\",719980.464,729256.529\nP3,bad,abc,1\n");
        const QStringList args{command, "--decimal", "--header", "--fields", toGrid ? "lat=Lat,lon=Lon" : "easting=E,northing=N",
                               "--with", "scale", "--epsg", "2157", in};
        const Run csv = runBatch(args);
        QCOMPARE(csv.status, 1);
        const QString path = dir.filePath(file);
        const Run layer = runBatch(args + QStringList{"--output", path});
        QCOMPARE(layer.status, 1);
        QCOMPARE(layer.out, QString());
        QCOMPARE(layer.err, csv.err); // the refusal reported as before
        const QString info = *runTool(QStringLiteral("ogrinfo"), {"-al", path});
        QVERIFY2(info.contains(QLatin1String("Feature Count: 2")), qPrintable(info));
        QVERIFY2(info.contains(crs), qPrintable(info.left(2000)));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("ID \\(String\\) = P1"))), qPrintable(info));
        QVERIFY2(info.contains(QLatin1String("Note (String) = gate, north")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("scale \\(Real\\) = 0\\.99998"))), qPrintable(info));
        QVERIFY(!info.contains(QLatin1String("= P3")));
        // The points, in order, against the CSV output's results.
        const QRegularExpression point(QStringLiteral("POINT \\(([-0-9.e]+) ([-0-9.e]+)"));
        auto it = point.globalMatch(info);
        const QStringList rows = csv.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(it.hasNext());
            const auto m = it.next();
            std::vector<std::string_view> c;
            std::string unquoted, error;
            const std::string line = rows[i].toStdString();
            QVERIFY(batch::Split_Record(line, c, unquoted, error));
            // x is the easting or longitude whatever the CRS's axis order.
            const double x = std::stod(std::string(c[toGrid ? 4 : 5]));
            const double y = std::stod(std::string(c[toGrid ? 5 : 4]));
            const double tolerance = file.endsWith(QLatin1String(".kml")) ? 1e-8 : 1e-9;
            QVERIFY2(std::fabs(m.captured(1).toDouble() - x) <= tolerance * std::max(1.0, std::fabs(x)) &&
                         std::fabs(m.captured(2).toDouble() - y) <= tolerance * std::max(1.0, std::fabs(y)),
                     qPrintable(m.captured(0) + " against " + rows[i]));
        }
        QVERIFY(!it.hasNext());
    }

    // What the new options refuse: the command line (exit 2) or the record.
    void wiredOptionsRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        auto row = [](const char* name, const QStringList& args, const char* input, int status, const char* said) {
            QTest::newRow(name) << args << QByteArray(input) << status << QString(said);
        };
        const QStringList toGrid{"geog2grid", "--decimal", "--params", kAiry};
        const QStringList toGeog{"grid2geog", "--params", kAiry};
        // clang-format off
        row("height column not a number", toGeog + QStringList{"--with", "elevation", "--fields", "easting=1,northing=2,h=3"},
            "651409.903,313177.270,x\n", 1, "line 1: field 3 (height): \"x\" is not a number");
        row("height column beyond 9000 m", toGeog + QStringList{"--with", "elevation", "--fields", "easting=1,northing=2,h=3"},
            "651409.903,313177.270,9500\n", 1, "line 1: field 3 (height) must lie between -500 and 9000.");
        row("height column beyond 9000 m, leniently read", toGeog + QStringList{"--lenient", "--with", "combined", "--fields", "easting=1,northing=2,h=3"},
            "651409.903,313177.270,9500\n", 1, "line 1: field 3 (height) must lie between -500 and 9000.");
        row("distance: second height named by its column", {"distance", "--grid", "--params", kAiry, "--with", "ground", "--fields", "e1=1,n1=2,e2=3,n2=4,h1=5,h2=6"},
            "0,0,3000,4000,10,abc\n", 1, "line 1: field 6 (height 2): \"abc\" is not a number");
        row("--height not a number", toGrid + QStringList{"--with", "elevation", "--height", "high"}, "", 2, "--height: \"high\" is not a number");
        row("--height out of range", toGrid + QStringList{"--with", "elevation", "--height", "-600"}, "", 2, "--height must lie between -500 and 9000.");
        row("elevation without a height", toGrid + QStringList{"--with", "scale,elevation"}, "", 2, "--with elevation and combined need --height H or --fields h=COLUMN");
        row("ground without heights", {"distance", "--params", kAiry, "--with", "ground"}, "", 2, "--with ground needs --height H or --fields h1=COLUMN,h2=COLUMN");
        row("a height with nothing to use it", toGrid + QStringList{"--height", "10"}, "", 2, "a height goes with --with elevation or combined");
        row("h1 without h2", {"distance", "--grid", "--params", kAiry, "--with", "ground", "--fields", "e1=1,n1=2,e2=3,n2=4,h1=5"}, "", 2, "--fields names h1 and h2 together");
        row("ground is the distance's", toGrid + QStringList{"--with", "ground"}, "", 2, "--with names convergence, scale, elevation, combined or gridref");
        row("--gridref with a set of no grid", {"grid2geog", "--gridref", "--params", kGrs80}, "", 2, "--gridref: --params names no grid with lettered references");
        row("--gridref is grid2geog's", toGrid + QStringList{"--gridref"}, "", 2, "--gridref belongs to grid2geog");
        row("--exact is not the distance's", {"distance", "--exact", "--params", kAiry}, "", 2, "--exact belongs to geog2grid and grid2geog");
        row("--epsg of a web map", {"geog2grid", "--epsg", "3857"}, "", 2, "--epsg: EPSG:3857 WGS 84 / Pseudo-Mercator is not Transverse Mercator");
        row("--epsg in feet", {"geog2grid", "--epsg", "EPSG:2236"}, "", 2, "--epsg: EPSG:2236 NAD83 / Florida East (ftUS) is in US survey feet; Quillmar works in metres");
        row("--epsg unknown", {"geog2grid", "--epsg", "999999"}, "", 2, "--epsg: EPSG:999999 is not in the registry");
        row("--epsg not a code", {"geog2grid", "--epsg", "irish"}, "", 2, "--epsg: irish is not an EPSG code");
        row("--epsg beside --params", {"geog2grid", "--epsg", "2157", "--params", kAiry}, "", 2, "needs one of --spheroid NAME, --params a,e2,k0,FE,FN,LAT,CM or --epsg CODE");
        row("--output of an unknown format", toGrid + QStringList{"--output", "out.txt"}, "", 2, "--output: \"out.txt\": the extension names the format, one of .gpkg");
        row("--output of a distance", {"distance", "--params", kAiry, "--output", "out.gpkg"}, "", 2, "--output belongs to geog2grid and grid2geog");
        row("--proj is export's", toGrid + QStringList{"--proj"}, "", 2, "--proj belongs to export");
        row("import takes a file or codes", {"import", "--epsg", "2157", "x.csv"}, "", 2, "import --epsg takes no FILE");
        // clang-format on
    }
    void wiredOptionsRefused() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const Run r = runBatch(args, input, dir.path());
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QVERIFY(!QFile::exists(QStringLiteral("out.txt")) && !QFile::exists(QStringLiteral("out.gpkg")));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
