#include "convert/containercheck.h"

#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include <QFile>

#include "convert/nativefile.h"

namespace {

// Positioned reads of a few header bytes; unbuffered so that hopping through
// a large file reads only what is asked for.
class Reader
{
public:
    explicit Reader(const QString &path)
        : m_path(path)
    {
    }

    bool open()
    {
        if (!nativefile::openForReading(m_file, m_path, QIODevice::Unbuffered))
            return false;
        m_size = m_file.size();
        return true;
    }
    qint64 size() const { return m_size; }

    bool read(qint64 pos, void *data, qint64 length)
    {
        if (pos < 0 || length < 0 || pos > m_size - length || !m_file.seek(pos))
            return false;
        return m_file.read(static_cast<char *>(data), length) == length;
    }

    QByteArray read(qint64 pos, qint64 length)
    {
        QByteArray bytes(int(length), Qt::Uninitialized);
        return read(pos, bytes.data(), length) ? bytes : QByteArray();
    }

private:
    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
};

using Bytes = const unsigned char *;

quint64 bigEndian(Bytes p, int n)
{
    quint64 v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | p[i];
    return v;
}

quint64 littleEndian(Bytes p, int n)
{
    quint64 v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

bool isFourCC(Bytes p)
{
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7e)
            return false;
    return true;
}

const QString kCutShort = QStringLiteral("the container is cut short");

QString isoBmffFault(Reader &file)
{
    bool moov = false;
    bool mdat = false;
    qint64 pos = 0;
    while (pos < file.size()) {
        unsigned char head[16];
        if (!file.read(pos, head, 8))
            return QStringLiteral("the container ends in a broken box");
        if (!isFourCC(head + 4))
            return QStringLiteral("the container has a damaged box");
        quint64 size = bigEndian(head, 4);
        if (size == 1) {
            if (!file.read(pos + 8, head + 8, 8))
                return kCutShort;
            size = bigEndian(head + 8, 8);
            if (size < 16)
                return QStringLiteral("the container has a damaged box");
        } else if (size == 0) {
            size = quint64(file.size() - pos);
        } else if (size < 8) {
            return QStringLiteral("the container has a damaged box");
        }
        const QByteArray type(reinterpret_cast<const char *>(head + 4), 4);
        moov = moov || type == "moov";
        mdat = mdat || type == "mdat";
        if (size > quint64(file.size() - pos))
            return kCutShort;
        pos += qint64(size);
    }
    // The muxer writes its index last: a muxer that could not finish leaves none.
    if (!moov)
        return QStringLiteral("the container has no index (moov)");
    if (!mdat)
        return QStringLiteral("the container has no media data (mdat)");
    return {};
}

// Steps over RIFF chunks (only those named onlyId, when given) from pos to
// end and returns where the walk stopped: end itself when they cover it
// exactly. A missing pad byte after an odd last chunk is tolerated.
qint64 walkRiff(Reader &file, qint64 pos, qint64 end, std::string_view onlyId, bool *movi)
{
    while (end - pos >= 8) {
        unsigned char chunk[12];
        if (!file.read(pos, chunk, 8) || !isFourCC(chunk))
            return pos;
        if (!onlyId.empty() && std::string_view(reinterpret_cast<const char *>(chunk), 4) != onlyId)
            return pos;
        if (movi && std::string_view(reinterpret_cast<const char *>(chunk), 4) == "LIST"
            && file.read(pos + 8, chunk + 8, 4)
            && std::string_view(reinterpret_cast<const char *>(chunk + 8), 4) == "movi")
            *movi = true;
        const qint64 size = qint64(littleEndian(chunk + 4, 4));
        if (size % 2 && pos + 8 + size == end)
            return end;
        pos += 8 + size + size % 2;
    }
    return pos;
}

QString aviFault(Reader &file)
{
    unsigned char head[12];
    if (!file.read(0, head, 12)
        || std::string_view(reinterpret_cast<const char *>(head), 4) != "RIFF"
        || std::string_view(reinterpret_cast<const char *>(head + 8), 4) != "AVI ")
        return QStringLiteral("the file has no AVI header");
    // OpenDML files go on in further RIFF AVIX chunks.
    const qint64 riffEnd = walkRiff(file, 0, file.size(), "RIFF", nullptr);
    if (riffEnd > file.size())
        return kCutShort;
    // The muxer writes the sizes last: a header size that stops short of the
    // file is an unfinished file.
    if (riffEnd != file.size())
        return QStringLiteral("the container's size does not match the file");

    const qint64 firstEnd = qMin(file.size(), 8 + qint64(littleEndian(head + 4, 4)));
    bool movi = false;
    const qint64 end = walkRiff(file, 12, firstEnd, {}, &movi);
    if (end > firstEnd)
        return kCutShort;
    if (end != firstEnd)
        return QStringLiteral("the container has a damaged chunk");
    // Without idx1 a whole movi list still plays, and the walk has shown it whole.
    if (!movi)
        return QStringLiteral("the container has no media data (movi)");
    return {};
}

// An EBML element's ID (marker bit kept) and data size, read in one go.
struct Element
{
    quint64 id = 0;
    quint64 size = 0;
    bool unknownSize = false; // all ones: written live, its end never filled in
    qint64 headerLength = 0;
};

std::optional<Element> readElement(Reader &file, qint64 pos)
{
    unsigned char bytes[12];
    const qint64 available = qMin<qint64>(sizeof bytes, file.size() - pos);
    if (available < 2 || !file.read(pos, bytes, available))
        return std::nullopt;
    // The count of leading zero bits gives the length: up to 4 for an ID, 8 for a size.
    const auto vintLength = [](unsigned char first, int longest) {
        for (int length = 1; length <= longest; ++length)
            if (first & (0x80 >> (length - 1)))
                return length;
        return 0;
    };
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
constexpr quint64 kCluster = 0x1F43B675;
constexpr quint64 kCues = 0x1C53BB6B;

QString matroskaFault(Reader &file)
{
    auto element = readElement(file, 0);
    if (!element || element->id != kEbmlHeader || element->unknownSize)
        return QStringLiteral("the file has no Matroska header");
    qint64 pos = element->headerLength + qint64(element->size);

    // Void elements may sit between the header and the segment.
    while ((element = readElement(file, pos)) && element->id != kSegment && !element->unknownSize)
        pos += element->headerLength + qint64(element->size);
    if (!element || element->id != kSegment)
        return QStringLiteral("the container has no segment");
    const qint64 dataStart = pos + element->headerLength;
    const bool segmentUnknown = element->unknownSize;
    qint64 end = file.size();
    if (!segmentUnknown) {
        if (element->size > quint64(file.size() - dataStart))
            return kCutShort;
        end = dataStart + qint64(element->size);
    }

    bool media = false;
    bool cues = false;
    for (pos = dataStart; pos < end;) {
        element = readElement(file, pos);
        if (!element)
            return QStringLiteral("the container has a damaged element");
        media = media || element->id == kCluster || element->id == kCues;
        cues = cues || element->id == kCues;
        // A live-written element of unknown size cannot be stepped over.
        if (element->unknownSize)
            break;
        const qint64 next = pos + element->headerLength;
        if (element->size > quint64(end - next))
            return kCutShort;
        pos = next + qint64(element->size);
    }
    if (!media)
        return QStringLiteral("the container has no media data");
    // The muxer writes the segment's size and its Cues when it closes the
    // file; a segment left at unknown size without Cues was never finished.
    if (segmentUnknown && !cues)
        return QStringLiteral("the container was not finished");
    return {};
}

quint32 oggCrc(const QByteArray &page)
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
    for (int i = 0; i < page.size(); ++i) {
        const auto byte = (i >= 22 && i < 26) ? 0 : static_cast<unsigned char>(page[i]);
        crc = crc << 8 ^ table[(crc >> 24 ^ byte) & 0xff];
    }
    return crc;
}

QString oggFault(Reader &file)
{
    constexpr qint64 kHeader = 27;
    constexpr qint64 kMaxPage = kHeader + 255 + 255 * 255;
    if (file.read(0, 4) != "OggS")
        return QStringLiteral("the file has no Ogg page at its start");

    // The last page is the one that ends exactly at the end of the file.
    const qint64 from = qMax<qint64>(0, file.size() - kMaxPage);
    const QByteArray tail = file.read(from, file.size() - from);
    for (qsizetype at = tail.size(); at > 0;) {
        // Qt reads a negative start as counted from the end.
        at = tail.lastIndexOf("OggS", at - 1);
        if (at < 0 || tail.size() - at < kHeader)
            continue;
        const auto *head = reinterpret_cast<Bytes>(tail.constData() + at);
        const int segments = head[26];
        if (tail.size() - at < kHeader + segments)
            continue;
        qint64 length = kHeader + segments;
        for (int i = 0; i < segments; ++i)
            length += head[kHeader + i];
        if (at + length != tail.size())
            continue;
        if (oggCrc(tail.mid(at)) != quint32(littleEndian(head + 22, 4)))
            return QStringLiteral("the last Ogg page is damaged");
        if (!(head[5] & 0x04))
            return QStringLiteral("the stream has no end page");
        return {};
    }
    return kCutShort;
}

QString transportStreamFault(Reader &file)
{
    constexpr qint64 kPacket = 188;
    constexpr qint64 kChecked = 8;
    if (file.size() % kPacket != 0)
        return QStringLiteral("the file is not a whole number of transport packets");
    const qint64 packets = file.size() / kPacket;
    for (qint64 i = 0; i < packets; ++i) {
        if (i == kChecked && packets > 2 * kChecked)
            i = packets - kChecked;
        char sync = 0;
        if (!file.read(i * kPacket, &sync, 1) || sync != 0x47)
            return QStringLiteral("the transport stream has lost its packet sync");
    }
    return {};
}

QString flvFault(Reader &file)
{
    unsigned char head[9];
    if (!file.read(0, head, 9)
        || std::string_view(reinterpret_cast<const char *>(head), 3) != "FLV")
        return QStringLiteral("the file has no FLV header");
    const qint64 dataOffset = qint64(bigEndian(head + 5, 4));
    unsigned char last[4];
    if (!file.read(file.size() - 4, last, 4))
        return kCutShort;
    const qint64 tagSize = qint64(bigEndian(last, 4));
    const qint64 tagStart = file.size() - 4 - tagSize;
    if (tagSize == 0)
        return tagStart == dataOffset ? QStringLiteral("the container has no tags") : kCutShort;
    unsigned char tag[11];
    if (tagSize < 11 || tagStart < dataOffset + 4 || !file.read(tagStart, tag, 11))
        return kCutShort;
    const int type = tag[0] & 0x1f;
    if ((type != 8 && type != 9 && type != 18) || qint64(bigEndian(tag + 1, 3)) + 11 != tagSize)
        return kCutShort;

    // The muxer goes back to fill in the file size of its metadata when it
    // closes; a killed muxer leaves the file whole up to its last tag but 0 there.
    unsigned char first[11];
    if (file.read(dataOffset + 4, first, 11) && (first[0] & 0x1f) == 18) {
        const QByteArray script
            = file.read(dataOffset + 15, qMin<qint64>(bigEndian(first + 1, 3), 4096));
        const QByteArray key = QByteArray::fromHex("0008") + "filesize" + '\0'; // a number
        const qsizetype at = script.indexOf(key);
        if (at >= 0 && script.size() >= at + key.size() + 8) {
            const quint64 bits
                = bigEndian(reinterpret_cast<Bytes>(script.constData() + at + key.size()), 8);
            double declared = 0;
            std::memcpy(&declared, &bits, sizeof declared);
            if (qint64(declared) != file.size())
                return QStringLiteral("the container was not finished");
        }
    }
    return {};
}

QString mpegAudioFault(Reader &file)
{
    // An ID3v2 tag may come first; audio frames must follow it.
    qint64 pos = 0;
    unsigned char head[10];
    if (file.read(0, head, 10)
        && std::string_view(reinterpret_cast<const char *>(head), 3) == "ID3") {
        const qint64 tagSize = (head[6] & 0x7f) << 21 | (head[7] & 0x7f) << 14
            | (head[8] & 0x7f) << 7 | (head[9] & 0x7f);
        pos = 10 + tagSize + (head[5] & 0x10 ? 10 : 0);
    }
    if (!file.read(pos, head, 2) || head[0] != 0xff || (head[1] & 0xe0) != 0xe0)
        return QStringLiteral("the file does not start with MPEG audio");
    return {};
}

} // namespace

QString containerFault(const QString &path, const QString &mux)
{
    Reader file(path);
    if (!file.open())
        return QStringLiteral("the file cannot be read");
    if (file.size() == 0)
        return QStringLiteral("the file is empty");

    const QString name = mux.toLower();
    if (name == u"mp4" || name == u"mov" || name == u"3gp")
        return isoBmffFault(file);
    if (name == u"avi")
        return aviFault(file);
    if (name == u"mkv" || name == u"webm")
        return matroskaFault(file);
    if (name == u"ogg")
        return oggFault(file);
    if (name == u"ts")
        return transportStreamFault(file);
    if (name == u"ps") {
        unsigned char code[4];
        if (!file.read(0, code, 4) || bigEndian(code, 4) != 0x000001BA)
            return QStringLiteral("the file has no MPEG pack header");
        // The engine's muxer ends every file it closes with the end code.
        if (!file.read(file.size() - 4, code, 4) || bigEndian(code, 4) != 0x000001B9)
            return QStringLiteral("the program stream has no end code");
        return {};
    }
    if (name == u"flv")
        return flvFault(file);
    if (name == u"raw")
        return mpegAudioFault(file);
    return {};
}

void programStreamTracks(const QString &path, bool *video, bool *audio)
{
    *video = false;
    *audio = false;
    QFile file;
    if (!nativefile::openForReading(file, path))
        return;
    // Packets of every stream come early and often; the first megabytes
    // show which there are.
    const QByteArray head = file.read(4 * 1024 * 1024);
    const auto *bytes = reinterpret_cast<const unsigned char *>(head.constData());
    for (qsizetype i = 0; i + 3 < head.size() && !(*video && *audio); ++i) {
        if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1)
            continue;
        const unsigned id = bytes[i + 3];
        if (id >= 0xE0 && id <= 0xEF)
            *video = true;
        else if ((id >= 0xC0 && id <= 0xDF) || id == 0xBD)
            *audio = true;
    }
}
