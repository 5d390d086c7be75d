#include "convert/outputnaming.h"

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

QString streamOutputOption(const ConversionSettings &s, const QString &outputFile)
{
    return QStringLiteral(":sout=#transcode{vcodec=%1,vb=%2,scale=%3,acodec=%4,ab=%5,channels=%6,"
                          "deinterlace}:std{access=file,mux=%7,url=\"%8\"}")
        .arg(s.videoCodec, s.videoBitrate, s.scale, s.audioCodec, s.audioBitrate, s.channels,
             s.container, escapeDestination(outputFile));
}

QString streamOutputOption(const ConversionSettings &s, const QString &outputFile,
                           TrackChoice keep)
{
    if (keep.video && keep.audio)
        return streamOutputOption(s, outputFile);
    if (!keep.video && !keep.audio)
        return {};
    const QString transcode =
        keep.video ? QStringLiteral("vcodec=%1,vb=%2,scale=%3,deinterlace")
                         .arg(s.videoCodec, s.videoBitrate, s.scale)
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

QString numberedOutputName(const QString &output, int number)
{
    const qsizetype dot = extensionDot(output);
    const QString extension = dot < 0 ? QString() : output.mid(dot);
    return withoutExtension(output) + QStringLiteral(" (%1)").arg(number) + extension;
}
