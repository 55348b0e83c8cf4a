// Raw access to a catalogue file for tests: rows the store itself would
// never write, and a digest to prove that a failure left the file alone.
#pragma once

#include "store.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace testcat {

// One row as the table holds it; a null id or ref is written as NULL, an
// empty meridian as NULL. sma takes any value, text included.
struct Row {
    QVariant id;
    QVariant ref;
    QString name;
    QString meridian = "3 W";
    QString Lat = "0 N";
    QVariant sma = 6378137.0;
};

// Eight valid texts, every field distinct, so that a swapped column shows.
inline catalogue::EntryTexts texts(const QString& name, const QString& meridian = "3 W") {
    return {name, "6378137", "0.006694379990141", "0.9996", "500000", "0", "0 N", meridian};
}

// Runs raw SQL on the file outside the store.
class Raw {
  public:
    explicit Raw(const QString& path) : name_(QString("raw-%1").arg(++counter_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("raw open failed");
    }
    ~Raw() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlQuery run(const QString& sql, const QVariantList& args = {}) {
        QSqlQuery q(QSqlDatabase::database(name_));
        q.prepare(sql);
        for (const QVariant& a : args)
            q.addBindValue(a);
        if (!q.exec())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q;
    }
    void insert(const Row& r) {
        run("INSERT INTO Spheroid (id, ref, name, sma, eccentricity, Scale, FE, FN, Lat, meridian) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {r.id, r.ref, r.name, r.sma, 0.006694379990141, 0.9996, 500000.0, 0.0, r.Lat,
             r.meridian.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : r.meridian});
    }
    // Every row in stored order, as "id/ref/name".
    QStringList rows() {
        QSqlQuery q = run("SELECT id, ref, name FROM Spheroid ORDER BY rowid");
        QStringList out;
        while (q.next())
            out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()}
                       .join('/');
        return out;
    }

  private:
    static inline int counter_ = 0;
    QString name_;
};

inline QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Creates an empty catalogue at path and adds the rows.
inline void create(const QString& path, const QList<Row>& rows) {
    QString error;
    if (!catalogue::CatalogueStore::CreateEmpty(path, &error))
        qFatal("CreateEmpty: %s", qPrintable(error));
    Raw raw(path);
    for (const Row& r : rows)
        raw.insert(r);
}

} // namespace testcat
