#include "convert/jobfiles.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include "convert/nativefile.h"
#include "convert/nativename.h"
#include "convert/partfile.h"

namespace jobfiles {

namespace {

bool existsOnDisk(const QString &path)
{
    struct stat st;
    return ::lstat(toNativeName(path).constData(), &st) == 0;
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// A date that cannot be set leaves the file as converted, not failed.
void copyModificationTime(const QString &source, const QString &target)
{
    if (!nativefile::copyModificationTime(source, target))
        qWarning("Tarnwick: %s keeps the date of its conversion: %s", qUtf8Printable(target),
                 qUtf8Printable(qt_error_string(errno)));
}

} // namespace

QString sourceFault(const QString &input)
{
    const QByteArray native = toNativeName(input);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? QStringLiteral("the file no longer exists")
                                                   : QStringLiteral("the file cannot be read");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file (a pipe, a socket or a device)");
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return QStringLiteral("the file cannot be read");
    ::close(fd);
    return {};
}

Prepared prepare(const PrepareRequest &request)
{
    Prepared prepared;
    prepared.sourceFault = sourceFault(request.input);
    if (!prepared.sourceFault.isEmpty())
        return prepared;

    QString output = request.output;
    if (!request.name.isEmpty()) {
        FileIdentifier files;
        const JobQueue::Id self = request.id;
        prepared.settled = true;
        prepared.output = settleOutput(
            files, request.name, request.inputIdentity, request.policy,
            [&](const FileIdentity &c) {
                return request.sources.value(c, self) != self ||
                       request.planned.value(c, self) != self || request.claimed.contains(c);
            });
        using Kind = OutputDecision::Kind;
        Kind &kind = prepared.output.decision.kind;
        if (kind == Kind::Asks && request.overwriteConfirmed)
            kind = Kind::Replaces;
        if (kind == Kind::Asks || kind == Kind::Skipped)
            return prepared;
        output = prepared.output.decision.output;
    }
    prepared.replacing = existsOnDisk(output);
    if (request.sweepFolder)
        removeStaleParts(folderOf(output));
    const QString part = partFileName(output, QCoreApplication::applicationPid());
    if (createPartFile(part, &prepared.partError))
        prepared.part = part;
    return prepared;
}

Finished finish(Engine &engine, const QString &part, const QString &output,
                const OutputExpectation &expected, bool keepDates)
{
    Finished finished;
    finished.reason = engine.outputFault(part, expected);
    if (finished.reason.isEmpty() && keepDates)
        copyModificationTime(expected.source, part);
    if (finished.reason.isEmpty())
        commitPartFile(part, output, &finished.reason);
    if (!finished.reason.isEmpty())
        finished.undeletable = removePart(part);
    return finished;
}

Partial keepOrRemovePartial(const QString &part, const QString &output, bool replacing)
{
    // A partial file never replaces a whole one that was there before.
    struct stat st;
    const bool written = ::lstat(toNativeName(part).constData(), &st) == 0 && st.st_size > 0;
    if (!replacing && written && commitPartFile(part, output, nullptr))
        return {true, {}};
    return {false, removePart(part)};
}

QString removePart(const QString &part)
{
    const QByteArray native = toNativeName(part);
    if (::unlink(native.constData()) == 0 || errno == ENOENT)
        return {};
    return part;
}

} // namespace jobfiles
