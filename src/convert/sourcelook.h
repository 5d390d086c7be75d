#pragma once

#include <QByteArray>
#include <QString>

// A quick look at a source before the engine has it: its size and first
// bytes tell an empty file, and a file that begins as no container or
// stream the engine reads (a document, a picture, a text). The engine then
// fails the file anyway, and this says why in words a user understands.
namespace sourcelook {

// "the file is empty", "the file is not a video", or empty when the file
// looks like media or cannot be looked at (the batch reports a missing or
// unreadable source itself). Reads only a regular file, never waits on a pipe.
QString fault(const QString &path);

// The same judgement from what was read: the file's first bytes and its size.
QString faultOf(const QByteArray &head, qint64 size);

} // namespace sourcelook
