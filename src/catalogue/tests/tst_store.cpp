// The six catalogue operations against real SQLite files. Tables are built
// row by row with raw SQL so that odd histories (rows out of key order, an
// empty id) can be set up exactly.
#include "rawcatalogue.h"
#include "store.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using catalogue::CatalogueStore;
using catalogue::EntryTexts;
using catalogue::StoreError;

using namespace testcat;

namespace {

QVariant k(qint64 v) { return QVariant(v); }
const QVariant kNull = QVariant(QMetaType::fromType<qint64>());

// Rows given as "id:ref:name" with "-" for a null id or ref.
QList<Row> parseRows(const QStringList& spec) {
    QList<Row> out;
    for (const QString& s : spec) {
        const QStringList p = s.split(QLatin1Char(':'));
        auto num = [](const QString& x) { return x == QLatin1String("-") ? kNull : k(x.toLongLong()); };
        out.push_back({num(p[0]), num(p[1]), p[2]});
    }
    return out;
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

  private slots:
    void init();

    void listNames_data();
    void listNames();
    void findByName_data();
    void findByName();
    void findByNameReadsEveryField();
    void nextKey_data();
    void nextKey();
    void saveEntry_data();
    void saveEntry();
    void saveWithoutMeridianStoresNone();
    void updateEntry_data();
    void updateEntry();
    void updateVanishedKeyFails();
    void deleteEntry_data();
    void deleteEntry();
    void numbersReadBackAsShortestText_data();
    void numbersReadBackAsShortestText();
    void checkNumbers_data();
    void checkNumbers();
    void refusedNumbersLeaveFileAlone();
    void missingFile_data();
    void missingFile();
    void brokenFile_data();
    void brokenFile();
    void installDefault();
    void installDefaultNeverOverwrites();
    void installDefaultFailsWhereNoFolderCanBe();

  private:
    QString newCatalogue(const QList<Row>& rows);
    QTemporaryDir dir_;
    QString path_;
    int files_ = 0;
};

void TestStore::init() { QVERIFY(dir_.isValid()); }

QString TestStore::newCatalogue(const QList<Row>& rows) {
    const QString path = dir_.filePath(QStringLiteral("cat%1/QUILLMAR.MDB").arg(++files_));
    create(path, rows);
    return path;
}

void TestStore::listNames_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty table") << QStringList{} << QStringList{};
    QTest::newRow("keys in order") << QStringList{"1:1:A", "2:2:B", "3:3:C"}
                                   << QStringList{"A", "B", "C"};
    // Stored order, not key order and not alphabetical.
    QTest::newRow("keys out of order") << QStringList{"3:3:Zulu", "1:1:Alpha", "2:2:Mike"}
                                       << QStringList{"Zulu", "Alpha", "Mike"};
    QTest::newRow("names differing in case both listed")
        << QStringList{"1:1:grid", "2:2:GRID"} << QStringList{"grid", "GRID"};
}

void TestStore::listNames() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, expected);
    CatalogueStore store(newCatalogue(parseRows(rows)));
    QCOMPARE(store.ListNames(), expected);
}

void TestStore::findByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("ref"); // 0: nothing found
    // Rows are ordered so that a LIKE pattern would hit an earlier row.
    // Regression rows: the name is a bound parameter compared plainly.
    QTest::newRow("exact name") << "Airy" << qint64(1);
    QTest::newRow("other case") << "AIRY" << qint64(1);
    QTest::newRow("quote selects its own entry") << "O'Brien grid" << qint64(3);
    QTest::newRow("percent selects its own entry") << "100% grid" << qint64(5);
    QTest::newRow("percent is no wildcard") << "100%" << qint64(0);
    QTest::newRow("underscore is no wildcard") << "a_b" << qint64(7);
    QTest::newRow("lone percent finds nothing") << "%" << qint64(0);
    QTest::newRow("statement breaker finds nothing") << "x' OR '1'='1" << qint64(0);
    QTest::newRow("two names differing in case: first wins") << "grid z" << qint64(8);
    QTest::newRow("second spelling finds the first too") << "GRID Z" << qint64(8);
    QTest::newRow("missing name") << "Nowhere" << qint64(0);
    QTest::newRow("empty name") << "" << qint64(0);
    QTest::newRow("prefix is not enough") << "Air" << qint64(0);
}

void TestStore::findByName() {
    QFETCH(QString, name);
    QFETCH(qint64, ref);
    CatalogueStore store(newCatalogue(parseRows(
        {"1:1:Airy", "2:2:100 percent grid", "3:3:O'Brien grid", "4:4:1000 grid", "5:5:100% grid",
         "6:6:axb", "7:7:a_b", "8:8:Grid Z", "9:9:grid z"})));
    const auto found = store.FindByName(name);
    if (ref == 0) {
        QVERIFY2(!found, qPrintable(found ? found->texts.name : QString()));
    } else {
        QVERIFY(found);
        QCOMPARE(found->ref, ref);
    }
}

void TestStore::findByNameReadsEveryField() {
    CatalogueStore store(newCatalogue({}));
    const EntryTexts in{QStringLiteral("Airy 1830"), QStringLiteral("6377563.396"),
                        QStringLiteral("0.00667054"), QStringLiteral("0.9996012717"),
                        QStringLiteral("400000"), QStringLiteral("-100000"),
                        QStringLiteral("49 N"), QStringLiteral("2 W")};
    const qint64 key = store.SaveEntry(store.NextKey(), in);
    const auto e = store.FindByName(QStringLiteral("airy 1830"));
    QVERIFY(e);
    QCOMPARE(e->ref, key);
    QCOMPARE(e->texts.name, in.name);
    QCOMPARE(e->texts.sma, in.sma);
    QCOMPARE(e->texts.eccentricity, in.eccentricity);
    QCOMPARE(e->texts.Scale, in.Scale);
    QCOMPARE(e->texts.FE, in.FE);
    QCOMPARE(e->texts.FN, in.FN);
    QCOMPARE(e->texts.Lat, in.Lat);
    QCOMPARE(e->texts.meridian, in.meridian);
}

void TestStore::nextKey_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("empty table") << QStringList{} << qint64(1);
    QTest::newRow("keys in order") << QStringList{"1:1:A", "2:2:B", "3:3:C"} << qint64(4);
    QTest::newRow("last id plus one when free") << QStringList{"5:5:A", "1:1:B"} << qint64(2);
    QTest::newRow("gap after a deletion is not filled") << QStringList{"1:1:A", "3:3:C"} << qint64(4);
    // Regression rows: the rule's key is already someone's ref.
    QTest::newRow("out of order, key taken") << QStringList{"1:1:A", "3:3:B", "2:2:C"} << qint64(4);
    QTest::newRow("last row with empty id, key 1 taken")
        << QStringList{"1:1:A", "2:2:B", "-:7:C"} << qint64(8);
    QTest::newRow("empty id, ref above every id") << QStringList{"1:1:A", "9:9:B", "-:-:C"}
                                                  << qint64(10);
    QTest::newRow("last row with empty id, key 1 free") << QStringList{"2:2:A", "-:-:B"} << qint64(1);
    QTest::newRow("ref larger than its id") << QStringList{"1:1:A", "2:12:B", "11:11:C"}
                                            << qint64(13);
}

void TestStore::nextKey() {
    QFETCH(QStringList, rows);
    QFETCH(qint64, expected);
    const QString path = newCatalogue(parseRows(rows));
    CatalogueStore store(path);
    const QByteArray before = digest(path);
    QCOMPARE(store.NextKey(), expected);
    QCOMPARE(digest(path), before);
}

void TestStore::saveEntry_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<qint64>("key");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("empty table") << QStringList{} << qint64(1) << QStringList{"1/1/New"};
    QTest::newRow("added at the end") << QStringList{"1:1:A", "2:2:B"} << qint64(3)
                                      << QStringList{"1/1/A", "2/2/B", "3/3/New"};
    // Regression rows: a key that is already taken never overwrites its row.
    QTest::newRow("key taken by a row out of order")
        << QStringList{"1:1:A", "3:3:B", "2:2:C"} << qint64(3)
        << QStringList{"1/1/A", "3/3/B", "2/2/C", "4/4/New"};
    QTest::newRow("key 1 after an empty id")
        << QStringList{"1:1:A", "-:-:B"} << qint64(1) << QStringList{"1/1/A", "//B", "2/2/New"};
}

void TestStore::saveEntry() {
    QFETCH(QStringList, rows);
    QFETCH(qint64, key);
    QFETCH(QStringList, after);
    const QString path = newCatalogue(parseRows(rows));
    CatalogueStore store(path);
    const qint64 used = store.SaveEntry(key, texts(QStringLiteral("New")));
    QCOMPARE(Raw(path).rows(), after);
    QCOMPARE(QStringLiteral("%1/%1/New").arg(used), after.last());
    // The rows that were there keep every field.
    for (const Row& r : parseRows(rows)) {
        if (r.name == QLatin1String("New"))
            continue;
        const auto e = store.FindByName(r.name);
        QVERIFY(e);
        QCOMPARE(e->texts.meridian, QStringLiteral("3 W"));
    }
}

void TestStore::saveWithoutMeridianStoresNone() {
    const QString path = newCatalogue({});
    CatalogueStore store(path);
    store.SaveEntry(1, texts(QStringLiteral("No meridian"), QString()));
    const auto e = store.FindByName(QStringLiteral("No meridian"));
    QVERIFY(e);
    QCOMPARE(e->texts.meridian, QString());
    Raw raw(path);
    QSqlQuery q = raw.run(QStringLiteral("SELECT meridian FROM Spheroid"));
    QVERIFY(q.next());
    QVERIFY(q.value(0).isNull() || q.value(0).toString().isEmpty());
    q.finish();
}

void TestStore::updateEntry_data() {
    QTest::addColumn<QString>("meridian");
    QTest::addColumn<QString>("expectedMeridian");
    QTest::newRow("new meridian written") << "9 E" << "9 E";
    QTest::newRow("empty meridian keeps the stored one") << "" << "3 W";
}

void TestStore::updateEntry() {
    QFETCH(QString, meridian);
    QFETCH(QString, expectedMeridian);
    const QString path = newCatalogue(parseRows({"1:1:A", "2:2:B", "3:3:C"}));
    CatalogueStore store(path);
    EntryTexts t{QStringLiteral("B renamed"), QStringLiteral("6377397.155"),
                 QStringLiteral("0.006674372231802"), QStringLiteral("1"),
                 QStringLiteral("3500000"), QStringLiteral("0"), QStringLiteral("0 N"), meridian};
    store.UpdateEntry(2, t);
    QCOMPARE(Raw(path).rows(), (QStringList{"1/1/A", "2/2/B renamed", "3/3/C"}));
    const auto e = store.FindByName(QStringLiteral("B renamed"));
    QVERIFY(e);
    QCOMPARE(e->ref, qint64(2));
    QCOMPARE(e->texts.sma, QStringLiteral("6377397.155"));
    QCOMPARE(e->texts.Scale, QStringLiteral("1"));
    QCOMPARE(e->texts.FE, QStringLiteral("3500000"));
    QCOMPARE(e->texts.meridian, expectedMeridian);
    QVERIFY(!store.FindByName(QStringLiteral("B")));
}

// Regression: an update with no row to write to is a failure, not silence.
void TestStore::updateVanishedKeyFails() {
    const QString path = newCatalogue(parseRows({"1:1:A", "2:2:B"}));
    CatalogueStore store(path);
    store.DeleteEntry(2);
    const QByteArray before = digest(path);
    try {
        store.UpdateEntry(2, texts(QStringLiteral("B again")));
        QFAIL("no error for a vanished key");
    } catch (const StoreError& e) {
        QCOMPARE(e.kind(), StoreError::Kind::Failed);
        QVERIFY(!e.message().isEmpty());
    }
    QCOMPARE(digest(path), before);
    QCOMPARE(store.ListNames(), QStringList{"A"});
}

void TestStore::deleteEntry_data() {
    QTest::addColumn<qint64>("key");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("middle row") << qint64(2) << QStringList{"A", "C"};
    QTest::newRow("last row") << qint64(3) << QStringList{"A", "B"};
    QTest::newRow("first row") << qint64(1) << QStringList{"B", "C"};
    QTest::newRow("missing key is a no-op") << qint64(42) << QStringList{"A", "B", "C"};
}

void TestStore::deleteEntry() {
    QFETCH(qint64, key);
    QFETCH(QStringList, after);
    CatalogueStore store(newCatalogue(parseRows({"1:1:A", "2:2:B", "3:3:C"})));
    store.DeleteEntry(key);
    QCOMPARE(store.ListNames(), after);
}

void TestStore::numbersReadBackAsShortestText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("semi-major axis") << "6377563.396" << "6377563.396";
    QTest::newRow("whole number") << "400000" << "400000";
    QTest::newRow("negative") << "-100000" << "-100000";
    QTest::newRow("scale") << "0.9996" << "0.9996";
    QTest::newRow("long fraction") << "0.006694379990141" << "0.006694379990141";
    QTest::newRow("trailing zeros dropped") << "0.006637846630200" << "0.0066378466302";
    QTest::newRow("zero") << "0" << "0";
    QTest::newRow("exponent written out") << "1e7" << "10000000";
    QTest::newRow("blanks around") << " 500000 " << "500000";
    QTest::newRow("plus sign") << "+0.5" << "0.5";
}

void TestStore::numbersReadBackAsShortestText() {
    QFETCH(QString, typed);
    QFETCH(QString, readBack);
    CatalogueStore store(newCatalogue({}));
    EntryTexts t = texts(QStringLiteral("N"));
    t.sma = t.eccentricity = t.Scale = t.FE = t.FN = typed;
    store.SaveEntry(1, t);
    const auto e = store.FindByName(QStringLiteral("N"));
    QVERIFY(e);
    for (const QString& s : {e->texts.sma, e->texts.eccentricity, e->texts.Scale, e->texts.FE,
                             e->texts.FN})
        QCOMPARE(s, readBack);
}

void TestStore::checkNumbers_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");
    const char* labels[] = {"Semi Major Axis", "Eccentricity ^2", "Scale Factor", "False Easting",
                            "False Northing"};
    const char* bad[] = {"", "abc", "6377563 m", "1,5", "1.2.3"};
    for (int f = 0; f < 5; ++f)
        for (const char* b : bad)
            QTest::addRow("%s \"%s\"", labels[f], b) << f << QString::fromLatin1(b)
                                                     << QString::fromLatin1(labels[f]);
}

void TestStore::checkNumbers() {
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, label);
    EntryTexts t = texts(QStringLiteral("X"));
    QCOMPARE(CatalogueStore::CheckNumbers(t), QString());
    QString* fields[] = {&t.sma, &t.eccentricity, &t.Scale, &t.FE, &t.FN};
    *fields[field] = text;
    const QString message = CatalogueStore::CheckNumbers(t);
    QVERIFY2(message.contains(label), qPrintable(message));
}

// Regression: a non-numeric field is refused before anything is written.
void TestStore::refusedNumbersLeaveFileAlone() {
    const QString path = newCatalogue(parseRows({"1:1:A"}));
    CatalogueStore store(path);
    const QByteArray before = digest(path);
    EntryTexts bad = texts(QStringLiteral("A"));
    bad.FN = QStringLiteral("ten");
    for (int op = 0; op < 2; ++op) {
        try {
            if (op == 0)
                store.SaveEntry(2, bad);
            else
                store.UpdateEntry(1, bad);
            QFAIL("non-numeric text accepted");
        } catch (const StoreError& e) {
            QCOMPARE(e.kind(), StoreError::Kind::Failed);
            QVERIFY(e.message().contains(QLatin1String("False Northing")));
        }
    }
    QCOMPARE(digest(path), before);
}

namespace {
enum Op { List, Find, Next, Save, Update, Delete };
const char* const kOpNames[] = {"ListNames", "FindByName", "NextKey", "SaveEntry", "UpdateEntry",
                                "DeleteEntry"};
void runOp(CatalogueStore& s, int op) {
    switch (op) {
    case List: s.ListNames(); break;
    case Find: s.FindByName(QStringLiteral("A")); break;
    case Next: s.NextKey(); break;
    case Save: s.SaveEntry(2, texts(QStringLiteral("B"))); break;
    case Update: s.UpdateEntry(1, texts(QStringLiteral("A2"))); break;
    case Delete: s.DeleteEntry(1); break;
    }
}
} // namespace

void TestStore::missingFile_data() {
    QTest::addColumn<int>("op");
    for (int op = List; op <= Delete; ++op)
        QTest::newRow(kOpNames[op]) << op;
}

void TestStore::missingFile() {
    QFETCH(int, op);
    const QString path = dir_.filePath(QStringLiteral("gone/QUILLMAR.MDB"));
    CatalogueStore store(path);
    try {
        runOp(store, op);
        QFAIL("no error for a missing file");
    } catch (const StoreError& e) {
        QCOMPARE(e.kind(), StoreError::Kind::Missing);
        QCOMPARE(e.message(), QStringLiteral("Can't find database."));
    }
    // The engine must not have created an empty file in its place.
    QVERIFY(!QFile::exists(path));
}

void TestStore::brokenFile_data() {
    QTest::addColumn<QString>("condition");
    QTest::addColumn<int>("op");
    for (const char* c : {"not a database", "no Spheroid table"})
        for (int op = List; op <= Delete; ++op)
            QTest::addRow("%s: %s", c, kOpNames[op]) << QString::fromLatin1(c) << op;
    // Each locked row waits out the engine's busy timeout.
    for (int op : {List, Save, Update, Delete})
        QTest::addRow("locked: %s", kOpNames[op]) << "locked" << op;
    for (int op = Save; op <= Delete; ++op) {
        QTest::addRow("read-only open: %s", kOpNames[op]) << "read-only open" << op;
        QTest::addRow("read-only file: %s", kOpNames[op]) << "read-only file" << op;
    }
}

// Every failure is a StoreError of kind Failed and leaves the file as it was.
void TestStore::brokenFile() {
    QFETCH(QString, condition);
    QFETCH(int, op);
    if (condition == QLatin1String("read-only file") && geteuid() == 0)
        QSKIP("root writes a file whatever its permissions");
    QString path = newCatalogue(parseRows({"1:1:A"}));
    bool readOnly = false;
    std::unique_ptr<Raw> holder;
    if (condition == QLatin1String("not a database")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("This is a text file, not a catalogue.\n").repeated(20));
    } else if (condition == QLatin1String("no Spheroid table")) {
        Raw(path).run(QStringLiteral("DROP TABLE Spheroid"));
    } else if (condition == QLatin1String("locked")) {
        holder = std::make_unique<Raw>(path);
        holder->run(QStringLiteral("BEGIN EXCLUSIVE"));
    } else if (condition == QLatin1String("read-only open")) {
        readOnly = true;
    } else {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
    }
    const QByteArray before = digest(path);
    QVERIFY(!before.isEmpty());
    CatalogueStore store(path, readOnly);
    try {
        runOp(store, op);
        QFAIL("no error");
    } catch (const StoreError& e) {
        QCOMPARE(e.kind(), StoreError::Kind::Failed);
        QVERIFY(!e.message().isEmpty());
    }
    holder.reset();
    QCOMPARE(digest(path), before);
    if (condition == QLatin1String("locked") || condition.startsWith(QLatin1String("read-only")))
        QCOMPARE(CatalogueStore(path, true).ListNames(), QStringList{"A"});
}

void TestStore::installDefault() {
    const QString path = dir_.filePath(QStringLiteral("fresh/deeper/QUILLMAR.MDB"));
    QString error;
    QVERIFY2(CatalogueStore::InstallDefault(path, &error), qPrintable(error));
    const auto entries = CatalogueStore::DefaultEntries();
    QCOMPARE(entries.size(), size_t(25));
    QStringList names;
    for (const auto& e : entries)
        names << e.name;
    CatalogueStore store(path);
    QCOMPARE(store.ListNames(), names);
    QCOMPARE(names.first(), QStringLiteral("Airy 1830 / National Grid"));
    QCOMPARE(names.last(), QStringLiteral("Australian National / AMG zone 55"));
    QCOMPARE(Raw(path).rows().first(), QStringLiteral("1/1/Airy 1830 / National Grid"));
    QCOMPARE(store.NextKey(), qint64(26));
    QVERIFY(!QFile::exists(path + QStringLiteral(".new")));
}

void TestStore::installDefaultNeverOverwrites() {
    const QString path = newCatalogue(parseRows({"1:1:Mine"}));
    const QByteArray before = digest(path);
    QString error;
    QVERIFY(!CatalogueStore::InstallDefault(path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(digest(path), before);
}

void TestStore::installDefaultFailsWhereNoFolderCanBe() {
    const QString blocker = dir_.filePath(QStringLiteral("blocker"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QString error;
    QVERIFY(!CatalogueStore::InstallDefault(blocker + QStringLiteral("/quillmar/QUILLMAR.MDB"),
                                            &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
