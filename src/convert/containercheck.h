#pragma once

#include <QString>

// Why the file at path is not a whole container of the engine's mux (mp4,
// mov, 3gp, avi, mkv, webm, ogg, ts, ps, flv, raw), or an empty string when
// its structure holds together. Reads only headers, so it is cheap on large
// files; it does not decode anything. An unknown mux is only checked for
// being non-empty.
QString containerFault(const QString &path, const QString &mux);
