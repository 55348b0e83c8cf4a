#include "store.h"
#include "paramtext.h"

#include "numtext.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

namespace catalogue {

namespace {

// How long a reader or writer waits for another program's lock.
constexpr int kBusyMs = 5000;

bool isBusy(const QSqlError& err) {
    bool ok = false;
    const int code = err.nativeErrorCode().toInt(&ok);
    return ok && ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED);
}

[[noreturn]] void fail(const QString& what, const QSqlError& err) {
    if (isBusy(err))
        throw StoreError(StoreError::Kind::Failed,
                         QStringLiteral("The catalogue could not be %1: another program kept it "
                                        "locked for %2 seconds. It was left as it was.")
                             .arg(what)
                             .arg(kBusyMs / 1000));
    QString detail = err.driverText();
    if (!err.databaseText().isEmpty())
        detail += QStringLiteral(": ") + err.databaseText();
    throw StoreError(StoreError::Kind::Failed,
                     QStringLiteral("The catalogue could not be %1 (%2). It was left as it was.")
                         .arg(what, detail.trimmed()));
}

// One open of the file, one transaction, closed on scope exit. Rolled back
// unless commit() was reached.
class Session {
  public:
    // A writing session takes the write lock at once: a deferred one that
    // reads first cannot wait for another writer (the engine refuses at once
    // rather than risk a deadlock), so simultaneous imports failed.
    enum class Mode { Read, Write };
    Session(const QString& path, bool readOnly, Mode mode = Mode::Read) {
        if (!common::FileExists(path))
            throw StoreError(StoreError::Kind::Missing, QStringLiteral("Can't find database."));
        open(path, readOnly);
        // A writer killed half-way leaves a journal that only a read-write
        // connection may roll back; until one has, every read-only read is
        // refused. The rollback restores what was last committed.
        if (readOnly && firstReadError() == kHotJournal) {
            close();
            open(path, false);
            firstReadError();
            close();
            open(path, true);
        }
        if (mode == Mode::Write && !readOnly) {
            if (sqlite3_db_readonly(handle_, "main") == 1) {
                close();
                refuse(QStringLiteral("the file is read-only"));
            }
            QSqlQuery begin(db_);
            if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
                QSqlError e = begin.lastError();
                close();
                fail(QStringLiteral("written"), e);
            }
            const QString foreign = foreignObjects();
            if (!foreign.isEmpty()) {
                close();
                refuse(QStringLiteral("not a Quillmar catalogue: it holds ") + foreign);
            }
        } else if (!db_.transaction()) {
            QSqlError e = db_.lastError();
            close();
            fail(QStringLiteral("opened"), e);
        }
    }
    ~Session() { close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    QSqlQuery query(const QString& sql, const QString& what) {
        QSqlQuery q(db_);
        if (!q.prepare(sql))
            fail(what, q.lastError());
        return q;
    }
    static void exec(QSqlQuery& q, const QString& what) {
        if (!q.exec())
            fail(what, q.lastError());
    }
    // next() is also false when the engine fails on a damaged page; only a
    // clean end may pass for the end of the rows.
    static bool next(QSqlQuery& q, const QString& what) {
        if (q.next())
            return true;
        if (q.lastError().isValid())
            fail(what, q.lastError());
        return false;
    }
    // Through a statement of its own: the driver's commit drops the engine's
    // error code, which tells a lock held too long from other failures.
    void commit() {
        QSqlQuery q(db_);
        if (!q.exec(QStringLiteral("COMMIT")))
            fail(QStringLiteral("written"), q.lastError());
        committed_ = true;
    }

  private:
    [[noreturn]] static void refuse(const QString& why) {
        throw StoreError(StoreError::Kind::Failed,
                         QStringLiteral("The catalogue could not be written (%1). It was left as "
                                        "it was.")
                             .arg(why));
    }
    // What the schema holds beyond the table and its index, as "trigger
    // wipe, view v"; empty for a file of Quillmar's own.
    QString foreignObjects() {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral(
                "SELECT type, name FROM sqlite_master WHERE NOT ((type = 'table' AND "
                "lower(name) = 'spheroid') OR (type = 'index' AND lower(name) = 'ref')) "
                "ORDER BY rowid")))
            fail(QStringLiteral("read"), q.lastError());
        QStringList found;
        while (next(q, QStringLiteral("read")))
            found << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
        return found.join(QStringLiteral(", "));
    }
    // A file from elsewhere may bring triggers and views that would run
    // their own statements inside ours; none of them is ever run.
    bool harden() {
        const QVariant v = db_.driver()->handle();
        if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
            return false;
        handle_ = *static_cast<sqlite3* const*>(v.constData());
        if (!handle_)
            return false;
        for (const int option : {SQLITE_DBCONFIG_ENABLE_TRIGGER, SQLITE_DBCONFIG_ENABLE_VIEW,
                                 SQLITE_DBCONFIG_TRUSTED_SCHEMA}) {
            int now = 1;
            if (sqlite3_db_config(handle_, option, 0, &now) != SQLITE_OK || now != 0)
                return false;
        }
        int defensive = 0;
        return sqlite3_db_config(handle_, SQLITE_DBCONFIG_DEFENSIVE, 1, &defensive) ==
                   SQLITE_OK &&
               defensive == 1;
    }

    static inline const QString kHotJournal = QStringLiteral("776"); // SQLITE_READONLY_ROLLBACK

    void open(const QString& path, bool readOnly) {
        static int counter = 0;
        name_ = QStringLiteral("quillmar-catalogue-%1").arg(++counter);
        committed_ = false;
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        // mode=rw/ro: never let the driver create an empty file in place of
        // one that vanished after the existence test.
        db_.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                            (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw")));
        db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMs) +
                              (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
        if (!db_.open()) {
            QSqlError e = db_.lastError();
            close();
            fail(QStringLiteral("opened"), e);
        }
        if (!harden()) {
            close();
            fail(QStringLiteral("opened"),
                 QSqlError(QStringLiteral("its triggers and views could not be switched off"),
                           QString(), QSqlError::ConnectionError));
        }
    }
    // The engine's code for a first read outside any transaction; empty
    // when the read worked.
    QString firstReadError() {
        QSqlQuery q(db_);
        if (q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")))
            return {};
        return q.lastError().nativeErrorCode();
    }
    void close() {
        if (name_.isEmpty())
            return;
        if (db_.isOpen()) {
            if (!committed_)
                db_.rollback();
            db_.close();
        }
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
        handle_ = nullptr;
    }
    QString name_;
    QSqlDatabase db_;
    sqlite3* handle_ = nullptr;
    bool committed_ = false;
};

const QString kRead = QStringLiteral("read");
const QString kWritten = QStringLiteral("written");

QString fieldText(const QVariant& v) {
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return Number_Text(v.toDouble());
    return v.toString();
}

// Numbers go to the engine as numbers read with "." as the point, so the
// catalogue reads the same in every locale.
QVariant numberValue(const QString& text) {
    auto v = numtext::To_Number(text.toStdString());
    return v ? QVariant(*v) : QVariant(text);
}

void bindTexts(QSqlQuery& q, const EntryTexts& t) {
    q.bindValue(QStringLiteral(":name"), t.name);
    q.bindValue(QStringLiteral(":sma"), numberValue(t.sma));
    q.bindValue(QStringLiteral(":ecc"), numberValue(t.eccentricity));
    q.bindValue(QStringLiteral(":scale"), numberValue(t.Scale));
    q.bindValue(QStringLiteral(":fe"), numberValue(t.FE));
    q.bindValue(QStringLiteral(":fn"), numberValue(t.FN));
    q.bindValue(QStringLiteral(":lat"), t.Lat);
}

// The key after k. No catalogue of a few hundred entries reaches the largest
// key by saving; only a damaged or doctored file holds it.
qint64 keyAfter(qint64 k) {
    if (k == std::numeric_limits<qint64>::max())
        fail(kRead, QSqlError(QStringLiteral("its keys have reached the largest number; the file "
                                             "is damaged"),
                              QString(), QSqlError::StatementError));
    return k + 1;
}

qint64 nextKeyIn(Session& s) {
    QSqlQuery last = s.query(
        QStringLiteral("SELECT id FROM Spheroid ORDER BY rowid DESC LIMIT 1"), kRead);
    Session::exec(last, kRead);
    qint64 key = 1;
    if (Session::next(last, kRead)) {
        const QString id = last.value(0).toString();
        if (!id.isEmpty())
            key = keyAfter(last.value(0).toLongLong());
    }
    // The last row's id alone may name a key already in use (rows out of
    // order, or an empty id): then step past every key in the table.
    QSqlQuery taken = s.query(QStringLiteral("SELECT COUNT(*) FROM Spheroid WHERE ref = :k"), kRead);
    taken.bindValue(QStringLiteral(":k"), key);
    Session::exec(taken, kRead);
    if (Session::next(taken, kRead) && taken.value(0).toLongLong() > 0) {
        QSqlQuery max = s.query(
            QStringLiteral("SELECT MAX(MAX(COALESCE(id, 0)), MAX(COALESCE(ref, 0))) FROM Spheroid"),
            kRead);
        Session::exec(max, kRead);
        key = keyAfter(Session::next(max, kRead) ? max.value(0).toLongLong() : 0);
    }
    return key;
}

void insertRow(Session& s, qint64 key, const EntryTexts& t) {
    QSqlQuery q = s.query(
        QStringLiteral("INSERT INTO Spheroid (id, ref, name, sma, eccentricity, Scale, FE, FN, "
                       "Lat, meridian) VALUES (:id, :ref, :name, :sma, :ecc, :scale, :fe, :fn, "
                       ":lat, :meridian)"),
        kWritten);
    q.bindValue(QStringLiteral(":id"), key);
    q.bindValue(QStringLiteral(":ref"), key);
    bindTexts(q, t);
    // An entry saved without a meridian keeps an empty one.
    q.bindValue(QStringLiteral(":meridian"),
                t.meridian.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(t.meridian));
    Session::exec(q, kWritten);
}

bool refTaken(Session& s, qint64 key) {
    QSqlQuery q = s.query(QStringLiteral("SELECT COUNT(*) FROM Spheroid WHERE ref = :k"), kRead);
    q.bindValue(QStringLiteral(":k"), key);
    Session::exec(q, kRead);
    return Session::next(q, kRead) && q.value(0).toLongLong() > 0;
}

// A second entry of the same name (case ignored) could never be selected:
// a lookup by name finds the first, and Delete would then remove that one.
// `self` is the row being rewritten, which may keep its own name.
// `what` names the operation a locked file stops, for the report.
void refuseNameTaken(Session& s, const QString& name, std::optional<qint64> self,
                     const QString& what) {
    QSqlQuery q =
        s.query(QStringLiteral("SELECT rowid, ref, name FROM Spheroid ORDER BY rowid"), what);
    q.setForwardOnly(true);
    Session::exec(q, what);
    bool selfSeen = false;
    while (Session::next(q, what)) {
        if (self && !selfSeen && q.value(1).toLongLong() == *self) {
            selfSeen = true; // the row an update rewrites: the first with its key
            continue;
        }
        if (!q.value(2).isNull() && fieldText(q.value(2)).compare(name, Qt::CaseInsensitive) == 0)
            throw StoreError(StoreError::Kind::Failed,
                             QStringLiteral("Another entry is already named \"%1\" (names are "
                                            "compared ignoring case). Nothing was saved.")
                                 .arg(fieldText(q.value(2))));
    }
}

void refuseBadNumbers(const EntryTexts& t) {
    const QString problem = CatalogueStore::CheckEntry(t);
    if (!problem.isEmpty())
        throw StoreError(StoreError::Kind::Failed, problem);
}

const char* const kSchema[] = {
    "CREATE TABLE Spheroid (id INTEGER, ref INTEGER, name TEXT, sma REAL, eccentricity REAL, "
    "Scale REAL, FE REAL, FN REAL, Lat TEXT, meridian TEXT)",
    "CREATE INDEX REF ON Spheroid (ref)",
};

// Puts the finished file `temp` under the name `path` unless something is
// there already; never replaces, never shows a half-written file. A hard
// link does it where the file system has them, a rename that refuses to
// replace elsewhere. False with errno set (EEXIST: another is in place).
bool placeNoReplace(const QByteArray& temp, const QByteArray& path) {
    if (::link(temp.constData(), path.constData()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
#endif
    return false;
}

bool createFile(const QString& path, const std::vector<EntryTexts>& entries, QString* error) {
    auto setError = [&](const QString& e) {
        if (error)
            *error = e;
        return false;
    };
    if (QFileInfo::exists(path))
        return setError(QStringLiteral("%1 already exists").arg(path));
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return setError(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
    // Built aside under a name of its own, in the same folder so it can be
    // linked into place: any number of programs may install at once, and
    // the first finished file wins.
    QByteArray pattern = QFile::encodeName(path) + ".new-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return setError(QStringLiteral("cannot create a file in %1: %2")
                            .arg(info.absolutePath(), QString::fromLocal8Bit(std::strerror(errno))));
    ::close(fd);
    const QString temp = QFile::decodeName(pattern);
    QString failure;
    {
        static QAtomicInt counter;
        const QString conn = QStringLiteral("quillmar-install-%1").arg(counter.fetchAndAddRelaxed(1));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(temp);
            if (!db.open()) {
                failure = db.lastError().text();
            } else {
                db.transaction();
                QSqlQuery q(db);
                for (const char* sql : kSchema)
                    if (failure.isEmpty() && !q.exec(QString::fromLatin1(sql)))
                        failure = q.lastError().text();
                qint64 key = 0;
                for (const auto& e : entries) {
                    if (!failure.isEmpty())
                        break;
                    ++key;
                    q.prepare(QStringLiteral(
                        "INSERT INTO Spheroid (id, ref, name, sma, eccentricity, Scale, FE, FN, "
                        "Lat, meridian) VALUES (:id, :ref, :name, :sma, :ecc, :scale, :fe, :fn, "
                        ":lat, :meridian)"));
                    q.bindValue(QStringLiteral(":id"), key);
                    q.bindValue(QStringLiteral(":ref"), key);
                    bindTexts(q, e);
                    q.bindValue(QStringLiteral(":meridian"), e.meridian);
                    if (!q.exec())
                        failure = q.lastError().text();
                }
                if (failure.isEmpty() && !db.commit())
                    failure = db.lastError().text();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(conn);
    }
    if (failure.isEmpty() && !placeNoReplace(pattern, QFile::encodeName(path)))
        failure = errno == EEXIST
                      ? QStringLiteral("%1 already exists").arg(path)
                      : QStringLiteral("cannot move the new catalogue into place: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    ::unlink(pattern.constData());
    return failure.isEmpty() || setError(failure);
}

} // namespace

QString Number_Text(double x) {
    if (x == 0)
        x = 0; // a stored -0 shows as "0"
    std::array<char, 400> buf{};
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed);
    if (r.ec != std::errc())
        return QString::number(x, 'g', 17);
    return QString::fromLatin1(buf.data(), int(r.ptr - buf.data()));
}

CatalogueStore::CatalogueStore(QString databasePath, bool readOnly)
    : path_(std::move(databasePath)), readOnly_(readOnly) {}

QStringList CatalogueStore::ListNames() const {
    Session s(path_, readOnly_);
    QSqlQuery q = s.query(QStringLiteral("SELECT name FROM Spheroid ORDER BY rowid"), kRead);
    q.setForwardOnly(true);
    Session::exec(q, kRead);
    QStringList names;
    // Names go through the same text as the entry's fields, so a name that
    // another program stored as a number is listed as FindByName gives it.
    while (Session::next(q, kRead))
        names << fieldText(q.value(0));
    return names;
}

std::optional<Entry> CatalogueStore::FindByName(const QString& name) const {
    Session s(path_, readOnly_);
    // Compared here rather than in SQL: the engine's case folding covers
    // ASCII only, and nothing of the name ever becomes part of a statement.
    // The scan reads the names alone: converting all nine fields of every
    // row made a selection in 10,000 entries take several times longer.
    QSqlQuery scan = s.query(QStringLiteral("SELECT rowid, name FROM Spheroid ORDER BY rowid"), kRead);
    scan.setForwardOnly(true);
    Session::exec(scan, kRead);
    while (Session::next(scan, kRead)) {
        if (scan.value(1).isNull() ||
            fieldText(scan.value(1)).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QSqlQuery q = s.query(
            QStringLiteral("SELECT ref, name, sma, eccentricity, Scale, FE, FN, Lat, meridian "
                           "FROM Spheroid WHERE rowid = ?"),
            kRead);
        q.addBindValue(scan.value(0));
        Session::exec(q, kRead);
        // Only a damaged file can give back no row or another row for the
        // key just read; the entry shown would then not be the one chosen.
        if (!Session::next(q, kRead) || q.value(1) != scan.value(1))
            fail(kRead, QSqlError(QStringLiteral("its rows do not match their keys; the file is damaged"),
                                  QString(), QSqlError::StatementError));
        Entry e;
        e.ref = q.value(0).toLongLong();
        e.texts.name = fieldText(q.value(1));
        e.texts.sma = fieldText(q.value(2));
        e.texts.eccentricity = fieldText(q.value(3));
        e.texts.Scale = fieldText(q.value(4));
        e.texts.FE = fieldText(q.value(5));
        e.texts.FN = fieldText(q.value(6));
        e.texts.Lat = fieldText(q.value(7));
        e.texts.meridian = fieldText(q.value(8));
        return e;
    }
    return std::nullopt;
}

qint64 CatalogueStore::NextKey() const {
    Session s(path_, readOnly_);
    return nextKeyIn(s);
}

qint64 CatalogueStore::SaveEntry(qint64 key, const EntryTexts& texts) {
    Session s(path_, readOnly_, Session::Mode::Write);
    refuseBadNumbers(texts);
    refuseNameTaken(s, texts.name, std::nullopt, kRead);
    if (refTaken(s, key))
        key = nextKeyIn(s);
    insertRow(s, key, texts);
    s.commit();
    return key;
}

void CatalogueStore::SaveEntries(const std::vector<EntryTexts>& entries) {
    ImportEntries(entries, {});
}

namespace {

// Rewrites the first row with ref = key inside the session's transaction.
void updateRow(Session& s, qint64 key, const EntryTexts& texts) {
    const QString meridian =
        texts.meridian.isEmpty() ? QString() : QStringLiteral(", meridian = :meridian");
    QSqlQuery q = s.query(QStringLiteral("UPDATE Spheroid SET name = :name, sma = :sma, "
                                         "eccentricity = :ecc, Scale = :scale, FE = :fe, "
                                         "FN = :fn, Lat = :lat%1 WHERE rowid = (SELECT rowid "
                                         "FROM Spheroid WHERE ref = :key ORDER BY rowid LIMIT 1)")
                              .arg(meridian),
                          kWritten);
    bindTexts(q, texts);
    if (!texts.meridian.isEmpty())
        q.bindValue(QStringLiteral(":meridian"), texts.meridian);
    q.bindValue(QStringLiteral(":key"), key);
    Session::exec(q, kWritten);
    if (q.numRowsAffected() < 1)
        throw StoreError(StoreError::Kind::Failed,
                         QStringLiteral("The entry is no longer in the catalogue, so it was not "
                                        "changed. Select it again or save it as a new entry."));
}

} // namespace

void CatalogueStore::UpdateEntry(qint64 key, const EntryTexts& texts) {
    Session s(path_, readOnly_, Session::Mode::Write);
    refuseBadNumbers(texts);
    refuseNameTaken(s, texts.name, key, kWritten);
    updateRow(s, key, texts);
    s.commit();
}

void CatalogueStore::ImportEntries(const std::vector<EntryTexts>& added,
                                   const std::vector<Entry>& replaced) {
    Session s(path_, readOnly_, Session::Mode::Write);
    for (const auto& e : added)
        refuseBadNumbers(e);
    for (const auto& e : replaced)
        refuseBadNumbers(e.texts);
    for (const auto& e : replaced)
        updateRow(s, e.ref, e.texts);
    for (const auto& e : added)
        insertRow(s, nextKeyIn(s), e);
    s.commit();
}

void CatalogueStore::CheckWritable() const {
    Session s(path_, readOnly_, Session::Mode::Write);
}

std::vector<Entry> CatalogueStore::ListEntries() const {
    Session s(path_, readOnly_);
    QSqlQuery q = s.query(QStringLiteral("SELECT ref, name, sma, eccentricity, Scale, FE, FN, "
                                         "Lat, meridian FROM Spheroid ORDER BY rowid"),
                          kRead);
    q.setForwardOnly(true);
    Session::exec(q, kRead);
    std::vector<Entry> entries;
    while (Session::next(q, kRead)) {
        Entry e;
        e.ref = q.value(0).toLongLong();
        EntryTexts& t = e.texts;
        QString* fields[] = {&t.name, &t.sma, &t.eccentricity, &t.Scale,
                             &t.FE,   &t.FN,  &t.Lat,          &t.meridian};
        for (int i = 0; i < 8; ++i)
            *fields[i] = fieldText(q.value(i + 1));
        entries.push_back(std::move(e));
    }
    return entries;
}

void CatalogueStore::DeleteEntry(qint64 key) {
    Session s(path_, readOnly_, Session::Mode::Write);
    QSqlQuery q = s.query(QStringLiteral("DELETE FROM Spheroid WHERE rowid = (SELECT rowid FROM "
                                         "Spheroid WHERE ref = :key ORDER BY rowid LIMIT 1)"),
                          kWritten);
    q.bindValue(QStringLiteral(":key"), key);
    Session::exec(q, kWritten);
    s.commit();
}

QString CatalogueStore::CheckEntry(const EntryTexts& t) {
    // The rules every reader of a parameter set shares, so an entry that is
    // stored can always be selected and used.
    const QString* const in[] = {&t.name, &t.sma, &t.eccentricity, &t.Scale,
                                 &t.FE,   &t.FN,  &t.Lat,          &t.meridian};
    numtext::ParameterTexts texts;
    for (size_t i = 0; i < texts.text.size(); ++i)
        texts.text[i] = in[i]->toStdString();
    const numtext::ParameterReading r = numtext::Read_Parameters(texts, {true, true});
    if (r.problems.empty())
        return {};
    return QString::fromStdString(r.problems.front().message) + QStringLiteral(" Nothing was saved.");
}

bool CatalogueStore::CreateEmpty(const QString& path, QString* error) {
    return createFile(path, {}, error);
}

bool CatalogueStore::InstallDefault(const QString& path, QString* error) {
    return createFile(path, DefaultEntries(), error);
}

std::vector<EntryTexts> CatalogueStore::DefaultEntries() {
    struct Ellipsoid {
        const char* a;
        const char* e2;
    };
    const Ellipsoid airy{"6377563.396", "0.006670540074149"};
    const Ellipsoid wgs84{"6378137", "0.006694379990141"};
    const Ellipsoid grs80{"6378137", "0.006694380022901"};
    const Ellipsoid intl{"6378388", "0.006722670022333"};
    const Ellipsoid clarke66{"6378206.4", "0.006768657997291"};
    const Ellipsoid clarke80{"6378249.145", "0.006803511282849"};
    const Ellipsoid bessel{"6377397.155", "0.006674372231802"};
    const Ellipsoid krass{"6378245", "0.006693421622966"};
    const Ellipsoid everest{"6377276.345", "0.006637846630200"};
    const Ellipsoid anc{"6378160", "0.006694541854588"};
    struct Row {
        const char* name;
        Ellipsoid ell;
        const char* k0;
        const char* fe;
        const char* fn;
        const char* lat;
        const char* cm;
    };
    const Row rows[] = {
        {"Airy 1830 / National Grid", airy, "0.9996012717", "400000", "-100000", "49 N", "2 W"},
        {"WGS 84 / UTM zone 30N", wgs84, "0.9996", "500000", "0", "0 N", "3 W"},
        {"WGS 84 / UTM zone 31N", wgs84, "0.9996", "500000", "0", "0 N", "3 E"},
        {"WGS 84 / UTM zone 32N", wgs84, "0.9996", "500000", "0", "0 N", "9 E"},
        {"WGS 84 / UTM zone 33N", wgs84, "0.9996", "500000", "0", "0 N", "15 E"},
        {"WGS 84 / UTM zone 17N", wgs84, "0.9996", "500000", "0", "0 N", "81 W"},
        {"WGS 84 / UTM zone 18N", wgs84, "0.9996", "500000", "0", "0 N", "75 W"},
        {"WGS 84 / UTM zone 10N", wgs84, "0.9996", "500000", "0", "0 N", "123 W"},
        {"WGS 84 / UTM zone 11N", wgs84, "0.9996", "500000", "0", "0 N", "117 W"},
        {"WGS 84 / UTM zone 21S", wgs84, "0.9996", "500000", "10000000", "0 N", "57 W"},
        {"WGS 84 / UTM zone 23S", wgs84, "0.9996", "500000", "10000000", "0 N", "45 W"},
        {"WGS 84 / UTM zone 34S", wgs84, "0.9996", "500000", "10000000", "0 N", "21 E"},
        {"WGS 84 / UTM zone 55S", wgs84, "0.9996", "500000", "10000000", "0 N", "147 E"},
        {"WGS 84 / UTM zone 56S", wgs84, "0.9996", "500000", "10000000", "0 N", "153 E"},
        {"GRS 80 / MGA zone 55", grs80, "0.9996", "500000", "10000000", "0 N", "147 E"},
        {"GRS 80 / NZTM 2000", grs80, "0.9996", "1600000", "10000000", "0 N", "173 E"},
        {"GRS 80 / SWEREF99 TM", grs80, "0.9996", "500000", "0", "0 N", "15 E"},
        {"GRS 80 / TM35FIN", grs80, "0.9996", "500000", "0", "0 N", "27 E"},
        {"International 1924 / UTM zone 31N", intl, "0.9996", "500000", "0", "0 N", "3 E"},
        {"Clarke 1866 / UTM zone 17N", clarke66, "0.9996", "500000", "0", "0 N", "81 W"},
        {"Clarke 1880 (RGS) / UTM zone 37S", clarke80, "0.9996", "500000", "10000000", "0 N",
         "39 E"},
        {"Bessel 1841 / Gauss-Kruger zone 3", bessel, "1", "3500000", "0", "0 N", "9 E"},
        {"Krassowsky 1940 / Gauss-Kruger zone 4", krass, "1", "4500000", "0", "0 N", "21 E"},
        {"Everest 1830 / UTM zone 44N", everest, "0.9996", "500000", "0", "0 N", "81 E"},
        {"Australian National / AMG zone 55", anc, "0.9996", "500000", "10000000", "0 N",
         "147 E"},
    };
    std::vector<EntryTexts> out;
    for (const Row& r : rows) {
        out.push_back({QString::fromUtf8(r.name), QString::fromLatin1(r.ell.a),
                       QString::fromLatin1(r.ell.e2), QString::fromLatin1(r.k0),
                       QString::fromLatin1(r.fe), QString::fromLatin1(r.fn),
                       QString::fromLatin1(r.lat), QString::fromLatin1(r.cm)});
    }
    return out;
}

} // namespace catalogue
