#include <QHash>

#include "convert/containerwalk.h"

using namespace containerbytes;
using containerwalk::kCutShort;
using Kind = ContainerTrack::Kind;
using Flaw = ContainerContent::Flaw;

namespace {

constexpr qint64 kPacket = 188;

Kind transportKind(int streamType, Bytes descriptors, int length)
{
    switch (streamType) {
    case 0x01: case 0x02: case 0x10: case 0x1b: case 0x24: case 0x42: case 0xea:
        return Kind::Video;
    case 0x03: case 0x04: case 0x0f: case 0x11: case 0x81: case 0x87:
        return Kind::Audio;
    case 0x06:
        // Private data: AC-3, E-AC-3, DTS and Opus are told by a descriptor.
        for (int i = 0; i + 2 <= length; i += 2 + descriptors[i + 1]) {
            const int tag = descriptors[i];
            if (tag == 0x6a || tag == 0x7a || tag == 0x7b)
                return Kind::Audio;
            if (tag == 0x7f && i + 2 < length && descriptors[i + 2] == 0x80)
                return Kind::Audio; // the extension that carries Opus
            if (tag == 0x05 && i + 6 <= length) {
                const QByteArray format(reinterpret_cast<const char *>(descriptors + i + 2), 4);
                if (format == "AC-3" || format == "EAC3" || format == "Opus" || format.startsWith("DTS"))
                    return Kind::Audio;
            }
        }
        return Kind::Other;
    default:
        return Kind::Other;
    }
}

struct PesStreams
{
    QList<ContainerTrack> tracks;
    QHash<int, int> byId; // stream (or PID) to its track
    qint64 firstPts = -1;
    qint64 lastPts = -1;

    void count(int id, Kind kind)
    {
        auto at = byId.constFind(id);
        if (at == byId.cend()) {
            at = byId.insert(id, int(tracks.size()));
            tracks.append({kind, 0});
        }
        ++tracks[*at].frames;
    }
    void time(qint64 pts)
    {
        firstPts = firstPts < 0 ? pts : qMin(firstPts, pts);
        lastPts = qMax(lastPts, pts);
    }
};

qint64 readPts(Bytes p)
{
    return qint64(p[0] >> 1 & 0x07) << 30 | qint64(p[1]) << 22 | qint64(p[2] >> 1) << 15
           | qint64(p[3]) << 7 | qint64(p[4] >> 1);
}

// The time stamp of a PES packet of length bytes at p, or -1.
qint64 pesPts(Bytes p, qint64 length)
{
    if (length >= 14 && (p[6] & 0xc0) == 0x80)
        return p[7] & 0x80 ? readPts(p + 9) : -1;
    // MPEG-1: stuffing, an optional buffer size, then the time stamps.
    qint64 i = 6;
    while (i < length && p[i] == 0xff)
        ++i;
    if (i + 2 <= length && (p[i] & 0xc0) == 0x40)
        i += 2;
    return i + 5 <= length && (p[i] & 0xe0) == 0x20 ? readPts(p + i) : -1;
}

// Bit rates in kbit/s by [MPEG-1][layer 1..3] and index; MPEG-2 and 2.5 share theirs.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

// The length of the MPEG audio frame whose header is at p, or 0.
qint64 mpegAudioFrame(Bytes p)
{
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return 0;
    const int version = p[1] >> 3 & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = 4 - (p[1] >> 1 & 3);
    const int rateIndex = p[2] >> 2 & 3;
    if (version == 1 || layer == 4 || rateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int bitrate = kBitrates[mpeg1][layer - 1][p[2] >> 4] * 1000;
    const int rate = (rateIndex == 0 ? 44100 : rateIndex == 1 ? 48000 : 32000) >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = p[2] >> 1 & 1;
    if (bitrate == 0)
        return 0;
    if (layer == 1)
        return (12 * bitrate / rate + padding) * 4;
    return (layer == 3 && !mpeg1 ? 72 : 144) * bitrate / rate + padding;
}

} // namespace

namespace containerwalk {

ContainerContent transportStream(ContainerReader &file)
{
    if (file.size() % kPacket != 0)
        return ContainerContent::broken(QStringLiteral("the file is not a whole number of transport packets"), Flaw::Unfinished);
    int pmtPid = -1;
    bool pmtRead = false;
    QHash<int, int> continuity; // last counter by PID
    QHash<int, int> trackOf;    // elementary PID to track
    QHash<int, QList<qint64>> times; // of each video track's packets, 90 kHz
    ContainerContent content;
    for (qint64 pos = 0; pos < file.size(); pos += kPacket) {
        const unsigned char *p = file.at(pos, kPacket);
        if (!p || p[0] != 0x47)
            return ContainerContent::broken(QStringLiteral("the transport stream has lost its packet sync"));
        const int pid = (p[1] & 0x1f) << 8 | p[2];
        const bool start = p[1] & 0x40;
        const int control = p[3] >> 4 & 3;
        if (pid == 0x1fff || !(control & 1))
            continue;
        // Each PID counts its packets with payload: a gap is data that never
        // got written. A packet may come twice, and a flagged discontinuity
        // restarts the count.
        const int counter = p[3] & 0x0f;
        const bool discontinuity = control & 2 && p[4] > 0 && p[5] & 0x80;
        if (const auto last = continuity.constFind(pid); last != continuity.cend() && !discontinuity
            && counter != *last && counter != ((*last + 1) & 0x0f))
            return ContainerContent::broken(QStringLiteral("the transport stream has lost packets"));
        continuity[pid] = counter;

        qint64 payload = 4 + (control & 2 ? 1 + p[4] : 0);
        if (payload >= kPacket || !start)
            continue;
        if (const auto track = trackOf.constFind(pid); track != trackOf.cend()) {
            ++content.tracks[*track].frames;
            if (const qint64 pts = pesPts(p + payload, kPacket - payload);
                pts >= 0 && content.tracks[*track].kind == Kind::Video)
                times[*track].append(pts);
            continue;
        }
        if (pid != 0 && (pid != pmtPid || pmtRead))
            continue;
        payload += 1 + p[payload]; // pointer field
        const unsigned char *section = p + payload;
        const qint64 room = kPacket - payload;
        if (room < 12)
            continue;
        const qint64 end = qMin<qint64>(room - 4, 3 + ((section[1] & 0x0f) << 8 | section[2]) - 4);
        if (pid == 0 && section[0] == 0x00) {
            for (qint64 i = 8; i + 4 <= end; i += 4)
                if (bigEndian(section + i, 2) != 0)
                    pmtPid = int(bigEndian(section + i + 2, 2) & 0x1fff);
        } else if (pid == pmtPid && section[0] == 0x02) {
            pmtRead = true;
            for (qint64 i = 12 + ((section[10] & 0x0f) << 8 | section[11]); i + 5 <= end;) {
                const int esPid = int(bigEndian(section + i + 1, 2) & 0x1fff);
                const int info = (section[i + 3] & 0x0f) << 8 | section[i + 4];
                trackOf.insert(esPid, int(content.tracks.size()));
                content.tracks.append({transportKind(section[i], section + i + 5,
                                                     int(qMin<qint64>(info, end - i - 5))), 0});
                i += 5 + info;
            }
        }
    }
    for (auto at = times.cbegin(); at != times.cend(); ++at)
        content.tracks[at.key()].stillFrames = countStillFrames(at.value(), 90000);
    return content;
}

ContainerContent programStream(ContainerReader &file)
{
    const QString damaged = QStringLiteral("the program stream has a damaged packet");
    unsigned char code[4];
    if (!file.read(0, code, 4) || bigEndian(code, 4) != 0x000001BA)
        return ContainerContent::broken(QStringLiteral("the file has no MPEG pack header"));
    PesStreams streams;
    qint64 pos = 0;
    bool ended = false;
    while (pos < file.size() && !ended) {
        const unsigned char *p = file.at(pos, qMin<qint64>(6, file.size() - pos));
        if (!p || file.size() - pos < 4 || p[0] != 0 || p[1] != 0 || p[2] != 1)
            return ContainerContent::broken(damaged);
        const int id = p[3];
        qint64 length = 0;
        if (id == 0xb9) {
            ended = true;
            length = 4;
        } else if (id == 0xba) {
            const unsigned char *pack = file.at(pos, 14);
            if (!pack)
                return ContainerContent::broken(kCutShort, Flaw::Unfinished);
            length = (pack[4] & 0xc0) == 0x40 ? 14 + (pack[13] & 7) : 12;
        } else if (id >= 0xbb && file.size() - pos >= 6) {
            length = 6 + qint64(bigEndian(p + 4, 2));
            const unsigned char *pes = file.at(pos, length);
            if (!pes)
                return ContainerContent::broken(kCutShort, Flaw::Unfinished);
            Kind kind = Kind::Other;
            int stream = id;
            if (id >= 0xe0 && id <= 0xef) {
                kind = Kind::Video;
            } else if (id >= 0xc0 && id <= 0xdf) {
                kind = Kind::Audio;
            } else if (id == 0xbd && length > 9 && (pes[6] & 0xc0) == 0x80 && 9 + pes[8] < length) {
                // Private stream 1: a sub-stream number follows the header.
                stream = 0x100 | pes[9 + pes[8]];
                kind = (stream & 0x1f0) == 0x180 || (stream & 0x1f0) == 0x1a0 ? Kind::Audio : Kind::Other;
            }
            if (kind != Kind::Other) {
                streams.count(stream, kind);
                if (const qint64 pts = pesPts(pes, length); pts >= 0)
                    streams.time(pts);
            }
        } else {
            return ContainerContent::broken(damaged);
        }
        pos += length;
    }
    if (pos > file.size())
        return ContainerContent::broken(kCutShort, Flaw::Unfinished);
    // The engine's muxer ends every file it closes with the end code.
    if (!ended || pos != file.size())
        return ContainerContent::broken(QStringLiteral("the program stream has no end code"), Flaw::Unfinished);
    ContainerContent content = ContainerContent::holding(streams.tracks);
    if (streams.firstPts >= 0)
        content.durationMs = (streams.lastPts - streams.firstPts) / 90;
    return content;
}

ContainerContent mpegAudio(ContainerReader &file)
{
    // An ID3v2 tag may come first; audio frames must follow it.
    qint64 pos = 0;
    unsigned char head[10];
    if (file.read(0, head, 10) && std::string_view(reinterpret_cast<const char *>(head), 3) == "ID3") {
        const qint64 tagSize = (head[6] & 0x7f) << 21 | (head[7] & 0x7f) << 14
                               | (head[8] & 0x7f) << 7 | (head[9] & 0x7f);
        pos = 10 + tagSize + (head[5] & 0x10 ? 10 : 0);
    }
    qint64 frames = 0;
    while (pos < file.size()) {
        const unsigned char *p = file.at(pos, qMin<qint64>(4, file.size() - pos));
        const qint64 length = p && file.size() - pos >= 4 ? mpegAudioFrame(p) : 0;
        if (length == 0) {
            // An ID3v1 tag may end the file.
            if (file.size() - pos == 128 && file.read(pos, 3) == "TAG")
                break;
            return ContainerContent::broken(frames == 0 ? QStringLiteral("the file does not start with MPEG audio")
                                : QStringLiteral("the audio stream has a damaged frame"));
        }
        if (pos + length > file.size())
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        ++frames;
        pos += length;
    }
    return ContainerContent::holding({{Kind::Audio, frames}});
}

} // namespace containerwalk
