#pragma once

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
    bool interlaced = false;
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
    double duration = 0.0;
    QString error;
};

Probe probe(const QString &path);

bool toolsAvailable();

} // namespace media
