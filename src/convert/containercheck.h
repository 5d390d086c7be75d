#pragma once

#include <QString>

#include "convert/containerreader.h"

// Walks the file at path as a container of the engine's mux (mp4, mov, 3gp,
// avi, mkv, webm, ogg, ts, ps, flv, raw): whether it holds together, with no
// data missing inside it, and the frames each track holds. Steps over media
// data where the container gives sizes, and reads every packet where the
// packets themselves are the structure (ts, ps, ogg, raw). An unknown mux is
// only checked for being non-empty and whole on disk.
ContainerContent readContainer(const QString &path, const QString &mux);

// The fault readContainer finds, or an empty string.
QString containerFault(const QString &path, const QString &mux);

// The container the file's first bytes name, as a mux readContainer knows
// ("mp4", "mkv", "avi", "ogg", "ts", "ps", "flv"; "asf" only by name), or
// empty for an elementary stream or an unknown file.
QString sourceMux(const QString &path);

// The frames the source's container holds in its picture and in its sound
// tracks: 0 for a track declared and never filled, -1 for a kind it does
// not declare, and -1 for both where its walk cannot tell (an unknown or
// damaged container, or an index that lists no frames: a fragmented file).
struct SourceFrames
{
    qint64 video = -1;
    qint64 audio = -1;
};
SourceFrames sourceFrames(const QString &path);

// A converted file's container fault in words a user understands, the same
// for every container: what was asked for (video, audio) is missing, the
// file was not finished, or it is damaged.
QString convertedFileFault(const ContainerContent &content, bool video, bool audio);

// The source's container gives its length, in its header or by the
// timestamps at its two ends; an elementary stream (mp3, raw video) does
// not, and the engine only estimates its length from the bitrate.
bool declaresLength(const QString &path);
