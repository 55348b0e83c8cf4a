// The job log file, log.csv beside the catalogue. The file is the user's:
// records are only ever added at its end, and Clear moves it aside instead
// of deleting it.
#pragma once

#include "record.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace joblog {

inline const QString kFileName = QStringLiteral("log.csv");

struct ReadResult {
    QList<Record> records; // in file order, oldest first
    int damaged = 0;       // lines left out because they did not read
    QString error;         // empty, or why the file could not be read
};

struct ClearResult {
    QString movedTo; // where the old file went; empty when there was none
    QString error;   // empty, or why it could not be moved
};

class LogFile {
  public:
    // The log in `folder` (the catalogue's folder).
    explicit LogFile(const QString& folder);

    QString folder() const { return folder_; }
    QString path() const;

    // Adds the record at the end of the file and hands it to the system
    // before returning, so a crash of the program loses nothing already
    // shown. A new or empty file gets the header first; a last line left
    // unfinished by a crash is kept as it is and the record starts on a new
    // line. Never throws: empty when written, else the reason it was not
    // (the path and the system's words).
    [[nodiscard]] QString append(const Record& record) const;

    // Every record that reads; a missing file is an empty log. Columns are
    // matched by their captions, so a file with columns in another order,
    // or more or fewer of them, still reads.
    ReadResult read() const;

    // The name Clear would move the file to now: log-<date-time>.csv, with
    // "-2", "-3", ... when that name is taken.
    QString clearTarget() const;

    // Moves the file aside to clearTarget(); never overwrites a file. With
    // no log file there is nothing to move, and that is no error.
    ClearResult clear() const;

    // Tests fix the clock that names the moved file.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

  private:
    QString folder_;
    std::function<QDateTime()> clock_;
};

// The log of one run, shared by the windows: writes each record, tells the
// Log tab, and reports a file that cannot be written only the first time.
class JobLog : public QObject {
    Q_OBJECT
  public:
    explicit JobLog(const QString& folder, QObject* parent = nullptr);

    LogFile& file() { return file_; }
    const LogFile& file() const { return file_; }

    // Writes the record and emits added() (a record that could not be
    // written still shows in the Log tab for this run). Returns the message
    // to show in the status bar, "The job log cannot be written: <reason>",
    // the first time writing fails in this run; empty otherwise.
    QString add(const Record& record);

    // True once a write has failed in this run.
    bool failed() const { return failed_; }

  signals:
    void added(const joblog::Record& record);
    // Emitted with the same text add() returns, once per run.
    void writeFailed(const QString& message);

  private:
    LogFile file_;
    bool failed_ = false;
};

} // namespace joblog
