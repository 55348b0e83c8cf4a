#include "csv.h"

namespace joblog {

namespace {

bool needsQuotes(const QString& f, QChar separator) {
    if (f.isEmpty())
        return false;
    if (separator == u'\t') {
        if (f.front() == u'"')
            return true;
    } else if (f.front().isSpace() || f.back().isSpace()) {
        return true;
    }
    for (QChar c : f)
        if (c == separator || c == u'\n' || c == u'\r' || (separator == u',' && c == u'"'))
            return true;
    return false;
}

QString quoted(const QString& f) {
    QString out = f;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString joined(const QStringList& fields, QChar separator) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            line += separator;
        line += needsQuotes(fields[i], separator) ? quoted(fields[i]) : fields[i];
    }
    return line;
}

} // namespace

QByteArray CsvLine(const QStringList& fields) {
    return joined(fields, u',').toUtf8() + "\r\n";
}

QString TsvLine(const QStringList& fields) {
    return joined(fields, u'\t') + QLatin1Char('\n');
}

std::optional<QStringList> ReadCsvRecord(QByteArrayView data, qsizetype& pos) {
    QStringList fields;
    QByteArray field;
    qsizetype i = pos;
    const qsizetype n = data.size();
    for (;;) {
        field.clear();
        if (i < n && data[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt; // cut off inside quotes
                if (data[i] == '"') {
                    if (i + 1 < n && data[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += data[i++];
            }
            if (i < n && data[i] != ',' && data[i] != '\n' &&
                !(data[i] == '\r' && i + 1 < n && data[i + 1] == '\n'))
                return std::nullopt;
        } else {
            while (i < n && data[i] != ',' && data[i] != '\n') {
                if (data[i] == '"')
                    return std::nullopt; // a quote inside a bare field
                if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n')
                    break;
                field += data[i++];
            }
        }
        fields << QString::fromUtf8(field);
        if (i < n && data[i] == ',') {
            ++i;
            continue;
        }
        if (i < n && data[i] == '\r')
            ++i;
        if (i < n && data[i] == '\n')
            ++i;
        pos = i;
        return fields;
    }
}

namespace {

// The first write of a file cut short inside its header.
bool isCutOf(const QStringList& header, const QStringList& known) {
    const qsizetype n = header.size();
    if (n == 0 || n > known.size() || header == known)
        return false;
    for (qsizetype i = 0; i + 1 < n; ++i)
        if (header[i] != known[i])
            return false;
    return known[n - 1].startsWith(header[n - 1]);
}

} // namespace

CsvTable ReadCsv(QByteArrayView data, const QStringList& knownHeader) {
    CsvTable table;
    qsizetype pos = data.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    const qsizetype n = data.size();
    auto skipLine = [&](qsizetype from) {
        const qsizetype nl = data.indexOf('\n', from);
        pos = nl < 0 ? n : nl + 1;
    };
    auto blankLine = [&] {
        return data[pos] == '\n' || (data[pos] == '\r' && pos + 1 < n && data[pos + 1] == '\n');
    };
    while (pos < n && blankLine())
        skipLine(pos);
    const qsizetype first = pos;
    auto h = ReadCsvRecord(data, pos);
    if (h && !h->isEmpty() && !knownHeader.isEmpty() && h->front() == knownHeader.front()) {
        table.header = *h;
    } else {
        table.header = knownHeader;
        pos = first;
    }
    const bool cutHeader = isCutOf(table.header, knownHeader);
    while (pos < n) {
        if (blankLine()) {
            skipLine(pos);
            continue;
        }
        const qsizetype start = pos;
        auto row = ReadCsvRecord(data, pos);
        if (row && (row->size() == table.header.size() ||
                    (cutHeader && row->size() == knownHeader.size()))) {
            table.rows << *row;
        } else {
            ++table.damaged;
            skipLine(start);
        }
    }
    return table;
}

} // namespace joblog
