#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// What a walk through a finished file's container finds: whether it holds
// together, and each track with the frames (samples, blocks, packets) it
// holds, counted from the container itself.
struct ContainerTrack
{
    enum class Kind { Video, Audio, Other };
    Kind kind = Kind::Other;
    qint64 frames = 0;
    // Frames shown within a millisecond of another frame of the track: a
    // player shows one of them, or stalls, where time did not move on.
    qint64 stillFrames = 0;
};

// stillFrames of a track whose frames show at times, in units of
// 1/unitsPerSecond s, in any order.
qint64 countStillFrames(QList<qint64> times, qint64 unitsPerSecond);

struct ContainerContent
{
    // What a fault means for the file as a whole, whatever the container.
    enum class Flaw { None, Empty, Unfinished, Damaged, Unreadable, Hole, Stalled };

    static ContainerContent broken(const QString &fault, Flaw flaw = Flaw::Damaged)
    {
        return {fault, flaw, {}, -1};
    }
    static ContainerContent holding(const QList<ContainerTrack> &tracks) { return {{}, Flaw::None, tracks, -1}; }

    QString fault; // empty when the container holds together
    Flaw flaw = Flaw::None;
    QList<ContainerTrack> tracks;
    qint64 durationMs = -1; // where the walk reads it from the stream; -1 otherwise
};

// Positioned reads of a file through a window of its bytes, so that a walk
// hopping through a large file reads only what it asks for and a walk
// through every packet reads the file once, in large pieces.
class ContainerReader
{
public:
    explicit ContainerReader(const QString &path);

    bool open();
    qint64 size() const { return m_size; }
    // length bytes at pos, valid until the next call; null past the end.
    const unsigned char *at(qint64 pos, qint64 length);
    bool read(qint64 pos, void *data, qint64 length);
    QByteArray read(qint64 pos, qint64 length);
    // Where the file system has no data for a range inside the file (a
    // write that never happened before a later one past it), or -1.
    qint64 firstHole();

private:
    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
    QByteArray m_window;
    qint64 m_windowStart = -1;
};

namespace containerbytes {

using Bytes = const unsigned char *;

quint64 bigEndian(Bytes p, int n);
quint64 littleEndian(Bytes p, int n);

} // namespace containerbytes
