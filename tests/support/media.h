#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Clips made by ffmpeg at test time, and what ffprobe reads from a file.
namespace media {

struct ClipSpec
{
    double seconds = 3.0;
    int width = 320;
    int height = 240;
    int audioChannels = 2;
    bool interlaced = false; // MPEG-2 with top-field-first frames; suits .mpg
    bool sound = true;
    QString videoCodec = QStringLiteral("mpeg4"); // ffmpeg's names
    QString audioCodec = QStringLiteral("mp3");
    QString extension = QStringLiteral(".avi");
};

// Returns an empty string and prints ffmpeg's output when it fails.
QString makeClip(const QString &folder, const QString &baseName, const ClipSpec &spec = {});

struct Probe
{
    bool ok = false;
    QString formatName;
    QString videoCodec;
    QString audioCodec;
    int width = 0;
    int height = 0;
    int channels = 0;
    int videoStreams = 0;
    int audioStreams = 0;
    int videoFrames = 0; // decoded, when counted
    int audioFrames = 0;
    QString fieldOrder; // of the first video stream, as ffprobe names it
    double duration = 0.0;
    QString error;
};

Probe probe(const QString &path, bool countFrames = false);

// SHA-256 of the file's bytes; empty when it cannot be read.
QByteArray digest(const QString &path);

// A real clip made by another encoder: 5.3 s 1280x720 H.264 with 5.1 AAC,
// kept in tests/media (licence in its README).
QString sharedClip();

bool toolsAvailable();

} // namespace media
