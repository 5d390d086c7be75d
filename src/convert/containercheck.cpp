#include "convert/containercheck.h"

#include <cstring>
#include <string_view>

#include <QHash>

#include "convert/containerwalk.h"

using namespace containerbytes;
using containerwalk::kCutShort;
using Kind = ContainerTrack::Kind;
using Flaw = ContainerContent::Flaw;

namespace {

bool isFourCC(Bytes p)
{
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7e)
            return false;
    return true;
}

std::string_view fourCC(Bytes p)
{
    return {reinterpret_cast<const char *>(p), 4};
}

const QString kDamagedBox = QStringLiteral("the container has a damaged box");

// Calls visit(type, payload, end) for each box from pos to end.
template <typename Visit>
QString walkBoxes(ContainerReader &file, qint64 pos, qint64 end, Visit visit)
{
    while (pos < end) {
        unsigned char head[16];
        if (end - pos < 8 || !file.read(pos, head, 8))
            return QStringLiteral("the container ends in a broken box");
        if (!isFourCC(head + 4))
            return kDamagedBox;
        quint64 size = bigEndian(head, 4);
        qint64 header = 8;
        if (size == 1) {
            if (!file.read(pos + 8, head + 8, 8))
                return kCutShort;
            size = bigEndian(head + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = quint64(end - pos);
        }
        if (size < quint64(header))
            return kDamagedBox;
        if (size > quint64(end - pos))
            return kCutShort;
        const std::string type(fourCC(head + 4));
        visit(type, pos + header, pos + qint64(size));
        pos += qint64(size);
    }
    return {};
}

// The table of a stts or ctts box: pairs of a sample count and a time.
QByteArray timeTable(ContainerReader &file, qint64 payload, qint64 end)
{
    unsigned char head[8];
    if (!file.read(payload, head, 8))
        return {};
    const qint64 entries = qint64(bigEndian(head + 4, 4));
    return entries * 8 <= end - payload - 8 ? file.read(payload + 8, entries * 8) : QByteArray();
}

// Each sample's presentation time: the decode times (stts deltas) plus the
// composition offsets (ctts, signed in practice whatever the version says).
QList<qint64> presentationTimes(const QByteArray &decode, const QByteArray &composition, qint64 samples)
{
    QList<qint64> times;
    times.reserve(qMin<qint64>(samples, 1 << 20));
    const auto *d = reinterpret_cast<Bytes>(decode.constData());
    qint64 time = 0;
    for (qsizetype i = 0; i + 8 <= decode.size(); i += 8)
        for (quint64 n = bigEndian(d + i, 4); n > 0 && times.size() < samples; --n) {
            times.append(time);
            time += qint64(bigEndian(d + i + 4, 4));
        }
    const auto *c = reinterpret_cast<Bytes>(composition.constData());
    qsizetype sample = 0;
    for (qsizetype i = 0; i + 8 <= composition.size(); i += 8)
        for (quint64 n = bigEndian(c + i, 4); n > 0 && sample < times.size(); --n)
            times[sample++] += qint32(bigEndian(c + i + 4, 4));
    return times;
}

// One trak: its handler gives the kind, its sample sizes the frame count,
// its time tables when each frame shows.
ContainerTrack isoTrack(ContainerReader &file, qint64 pos, qint64 end)
{
    ContainerTrack track;
    qint64 timescale = 0;
    QByteArray decode, composition;
    const auto descend = [&](const auto &self, qint64 from, qint64 to) -> void {
        walkBoxes(file, from, to, [&](const std::string &type, qint64 payload, qint64 boxEnd) {
            unsigned char bytes[24];
            if (type == "mdia" || type == "minf" || type == "stbl") {
                self(self, payload, boxEnd);
            } else if (type == "hdlr" && file.read(payload, bytes, 12)) {
                const std::string_view handler = fourCC(bytes + 8);
                track.kind = handler == "vide" ? Kind::Video
                             : handler == "soun" ? Kind::Audio
                                                 : Kind::Other;
            } else if ((type == "stsz" || type == "stz2") && file.read(payload, bytes, 12)) {
                track.frames = qint64(bigEndian(bytes + 8, 4));
            } else if (type == "mdhd" && file.read(payload, bytes, 24)) {
                timescale = qint64(bigEndian(bytes + (bytes[0] == 1 ? 20 : 12), 4));
            } else if (type == "stts") {
                decode = timeTable(file, payload, boxEnd);
            } else if (type == "ctts") {
                composition = timeTable(file, payload, boxEnd);
            }
        });
    };
    descend(descend, pos, end);
    if (track.kind == Kind::Video && timescale > 0)
        track.stillFrames = countStillFrames(
            presentationTimes(decode, composition, qMin(track.frames, file.size())), timescale);
    return track;
}

ContainerContent isoBmffContent(ContainerReader &file)
{
    ContainerContent content;
    bool moov = false;
    bool mdat = false;
    content.fault = walkBoxes(file, 0, file.size(), [&](const std::string &type, qint64 payload,
                                                        qint64 end) {
        mdat = mdat || type == "mdat";
        if (type != "moov")
            return;
        moov = true;
        walkBoxes(file, payload, end, [&](const std::string &inner, qint64 from, qint64 to) {
            if (inner == "trak")
                content.tracks.append(isoTrack(file, from, to));
        });
    });
    if (!content.fault.isEmpty())
        content.flaw = content.fault == kDamagedBox ? Flaw::Damaged : Flaw::Unfinished;
    // The muxer writes its index last: a muxer that could not finish leaves none.
    if (content.fault.isEmpty() && !moov)
        content = ContainerContent::broken(QStringLiteral("the container has no index (moov)"), Flaw::Unfinished);
    if (content.fault.isEmpty() && !mdat)
        content = ContainerContent::broken(QStringLiteral("the container has no media data (mdat)"), Flaw::Empty);
    return content;
}

// Steps over RIFF chunks (only those named onlyId, when given) from pos to
// end and returns where the walk stopped: end itself when they cover it
// exactly. A missing pad byte after an odd last chunk is tolerated. Each
// chunk goes to visit(id, payload, size).
template <typename Visit>
qint64 walkRiff(ContainerReader &file, qint64 pos, qint64 end, std::string_view onlyId, Visit visit)
{
    while (end - pos >= 8) {
        unsigned char chunk[8];
        if (!file.read(pos, chunk, 8) || !isFourCC(chunk))
            return pos;
        if (!onlyId.empty() && fourCC(chunk) != onlyId)
            return pos;
        const qint64 size = qint64(littleEndian(chunk + 4, 4));
        if (pos + 8 + size <= end)
            visit(fourCC(chunk), pos + 8, size);
        if (size % 2 && pos + 8 + size == end)
            return end;
        pos += 8 + size + size % 2;
    }
    return pos;
}

struct AviStreams
{
    QList<ContainerTrack> tracks;
    qint64 movi = -1; // where the first movi list's "movi" stands; idx1 counts from there
    QByteArray index;
    QHash<qsizetype, double> frameMs; // of each video track, from its header
};

// The lists of the header and of the media data, with the chunks inside.
void walkAviList(ContainerReader &file, qint64 pos, qint64 end, AviStreams &streams)
{
    walkRiff(file, pos, end, {}, [&](std::string_view id, qint64 payload, qint64 size) {
        unsigned char type[4];
        if (id == "LIST" && size >= 4 && file.read(payload, type, 4)) {
            if (fourCC(type) == "strl")
                streams.tracks.append(ContainerTrack{});
            if (fourCC(type) == "movi" && streams.movi < 0)
                streams.movi = payload;
            walkAviList(file, payload + 4, payload + size, streams);
        } else if (id == "strh" && size >= 4 && file.read(payload, type, 4) && !streams.tracks.isEmpty()) {
            streams.tracks.last().kind = fourCC(type) == "vids"   ? Kind::Video
                                         : fourCC(type) == "auds" ? Kind::Audio
                                                                  : Kind::Other;
            // A picture lasts scale/rate seconds.
            unsigned char rate[8];
            if (fourCC(type) == "vids" && size >= 28 && file.read(payload + 20, rate, 8)
                && littleEndian(rate + 4, 4) > 0)
                streams.frameMs.insert(streams.tracks.size() - 1,
                                       1000.0 * double(littleEndian(rate, 4)) / double(littleEndian(rate + 4, 4)));
        } else if (id == "idx1") {
            streams.index = file.read(payload, size - size % 16);
        } else if (size > 0 && id[0] >= '0' && id[0] <= '9' && id[1] >= '0' && id[1] <= '9') {
            const int stream = (id[0] - '0') * 10 + (id[1] - '0');
            if (stream < streams.tracks.size())
                ++streams.tracks[stream].frames;
        }
    });
}

ContainerContent aviContent(ContainerReader &file)
{
    unsigned char head[12];
    if (!file.read(0, head, 12) || fourCC(head) != "RIFF" || fourCC(head + 8) != "AVI ")
        return ContainerContent::broken(QStringLiteral("the file has no AVI header"));
    // OpenDML files go on in further RIFF AVIX chunks.
    const qint64 riffEnd = walkRiff(file, 0, file.size(), "RIFF", [](auto, auto, auto) {});
    if (riffEnd > file.size())
        return ContainerContent::broken(kCutShort, Flaw::Unfinished);
    // The muxer writes the sizes last: a header size that stops short of the
    // file is an unfinished file.
    if (riffEnd != file.size())
        return ContainerContent::broken(QStringLiteral("the container's size does not match the file"), Flaw::Unfinished);

    const qint64 firstEnd = qMin(file.size(), 8 + qint64(littleEndian(head + 4, 4)));
    const qint64 end = walkRiff(file, 12, firstEnd, {}, [](auto, auto, auto) {});
    if (end > firstEnd)
        return ContainerContent::broken(kCutShort, Flaw::Unfinished);
    if (end != firstEnd)
        return ContainerContent::broken(QStringLiteral("the container has a damaged chunk"));
    AviStreams streams;
    walkRiff(file, 0, file.size(), "RIFF", [&](auto, qint64 payload, qint64 size) {
        walkAviList(file, payload + 4, payload + size, streams);
    });
    // Without idx1 a whole movi list still plays, and the walk has shown it whole.
    if (streams.movi < 0)
        return ContainerContent::broken(QStringLiteral("the container has no media data (movi)"), Flaw::Empty);
    // Each entry of the index names the chunk at its place: data that went
    // missing moves every chunk after it.
    const auto *entries = reinterpret_cast<Bytes>(streams.index.constData());
    for (qsizetype i = 0; i + 16 <= streams.index.size(); i += 16) {
        unsigned char chunk[8];
        const qint64 at = streams.movi + qint64(littleEndian(entries + i + 8, 4));
        if (!file.read(at, chunk, 8) || std::memcmp(chunk, entries + i, 4) != 0
            || littleEndian(chunk + 4, 4) != littleEndian(entries + i + 12, 4))
            return ContainerContent::broken(QStringLiteral("the container's index does not match its media data"));
    }
    // The engine tells an AVI's length only in whole seconds; its pictures
    // tell it to the frame.
    ContainerContent content = ContainerContent::holding(streams.tracks);
    for (auto it = streams.frameMs.cbegin(); it != streams.frameMs.cend(); ++it)
        content.durationMs = qMax(content.durationMs, qint64(double(streams.tracks[it.key()].frames) * it.value()));
    return content;
}

ContainerContent flvContent(ContainerReader &file)
{
    unsigned char head[9];
    if (!file.read(0, head, 9) || fourCC(head).substr(0, 3) != "FLV")
        return ContainerContent::broken(QStringLiteral("the file has no FLV header"));
    const qint64 dataOffset = qint64(bigEndian(head + 5, 4));
    ContainerContent content;
    QHash<int, qint64> frames; // by tag type
    QList<qint64> videoTimes;
    qint64 pos = dataOffset + 4;
    bool first = true;
    while (pos < file.size()) {
        unsigned char tag[11];
        if (!file.read(pos, tag, 11))
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        const int type = tag[0] & 0x1f;
        const qint64 dataSize = qint64(bigEndian(tag + 1, 3));
        unsigned char back[4];
        if (!file.read(pos + 11 + dataSize, back, 4))
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        if ((type != 8 && type != 9 && type != 18) || qint64(bigEndian(back, 4)) != 11 + dataSize)
            return ContainerContent::broken(QStringLiteral("the container has a damaged tag"));
        // Decoder set-up (AVC, HEVC, AAC sequence headers) is no frame.
        unsigned char data[5] = {};
        const bool read = dataSize >= 2 && file.read(pos + 11, data, qMin<qint64>(dataSize, 5));
        const bool reordered = type == 9 && ((data[0] & 0x0f) == 7 || (data[0] & 0x0f) == 12);
        const bool setup = read && (reordered || (type == 8 && data[0] >> 4 == 10)) && data[1] != 1;
        if (dataSize > 1 && !setup)
            ++frames[type];
        if (dataSize > 1 && !setup && type == 9) {
            // Milliseconds, and for AVC and HEVC the composition offset after them.
            qint64 time = qint64(bigEndian(tag + 4, 3) | quint64(tag[7]) << 24);
            if (reordered && dataSize >= 5)
                time += qint32(quint32(bigEndian(data + 2, 3)) << 8) >> 8;
            videoTimes.append(time);
        }
        if (first && type == 18) {
            // The muxer goes back to fill in the file size of its metadata
            // when it closes; a killed muxer leaves 0 there.
            const QByteArray script = file.read(pos + 11, qMin<qint64>(dataSize, 4096));
            const QByteArray key = QByteArray::fromHex("0008") + "filesize" + '\0'; // a number
            const qsizetype at = script.indexOf(key);
            if (at >= 0 && script.size() >= at + key.size() + 8) {
                const quint64 bits
                    = bigEndian(reinterpret_cast<Bytes>(script.constData() + at + key.size()), 8);
                double declared = 0;
                std::memcpy(&declared, &bits, sizeof declared);
                if (qint64(declared) != file.size())
                    return ContainerContent::broken(QStringLiteral("the container was not finished"), Flaw::Unfinished);
            }
        }
        first = false;
        pos += 11 + dataSize + 4;
    }
    if (frames.isEmpty() && pos == dataOffset + 4)
        return ContainerContent::broken(QStringLiteral("the container has no tags"), Flaw::Empty);
    if (head[4] & 0x01 || frames.contains(9))
        content.tracks.append({Kind::Video, frames.value(9), countStillFrames(videoTimes, 1000)});
    if (head[4] & 0x04 || frames.contains(8))
        content.tracks.append({Kind::Audio, frames.value(8)});
    return content;
}

} // namespace

ContainerContent readContainer(const QString &path, const QString &mux)
{
    ContainerReader file(path);
    if (!file.open())
        return ContainerContent::broken(QStringLiteral("the file cannot be read"), Flaw::Unreadable);
    if (file.size() == 0)
        return ContainerContent::broken(QStringLiteral("the file is empty"), Flaw::Empty);

    const QString name = mux.toLower();
    ContainerContent content;
    if (name == u"mp4" || name == u"mov" || name == u"3gp")
        content = isoBmffContent(file);
    else if (name == u"avi")
        content = aviContent(file);
    else if (name == u"mkv" || name == u"webm")
        content = containerwalk::matroska(file);
    else if (name == u"ogg")
        content = containerwalk::ogg(file);
    else if (name == u"ts")
        content = containerwalk::transportStream(file);
    else if (name == u"ps")
        content = containerwalk::programStream(file);
    else if (name == u"flv")
        content = flvContent(file);
    else if (name == u"raw")
        content = containerwalk::mpegAudio(file);
    // A write that failed before a later one past it leaves a range the file
    // system never stored: the index may cover it, the data is not there.
    if (content.fault.isEmpty() && file.firstHole() >= 0)
        content = ContainerContent::broken(QStringLiteral("the file has a hole where data is missing"), Flaw::Hole);
    // Two frames at one time make players stall or drop one; the engine
    // writes such times where its source's timestamps were unsound.
    for (const ContainerTrack &track : std::as_const(content.tracks))
        if (content.fault.isEmpty() && track.kind == Kind::Video && track.stillFrames > 0)
            content = ContainerContent::broken(QStringLiteral("the picture does not advance in time"), Flaw::Stalled);
    return content;
}

QString containerFault(const QString &path, const QString &mux)
{
    return readContainer(path, mux).fault;
}

QString sourceMux(const QString &path)
{
    ContainerReader file(path);
    unsigned char head[12];
    if (!file.open() || !file.read(0, head, 12))
        return {};
    static const QList<std::string_view> isoBoxes{"ftyp", "moov", "mdat", "free", "wide", "skip"};
    const bool transport = [&] {
        // 188-byte packets, or 192 with a time stamp before each (m2ts).
        for (const qint64 packet : {188, 192}) {
            const qint64 first = packet - 188;
            unsigned char sync[2];
            if (file.read(first, sync, 1) && file.read(first + packet, sync + 1, 1) && sync[0] == 0x47
                && sync[1] == 0x47)
                return true;
        }
        return false;
    }();
    if (isoBoxes.contains(fourCC(head + 4)))
        return QStringLiteral("mp4");
    if (bigEndian(head, 4) == 0x1A45DFA3)
        return QStringLiteral("mkv");
    if (fourCC(head) == "RIFF" && fourCC(head + 8) == "AVI ")
        return QStringLiteral("avi");
    if (bigEndian(head, 4) == 0x3026B275)
        return QStringLiteral("asf");
    if (fourCC(head).substr(0, 3) == "FLV")
        return QStringLiteral("flv");
    if (fourCC(head) == "OggS")
        return QStringLiteral("ogg");
    if (bigEndian(head, 4) == 0x000001BA)
        return QStringLiteral("ps");
    return transport ? QStringLiteral("ts") : QString();
}

bool declaresLength(const QString &path)
{
    return !sourceMux(path).isEmpty();
}

SourceFrames sourceFrames(const QString &path)
{
    const QString mux = sourceMux(path);
    if (mux.isEmpty())
        return {};
    const ContainerContent content = readContainer(path, mux);
    qint64 all = 0;
    for (const ContainerTrack &track : content.tracks)
        all += track.frames;
    // A damaged source, or an index that lists no frames at all (a
    // fragmented file), cannot tell an empty track from a full one.
    if (!content.fault.isEmpty() || all == 0)
        return {};
    const auto frames = [&content](Kind kind) {
        qint64 held = -1;
        for (const ContainerTrack &track : content.tracks)
            if (track.kind == kind)
                held = qMax<qint64>(held, 0) + track.frames;
        return held;
    };
    return {frames(Kind::Video), frames(Kind::Audio)};
}

QString convertedFileFault(const ContainerContent &content, bool video, bool audio)
{
    switch (content.flaw) {
    case Flaw::None:
        return {};
    case Flaw::Empty:
        return video ? QStringLiteral("the converted file holds no picture")
               : audio ? QStringLiteral("the converted file holds no sound")
                       : QStringLiteral("the converted file holds neither picture nor sound");
    case Flaw::Unfinished:
        return QStringLiteral("the converted file was not finished");
    case Flaw::Unreadable:
        return QStringLiteral("the converted file cannot be read");
    case Flaw::Hole:
        return QStringLiteral("the converted file has a hole where data is missing");
    case Flaw::Stalled:
        return QStringLiteral("the converted file's picture does not advance in time");
    case Flaw::Damaged:
        break;
    }
    return QStringLiteral("the converted file is damaged");
}
