#include "convert/sourcelook.h"

#include <string_view>

#include <QFile>

#include "convert/nativefile.h"

namespace {

constexpr qint64 kHeadBytes = 200; // two transport-stream packets and a little

bool startsWith(const QByteArray &head, const char *magic, int at = 0)
{
    const QByteArray wanted(magic);
    return head.size() >= at + wanted.size() && head.mid(at, wanted.size()) == wanted;
}

quint8 byte(const QByteArray &head, int at)
{
    return at < head.size() ? quint8(head[at]) : 0;
}

// The beginnings of what the engine demultiplexes: containers, then bare
// streams, which begin with a start code or a frame sync.
bool looksLikeMedia(const QByteArray &head)
{
    using namespace std::literals;
    static constexpr std::string_view kMagic[] = {
        "RIFF"sv, "RF64"sv, "\x1A\x45\xDF\xA3"sv, "OggS"sv, "FLV"sv,
        "\x30\x26\xB2\x75\x8E\x66\xCF\x11"sv, ".RMF"sv, "\x06\x0E\x2B\x34"sv,
        "nut/multimedia"sv, "FORM"sv, "ID3"sv, "fLaC"sv, "#!AMR"sv, "DKIF"sv, "YUV4MPEG2"sv,
        "caff"sv, "wvpk"sv, "NSVf"sv, "BIK"sv, "SMK"sv, "GIF8"sv, "MAC "sv, "TTA1"sv, "MPCK"sv,
        "\x0B\x77"sv, "\x1F\x07\x00"sv, "\x00\x00\x01"sv, "\x00\x00\x00\x01"sv,
    };
    const std::string_view start(head.constData(), std::size_t(head.size()));
    for (const std::string_view magic : kMagic)
        if (start.starts_with(magic))
            return true;
    // ISO base media (mp4, mov, 3gp): a box type after the first size.
    for (const char *box : {"ftyp", "moov", "mdat", "free", "skip", "wide", "pnot", "uuid"})
        if (startsWith(head, box, 4))
            return true;
    // MPEG transport streams, plain or with the Blu-ray time stamp.
    if (byte(head, 0) == 0x47 && (head.size() < 189 || byte(head, 188) == 0x47))
        return true;
    if (byte(head, 4) == 0x47 && head.size() >= 197 && byte(head, 196) == 0x47)
        return true;
    // MPEG audio and ADTS frames.
    return byte(head, 0) == 0xFF && (byte(head, 1) & 0xE0) == 0xE0;
}

} // namespace

namespace sourcelook {

QString faultOf(const QByteArray &head, qint64 size)
{
    if (size == 0)
        return QStringLiteral("the file is empty");
    if (!head.isEmpty() && !looksLikeMedia(head))
        return QStringLiteral("the file is not a video");
    return {};
}

Finding look(const QString &path)
{
    const std::optional<struct stat> info = nativefile::target(path);
    if (!info || !S_ISREG(info->st_mode))
        return {};
    QFile file;
    if (!nativefile::openForReading(file, path))
        return {};
    return {true, faultOf(file.read(kHeadBytes), info->st_size)};
}

} // namespace sourcelook
