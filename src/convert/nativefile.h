#pragma once

#include <optional>

#include <sys/stat.h>

#include <QIODevice>
#include <QString>
#include <QStringList>

class QFile;

// System calls on file names as the bytes they are (see nativename.h): Qt's
// file classes would look up another name for one that is not UTF-8.
namespace nativefile {

// lstat: the entry itself, a link not followed.
std::optional<struct stat> entry(const QString &path);
// stat: what the name leads to.
std::optional<struct stat> target(const QString &path);

// Any entry counts, unreadable or a dangling link too.
bool exists(const QString &path);
// Equal names, or two names of one file (device and inode).
bool sameFile(const QString &a, const QString &b);

// Opens file on path for reading, with the extra flags of mode; never waits
// for a pipe's writer.
bool openForReading(QFile &file, const QString &path, QIODevice::OpenMode mode = {});
bool remove(const QString &path);
// The source's modification time onto target; false with errno set.
bool copyModificationTime(const QString &source, const QString &target);

// The working folder's name; empty when it cannot be read.
QString currentFolder();
// path against the working folder, without "." and ".." steps.
QString absolute(const QString &path);
// The names in folder, without "." and ".."; empty when it cannot be read.
QStringList names(const QString &folder);

} // namespace nativefile
