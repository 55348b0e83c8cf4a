// Writes the seed catalogues of fuzz_catalogue_open into the folder given:
// small valid files (512-byte pages) and a few damaged ones.
//   make_catalogue_seeds fuzz/corpus/fuzz_catalogue_open
#include "rawcatalogue.h"
#include "store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString out;

QString at(const char* name) {
    return out + QLatin1Char('/') + QLatin1String(name);
}

void fatal(const QString& what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// Smallest pages, no free space: a few kilobytes per catalogue.
void compact(const QString& path) {
    testcat::Raw raw(path);
    raw.run("PRAGMA page_size = 512");
    raw.run("VACUUM");
}

QByteArray read(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fatal("cannot read " + path);
    return f.readAll();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fatal("cannot write " + path);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        fatal("usage: make_catalogue_seeds FOLDER");
    out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    for (const char* name : {"default.mdb", "empty.mdb", "odd-rows.mdb", "no-table.mdb",
                             "truncated.mdb", "bad-header.mdb", "bad-page-size.mdb", "wal.mdb"})
        QFile::remove(at(name));

    QString error;
    // Three of the shipped entries keep the file small but realistic.
    if (!catalogue::CatalogueStore::CreateEmpty(at("default.mdb"), &error))
        fatal(error);
    {
        catalogue::CatalogueStore store(at("default.mdb"));
        const auto all = catalogue::CatalogueStore::DefaultEntries();
        store.SaveEntries({all[0], all[1], all[21]});
    }
    compact(at("default.mdb"));

    if (!catalogue::CatalogueStore::CreateEmpty(at("empty.mdb"), &error))
        fatal(error);
    compact(at("empty.mdb"));

    // Rows the store never writes: null keys, a text where a number belongs,
    // a duplicate ref, no meridian.
    testcat::create(at("odd-rows.mdb"),
                    {{1, 1, "A"},
                     {QVariant(), QVariant(), "No key"},
                     {3, 1, "Same ref", ""},
                     {7, 7, "Text axis", "9 E", "49 N", QStringLiteral("big")}});
    compact(at("odd-rows.mdb"));

    {
        testcat::Raw raw(at("no-table.mdb"));
        raw.run("CREATE TABLE Other (x INTEGER)");
    }
    compact(at("no-table.mdb"));

    const QByteArray good = read(at("default.mdb"));
    write(at("truncated.mdb"), good.left(good.size() / 2 + 100));
    QByteArray header = good;
    header.replace(0, 6, "SQLitX");
    write(at("bad-header.mdb"), header);
    QByteArray pageSize = good;
    pageSize[16] = char(0x03); // 0x0300: not a power of two
    pageSize[17] = char(0x00);
    write(at("bad-page-size.mdb"), pageSize);
    QByteArray wal = good;
    wal[18] = char(2); // write and read versions 2: WAL mode
    wal[19] = char(2);
    write(at("wal.mdb"), wal);
    return 0;
}
