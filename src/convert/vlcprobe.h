#pragma once

#include <QString>

struct libvlc_instance_t;

// What the engine itself reads from a finished file: a file it cannot parse,
// or one without a single track, is no conversion.
struct MediaInfo
{
    bool parsed = false;
    int videoTracks = 0;
    int audioTracks = 0;
    qint64 durationMs = 0;
    double frameRate = 0; // of the first picture track, 0 when not given
};

// Parses the local file at path with the engine's demuxers and waits at most
// timeoutMs for the result. The duration is the one the container declares.
MediaInfo probeMedia(libvlc_instance_t *instance, const QString &path, int timeoutMs);
