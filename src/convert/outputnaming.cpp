#include "convert/outputnaming.h"

#include <cmath>

namespace {

// A dot that starts a name makes it hidden; it is not an extension.
qsizetype extensionDot(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash + 1 ? dot : -1;
}

QString withoutExtension(const QString &path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

} // namespace

QString outputFileName(const QString &input, bool sameDirectory, const QString &outputPath,
                       const QString &format)
{
    if (sameDirectory)
        return withoutExtension(input) + format;
    const QString name = input.mid(input.lastIndexOf(QLatin1Char('/')) + 1);
    return outputPath + QLatin1Char('/') + withoutExtension(name) + format;
}

QString alternativeOutputName(const QString &input)
{
    const qsizetype dot = extensionDot(input);
    const QString extension = dot < 0 ? QString() : input.mid(dot + 1);
    return withoutExtension(input) + QLatin1String("_new") + QLatin1Char('_') + extension;
}

QString escapeDestination(const QString &path)
{
    QString out;
    out.reserve(path.size() + 8);
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

namespace {

// The engine's scale rounds the width to a multiple of 16 and stretches the
// picture to it, even at 1: the size is left to the engine only when the
// scale is 1 and the encoder takes the source's own size.
QString pictureOptions(const ConversionSettings &s, const EncoderTuning &tuning)
{
    if (tuning.picture.isValid())
        return QStringLiteral("width=%1,height=%2,")
            .arg(tuning.picture.width())
            .arg(tuning.picture.height());
    bool number = false;
    if (s.scale.toDouble(&number) == 1.0 && number)
        return {};
    return QStringLiteral("scale=%1,").arg(s.scale);
}

constexpr double kMaxFrameRate = 240;

QString videoOptions(const ConversionSettings &s, const EncoderTuning &tuning)
{
    QString encoder;
    if (tuning.holdNoFrames && s.videoCodec == QLatin1String("h264"))
        encoder = QStringLiteral("venc=x264{options={threads=1}},");
    // The engine's own HEVC encoder loses frames (half of them in mkv) and
    // gives frames one time in mp4; libavcodec's x265 gives them all, each
    // at its time, and at its fastest preset costs half as long again.
    if (s.videoCodec == QLatin1String("hevc"))
        encoder = QStringLiteral("venc=avcodec{codec=libx265,options=preset=ultrafast},");
    // Given the rate, the engine places the filter before the picture is
    // sized; as a filter of its own it would undo the size. A rate beyond
    // any camera's is a container's guess, and would multiply the frames.
    bool number = false;
    if (tuning.frameRate > 0 && tuning.frameRate <= kMaxFrameRate)
        encoder += QStringLiteral("fps=%1,").arg(tuning.frameRate, 0, 'g', 6);
    else if (!tuning.picture.isValid() && s.scale.toDouble(&number) == 1.0 && number)
        encoder += QStringLiteral("vfilter=fps,");
    return QStringLiteral("vcodec=%1,%2vb=%3,%4")
        .arg(s.videoCodec, encoder, s.videoBitrate, pictureOptions(s, tuning));
}

} // namespace

QString streamOutputOption(const ConversionSettings &s, const QString &outputFile)
{
    return streamOutputOption(s, outputFile, TrackChoice{});
}

QString streamOutputOption(const ConversionSettings &s, const QString &outputFile,
                           TrackChoice keep, const EncoderTuning &tuning)
{
    if (!keep.video && !keep.audio)
        return {};
    const QString video = videoOptions(s, tuning);
    if (keep.video && keep.audio)
        return QStringLiteral(":sout=#transcode{%1acodec=%2,ab=%3,channels=%4,deinterlace}"
                              ":std{access=file,mux=%5,url=\"%6\"}")
            .arg(video, s.audioCodec, s.audioBitrate, s.channels, s.container,
                 escapeDestination(outputFile));
    const QString transcode = keep.video ? video + QStringLiteral("deinterlace")
                                         : QStringLiteral("acodec=%1,ab=%2,channels=%3")
                                               .arg(s.audioCodec, s.audioBitrate, s.channels);
    // The output chain is a quoted value of duplicate{}, unescaped once
    // before std{} reads its own quoted destination: the path is escaped
    // twice. The engine's key "dst" is written as is, since the translation
    // of "url" only looks at a top-level std{}.
    const QString output = QStringLiteral("std{access=file,mux=%1,dst=\"%2\"}")
                               .arg(s.container, escapeDestination(outputFile));
    return QStringLiteral(":sout=#transcode{%1}:duplicate{dst=\"%2\",select=%3}")
        .arg(transcode, escapeDestination(output),
             keep.video ? QStringLiteral("noaudio") : QStringLiteral("novideo"));
}

QSize evenPictureSize(QSize source, double scale)
{
    const double width = source.width() * scale;
    const double height = source.height() * scale;
    if (!(width > 0 && height > 0))
        return {};
    // Each side moves by at most one pixel; the engine marks the pixels'
    // shape so that the picture shows at the source's aspect.
    const auto even = [](double v) { return qMax(2, 2 * int(std::lround(v / 2))); };
    return {even(width), even(height)};
}

QString numberedOutputName(const QString &output, int number)
{
    const qsizetype dot = extensionDot(output);
    const QString extension = dot < 0 ? QString() : output.mid(dot);
    return withoutExtension(output) + QStringLiteral(" (%1)").arg(number) + extension;
}
