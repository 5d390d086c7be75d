#include "app/terminalrun.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>

#include "app/session.h"
#include "app/stopsignals.h"
#include "app/terminaloptions.h"
#include "convert/nativename.h"
#include "settings/conversionchoice.h"

namespace {

// Names go back out as the bytes they came in as. False when the stream
// could not take them all.
bool print(std::FILE *stream, const QString &text, std::optional<char> end = {})
{
    QByteArray bytes = toNativeName(text);
    if (end)
        bytes += *end;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) ==
                         size_t(bytes.size());
    return std::fflush(stream) == 0 && written;
}

QString clock(qint64 seconds)
{
    const auto two = [](qint64 n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); };
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3").arg(QString::number(seconds / 3600),
                                             two(seconds / 60 % 60), two(seconds % 60));
    return QStringLiteral("%1:%2").arg(QString::number(seconds / 60), two(seconds % 60));
}

ExistingOutput existingFrom(TerminalOptions::Existing choice)
{
    switch (choice) {
    case TerminalOptions::Existing::Overwrite: return ExistingOutput::Overwrite;
    case TerminalOptions::Existing::KeepBoth: return ExistingOutput::KeepBoth;
    case TerminalOptions::Existing::Skip: break;
    }
    return ExistingOutput::Skip;
}

// A pipe whose reader is gone reads as an error on the writing end.
bool readerGone(int fd)
{
    pollfd watched{fd, 0, 0};
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLERR | POLLHUP)) != 0;
}

} // namespace

TerminalRun::TerminalRun(Session &session, const TerminalOptions &options, QObject *parent)
    : QObject(parent), m_session(session), m_options(options),
      m_live(::isatty(STDERR_FILENO) == 1)
{
    const FileSettings &s = options.settings();
    session.choice().setSettings(s.conversion);
    session.setTracks(s.tracks);
    session.setSameDirectory(s.sameDirectory);
    session.setOutputFolder(s.outputFolder);
    session.setKeepDates(s.keepDates);
    session.setExistingOutput(existingFrom(options.existing()));
    Batch &batch = session.batch();
    batch.setQuestions(this);
    batch.setMaxJobs(options.jobs());
    batch.setStallTimeout(options.stallSeconds());
    connect(&batch, &Batch::refused, this,
            [](const QString &message) { print(stderr, message + QLatin1Char('\n')); });
    connect(&batch, &Batch::fileStarted, this, [this](JobQueue::Id id) {
        m_clocks[id].start();
        showLiveLine();
    });
    connect(&session.queue(), &JobQueue::stateChanged, this, &TerminalRun::onStateChanged);
    connect(&session.queue(), &JobQueue::changed, this, &TerminalRun::showLiveLine);
    connect(&batch, &Batch::deleteFailed, this, [this](const QString &path) {
        clearLiveLine();
        print(stderr, QStringLiteral("warning: %1 could not be removed\n").arg(path));
    });
}

TerminalRun::~TerminalRun() = default;

int TerminalRun::exec()
{
    StopSignals stopSignals;
    connect(&stopSignals, &StopSignals::received, this, &TerminalRun::onStopSignal);
    // A closed output then fails a write with EPIPE instead of killing the
    // run before it can stop its jobs and say so.
    std::signal(SIGPIPE, SIG_IGN);
    // A pipe is watched for its reader leaving (`| head -1`) between two
    // converted files.
    struct stat out {};
    std::unique_ptr<QSocketNotifier> outputWatch;
    if (::fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode)) {
        outputWatch = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
        connect(outputWatch.get(), &QSocketNotifier::activated, this, [this, &outputWatch] {
            outputWatch->setEnabled(false);
            if (readerGone(STDOUT_FILENO))
                onOutputClosed();
        });
    }
    QEventLoop loop;
    Batch &batch = m_session.batch();
    connect(&m_session, &Session::added, &loop, &QEventLoop::quit);
    connect(&batch, &Batch::finished, &loop, &QEventLoop::quit);

    m_session.add(m_options.inputs());
    loop.exec();
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    if (m_outputClosed)
        return kNotAllConverted;
    if (!m_session.convert())
        return kBadArguments;
    if (batch.isRunning())
        loop.exec();
    // Stopped files close and keep or lose their part files on the worker.
    m_session.finishFileWork();
    if (stopping())
        printStopped();
    printSummary(stopping());
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    const JobQueue &queue = m_session.queue();
    return !m_outputClosed && queue.count(JobQueue::State::Converted) == queue.size()
               ? 0
               : kNotAllConverted;
}

bool TerminalRun::bothTracksChecked()
{
    const TrackChoice tracks = m_options.settings().tracks;
    return tracks.video && tracks.audio;
}

// The rule is never "ask" here.
bool TerminalRun::mayOverwrite(const QString &)
{
    return false;
}

std::optional<QString> TerminalRun::otherOutputName(const QString &, const QString &, bool)
{
    return std::nullopt;
}

void TerminalRun::onStateChanged(JobQueue::Id id, JobQueue::State state)
{
    using State = JobQueue::State;
    const JobQueue::Entry *file = m_session.queue().find(id);
    // A stop's files are told once their part files are dealt with.
    if (!file || !JobQueue::isDone(state) || stopping())
        return;
    clearLiveLine();
    switch (state) {
    case State::Converted:
        print(stderr, file->reason.isEmpty()
                          ? QStringLiteral("converted: %1 -> %2\n").arg(file->path, file->output)
                          : QStringLiteral("converted: %1 -> %2 (%3)\n").arg(file->path, file->output, file->reason));
        if (!m_outputClosed &&
            !print(stdout, file->output, m_options.nulSeparated() ? '\0' : '\n'))
            onOutputClosed();
        break;
    case State::Failed:
        print(stderr, QStringLiteral("failed: %1: %2\n").arg(file->path, file->reason));
        break;
    default:
        print(stderr, QStringLiteral("skipped: %1: %2\n").arg(file->path, file->reason));
        break;
    }
    showLiveLine();
}

// The files a stop ended in hand, and what each kept.
void TerminalRun::printStopped()
{
    const JobQueue &queue = m_session.queue();
    for (int r = 0; r < queue.size(); ++r) {
        const JobQueue::Entry &file = queue.at(r);
        if (file.state != JobQueue::State::Skipped || file.reason != Batch::stoppedReason())
            continue;
        print(stderr, file.output.isEmpty()
                          ? QStringLiteral("stopped: %1\n").arg(file.path)
                          : QStringLiteral("stopped: %1 (converted so far: %2)\n")
                                .arg(file.path, file.output));
    }
}

// One line for the files in hand, rewritten in place.
void TerminalRun::showLiveLine()
{
    if (!m_live || stopping())
        return;
    const JobQueue &queue = m_session.queue();
    QStringList inHand;
    for (const JobQueue::Id id : m_session.batch().inHand()) {
        const JobQueue::Entry *file = queue.find(id);
        if (!file)
            continue;
        QString text = QFileInfo(file->path).fileName();
        if (file->percent > 0) {
            const qint64 elapsed = m_clocks.value(id).elapsed() / 1000;
            text += QStringLiteral(" %1% %2 left")
                        .arg(QString::number(file->percent),
                             clock(elapsed * (100 - file->percent) / file->percent));
        }
        inHand << text;
    }
    if (inHand.isEmpty())
        return;
    clearLiveLine();
    const JobQueue::BatchCounts &counts = queue.batchCounts();
    print(stderr, QStringLiteral("[%1/%2] %3")
                      .arg(QString::number(counts.done()), QString::number(counts.total),
                           inHand.join(QStringLiteral("; "))));
    m_liveShown = true;
}

void TerminalRun::onStopSignal(int signalNumber)
{
    if (stopping())
        return;
    m_stopSignal = signalNumber;
    clearLiveLine();
    // As Stop in the window: a part file becomes the output only where no
    // file was before, and none is left behind.
    if (m_session.batch().isRunning())
        m_session.batch().stop();
}

// Nobody reads the converted paths any more: the run stops as on Ctrl+C.
void TerminalRun::onOutputClosed()
{
    if (stopping())
        return;
    m_outputClosed = true;
    clearLiveLine();
    print(stderr, QStringLiteral("tarnwick: the standard output was closed; stopping.\n"));
    if (m_session.batch().isRunning())
        m_session.batch().stop();
}

void TerminalRun::printSummary(bool stopped)
{
    using State = JobQueue::State;
    const JobQueue &queue = m_session.queue();
    int stoppedFiles = 0;
    for (int r = 0; stopped && r < queue.size(); ++r)
        stoppedFiles += queue.at(r).state == State::Skipped &&
                        queue.at(r).reason == Batch::stoppedReason();
    const int skipped = queue.count(State::Skipped) - stoppedFiles;
    const int left = queue.count(State::None) + queue.count(State::Waiting);
    QString summary = QStringLiteral("%1: %2 of %3 converted")
                          .arg(stopped ? QStringLiteral("Stopped") : QStringLiteral("Done"),
                               QString::number(queue.count(State::Converted)),
                               QString::number(queue.size()));
    if (const int failed = queue.count(State::Failed); failed > 0)
        summary += QStringLiteral(", %1 failed").arg(failed);
    if (skipped > 0)
        summary += QStringLiteral(", %1 skipped").arg(skipped);
    if (stoppedFiles > 0)
        summary += QStringLiteral(", %1 stopped").arg(stoppedFiles);
    if (left > 0)
        summary += QStringLiteral(", %1 not started").arg(left);
    clearLiveLine();
    print(stderr, summary + QStringLiteral(".\n"));
}

void TerminalRun::clearLiveLine()
{
    if (!m_liveShown)
        return;
    print(stderr, QStringLiteral("\r\033[K"));
    m_liveShown = false;
}
