#include "support/media.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace media {

bool toolsAvailable()
{
    return QFileInfo(QStringLiteral(FFMPEG_PROGRAM)).isExecutable() &&
           QFileInfo(QStringLiteral(FFPROBE_PROGRAM)).isExecutable();
}

QString makeClip(const QString &folder, const QString &baseName, const ClipSpec &spec)
{
    const QString path = QDir(folder).filePath(baseName + spec.extension);
    const QString size = QStringLiteral("%1x%2").arg(spec.width).arg(spec.height);
    const QString seconds = QString::number(spec.seconds);
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"), QStringLiteral("-y"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     // Interlaced: pairs of 50 Hz frames woven into 25 fps top-first frames.
                     QStringLiteral("testsrc2=size=%1:rate=%2:duration=%3")
                         .arg(size, spec.interlaced ? QStringLiteral("50") : QStringLiteral("25"),
                              seconds)};
    if (spec.sound)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds);
    if (spec.audioChannels != 1)
        args << QStringLiteral("-ac") << QString::number(spec.audioChannels);
    if (spec.interlaced)
        args << QStringLiteral("-vf") << QStringLiteral("tinterlace=interleave_top")
             << QStringLiteral("-flags") << QStringLiteral("+ilme+ildct") << QStringLiteral("-top")
             << QStringLiteral("1") << QStringLiteral("-c:v") << QStringLiteral("mpeg2video")
             << QStringLiteral("-c:a") << QStringLiteral("mp2");
    else
        args << QStringLiteral("-c:v") << spec.videoCodec << QStringLiteral("-c:a")
             << spec.audioCodec;
    args << QStringLiteral("-q:v") << QStringLiteral("5") << QStringLiteral("-shortest") << path;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral(FFMPEG_PROGRAM), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        qWarning("ffmpeg failed: %s", ffmpeg.readAll().constData());
        return {};
    }
    return path;
}

Probe probe(const QString &path, bool countFrames)
{
    Probe result;
    QProcess ffprobe;
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                     QStringLiteral("json"), QStringLiteral("-show_format"),
                     QStringLiteral("-show_streams"), path};
    if (countFrames)
        args.prepend(QStringLiteral("-count_frames"));
    ffprobe.start(QStringLiteral(FFPROBE_PROGRAM), args);
    if (!ffprobe.waitForFinished(60000) || ffprobe.exitCode() != 0) {
        result.error = QString::fromLocal8Bit(ffprobe.readAllStandardError());
        return result;
    }
    const QJsonObject root = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
    const QJsonObject format = root.value(QStringLiteral("format")).toObject();
    result.formatName = format.value(QStringLiteral("format_name")).toString();
    result.duration = format.value(QStringLiteral("duration")).toString().toDouble();
    for (const QJsonValue &value : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value(QStringLiteral("codec_type")).toString();
        const int frames = stream.value(QStringLiteral("nb_read_frames")).toString().toInt();
        if (type == QLatin1String("video")) {
            ++result.videoStreams;
            result.videoFrames += frames;
        } else if (type == QLatin1String("audio")) {
            ++result.audioStreams;
            result.audioFrames += frames;
        }
        if (type == QLatin1String("video") && result.videoCodec.isEmpty()) {
            result.fieldOrder = stream.value(QStringLiteral("field_order")).toString();
            result.videoCodec = stream.value(QStringLiteral("codec_name")).toString();
            result.width = stream.value(QStringLiteral("width")).toInt();
            result.height = stream.value(QStringLiteral("height")).toInt();
        } else if (type == QLatin1String("audio") && result.audioCodec.isEmpty()) {
            result.audioCodec = stream.value(QStringLiteral("codec_name")).toString();
            result.channels = stream.value(QStringLiteral("channels")).toInt();
        }
    }
    result.ok = true;
    return result;
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

QString sharedClip()
{
    return QStringLiteral(TARNWICK_TEST_MEDIA_DIR "/big_buck_bunny_720p_1mb.mp4");
}

} // namespace media
