// The catalogue store on a QUILLMAR.MDB holding any bytes.
//
// Every failure must come out as a StoreError; reading, through a read-only
// or a read-write store, must leave the file's bytes as they were; a save
// that fails must too. In a file the engine finds intact, a name looked up
// gives that name's entry, and a saved entry is found again.
#include "store.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

QString dir;
QString path;

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "%s %s\n", what, detail.c_str());
    std::abort();
}

QByteArray contents() {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

void removeAll() {
    for (const char* suffix : {"", "-journal", "-wal", "-shm", ".new"})
        QFile::remove(path + QLatin1String(suffix));
}

void put(const uint8_t* data, size_t size) {
    removeAll();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail("cannot write", path.toStdString());
}

// The engine's own verdict on the file, read through a read-only connection.
bool intact() {
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-check"));
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=ro"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() &&
                 q.value(0).toString() == QLatin1String("ok") && !q.next();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fuzz-check"));
    return ok;
}

// Runs op; a StoreError is a reported failure, anything else escaping is a
// fault. True when op succeeded.
template <class Op> bool attempt(const char* what, Op op) {
    try {
        op();
        return true;
    } catch (const catalogue::StoreError& e) {
        if (e.kind() != catalogue::StoreError::Kind::Failed)
            fail(what, "reported the file missing: " + e.message().toStdString());
        if (e.message().isEmpty())
            fail(what, "failed without a message");
        return false;
    } catch (const std::exception& e) {
        fail(what, std::string("threw something else: ") + e.what());
    } catch (...) {
        fail(what, "threw something unknown");
    }
}

void readAll(catalogue::CatalogueStore& store, const QByteArray& before, const char* mode) {
    QStringList names;
    attempt("ListNames", [&] { names = store.ListNames(); });
    attempt("FindByName", [&] {
        // The first stored name and a name no file holds.
        for (const QString& n : {names.value(0, QStringLiteral("Airy 1830 / National Grid")),
                                 QString::fromUtf8("\xC3\xA9t\xC3\xA9'%_")}) {
            const auto e = store.FindByName(n);
            if (e && e->texts.name.compare(n, Qt::CaseInsensitive) != 0)
                fail("FindByName found another name", e->texts.name.toStdString());
        }
    });
    attempt("NextKey", [&] { store.NextKey(); });
    if (contents() != before)
        fail("reading changed the file through a store opened", mode);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/quillmar-fuzz-XXXXXX"));
    if (!tmp.isValid())
        fail("no temporary folder");
    dir = tmp.path();
    path = dir + QLatin1Char('/') + catalogue::kFileName;
    // Once through with a real catalogue, so the driver and its caches are
    // loaded before any input and not taken for leaks.
    QString error;
    if (!catalogue::CatalogueStore::InstallDefault(path, &error))
        fail("InstallDefault", error.toStdString());
    const QByteArray seed = contents();
    catalogue::CatalogueStore store(path);
    readAll(store, seed, "read-write");
    removeAll();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024)
        return 0; // larger files only make each run slower
    put(data, size);
    const QByteArray before = contents();

    catalogue::CatalogueStore readOnly(path, true);
    readAll(readOnly, before, "read-only");
    catalogue::CatalogueStore store(path);
    readAll(store, before, "read-write");

    // A save through the read-only store must fail and change nothing.
    const catalogue::EntryTexts texts{QString::fromUtf8("Fuzz grid \xE2\x80\x94 1"),
                                      QStringLiteral("6378137"),
                                      QStringLiteral("0.006694379990141"),
                                      QStringLiteral("0.9996"),
                                      QStringLiteral("500000"),
                                      QStringLiteral("0"),
                                      QStringLiteral("0 N"),
                                      QStringLiteral("3 W")};
    if (attempt("SaveEntry read-only", [&] { readOnly.SaveEntry(1, texts); }))
        fail("SaveEntry through a read-only store succeeded");
    if (contents() != before)
        fail("a refused save changed the file");

    qint64 key = 0;
    if (attempt("SaveEntry", [&] { key = store.SaveEntry(1, texts); })) {
        std::optional<catalogue::Entry> e;
        // A damaged file may take the row and still fail on reading; that
        // failure is reported. Reading without finding the row is not.
        if (!attempt("FindByName after saving", [&] { e = store.FindByName(texts.name); }))
            return 0;
        // In a file the engine finds damaged (rows sharing a rowid, say) a
        // lookup may land on another row; only an intact file must give the
        // entry back.
        if (!e && intact())
            fail("the saved entry is not found", std::to_string(key));
        if (e && (e->texts.name != texts.name || e->texts.meridian != texts.meridian) && intact())
            fail("the saved entry reads back differently",
                 std::to_string(key) + " / " + std::to_string(e->ref) + ": " +
                     QStringList{e->texts.name, e->texts.sma, e->texts.Lat, e->texts.meridian}
                         .join(QLatin1Char('|'))
                         .toStdString());
    } else if (contents() != before) {
        fail("a failed save changed the file");
    }
    return 0;
}
