#pragma once

#include <QByteArray>
#include <QString>

// A quick look at a source before the engine has it: its size and first
// bytes tell an empty file, and a file that begins as no container or
// stream the engine reads (a document, a picture, a text). The engine then
// fails the file anyway, and this says why in words a user understands.
namespace sourcelook {

struct Finding
{
    // False for a file that is missing, unreadable or not a regular file:
    // the batch reports it itself, and the engine is not worth asking.
    bool read = false;
    // "the file is empty", "the file is not a video", or empty.
    QString fault;
};

// Reads only a regular file, never waits on a pipe.
Finding look(const QString &path);

// The same judgement from what was read: the file's first bytes and its size.
QString faultOf(const QByteArray &head, qint64 size);

} // namespace sourcelook
