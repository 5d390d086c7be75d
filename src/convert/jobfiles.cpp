#include "convert/jobfiles.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/nativefile.h"
#include "convert/nativename.h"
#include "convert/outputnaming.h"

namespace jobfiles {

namespace {

// Past this many numbered names something else is wrong.
constexpr int kMaxNumber = 10000;

QString nameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
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
    const std::optional<struct stat> there = nativefile::entry(output);
    prepared.replacing = there.has_value();
    if (there && prepared.output.decision.kind == OutputDecision::Kind::Replaces)
        prepared.replaced = replacedFile(*there);
    if (request.sweepFolder)
        sweepWorkFolders(folderOf(output));
    prepared.work = WorkFolder::create(output, &prepared.partError);
    return prepared;
}

Finished finish(Engine &engine, WorkFolder &work, const Destination &destination,
                const OutputExpectation &expected, bool keepDates)
{
    Finished finished;
    const QString part = work.partPath();
    const OutputVerdict verdict = engine.checkOutput(part, expected);
    finished.reason = verdict.fault;
    finished.note = verdict.note;
    if (finished.reason.isEmpty() && keepDates)
        copyModificationTime(expected.source, part);
    // A clash numbers the settings' name, not a keep-both name once more.
    const QString &name = destination.name.isEmpty() ? destination.output : destination.name;
    for (int number = 1; finished.reason.isEmpty() && finished.output.isEmpty(); ++number) {
        const QString output = number == 1 ? destination.output : numberedOutputName(name, number);
        if (number > 1 && output == destination.output)
            continue;
        using Outcome = WorkFolder::Outcome;
        const Outcome outcome = work.commit(
            nameOf(output), number == 1 ? destination.replaced : std::nullopt, &finished.reason);
        if (outcome == Outcome::Committed) {
            finished.output = output;
        } else if (outcome == Outcome::NameTaken && destination.policy == ExistingOutput::Skip) {
            finished.skipped = true;
            finished.reason = QStringLiteral("%1 exists already").arg(destination.output);
        } else if (outcome == Outcome::NameTaken && number == kMaxNumber) {
            finished.reason =
                QStringLiteral("no free name was found beside %1").arg(destination.output);
        }
    }
    finished.undeletable = removeWork(work);
    return finished;
}

Partial keepOrRemovePartial(Engine &engine, WorkFolder &work, const QString &output,
                            OutputExpectation media, bool replacing)
{
    // A partial file never replaces a whole one that was there before, and
    // one without a single picture or sound is no file at all.
    media.video = media.audio = false;
    media.readMilliseconds = 0;
    const bool kept = !replacing && engine.checkOutput(work.partPath(), media).fault.isEmpty() &&
                      work.commit(nameOf(output), std::nullopt, nullptr) ==
                          WorkFolder::Outcome::Committed;
    return {kept, removeWork(work)};
}

QString removeWork(WorkFolder &work)
{
    return work.remove() ? QString() : work.path();
}

} // namespace jobfiles
