#include "paths.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace common {

bool FolderExists(const QString& path) {
    if (path.isEmpty())
        return false;
    QString copy = path;
    EnsureTrailingSeparator(copy);
    return QFileInfo(copy).isDir();
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking: a FIFO at the path must not hang the caller.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        // A folder opens read-only on Linux; it is not a file.
        const bool dir = QFileInfo(path).isDir();
        ::close(fd);
        return !dir;
    }
    // Permission denied still means the file is there.
    return errno == EACCES && !QFileInfo(path).isDir();
}

void EnsureTrailingSeparator(QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.endsWith(QLatin1Char('/')) || trimmed.endsWith(QLatin1Char('\\')))
        return;
    QString s = path;
    while (!s.isEmpty() && s.back().isSpace())
        s.chop(1);
    path = s + QLatin1Char('/');
}

} // namespace common
