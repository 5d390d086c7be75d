#pragma once

#include <QSize>
#include <QString>

// The eight conversion settings, inserted into the option as they stand.
struct ConversionSettings
{
    QString format;
    QString container;
    QString videoCodec;
    QString videoBitrate;
    QString scale;
    QString audioCodec;
    QString audioBitrate;
    QString channels;
};

// Beside the source (sameDirectory) or in outputPath: the input's file name
// with its extension replaced by format. A "." in a folder name never counts,
// and a name without an extension keeps all of it.
QString outputFileName(const QString &input, bool sameDirectory, const QString &outputPath,
                       const QString &format);

// The initial name the save dialog offers when the batch itself builds the
// job: the input path up to its extension, "_new_" and the extension.
QString alternativeOutputName(const QString &input);

// A backslash before every '"', '\'' and '\\', for a path inside the
// option's double quotes.
QString escapeDestination(const QString &path);

QString streamOutputOption(const ConversionSettings &settings, const QString &outputFile);

// The tracks an output keeps.
struct TrackChoice
{
    bool video = true;
    bool audio = true;
};

// What the encoders are told beyond the eight settings.
struct EncoderTuning
{
    // The engine drains a threaded H.264 encoder only once it has given out
    // a frame: a clip shorter than its delay comes out without a picture.
    // A single thread holds nothing back, at some cost in speed.
    bool holdNoFrames = false;
    // The picture size for an encoder that refused the source's own (the
    // scale already applied); empty keeps the source's size.
    QSize picture;
    // The source's picture rate, 0 when unknown. The engine's frame rate
    // filter gives each frame a time of its own at that rate: without it
    // the first frames of an H.264 source with B-frames (as most cameras
    // and programs write them), and frames around each key frame of a
    // Theora source, come out two at one time. It costs no measurable time;
    // a variable-rate source comes out at a constant rate.
    double frameRate = 0;
};

// As above when both tracks are kept. A dropped track is neither encoded nor
// written: the transcode passes it through untouched and the engine's
// duplicate output selects it away. Empty when neither track is kept.
QString streamOutputOption(const ConversionSettings &settings, const QString &outputFile,
                           TrackChoice keep, const EncoderTuning &tuning = {});

// The even size nearest to the source's times scale: the H.264 encoder
// refuses odd sizes. Never below 2x2; empty for an empty source.
QSize evenPictureSize(QSize source, double scale = 1.0);

// "name (n).ext" for "name.ext", the number before the extension.
QString numberedOutputName(const QString &output, int number);
