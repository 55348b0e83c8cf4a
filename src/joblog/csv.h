// Comma- and tab-separated text as spreadsheets read it (RFC 4180).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace joblog {

// Spreadsheets take a file as UTF-8 only when it starts with this mark.
inline constexpr QByteArrayView kUtf8Bom{"\xEF\xBB\xBF"};

// One record, UTF-8, ending in CRLF. A field is quoted when it holds a comma,
// a quote, a line break or leading or trailing blanks.
QByteArray CsvLine(const QStringList& fields);

// One row for the clipboard, tab-separated, ending in "\n". A field with a
// tab or a line break, or starting with a quote, is quoted as in CSV, which
// is how spreadsheets read pasted text; other quotes (seconds, 13.3") stay
// as they are, which spreadsheets and plain text both read as meant.
QString TsvLine(const QStringList& fields);

// Reads the record starting at `pos` and moves `pos` past its line break
// (CRLF or LF). Nothing, and `pos` unchanged, when the text there is not a
// well-formed record: a quote that is never closed, or a closing quote
// followed by anything but a separator or line break.
std::optional<QStringList> ReadCsvRecord(QByteArrayView data, qsizetype& pos);

struct CsvTable {
    QStringList header;
    // Each as long as the header, or, under a header cut short, as long as
    // the known header.
    QList<QStringList> rows;
    int damaged = 0; // lines left out because they did not read
};

// The whole text: a leading byte-order mark is skipped, blank lines are
// ignored. The first line is the header when it reads and starts with the
// same caption as `knownHeader`; otherwise (a header cut short by a crash)
// `knownHeader` stands in and the first line is read as a record. A header
// that is the known one cut short counts too, and the records after it are
// read with the known header. A line that does not read as a record of the
// header's length is left out and reading goes on at the next line, so a
// record cut short costs only itself.
CsvTable ReadCsv(QByteArrayView data, const QStringList& knownHeader);

} // namespace joblog
