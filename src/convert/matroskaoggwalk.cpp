#include <array>
#include <optional>

#include <QHash>

#include "convert/containerwalk.h"

using namespace containerbytes;
using containerwalk::kCutShort;
using Kind = ContainerTrack::Kind;
using Flaw = ContainerContent::Flaw;

namespace {

// An EBML element's ID (marker bit kept) and data size, read in one go.
struct Element
{
    quint64 id = 0;
    quint64 size = 0;
    bool unknownSize = false; // all ones: written live, its end never filled in
    qint64 headerLength = 0;
};

// The count of leading zero bits gives a variable-length number's length.
int vintLength(unsigned char first, int longest)
{
    for (int length = 1; length <= longest; ++length)
        if (first & (0x80 >> (length - 1)))
            return length;
    return 0;
}

std::optional<Element> readElement(ContainerReader &file, qint64 pos)
{
    const qint64 available = qMin<qint64>(12, file.size() - pos);
    const unsigned char *bytes = available >= 2 ? file.at(pos, available) : nullptr;
    if (!bytes)
        return std::nullopt;
    const int idLength = vintLength(bytes[0], 4);
    if (!idLength || idLength >= available)
        return std::nullopt;
    const int sizeLength = vintLength(bytes[idLength], 8);
    if (!sizeLength || idLength + sizeLength > available)
        return std::nullopt;
    const quint64 mask = (quint64(1) << (7 * sizeLength)) - 1;
    Element element;
    element.id = bigEndian(bytes, idLength);
    element.size = bigEndian(bytes + idLength, sizeLength) & mask;
    element.unknownSize = element.size == mask;
    element.headerLength = idLength + sizeLength;
    return element;
}

constexpr quint64 kEbmlHeader = 0x1A45DFA3;
constexpr quint64 kSegment = 0x18538067;
constexpr quint64 kTracks = 0x1654AE6B;
constexpr quint64 kTrackEntry = 0xAE;
constexpr quint64 kTrackNumber = 0xD7;
constexpr quint64 kTrackType = 0x83;
constexpr quint64 kCluster = 0x1F43B675;
constexpr quint64 kBlockGroup = 0xA0;
constexpr quint64 kBlock = 0xA1;
constexpr quint64 kSimpleBlock = 0xA3;
constexpr quint64 kCues = 0x1C53BB6B;
constexpr quint64 kInfo = 0x1549A966;
constexpr quint64 kTimecodeScale = 0x2AD7B1;
constexpr quint64 kClusterTimecode = 0xE7;

const QString kDamagedElement = QStringLiteral("the container has a damaged element");

// Calls visit(element, dataStart) for each element from pos to end and
// returns where the walk stopped: end when the elements cover it exactly,
// -1 for a damaged one. An element of unknown size ends the walk at its data.
template <typename Visit>
qint64 walkElements(ContainerReader &file, qint64 pos, qint64 end, Visit visit)
{
    while (pos < end) {
        const std::optional<Element> element = readElement(file, pos);
        if (!element)
            return -1;
        const qint64 data = pos + element->headerLength;
        if (!element->unknownSize && element->size > quint64(end - data))
            return -1;
        if (!visit(*element, data))
            return pos;
        if (element->unknownSize)
            return data;
        pos = data + qint64(element->size);
    }
    return pos;
}

quint64 readUnsigned(ContainerReader &file, qint64 pos, quint64 size)
{
    const unsigned char *bytes = size <= 8 ? file.at(pos, qint64(size)) : nullptr;
    return bytes ? bigEndian(bytes, int(size)) : 0;
}

struct MatroskaTracks
{
    QList<ContainerTrack> tracks;
    QHash<quint64, int> byNumber;
    QList<QList<qint64>> times; // of each video track's blocks, in timecode units
    quint64 timecodeScale = 1000000; // nanoseconds a unit
};

void readTracks(ContainerReader &file, qint64 pos, qint64 end, MatroskaTracks &found)
{
    walkElements(file, pos, end, [&](const Element &entry, qint64 data) {
        if (entry.id != kTrackEntry || entry.unknownSize)
            return true;
        quint64 number = 0, type = 0;
        walkElements(file, data, data + qint64(entry.size), [&](const Element &e, qint64 at) {
            if (e.id == kTrackNumber)
                number = readUnsigned(file, at, e.size);
            else if (e.id == kTrackType)
                type = readUnsigned(file, at, e.size);
            return true;
        });
        found.byNumber.insert(number, int(found.tracks.size()));
        found.tracks.append({type == 1 ? Kind::Video : type == 2 ? Kind::Audio : Kind::Other, 0});
        found.times.append(QList<qint64>());
        return true;
    });
}

void countBlock(ContainerReader &file, qint64 data, quint64 size, qint64 clusterTime,
                MatroskaTracks &found)
{
    const unsigned char *first = size > 0 ? file.at(data, 1) : nullptr;
    const int length = first ? vintLength(*first, 8) : 0;
    if (!length || quint64(length) > size)
        return;
    const quint64 number = readUnsigned(file, data, quint64(length)) & ((quint64(1) << (7 * length)) - 1);
    const auto at = found.byNumber.constFind(number);
    if (at == found.byNumber.cend() || size <= quint64(length) + 3)
        return;
    ++found.tracks[*at].frames;
    if (found.tracks[*at].kind == Kind::Video)
        found.times[*at].append(clusterTime + qint16(readUnsigned(file, data + length, 2)));
}

// A cluster's children; one of unknown size ends where the next top-level
// element begins. Returns where the cluster ends, or -1 when it is damaged.
qint64 readCluster(ContainerReader &file, qint64 data, qint64 end, MatroskaTracks &found)
{
    qint64 time = 0; // the cluster's, written before its blocks
    return walkElements(file, data, end, [&](const Element &e, qint64 at) {
        if (e.id == kCluster || e.id == kCues || e.id > 0xFFFFFF)
            return false; // the next top-level element
        if (e.id == kClusterTimecode)
            time = qint64(readUnsigned(file, at, e.size));
        if (e.id == kSimpleBlock && !e.unknownSize)
            countBlock(file, at, e.size, time, found);
        if (e.id == kBlockGroup && !e.unknownSize)
            walkElements(file, at, at + qint64(e.size), [&](const Element &inner, qint64 blockAt) {
                if (inner.id == kBlock)
                    countBlock(file, blockAt, inner.size, time, found);
                return true;
            });
        return true;
    });
}

quint32 oggCrc(const unsigned char *page, qint64 length)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = r & 0x80000000u ? r << 1 ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    quint32 crc = 0;
    for (qint64 i = 0; i < length; ++i) {
        const unsigned char byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc = crc << 8 ^ table[(crc >> 24 ^ byte) & 0xff];
    }
    return crc;
}

Kind oggKind(const QByteArray &firstPacket)
{
    for (const char *video : {"\x80theora", "\x01video", "\x80" "daala"})
        if (firstPacket.startsWith(video))
            return Kind::Video;
    for (const char *audio : {"\x01vorbis", "OpusHead", "\x7f" "FLAC", "Speex   ", "\x01" "audio"})
        if (firstPacket.startsWith(audio))
            return Kind::Audio;
    return Kind::Other;
}

} // namespace

namespace containerwalk {

ContainerContent matroska(ContainerReader &file)
{
    auto element = readElement(file, 0);
    if (!element || element->id != kEbmlHeader || element->unknownSize)
        return ContainerContent::broken(QStringLiteral("the file has no Matroska header"));
    qint64 pos = element->headerLength + qint64(element->size);

    // Void elements may sit between the header and the segment.
    while ((element = readElement(file, pos)) && element->id != kSegment && !element->unknownSize)
        pos += element->headerLength + qint64(element->size);
    if (!element || element->id != kSegment)
        return ContainerContent::broken(QStringLiteral("the container has no segment"), Flaw::Unfinished);
    const qint64 dataStart = pos + element->headerLength;
    const bool segmentUnknown = element->unknownSize;
    qint64 end = file.size();
    if (!segmentUnknown) {
        if (element->size > quint64(file.size() - dataStart))
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        end = dataStart + qint64(element->size);
    }

    MatroskaTracks found;
    bool media = false;
    bool cues = false;
    for (pos = dataStart; pos < end;) {
        element = readElement(file, pos);
        if (!element)
            return ContainerContent::broken(kDamagedElement);
        const qint64 data = pos + element->headerLength;
        if (!element->unknownSize && element->size > quint64(end - data))
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        const qint64 elementEnd = element->unknownSize ? end : data + qint64(element->size);
        media = media || element->id == kCluster || element->id == kCues;
        cues = cues || element->id == kCues;
        if (element->id == kTracks)
            readTracks(file, data, elementEnd, found);
        if (element->id == kInfo && !element->unknownSize)
            walkElements(file, data, elementEnd, [&](const Element &e, qint64 at) {
                if (e.id == kTimecodeScale && readUnsigned(file, at, e.size) > 0)
                    found.timecodeScale = readUnsigned(file, at, e.size);
                return true;
            });
        if (element->id == kCluster) {
            const qint64 clusterEnd = readCluster(file, data, elementEnd, found);
            if (clusterEnd < 0 || (!element->unknownSize && clusterEnd != elementEnd))
                return ContainerContent::broken(kDamagedElement);
            pos = clusterEnd;
            continue;
        }
        // Any other live-written element of unknown size cannot be stepped over.
        if (element->unknownSize)
            break;
        pos = elementEnd;
    }
    if (!media)
        return ContainerContent::broken(QStringLiteral("the container has no media data"), Flaw::Empty);
    // The muxer writes the segment's size and its Cues when it closes the
    // file; a segment left at unknown size without Cues was never finished.
    if (segmentUnknown && !cues)
        return ContainerContent::broken(QStringLiteral("the container was not finished"), Flaw::Unfinished);
    for (qsizetype i = 0; i < found.tracks.size(); ++i)
        found.tracks[i].stillFrames
            = countStillFrames(found.times[i], qint64(1000000000 / found.timecodeScale));
    return ContainerContent::holding(found.tracks);
}

ContainerContent ogg(ContainerReader &file)
{
    constexpr qint64 kHeader = 27;
    struct Stream
    {
        int track = 0;
        quint32 sequence = 0;
    };
    QHash<quint32, Stream> streams; // by serial number
    ContainerContent content;
    bool ended = false;
    for (qint64 pos = 0; pos < file.size();) {
        const unsigned char *head = file.at(pos, kHeader);
        if (!head || std::string_view(reinterpret_cast<const char *>(head), 4) != "OggS")
            return ContainerContent::broken(pos == 0 ? QStringLiteral("the file has no Ogg page at its start")
                             : QStringLiteral("the container has a damaged page"));
        const int segments = head[26];
        const unsigned char *lacing = file.at(pos + kHeader, segments);
        if (!lacing)
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        qint64 length = kHeader + segments;
        for (int i = 0; i < segments; ++i)
            length += lacing[i];
        const unsigned char *page = file.at(pos, length);
        if (!page)
            return ContainerContent::broken(kCutShort, Flaw::Unfinished);
        if (oggCrc(page, length) != quint32(littleEndian(page + 22, 4)))
            return ContainerContent::broken(QStringLiteral("an Ogg page is damaged"));
        const quint32 serial = quint32(littleEndian(page + 14, 4));
        const quint32 sequence = quint32(littleEndian(page + 18, 4));
        const quint64 granule = littleEndian(page + 6, 8);
        auto stream = streams.find(serial);
        if (stream == streams.end()) {
            const QByteArray packet(reinterpret_cast<const char *>(page + kHeader + segments),
                                    int(qMin<qint64>(length - kHeader - segments, 16)));
            stream = streams.insert(serial, {int(content.tracks.size()), sequence});
            content.tracks.append({oggKind(packet), 0});
        } else if (sequence != ++stream->sequence) {
            // Each stream numbers its pages: a gap is data that never got written.
            return ContainerContent::broken(QStringLiteral("the container has lost pages"));
        }
        // Headers have granule position 0; -1 marks a page where no packet ends.
        if (granule != 0 && granule != ~quint64(0))
            ++content.tracks[stream->track].frames;
        ended = page[5] & 0x04;
        pos += length;
    }
    if (!ended)
        return ContainerContent::broken(QStringLiteral("the stream has no end page"), Flaw::Unfinished);
    return content;
}

} // namespace containerwalk
