#pragma once

#include <QString>

// A conversion writes to a hidden part file beside its output and renames it
// onto the output only once the result is verified, so an interrupted job
// never leaves a broken file under the output's name.

// "/v/.clip.mp4.4242.part.mp4" for "/v/clip.mp4" and pid 4242: the output's
// extension stays last so the engine's muxer still recognises the format.
QString partFileName(const QString &output, qint64 pid);

// Creates path empty with mode 0666 less the umask. An existing file of that
// name is replaced only if it is a part file whose process is gone or is this
// one.
bool createPartFile(const QString &path, QString *error);

// Removes the part files in folder left by processes that no longer run and
// returns how many went. Files of running processes and other names stay.
int removeStaleParts(const QString &folder);

// Moves part onto output, replacing it atomically (both are in one folder).
bool commitPartFile(const QString &part, const QString &output, QString *error);
