// Runs the built quillmar-batch on files and compares its lines with the
// texts the window functions give for the same fields, called in-process.

#include "conversions.h"
#include "intersection.h"
#include "numtext.h"
#include "store.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

const QString kAiry =
    QStringLiteral("6377563.396,0.00667054,0.9996012717,400000,-100000,49 N,2 W");

geo::ProjectionParams airy() {
    geo::ProjectionParams p;
    p.major_axis = 6377563.396;
    p.ecc_squared = 0.00667054;
    p.scale_factor = 0.9996012717;
    p.false_easting = 400000;
    p.false_northing = -100000;
    p.origin_lat = 49;
    p.central_meridian = -2;
    return p;
}

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runBatch(const QStringList& args, const QByteArray& stdinData = {}) {
    QProcess p;
    p.start(QStringLiteral(QUILLMAR_BATCH), args);
    p.write(stdinData);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString field(const std::string& f) {
    const QString s = QString::fromStdString(f);
    const bool quote = s.contains(QLatin1Char(',')) || s.contains(QLatin1Char('"')) ||
                       s.startsWith(QLatin1Char(' ')) || s.endsWith(QLatin1Char(' '));
    if (!quote)
        return s;
    return QLatin1Char('"') + QString(s).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString join(const std::vector<std::string>& fields) {
    QStringList l;
    for (const auto& f : fields)
        l << field(f);
    return l.join(QLatin1Char(','));
}

// One generated file and what the window functions say about each record.
struct Expected {
    QByteArray input;
    QString out;
    QString err;
};

void add(Expected& e, int line, const std::vector<std::string>& fields, const std::string& message,
         const std::vector<std::string>& results) {
    e.input += join(fields).toUtf8() + '\n';
    if (!message.empty()) {
        e.err += QStringLiteral("line %1: %2\n").arg(line).arg(QString::fromStdString(message));
        return;
    }
    std::vector<std::string> all = fields;
    all.insert(all.end(), results.begin(), results.end());
    e.out += join(all) + QLatin1Char('\n');
}

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
        in.withSeconds = !minutes;
        in.lat_deg = g.number(49, 59, 0);
        in.lat_min = g.number(0, 60, minutes ? 4 : 0);
        in.lat_sec = minutes ? "" : g.number(0, 60, 3);
        in.ns = g.letter("NS");
        in.long_deg = g.number(0, 8, 0);
        in.long_min = g.number(0, 60, minutes ? 4 : 0);
        in.long_sec = minutes ? "" : g.number(0, 60, 3);
        in.ew = g.letter("EW");
        std::vector<std::string> f = {in.lat_deg, in.lat_min, in.lat_sec, in.ns,
                                      in.long_deg, in.long_min, in.long_sec, in.ew};
        if (minutes)
            f = {in.lat_deg, in.lat_min, in.ns, in.long_deg, in.long_min, in.ew};
        const auto r = convert::Geog_To_Grid(airy(), "2 W", in);
        add(e, i, f, r.message, {r.easting, r.northing});
    }
    return e;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT

  private slots:
    void workedExamples_data();
    void workedExamples();
    void generatedRecords_data();
    void generatedRecords();
    void largeInputKeepsOrder();
    void malformedRecords_data();
    void malformedRecords();
    void emptyInput();
    void usageErrors_data();
    void usageErrors();
    void helpHasAnExamplePerCommand();
    void missingCatalogue();
    void spheroidFromCatalogue();
    void exportImportRoundTrip();
    void rejectedImportLeavesCatalogue_data();
    void rejectedImportLeavesCatalogue();
};

void TestBatch::workedExamples_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("geog2grid Airy 52N 1W")
        << QStringList{"geog2grid", "--params", kAiry} << QByteArray("52,0,0,N,1,0,0,W\n")
        << QStringLiteral("52,0,0,N,1,0,0,W,468643.108,234025.790\n");
    QTest::newRow("grid2geog seconds carry to 60")
        << QStringList{"grid2geog", "--params", kAiry} << QByteArray("468643.108,234025.790\n")
        << QStringLiteral("468643.108,234025.790,\" 51 Deg  59 Min 60.000 Sec N\","
                          "001 Deg  0 Min 0.000 Sec W\n");
    QTest::newRow("grid2geog minutes layout")
        << QStringList{"grid2geog", "--layout", "minutes", "--params", kAiry}
        << QByteArray("468643.108,234025.790\n")
        << QStringLiteral("468643.108,234025.790,\" 51 Deg 60. Min N\",001 Deg . Min W\n");
    QTest::newRow("distance grid 3-4-5")
        << QStringList{"distance", "--grid", "--params", kAiry} << QByteArray("0,0,3000,4000\n")
        << QStringLiteral("0,0,3000,4000,5.00,2.70\n");
    QTest::newRow("distance grid below one km")
        << QStringList{"distance", "--grid", "--params", kAiry} << QByteArray(",,500,\n")
        << QStringLiteral(",,500,,.50,.27\n");
    // The line's last record has no line end.
    QTest::newRow("last line without line end")
        << QStringList{"geog2grid", "--params", kAiry} << QByteArray("52,0,0,N,1,0,0,W")
        << QStringLiteral("52,0,0,N,1,0,0,W,468643.108,234025.790\n");
    QTest::newRow("CRLF line ends")
        << QStringList{"distance", "--grid", "--params", kAiry}
        << QByteArray("0,0,3000,4000\r\n0,0,0,926\r\n")
        << QStringLiteral("0,0,3000,4000,5.00,2.70\n0,0,0,926,.93,.50\n");
}

void TestBatch::workedExamples() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, output);
    const Run r = runBatch(args, input);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, output);
    QCOMPARE(r.status, 0);
}

void TestBatch::generatedRecords_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");
    const int n = 300;
    auto row = [](const char* name, QStringList args, const Expected& e) {
        QTest::newRow(name) << args << e.input << e.out << e.err;
    };
    row("geog2grid deg min sec", {"geog2grid", "--params", kAiry}, geog2grid(n, false, 1));
    row("geog2grid deg minutes", {"geog2grid", "--minutes", "--params", kAiry},
        geog2grid(n, true, 2));

    for (bool minutes : {false, true}) {
        Gen g(3 + minutes);
        Expected e;
        for (int i = 1; i <= n; ++i) {
            convert::GridInput in{g.number(0, 800000, 3), g.number(-100000, 1300000, 3), "2 W",
                                  "49 N"};
            const auto r = convert::Grid_To_Geog(airy(), in);
            const auto t = minutes ? numtext::Layout_Minutes(r.result)
                                   : numtext::Layout_Seconds(r.result);
            add(e, i, {in.easting, in.northing}, r.message, {t.lat, t.lon});
        }
        if (minutes)
            row("grid2geog minutes", {"grid2geog", "--layout", "minutes", "--params", kAiry}, e);
        else
            row("grid2geog seconds", {"grid2geog", "--params", kAiry}, e);
    }

    for (int mode = 0; mode < 3; ++mode) { // geographic, --minutes, --grid
        Gen g(10 + mode);
        Expected e;
        for (int i = 1; i <= n; ++i) {
            convert::DistanceInput in;
            in.withSeconds = mode != 1;
            std::vector<std::string> f;
            if (mode == 2) {
                for (int k = 0; k < 4; ++k)
                    f.push_back(in.grid[k] = g.number(0, 900000, 3));
            } else {
                for (int k = 0; k < 16; k += 4) {
                    in.geog[k] = (k == 0 && g.pick(20) == 0) ? "" : g.number(0, 60, 0);
                    in.geog[k + 1] = g.number(0, 60, mode == 1 ? 3 : 0);
                    in.geog[k + 2] = mode == 1 ? "" : g.number(0, 60, 2);
                    in.geog[k + 3] = g.letter(k % 8 == 0 ? "NS" : "EW");
                    f.push_back(in.geog[k]);
                    f.push_back(in.geog[k + 1]);
                    if (mode != 1)
                        f.push_back(in.geog[k + 2]);
                    f.push_back(in.geog[k + 3]);
                }
            }
            const auto r = convert::Point_Distance(airy(), "2 W", in);
            add(e, i, f, r.message, {r.kms, r.miles});
        }
        static const char* const names[] = {"distance geographic", "distance deg minutes",
                                            "distance grid"};
        QStringList args{"distance", "--params", kAiry};
        if (mode == 1)
            args << "--minutes";
        if (mode == 2)
            args << "--grid";
        row(names[mode], args, e);
    }

    for (bool bearings : {false, true}) {
        Gen g(20 + bearings);
        Expected e;
        for (int i = 1; i <= n; ++i) {
            intersect::IntersectionInput in{g.number(0, 5000, 2), g.number(0, 5000, 2),
                                            g.number(0, 5000, 2), g.number(0, 5000, 2),
                                            g.number(0, bearings ? 360 : 120, 4),
                                            g.number(0, bearings ? 360 : 120, 4)};
            const auto r = bearings ? intersect::Solve_From_Bearings(in)
                                    : intersect::Solve_From_Angles(in);
            add(e, i, {in.E1, in.N1, in.E2, in.N2, in.a, in.b},
                std::string(intersect::Status_Message(r.status)), {r.E3, r.N3});
        }
        row(bearings ? "bearings" : "angles", {bearings ? "bearings" : "angles"}, e);
    }
}

void TestBatch::generatedRecords() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("records.csv")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(input);
    f.close();
    const Run r = runBatch(args << f.fileName());
    QCOMPARE(r.out, output);
    QCOMPARE(r.err, errors);
    QCOMPARE(r.status, errors.isEmpty() ? 0 : 1);
}

// Several chunks on several threads still come out in input order, with
// the refusals numbered by their input line.
void TestBatch::largeInputKeepsOrder() {
    const Expected e = geog2grid(120000, false, 7);
    QVERIFY(e.input.size() > 3 * (1 << 20)); // at least four chunks
    const Run r = runBatch({"geog2grid", "--threads", "3", "--params", kAiry}, e.input);
    QCOMPARE(r.out, e.out);
    QCOMPARE(r.err, e.err);
}

void TestBatch::malformedRecords_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("echo");
    QTest::newRow("too few fields") << QByteArray("52,0,0,N,1,0,0") << "expected 8 fields, found 7"
                                    << QString();
    QTest::newRow("too many fields") << QByteArray("52,0,0,N,1,0,0,W,") << "expected 8 fields, found 9"
                                     << QString();
    QTest::newRow("unterminated quote") << QByteArray("\"52,0,0,N,1,0,0,W")
                                        << "unterminated quoted field" << QString();
    QTest::newRow("text after closing quote") << QByteArray("\"52\"x,0,0,N,1,0,0,W")
                                              << "text after a closing quote" << QString();
    QTest::newRow("quote inside field") << QByteArray("5\"2,0,0,N,1,0,0,W")
                                        << "quote inside an unquoted field" << QString();
    QTest::newRow("window refuses: no degrees") << QByteArray(",0,0,N,1,0,0,W")
                                                << "Enter position." << QString();
    // Quoted fields are unquoted before reading; a comma inside one reads as
    // the window reads "1,5" (the number stops at the comma).
    QTest::newRow("quoted fields")
        << QByteArray("\"52\",\"0\",\"0\",\"N\",\"1,5\",\"0\",\"0\",\"W\"") << QString()
        << QStringLiteral("52,0,0,N,\"1,5\",0,0,W,");
    QTest::newRow("doubled quote in a letter field")
        << QByteArray("52,0,0,\"N\"\"\",1,0,0,W") << QString()
        << QStringLiteral("52,0,0,\"N\"\"\",1,0,0,W,");
    QTest::newRow("blanks kept and quoted on output")
        << QByteArray(" 52 ,0,0,N,1,0,0,W") << QString()
        << QStringLiteral("\" 52 \",0,0,N,1,0,0,W,");
}

// Each bad record is reported with its line number between two good ones;
// the run goes on and fails as a whole.
void TestBatch::malformedRecords() {
    QFETCH(QByteArray, line);
    QFETCH(QString, message);
    QFETCH(QString, echo);
    const QByteArray good("52,0,0,N,1,0,0,W\n");
    const QString goodOut = QStringLiteral("52,0,0,N,1,0,0,W,468643.108,234025.790\n");
    const Run r = runBatch({"geog2grid", "--params", kAiry}, good + "\n" + line + "\n" + good);
    if (message.isEmpty()) {
        QCOMPARE(r.err, QString());
        QVERIFY2(r.out.startsWith(goodOut + echo), qPrintable(r.out));
        QVERIFY(r.out.endsWith(goodOut));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 3);
        QCOMPARE(r.status, 0);
    } else {
        QCOMPARE(r.err, QStringLiteral("line 3: %1\n").arg(message));
        QCOMPARE(r.out, goodOut + goodOut);
        QCOMPARE(r.status, 1);
    }
}

void TestBatch::emptyInput() {
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("empty.csv")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    for (const char* cmd : {"geog2grid", "grid2geog", "distance"}) {
        const Run r = runBatch({cmd, "--params", kAiry, f.fileName()});
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
    }
    const Run r = runBatch({"angles"}, "");
    QCOMPARE(r.out, QString());
    QCOMPARE(r.status, 0);
}

void TestBatch::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"convert"};
    QTest::newRow("unknown option") << QStringList{"geog2grid", "--fast", "--params", kAiry};
    QTest::newRow("no parameter set") << QStringList{"geog2grid"};
    QTest::newRow("both parameter sets")
        << QStringList{"geog2grid", "--spheroid", "x", "--params", kAiry};
    QTest::newRow("six params") << QStringList{"geog2grid", "--params", "1,2,3,4,5,49 N"};
    QTest::newRow("params not numbers")
        << QStringList{"grid2geog", "--params", "a,0.006,1,0,0,49 N,2 W"};
    QTest::newRow("params without meridian")
        << QStringList{"grid2geog", "--params", "6378137,0.006,1,0,0,49 N,"};
    QTest::newRow("bad layout") << QStringList{"grid2geog", "--layout", "dms", "--params", kAiry};
    QTest::newRow("minutes with grid")
        << QStringList{"distance", "--minutes", "--grid", "--params", kAiry};
    QTest::newRow("angles with spheroid") << QStringList{"angles", "--spheroid", "x"};
    QTest::newRow("option without value") << QStringList{"geog2grid", "--params"};
    QTest::newRow("import without file") << QStringList{"import"};
}

void TestBatch::usageErrors() {
    QFETCH(QStringList, args);
    const Run r = runBatch(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QLatin1String("usage: quillmar-batch")), qPrintable(r.err));
    QCOMPARE(r.out, QString());
}

void TestBatch::helpHasAnExamplePerCommand() {
    const Run r = runBatch({"--help"});
    QCOMPARE(r.status, 0);
    for (const char* cmd : {"list", "geog2grid", "grid2geog", "distance", "angles", "bearings",
                            "export", "import"})
        QVERIFY2(r.out.contains(QStringLiteral("quillmar-batch %1").arg(QLatin1String(cmd))),
                 cmd);
}

void TestBatch::missingCatalogue() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
    for (const QStringList& args :
         {QStringList{"list", "--catalogue", path},
          QStringList{"geog2grid", "--spheroid", "Airy 1830 / National Grid", "--catalogue", path},
          QStringList{"export", "--catalogue", path}}) {
        const Run r = runBatch(args, "52,0,0,N,1,0,0,W\n");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("Can't find database.")), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
    QVERIFY(!QFile::exists(path));
    // The program's own location, inside the test's throw-away home.
    const Run r = runBatch({"list"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(QLatin1String("quillmar/QUILLMAR.MDB: Can't find database.")));
}

// An entry selected by name (case ignored) converts as its values given
// with --params do.
void TestBatch::spheroidFromCatalogue() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
    QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
    const auto e = catalogue::CatalogueStore(path, true).FindByName(
        QStringLiteral("Airy 1830 / National Grid"));
    QVERIFY(e);
    const QString params = QStringList{e->texts.sma, e->texts.eccentricity, e->texts.Scale,
                                       e->texts.FE,  e->texts.FN,           e->texts.Lat,
                                       e->texts.meridian}
                               .join(QLatin1Char(','));
    const Expected g = geog2grid(200, false, 30);
    const Run byName = runBatch(
        {"geog2grid", "--spheroid", "AIRY 1830 / national grid", "--catalogue", path}, g.input);
    const Run byParams = runBatch({"geog2grid", "--params", params}, g.input);
    QCOMPARE(byName.out, byParams.out);
    QCOMPARE(byName.err, byParams.err);
    QVERIFY(byName.out.count(QLatin1Char('\n')) > 150);

    const Run unknown =
        runBatch({"grid2geog", "--spheroid", "Nowhere", "--catalogue", path}, "1,1\n");
    QCOMPARE(unknown.status, 1);
    QVERIFY(unknown.err.contains(QLatin1String("Nowhere")));

    const Run list = runBatch({"list", "--catalogue", path});
    QCOMPARE(list.status, 0);
    QCOMPARE(list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             catalogue::CatalogueStore(path, true).ListNames());
}

void TestBatch::exportImportRoundTrip() {
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
    QVERIFY(exported.out.startsWith(
        QLatin1String("name,sma,eccentricity,Scale,FE,FN,Lat,meridian\n")));
    QTemporaryDir work;
    QFile csv(work.filePath(QStringLiteral("cat.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(exported.out.toUtf8());
    csv.close();
    const Run imported = runBatch({"import", "--catalogue", to, csv.fileName()});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.status, 0);

    const catalogue::CatalogueStore a(from, true), b(to, true);
    QCOMPARE(b.ListNames(), a.ListNames());
    for (const QString& name : a.ListNames()) {
        const auto x = a.FindByName(name), y = b.FindByName(name);
        QVERIFY(x && y);
        const auto& s = x->texts;
        const auto& t = y->texts;
        QCOMPARE(QStringList({t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat,
                              t.meridian}),
                 QStringList({s.name, s.sma, s.eccentricity, s.Scale, s.FE, s.FN, s.Lat,
                              s.meridian}));
    }
    QCOMPARE(runBatch({"export", "--catalogue", to}).out, exported.out);
}

void TestBatch::rejectedImportLeavesCatalogue_data() {
    QTest::addColumn<QByteArray>("badRow");
    QTest::addColumn<QString>("message");
    QTest::newRow("sma zero") << QByteArray("Zero,0,0.0066,1,0,0,0 N,3 E") << "Enter semi major axis.";
    QTest::newRow("sma text reads as zero")
        << QByteArray("Text,abc,0.0066,1,0,0,0 N,3 E") << "Enter semi major axis.";
    QTest::newRow("eccentricity not a number")
        << QByteArray("Bad,6378137,0.0066x,1,0,0,0 N,3 E") << "Eccentricity ^2 must be a number";
    QTest::newRow("false northing empty")
        << QByteArray("Bad,6378137,0.0066,1,0,,0 N,3 E") << "False Northing must be a number";
    QTest::newRow("seven fields") << QByteArray("Bad,6378137,0.0066,1,0,0,0 N")
                                  << "expected 8 fields, found 7";
}

// One bad row anywhere rejects the whole file; the good row before it is
// not added either.
void TestBatch::rejectedImportLeavesCatalogue() {
    QFETCH(QByteArray, badRow);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLMAR.MDB"));
    QVERIFY(catalogue::CatalogueStore::InstallDefault(path));
    QFile db(path);
    QVERIFY(db.open(QIODevice::ReadOnly));
    const QByteArray before = db.readAll();
    db.close();
    QFile csv(dir.filePath(QStringLiteral("in.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("name,sma,eccentricity,Scale,FE,FN,Lat,meridian\nGood,6378137,0.0066,1,0,0,0 N,3 E\n" +
              badRow + "\nLater,6378137,0.0066,1,0,0,0 N,3 E\n");
    csv.close();
    const Run r = runBatch({"import", "--catalogue", path, csv.fileName()});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QLatin1String("line 3: ") + message), qPrintable(r.err));
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), before);
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
