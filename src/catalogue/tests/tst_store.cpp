// The six catalogue operations against real SQLite files. Tables are built
// row by row with raw SQL so that odd histories (rows out of key order, an
// empty id) can be set up exactly.
#include "rawcatalogue.h"
#include "store.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <thread>

using catalogue::CatalogueStore;
using catalogue::EntryTexts;
using catalogue::StoreError;

using namespace testcat;

namespace {

// Rows given as "id:ref:name" with "-" for a null id or ref.
QList<Row> parseRows(const QStringList& texts) {
    auto num = [](const QString& x) {
        return x == "-" ? QVariant(QMetaType::fromType<qint64>()) : QVariant(x.toLongLong());
    };
    QList<Row> out;
    for (const QString& s : texts) {
        const QStringList p = s.split(':');
        out.push_back({num(p[0]), num(p[1]), p[2]});
    }
    return out;
}

QStringList fields(const EntryTexts& t) {
    return {t.name, t.sma, t.eccentricity, t.Scale, t.FE, t.FN, t.Lat, t.meridian};
}

// Makes the last row's cell claim a payload of two bytes, shorter than its
// record header, so the engine fails on reading any column of that row.
// File format: page 2 is the table's leaf page, its cell count at +3, the
// cell pointers from +8, and a short row's cell starts with a one-byte
// payload size.
bool damageLastRow(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray b = f.readAll();
    auto u16 = [&b](qsizetype at) { return (uchar(b[at]) << 8) | uchar(b[at + 1]); };
    const qsizetype page = u16(16);
    if (b.size() < 2 * page || b[page] != 0x0D)
        return false;
    const qsizetype cell = page + u16(page + 8 + 2 * (u16(page + 3) - 1));
    if (uchar(b[cell]) >= 0x80)
        return false;
    b[cell] = 2;
    return f.seek(0) && f.write(b) == b.size();
}

// The six operations, each as the failure rows run it.
using Op = void (*)(CatalogueStore&, const EntryTexts&);
const std::pair<const char*, Op> kOps[] = {
    {"ListNames", [](CatalogueStore& s, const EntryTexts&) { s.ListNames(); }},
    {"FindByName", [](CatalogueStore& s, const EntryTexts&) { s.FindByName("A"); }},
    {"NextKey", [](CatalogueStore& s, const EntryTexts&) { s.NextKey(); }},
    {"SaveEntry", [](CatalogueStore& s, const EntryTexts& t) { s.SaveEntry(2, t); }},
    {"UpdateEntry", [](CatalogueStore& s, const EntryTexts& t) { s.UpdateEntry(1, t); }},
    {"DeleteEntry", [](CatalogueStore& s, const EntryTexts&) { s.DeleteEntry(1); }},
};
enum { List, Find, Next, Save, Update, Delete };

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int files_ = 0;
    QString newCatalogue(const QStringList& rows) {
        const QString path = dir_.filePath(QString("cat%1/QUILLMAR.MDB").arg(++files_));
        create(path, parseRows(rows));
        return path;
    }

  private slots:
    void listNames_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("deleted"); // 0: nothing deleted first
        QTest::addColumn<QStringList>("expected");
        const QStringList abc{"1:1:A", "2:2:B", "3:3:C"};
        QTest::newRow("empty table") << QStringList{} << qint64(0) << QStringList{};
        // Stored order, not key order and not alphabetical.
        QTest::newRow("keys out of order") << QStringList{"3:3:Zulu", "1:1:Alpha", "2:2:Mike"}
                                           << qint64(0) << QStringList{"Zulu", "Alpha", "Mike"};
        QTest::newRow("names differing in case both listed")
            << QStringList{"1:1:grid", "2:2:GRID"} << qint64(0) << QStringList{"grid", "GRID"};
        QTest::newRow("middle row deleted") << abc << qint64(2) << QStringList{"A", "C"};
        QTest::newRow("last row deleted") << abc << qint64(3) << QStringList{"A", "B"};
        QTest::newRow("first row deleted") << abc << qint64(1) << QStringList{"B", "C"};
        QTest::newRow("deleting a missing key is a no-op") << abc << qint64(42)
                                                           << QStringList{"A", "B", "C"};
    }
    void listNames() {
        QFETCH(QStringList, rows);
        QFETCH(qint64, deleted);
        QFETCH(QStringList, expected);
        CatalogueStore store(newCatalogue(rows));
        if (deleted)
            store.DeleteEntry(deleted);
        QCOMPARE(store.ListNames(), expected);
    }

    void findByName_data() {
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
    void findByName() {
        QFETCH(QString, name);
        QFETCH(qint64, ref);
        CatalogueStore store(newCatalogue({"1:1:Airy", "2:2:100 percent grid", "3:3:O'Brien grid",
                                           "4:4:1000 grid", "5:5:100% grid", "6:6:axb", "7:7:a_b",
                                           "8:8:Grid Z", "9:9:grid z"}));
        const auto found = store.FindByName(name);
        QCOMPARE(found ? found->ref : 0, ref);
    }

    void nextKey_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("empty table") << QStringList{} << qint64(1);
        QTest::newRow("keys in order") << QStringList{"1:1:A", "2:2:B", "3:3:C"} << qint64(4);
        QTest::newRow("last id plus one when free") << QStringList{"5:5:A", "1:1:B"} << qint64(2);
        QTest::newRow("gap after a deletion is not filled") << QStringList{"1:1:A", "3:3:C"}
                                                            << qint64(4);
        // Regression rows: the rule's key is already someone's ref.
        QTest::newRow("out of order, key taken") << QStringList{"1:1:A", "3:3:B", "2:2:C"}
                                                 << qint64(4);
        QTest::newRow("last row with empty id, key 1 taken")
            << QStringList{"1:1:A", "2:2:B", "-:7:C"} << qint64(8);
        QTest::newRow("empty id, ref above every id") << QStringList{"1:1:A", "9:9:B", "-:-:C"}
                                                      << qint64(10);
        QTest::newRow("last row with empty id, key 1 free") << QStringList{"2:2:A", "-:-:B"}
                                                            << qint64(1);
        QTest::newRow("ref larger than its id") << QStringList{"1:1:A", "2:12:B", "11:11:C"}
                                                << qint64(13);
    }
    void nextKey() {
        QFETCH(QStringList, rows);
        QFETCH(qint64, expected);
        const QString path = newCatalogue(rows);
        const QByteArray before = digest(path);
        QCOMPARE(CatalogueStore(path).NextKey(), expected);
        QCOMPARE(digest(path), before);
    }

    void saveEntry_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("key");
        QTest::addColumn<QString>("meridian");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("empty table") << QStringList{} << qint64(1) << "3 W"
                                     << QStringList{"1/1/New"};
        QTest::newRow("added at the end") << QStringList{"1:1:A", "2:2:B"} << qint64(3) << "3 W"
                                          << QStringList{"1/1/A", "2/2/B", "3/3/New"};
        QTest::newRow("no meridian stored as none")
            << QStringList{"1:1:A"} << qint64(2) << "" << QStringList{"1/1/A", "2/2/New"};
        // Regression rows: a key that is already taken never overwrites its row.
        QTest::newRow("key taken by a row out of order")
            << QStringList{"1:1:A", "3:3:B", "2:2:C"} << qint64(3) << "3 W"
            << QStringList{"1/1/A", "3/3/B", "2/2/C", "4/4/New"};
        QTest::newRow("key 1 after an empty id") << QStringList{"1:1:A", "-:-:B"} << qint64(1)
                                                 << "3 W" << QStringList{"1/1/A", "//B", "2/2/New"};
    }
    void saveEntry() {
        QFETCH(QStringList, rows);
        QFETCH(qint64, key);
        QFETCH(QString, meridian);
        QFETCH(QStringList, after);
        const QString path = newCatalogue(rows);
        CatalogueStore store(path);
        const EntryTexts typed = texts("New", meridian);
        const qint64 used = store.SaveEntry(key, typed);
        QCOMPARE(Raw(path).rows(), after);
        QCOMPARE(QString("%1/%1/New").arg(used), after.last());
        QCOMPARE(fields(store.FindByName("New").value().texts), fields(typed));
        // The rows that were there keep every field.
        for (const Row& r : parseRows(rows))
            QCOMPARE(store.FindByName(r.name).value().texts.meridian, "3 W");
    }

    void updateEntry_data() {
        QTest::addColumn<QString>("meridian");
        QTest::addColumn<QString>("expectedMeridian");
        QTest::newRow("new meridian written") << "9 E" << "9 E";
        QTest::newRow("empty meridian keeps the stored one") << "" << "3 W";
    }
    void updateEntry() {
        QFETCH(QString, meridian);
        QFETCH(QString, expectedMeridian);
        const QString path = newCatalogue({"1:1:A", "2:2:B", "3:3:C"});
        CatalogueStore store(path);
        EntryTexts t{"B renamed", "6377397.155", "0.006674372231802", "1", "3500000", "-100000",
                     "49 N", meridian};
        store.UpdateEntry(2, t);
        QCOMPARE(Raw(path).rows(), (QStringList{"1/1/A", "2/2/B renamed", "3/3/C"}));
        const auto e = store.FindByName("B renamed");
        QVERIFY(e);
        QCOMPARE(e->ref, 2);
        t.meridian = expectedMeridian;
        QCOMPARE(fields(e->texts), fields(t));
    }

    void numbersReadBackAsShortestText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("semi-major axis") << "6377563.396" << "6377563.396";
        QTest::newRow("negative") << "-100000" << "-100000";
        QTest::newRow("long fraction") << "0.006694379990141" << "0.006694379990141";
        QTest::newRow("trailing zeros dropped") << "0.006637846630200" << "0.0066378466302";
        QTest::newRow("exponent written out") << "1e7" << "10000000";
        QTest::newRow("blanks around") << " 500000 " << "500000";
        QTest::newRow("plus sign") << "+0.5" << "0.5";
    }
    void numbersReadBackAsShortestText() {
        QFETCH(QString, typed);
        QFETCH(QString, readBack);
        CatalogueStore store(newCatalogue({}));
        EntryTexts t = texts("N");
        // e^2 must lie below 1, so it is checked on a fraction of its own.
        const bool fraction = std::fabs(typed.toDouble()) < 1;
        t.sma = t.Scale = t.FE = t.FN = typed;
        if (fraction)
            t.eccentricity = typed;
        if (typed.toDouble() <= 0)
            t.sma = t.Scale = "1";
        store.SaveEntry(1, t);
        const QString& r = readBack;
        const QString positive = typed.toDouble() > 0 ? r : "1";
        const QStringList expected{"N", positive, fraction ? r : t.eccentricity, positive, r, r,
                                   "0 N", "3 W"};
        QCOMPARE(fields(store.FindByName("N").value().texts), expected);
    }

    // Regression rows (found by the fuzzer): in a table whose name column has
    // no text type, a name stored as a number was listed in one spelling and
    // given back by FindByName in another, so the list and the field disagreed.
    void numericNameListedAsFound_data() {
        QTest::addColumn<QString>("stored"); // SQL literal
        QTest::addColumn<QString>("shown");
        QTest::newRow("real, exponent form") << "1e16" << "10000000000000000";
        QTest::newRow("real with fraction") << "6377397.155" << "6377397.155";
        QTest::newRow("integer") << "6378137" << "6378137";
    }
    void numericNameListedAsFound() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        const QString path = newCatalogue({});
        Raw raw(path);
        raw.run("DROP TABLE Spheroid");
        raw.run("CREATE TABLE Spheroid (id INTEGER, ref INTEGER, name, sma REAL, eccentricity REAL, "
                "Scale REAL, FE REAL, FN REAL, Lat TEXT, meridian TEXT)");
        raw.run(("INSERT INTO Spheroid VALUES (1, 1, " + stored +
                 ", 6378137, 0.0066943799901, 0.9996, 500000, 0, '0 N', '3 E')")
                    .toUtf8()
                    .constData());
        CatalogueStore store(path);
        QCOMPARE(store.ListNames(), QStringList{shown});
        const auto e = store.FindByName(shown);
        QVERIFY(e);
        QCOMPARE(e->texts.name, shown);
    }

    void failure_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("op");
        for (const char* c : {"missing", "not a database", "no Spheroid table"})
            for (int op = List; op <= Delete; ++op)
                QTest::addRow("%s: %s", c, kOps[op].first) << QString::fromLatin1(c) << op;
        // Each locked row waits out the engine's busy timeout.
        for (int op : {List, Save, Update, Delete})
            QTest::addRow("locked: %s", kOps[op].first) << "locked" << op;
        for (int op = Save; op <= Delete; ++op) {
            QTest::addRow("read-only open: %s", kOps[op].first) << "read-only open" << op;
            QTest::addRow("read-only file: %s", kOps[op].first) << "read-only file" << op;
        }
        // Regression rows: a non-numeric field is refused before anything is
        // written; an update with no row to write to fails, not silently.
        QTest::newRow("not a number: SaveEntry") << "not a number" << int(Save);
        QTest::newRow("not a number: UpdateEntry") << "not a number" << int(Update);
        QTest::newRow("vanished key: UpdateEntry") << "vanished key" << int(Update);
        // Regression row: the key after the largest 64-bit key overflowed.
        QTest::newRow("largest key: NextKey") << "largest key" << int(Next);
        // Regression rows: an engine error while stepping through the rows is
        // reported, not taken for the end of the rows (a short list, "not found").
        QTest::newRow("damaged row: ListNames") << "damaged row" << int(List);
        QTest::newRow("damaged row: FindByName") << "damaged row" << int(Find);
        // Regression row: in a file whose rows share a rowid (found by the
        // fuzzer) the lookup by key gave another row's texts for "A".
        QTest::newRow("rows sharing a key: FindByName") << "rows sharing a key" << int(Find);
        // Regression rows: a file from elsewhere brought a trigger that wiped
        // the other entries when one was saved. Nothing beyond the table and
        // its index is ever written into.
        for (const char* c : {"trigger wipe", "view v", "table notes", "index byname"})
            for (int op = Save; op <= Delete; ++op)
                QTest::addRow("holds %s: %s", c, kOps[op].first) << QString::fromLatin1(c) << op;
    }
    // A missing file is reported as such; every other failure is of kind
    // Failed. Either way the file is left as it was.
    void failure() {
        QFETCH(QString, condition);
        QFETCH(int, op);
        if (condition == "read-only file" && geteuid() == 0)
            QSKIP("root writes a file whatever its permissions");
        const bool missing = condition == "missing";
        // The damaged row comes second: the first step of a query happens
        // inside exec(), the later ones in next().
        const QString path = missing ? dir_.filePath("gone/QUILLMAR.MDB")
                             : condition == "damaged row" ? newCatalogue({"1:1:Z", "2:2:A"})
                                                          : newCatalogue({"1:1:A"});
        EntryTexts t = texts("B");
        std::unique_ptr<Raw> holder;
        if (condition == "not a database") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray("This is a text file, not a catalogue.\n").repeated(20));
        } else if (condition == "no Spheroid table") {
            Raw(path).run("DROP TABLE Spheroid");
        } else if (condition == "locked") {
            holder = std::make_unique<Raw>(path);
            holder->run("BEGIN EXCLUSIVE");
        } else if (condition == "read-only file") {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        } else if (condition == "not a number") {
            t.FN = "ten";
        } else if (condition == "largest key") {
            Raw(path).run("UPDATE Spheroid SET id = 9223372036854775807, ref = 9223372036854775807");
        } else if (condition == "vanished key") {
            Raw(path).run("DELETE FROM Spheroid");
        } else if (condition == "damaged row") {
            QVERIFY(damageLastRow(path));
        } else if (condition == "trigger wipe") {
            Raw(path).run("CREATE TRIGGER wipe AFTER INSERT ON Spheroid BEGIN DELETE FROM Spheroid "
                          "WHERE name <> NEW.name; END");
        } else if (condition == "view v") {
            Raw(path).run("CREATE VIEW v AS SELECT name FROM Spheroid");
        } else if (condition == "table notes") {
            Raw(path).run("CREATE TABLE notes (t TEXT)");
        } else if (condition == "index byname") {
            Raw(path).run("CREATE INDEX byname ON Spheroid (name)");
        } else if (condition == "rows sharing a key") {
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::copy(QStringLiteral(QUILLMAR_SHARED_ROWID_CATALOGUE), path));
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        const QByteArray before = digest(path);
        QCOMPARE(before.isEmpty(), missing);
        CatalogueStore store(path, condition == "read-only open");
        try {
            kOps[op].second(store, t);
            QFAIL("no error");
        } catch (const StoreError& e) {
            QCOMPARE(e.kind(), missing ? StoreError::Kind::Missing : StoreError::Kind::Failed);
            if (missing)
                QCOMPARE(e.message(), "Can't find database.");
            if (condition == "not a number")
                QVERIFY2(e.message().contains("False Northing"), qPrintable(e.message()));
            if (QStringList{"trigger wipe", "view v", "table notes", "index byname"}.contains(condition))
                QVERIFY2(e.message().contains("not a Quillmar catalogue: it holds " + condition),
                         qPrintable(e.message()));
            QVERIFY(!e.message().isEmpty());
        }
        holder.reset();
        QCOMPARE(digest(path), before);
        // The engine must not have created an empty file in place of a missing one.
        QCOMPARE(QFile::exists(path), !missing);
        if (condition == "locked" || condition.contains("read-only") ||
            condition == "trigger wipe")
            QCOMPARE(CatalogueStore(path, true).ListNames(), QStringList{"A"});
    }

    void installDefault() {
        const QString path = dir_.filePath("fresh/deeper/QUILLMAR.MDB");
        QString error;
        QVERIFY2(CatalogueStore::InstallDefault(path, &error), qPrintable(error));
        const QStringList names = CatalogueStore(path).ListNames();
        QCOMPARE(names.size(), 25);
        QCOMPARE(names.last(), "Australian National / AMG zone 55");
        QCOMPARE(Raw(path).rows().first(), "1/1/Airy 1830 / National Grid");
        QCOMPARE(CatalogueStore(path).NextKey(), qint64(26));
        QCOMPARE(QDir(dir_.filePath("fresh/deeper")).entryList(QDir::Files),
                 QStringList{"QUILLMAR.MDB"});
    }
    // Installers at once, in threads as in processes: one puts its file in
    // place, the others are told it exists; nothing half-made is ever seen
    // and nothing is left beside it. Regression: a shared temporary name let
    // one installer move or delete another's file.
    void installDefaultRace() {
        const QString folder = dir_.filePath("race");
        const QString path = folder + "/QUILLMAR.MDB";
        constexpr int n = 8;
        std::vector<std::thread> threads;
        std::vector<int> won(n);
        std::vector<QString> errors(n);
        for (int i = 0; i < n; ++i)
            threads.emplace_back([&, i] { won[i] = CatalogueStore::InstallDefault(path, &errors[i]); });
        for (auto& t : threads)
            t.join();
        QCOMPARE(std::count(won.begin(), won.end(), 1), 1);
        for (int i = 0; i < n; ++i)
            if (!won[i])
                QVERIFY2(errors[i].endsWith("already exists"), qPrintable(errors[i]));
        QCOMPARE(CatalogueStore(path, true).ListNames().size(), 25);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"QUILLMAR.MDB"});
    }
    // Never over an existing file, and not where no folder can be made.
    void installDefaultRefused() {
        const QString mine = newCatalogue({"1:1:Mine"});
        const QByteArray before = digest(mine);
        QString error;
        QVERIFY(!CatalogueStore::InstallDefault(mine, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(digest(mine), before);
        error.clear();
        QVERIFY(!CatalogueStore::InstallDefault(mine + "/x/QUILLMAR.MDB", &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
