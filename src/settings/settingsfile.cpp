#include "settings/settingsfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Bytes in, bytes out: values are UTF-8 and are decoded by Qt.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The reader's blanks: SimpleIni trims only these around names and values.
bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(const QByteArray &line)
{
    qsizetype begin = 0, end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    return line.mid(begin, end - begin);
}

// "[name]" with optional blanks around it; returns the name or a null array.
QByteArray sectionName(const QByteArray &line)
{
    const QByteArray t = trimmed(line);
    if (t.size() < 2 || t.front() != '[')
        return {};
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return {};
    QByteArray name = trimmed(t.mid(1, close - 1));
    return name.isNull() ? QByteArray("") : name;
}

QByteArray keyName(const QByteArray &line)
{
    const QByteArray t = trimmed(line);
    if (t.isEmpty() || t.front() == ';' || t.front() == '#' || t.front() == '[')
        return {};
    const qsizetype eq = t.indexOf('=');
    return eq < 0 ? QByteArray() : trimmed(t.left(eq));
}

// SimpleIni folds ASCII letters only.
bool sameName(const QByteArray &a, const QByteArray &b)
{
    if (a.isNull() || a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool isLineEnd(char c) { return c == '\n' || c == '\r' || c == '\0'; }

// The reader trims blanks around a value, so a value with a blank at either
// end is stored in double quotes. Quotes are taken off only where they wrap
// such a value (or, recursively, another wrapped one), so values of files
// written before read as they always did.
bool needsQuotes(QByteArrayView value)
{
    if (value.isEmpty())
        return false;
    if (isBlank(value.front()) || isBlank(value.back()))
        return true;
    return value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
           needsQuotes(value.sliced(1, value.size() - 2));
}

QByteArray quoted(const QByteArray &value)
{
    return needsQuotes(value) ? '"' + value + '"' : value;
}

QByteArray unquoted(const QByteArray &stored)
{
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"' &&
        needsQuotes(QByteArrayView(stored).sliced(1, stored.size() - 2)))
        return stored.mid(1, stored.size() - 2);
    return stored;
}

QString describe(const char *step, const QByteArray &path, int error)
{
    return QStringLiteral("%1 %2: %3")
        .arg(QLatin1String(step), QFile::decodeName(path),
             QString::fromLocal8Bit(std::strerror(error)));
}

// Writes the bytes to a new file beside the target and renames it over the
// target only when every step succeeded, so a full disk, a quota or an I/O
// error leaves the old file exactly as it was. A new file gets the mode the
// umask allows; a replaced one keeps its own.
bool replaceFile(const QString &target, const QByteArray &bytes, int keepMode, QString *error)
{
    const QByteArray path = QFile::encodeName(target);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temp = path + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *error = describe("cannot create", temp, errno);
        return false;
    }
    auto fail = [&](const char *step, int err) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        *error = describe(step, temp, err);
        return false;
    };
    if (keepMode >= 0 && ::fchmod(fd, mode_t(keepMode)) != 0)
        return fail("cannot set the mode of", errno);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("cannot write", n < 0 ? errno : EIO);
        done += n;
    }
    // Delayed allocation and network file systems report a full disk only here.
    if (::fsync(fd) != 0)
        return fail("cannot write", errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail("cannot write", errno);
    if (::rename(temp.constData(), path.constData()) != 0)
        return fail("cannot rename", errno);
    return true;
}

} // namespace

void SettingsFile::setFileName(const QString &name)
{
    m_file = resolvePath(name);
}

QString SettingsFile::resolvePath(const QString &path) const
{
    if (QDir::isAbsolutePath(path))
        return path;
    QString dir = m_appDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_appDir;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + path;
}

bool SettingsFile::readValue(const QString &file, const QString &section, const QString &key,
                              QString *value)
{
    QByteArray data = readAll(file);
    if (data.startsWith(kUtf8Bom))
        data.remove(0, kUtf8Bom.size());
    // Bytes are parsed as they are: a NUL would end the parse early.
    data.replace('\0', '\n');
    if (data.isEmpty())
        return false;

    // CSimpleIniA matches section and key names without regard to case;
    // with several equal keys the first one counts.
    CSimpleIniA ini(false, true, false);
    if (ini.LoadData(data.constData(), size_t(data.size())) < 0)
        return false;
    const QByteArray s = section.toUtf8();
    const QByteArray k = key.toUtf8();
    const char *found = ini.GetValue(s.constData(), k.constData(), nullptr);
    if (!found)
        return false;
    *value = QString::fromUtf8(unquoted(QByteArray(found)));
    return true;
}

QString SettingsFile::readString(const QString &key, const QString &defaultValue,
                                  const QString &section)
{
    if (!section.isNull())
        m_section = section;
    m_value = defaultValue;
    if (m_userFile.isEmpty() || !readValue(m_userFile, m_section, key, &m_value))
        readValue(m_file, m_section, key, &m_value);
    return m_value;
}

QByteArray SettingsFile::withValue(const QByteArray &ini, const QByteArray &section,
                                    const QByteArray &key, const QByteArray &value)
{
    const bool bom = ini.startsWith(kUtf8Bom);
    const QByteArray body = bom ? ini.mid(kUtf8Bom.size()) : ini;
    // New lines take the file's first line end.
    QByteArray eol("\n");
    if (const qsizetype first = body.indexOf('\r'), lf = body.indexOf('\n');
        first >= 0 && (lf < 0 || first < lf))
        eol = body.mid(first, 2) == "\r\n" ? QByteArray("\r\n") : QByteArray("\r");

    // Lines end where the reader's lines end: at CR LF, a bare CR or LF, or a
    // NUL (which the reader takes as a line end). Lines keep their own ends,
    // so untouched lines are written back byte for byte.
    QList<QByteArray> lines;
    for (qsizetype start = 0; start < body.size();) {
        qsizetype end = start;
        while (end < body.size() && !isLineEnd(body[end]))
            ++end;
        if (end < body.size())
            end += body.mid(end, 2) == "\r\n" ? 2 : 1;
        lines << body.mid(start, end - start);
        start = end;
    }
    auto content = [](const QByteArray &line) {
        QByteArray c = line;
        while (!c.isEmpty() && isLineEnd(c.back()))
            c.chop(1);
        return c;
    };
    auto ended = [](const QByteArray &line) { return !line.isEmpty() && isLineEnd(line.back()); };

    const QByteArray entry = key + '=' + quoted(value);
    qsizetype sectionLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (sameName(sectionName(content(lines[i])), section)) {
            sectionLine = i;
            break;
        }
    }

    if (sectionLine < 0) {
        if (!lines.isEmpty() && !ended(lines.last()))
            lines.last() += eol;
        lines << '[' + section + ']' + eol << entry + eol;
    } else {
        qsizetype lastEntry = sectionLine;
        bool replaced = false;
        for (qsizetype i = sectionLine + 1; i < lines.size(); ++i) {
            const QByteArray c = content(lines[i]);
            if (!sectionName(c).isNull())
                break;
            if (sameName(keyName(c), key)) {
                const QByteArray ending = lines[i].mid(c.size());
                lines[i] = entry + (ending.isEmpty() ? eol : ending);
                replaced = true;
                break;
            }
            if (!c.trimmed().isEmpty())
                lastEntry = i;
        }
        if (!replaced) {
            if (!ended(lines[lastEntry]))
                lines[lastEntry] += eol;
            lines.insert(lastEntry + 1, entry + eol);
        }
    }

    QByteArray out = bom ? kUtf8Bom : QByteArray();
    for (const QByteArray &line : lines)
        out += line;
    return out;
}

bool SettingsFile::writeString(const QString &key, const QString &value, const QString &section)
{
    m_error.clear();
    if (!section.isNull())
        m_section = section;
    // A line break (or a NUL, which the reader takes as one) would turn the
    // value into lines of its own.
    for (const QChar c : {QChar(u'\n'), QChar(u'\r'), QChar(u'\0')}) {
        if (value.contains(c) || key.contains(c)) {
            m_error = QStringLiteral("a line break cannot be stored");
            return false;
        }
    }
    if (key.contains(QLatin1Char('='))) {
        m_error = QStringLiteral("a key cannot contain '='");
        return false;
    }

    const QString path = m_userFile.isEmpty() ? m_file : m_userFile;
    const QFileInfo info(path);
    // A read-only file, or a link to something that is not a file, is left alone.
    // The mode bits count too, so that even root leaves a read-only file alone.
    if (info.exists() &&
        (!info.isFile() || !info.isWritable() || !(info.permissions() & QFile::WriteOwner))) {
        m_error = QStringLiteral("%1 is not a writable file").arg(path);
        return false;
    }
    if (!m_userFile.isEmpty())
        QDir().mkpath(info.absolutePath());
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;

    QFile current(target);
    QByteArray old;
    int mode = -1;
    if (current.exists()) {
        struct stat st {};
        if (!current.open(QIODevice::ReadOnly) ||
            ::stat(QFile::encodeName(target).constData(), &st) != 0) {
            m_error = QStringLiteral("cannot read %1: %2").arg(target, current.errorString());
            return false;
        }
        mode = int(st.st_mode & 07777);
        old = current.readAll();
        // Writing back half a file would lose the rest of it.
        if (current.error() != QFileDevice::NoError) {
            m_error = QStringLiteral("cannot read %1: %2").arg(target, current.errorString());
            return false;
        }
        current.close();
    }
    const QByteArray updated = withValue(old, m_section.toUtf8(), key.toUtf8(), value.toUtf8());
    return replaceFile(target, updated, mode, &m_error);
}
