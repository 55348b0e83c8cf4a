#include "logfile.h"

#include "csv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace joblog {

namespace {

QString why(const QString& path, int error) {
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

LogFile::LogFile(const QString& folder) : folder_(folder) {}

QString LogFile::path() const {
    return QDir(folder_).filePath(kFileName);
}

QString LogFile::append(const Record& record) const {
    const QString file = path();
    if (!QDir().mkpath(folder_)) {
        // mkpath does not say why; the first thing in the way does.
        struct stat st {};
        const int error = ::stat(QFile::encodeName(folder_).constData(), &st) == 0 ? ENOTDIR
                          : errno == ENOENT                                        ? EACCES
                                                                                   : errno;
        return why(folder_, error);
    }
    // O_APPEND: every write lands at the end, whoever else writes meanwhile.
    Fd fd{
        ::open(QFile::encodeName(file).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666)};
    if (fd.fd < 0)
        return why(file, errno);
    // Another copy of the program deciding about the header or the broken
    // line at the same moment must wait; without locks (some network file
    // systems) O_APPEND alone still keeps whole records apart.
    while (::flock(fd.fd, LOCK_EX) < 0 && errno == EINTR) {
    }
    struct stat st {};
    if (::fstat(fd.fd, &st) < 0)
        return why(file, errno);
    QByteArray bytes;
    if (st.st_size == 0) {
        bytes = kUtf8Bom.toByteArray() + CsvLine(Captions());
    } else {
        char last = '\n';
        if (::pread(fd.fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            bytes = "\r\n"; // the last record was cut off: leave it, start afresh
    }
    bytes += CsvLine(record.toList());
    if (!writeAll(fd.fd, bytes))
        return why(file, errno);
    // A crash of the program cannot lose what write() took; this is for the
    // machine going down.
    if (::fdatasync(fd.fd) < 0 && errno != EINVAL && errno != EROFS)
        return why(file, errno);
    const int closing = ::close(fd.fd);
    fd.fd = -1;
    if (closing < 0 && errno != EINTR)
        return why(file, errno);
    return {};
}

ReadResult LogFile::read() const {
    ReadResult result;
    QFile file(path());
    if (!file.exists())
        return result;
    // A device or a pipe in its place would be read for ever.
    if (!QFileInfo(file).isFile()) {
        result.error = why(path(), EINVAL);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QDir::toNativeSeparators(path()) + QStringLiteral(": ") + file.errorString();
        return result;
    }
    const QByteArray data = file.readAll();
    const CsvTable table = ReadCsv(data, Captions());
    result.damaged = table.damaged;
    // Where each of the file's columns goes; -1 for one this program does not know.
    QList<int> to;
    for (const QString& caption : table.header)
        to << int(Captions().indexOf(caption));
    for (const QStringList& row : table.rows) {
        Record r;
        if (row.size() != table.header.size()) {
            // Under a header cut short: a record as this program writes it.
            std::copy(row.begin(), row.end(), r.fields.begin());
            result.records << r;
            continue;
        }
        for (qsizetype i = 0; i < row.size(); ++i)
            if (to[i] >= 0)
                r.fields[std::size_t(to[i])] = row[i];
        result.records << r;
    }
    return result;
}

QString LogFile::clearTarget() const {
    const QDateTime now = clock_ ? clock_() : QDateTime::currentDateTime();
    const QString stem = QStringLiteral("log-") + now.toString(QStringLiteral("yyyy-MM-ddTHHmmss"));
    const QDir dir(folder_);
    QString name = stem + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = stem + QStringLiteral("-%1.csv").arg(n);
    return dir.filePath(name);
}

ClearResult LogFile::clear() const {
    ClearResult result;
    const QString from = path();
    const QByteArray fromName = QFile::encodeName(from);
    struct stat st {};
    if (::lstat(fromName.constData(), &st) < 0) {
        if (errno != ENOENT)
            result.error = why(from, errno);
        return result;
    }
    // Both ways of moving refuse an existing name, so a file another copy
    // of the program moved aside in the same second is never overwritten.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString to = clearTarget();
        const QByteArray toName = QFile::encodeName(to);
        int error = 0;
        if (::renameat2(AT_FDCWD, fromName.constData(), AT_FDCWD, toName.constData(),
                        RENAME_NOREPLACE) < 0) {
            error = errno;
            // File systems without it: a second name, then the old one goes.
            if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
                error = ::link(fromName.constData(), toName.constData()) < 0 ? errno : 0;
                if (!error && ::unlink(fromName.constData()) < 0) {
                    error = errno;
                    ::unlink(toName.constData());
                }
            }
        }
        if (!error) {
            result.movedTo = to;
            return result;
        }
        if (error != EEXIST) {
            result.error = why(from, error);
            return result;
        }
    }
    result.error = why(from, EEXIST);
    return result;
}

JobLog::JobLog(const QString& folder, QObject* parent) : QObject(parent), file_(folder) {}

QString JobLog::add(const Record& record) {
    const QString error = file_.append(record);
    emit added(record);
    if (error.isEmpty() || failed_)
        return {};
    failed_ = true;
    const QString message = QStringLiteral("The job log cannot be written: ") + error;
    emit writeFailed(message);
    return message;
}

} // namespace joblog
