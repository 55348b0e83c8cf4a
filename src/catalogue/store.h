// The catalogue file: named projection parameter sets in one SQLite table.
//
// No connection is kept between user actions: every operation opens the
// file, works inside one transaction and closes it again, so another program
// may change the file between two clicks. A failure rolls the transaction
// back and leaves the file as it was.
//
// A catalogue may come from another machine: no trigger or view it holds is
// ever run, and a file whose schema holds anything but the Spheroid table
// and its index is read but never written ("not a Quillmar catalogue: it
// holds trigger wipe").
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace catalogue {

inline const QString kFileName = QStringLiteral("QUILLMAR.MDB");

// The eight texts of an entry, as the Spheroid tab's fields hold them.
struct EntryTexts {
    QString name;
    QString sma;
    QString eccentricity;
    QString Scale;
    QString FE;
    QString FN;
    QString Lat;
    QString meridian;
};

struct Entry {
    qint64 ref = 0;
    EntryTexts texts; // numbers as the shortest text that reads back exactly
};

class StoreError : public std::runtime_error {
  public:
    enum class Kind {
        Missing, // the file is not there (the program gives up)
        Failed,  // anything else: reported, file unchanged, program goes on
    };
    StoreError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}
    Kind kind() const noexcept { return kind_; }
    const QString& message() const noexcept { return message_; }

  private:
    Kind kind_;
    QString message_;
};

class CatalogueStore {
  public:
    explicit CatalogueStore(QString databasePath, bool readOnly = false);

    // Names of every row in stored (insertion) order.
    QStringList ListNames() const;
    // First row in stored order whose name equals `name` ignoring case; a
    // plain comparison, so quotes and wildcards are ordinary characters.
    std::optional<Entry> FindByName(const QString& name) const;
    // Last row's id + 1 (1 for an empty table or an empty id); when that key
    // is already taken, one more than the largest id or ref.
    qint64 NextKey() const;
    // Adds a row, never overwrites one. Returns the key used: `key`, or a
    // fresh one when `key` is already taken. A name another entry has (case
    // ignored) is refused, as it is by UpdateEntry.
    qint64 SaveEntry(qint64 key, const EntryTexts& texts);
    // Rewrites the row with ref = key; the meridian only when given.
    void UpdateEntry(qint64 key, const EntryTexts& texts);
    // Deletes the row with ref = key; nothing happens when there is none.
    void DeleteEntry(qint64 key);
    // Adds all entries in one transaction: all or nothing.
    void SaveEntries(const std::vector<EntryTexts>& entries);
    // Rewrites the rows with the given refs (keys kept), then adds the new
    // entries, in one transaction: all or nothing.
    void ImportEntries(const std::vector<EntryTexts>& added, const std::vector<Entry>& replaced);
    // Every row in stored order, with its key.
    std::vector<Entry> ListEntries() const;
    // Throws the StoreError a write would meet now (read-only file, locked
    // past the busy timeout, a schema that is not Quillmar's alone); writes
    // nothing.
    void CheckWritable() const;

    // Empty when the entry can be written: its texts read by
    // numtext::Read_Parameters (a name, physical ranges; the meridian may be
    // empty). Otherwise a message naming the first field that does not.
    static QString CheckEntry(const EntryTexts& texts);

    // Creates the catalogue with the default entries, built aside and put
    // in place whole. Never replaces an existing file, also when several
    // programs install at once: all but one get false with "... already
    // exists" and find the winner's complete file. False (with a reason)
    // when it cannot be created.
    static bool InstallDefault(const QString& path, QString* error = nullptr);
    // Creates an empty catalogue (the table and its index only).
    static bool CreateEmpty(const QString& path, QString* error = nullptr);

    // The entries the program ships with.
    static std::vector<EntryTexts> DefaultEntries();

    const QString& path() const { return path_; }

  private:
    QString path_;
    bool readOnly_;
};

// Shortest text that reads back to the same double, never in exponent form.
QString Number_Text(double x);

} // namespace catalogue
