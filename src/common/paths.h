// File and folder tests used at start-up and before every catalogue open.
#pragma once

#include <QString>

namespace common {

// True when the folder exists. Never throws; any error counts as absent.
bool FolderExists(const QString& path);

// True when the file can be opened for reading, or when opening is refused
// only for lack of permission (the file is there, held by someone else).
// A folder, an empty path or a missing file is false.
bool FileExists(const QString& path);

// Makes the path end in a separator: a path already ending in "/" or "\"
// (after trimming blanks) is left exactly as it was; otherwise trailing
// blanks are dropped and "/" appended. An empty path becomes "/".
void EnsureTrailingSeparator(QString& path);

} // namespace common
