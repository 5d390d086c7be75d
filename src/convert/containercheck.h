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

// The source's container gives its length, in its header or by the
// timestamps at its two ends; an elementary stream (mp3, raw video) does
// not, and the engine only estimates its length from the bitrate.
bool declaresLength(const QString &path);
