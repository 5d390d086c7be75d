#pragma once

#include <QString>

// Why the file at path is not a whole container of the engine's mux (mp4,
// mov, 3gp, avi, mkv, webm, ogg, ts, ps, flv, raw), or an empty string when
// its structure holds together. Reads only headers, so it is cheap on large
// files; it does not decode anything. An unknown mux is only checked for
// being non-empty.
QString containerFault(const QString &path, const QString &mux);

// The engine's own parse finds no tracks in an MPEG program stream, so they
// are read from its packets: a video stream (ids E0-EF) and an audio one
// (MPEG audio C0-DF, or private stream 1, which carries A/52).
void programStreamTracks(const QString &path, bool *video, bool *audio);
