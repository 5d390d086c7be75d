#include "convert/containerreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "convert/containerwalk.h"
#include "convert/nativefile.h"

namespace {

// Large enough that a walk through every packet makes few system calls.
constexpr qint64 kWindow = 1 << 20;

} // namespace

qint64 countStillFrames(QList<qint64> times, qint64 unitsPerSecond)
{
    std::sort(times.begin(), times.end());
    qint64 still = 0;
    for (qsizetype i = 1; i < times.size(); ++i)
        if ((times[i] - times[i - 1]) * 1000 < unitsPerSecond)
            ++still;
    return still;
}

ContainerReader::ContainerReader(const QString &path) : m_path(path) {}

bool ContainerReader::open()
{
    if (!nativefile::openForReading(m_file, m_path, QIODevice::Unbuffered))
        return false;
    m_size = m_file.size();
    return true;
}

const unsigned char *ContainerReader::at(qint64 pos, qint64 length)
{
    if (pos < 0 || length < 0 || pos > m_size - length)
        return nullptr;
    const qint64 start = m_windowStart;
    if (start < 0 || pos < start || pos + length > start + m_window.size()) {
        const qint64 want = qMin(qMax(length, kWindow), m_size - pos);
        m_window.resize(want);
        qint64 done = 0;
        while (done < want) {
            const ssize_t got = ::pread(m_file.handle(), m_window.data() + done, size_t(want - done),
                                        off_t(pos + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        if (done < length) {
            m_windowStart = -1;
            return nullptr;
        }
        m_window.resize(done);
        m_windowStart = pos;
    }
    return reinterpret_cast<const unsigned char *>(m_window.constData()) + (pos - m_windowStart);
}

bool ContainerReader::read(qint64 pos, void *data, qint64 length)
{
    const unsigned char *bytes = at(pos, length);
    if (bytes && length > 0)
        std::memcpy(data, bytes, size_t(length));
    return bytes != nullptr;
}

QByteArray ContainerReader::read(qint64 pos, qint64 length)
{
    const unsigned char *bytes = at(pos, length);
    return bytes ? QByteArray(reinterpret_cast<const char *>(bytes), length) : QByteArray();
}

qint64 ContainerReader::firstHole()
{
    // File systems that cannot tell report no hole at all.
    const off_t hole = ::lseek(m_file.handle(), 0, SEEK_HOLE);
    return hole >= 0 && hole < m_size ? qint64(hole) : -1;
}

namespace containerbytes {

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

} // namespace containerbytes

namespace containerwalk {

const QString kCutShort = QStringLiteral("the container is cut short");

} // namespace containerwalk
