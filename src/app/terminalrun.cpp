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

#include "app/stopsignals.h"
#include "app/terminaloptions.h"
#include "convert/nativefile.h"
#include "convert/nativename.h"
#include "convert/outputnaming.h"

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

// A pipe whose reader is gone reads as an error on the writing end.
bool readerGone(int fd)
{
    pollfd watched{fd, 0, 0};
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLERR | POLLHUP)) != 0;
}

} // namespace

TerminalRun::TerminalRun(Engine &engine, const TerminalOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_batch(engine, *this),
      m_live(::isatty(STDERR_FILENO) == 1)
{
    m_batch.setMaxJobs(options.jobs());
    m_batch.setStallTimeout(options.stallSeconds());
    connect(&m_batch, &Batch::refused, this,
            [](const QString &message) { print(stderr, message + QLatin1Char('\n')); });
    connect(&m_batch, &Batch::fileStarted, this, &TerminalRun::onFileStarted);
    connect(&m_batch, &Batch::fileChanged, this, &TerminalRun::onFileChanged);
    connect(&m_batch, &Batch::deleteFailed, this, [this](const QString &path) {
        clearLiveLine();
        print(stderr, QStringLiteral("warning: %1 could not be removed\n").arg(path));
    });
    connect(&m_batch, &Batch::completed, this,
            [this](int, bool stopped) { printSummary(stopped); });
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
    connect(&m_batch, &Batch::finished, &loop, &QEventLoop::quit);

    m_reported = QList<bool>(m_options.inputs().size(), false);
    if (!m_batch.start(m_options.inputs()))
        return kBadArguments;
    if (m_batch.isRunning())
        loop.exec();
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    if (m_outputClosed)
        return kNotAllConverted;
    for (const FileResult &result : m_batch.results())
        if (result.state != FileResult::State::Converted)
            return kNotAllConverted;
    return 0;
}

FileSettings TerminalRun::settingsForNextFile()
{
    return m_options.settings();
}

bool TerminalRun::bothTracksChecked()
{
    const TrackChoice tracks = m_options.settings().tracks;
    return tracks.video && tracks.audio;
}

// Asked right after fileStarted() of the file whose output is settled.
bool TerminalRun::mayOverwrite(const QString &output)
{
    Output &known = m_outputs[m_current];
    known.wasThere = true;
    if (m_options.existing() == TerminalOptions::Existing::Overwrite)
        return true;
    // Nobody can be asked: without a choice on the command line the file is
    // skipped.
    known.skipReason = QStringLiteral("%1 exists already (--overwrite replaces it, --keep-both "
                                      "writes beside it)")
                           .arg(output);
    return false;
}

std::optional<QString> TerminalRun::otherOutputName(const QString &input, const QString &output,
                                                    bool)
{
    Output &known = m_outputs[input];
    if (m_options.existing() == TerminalOptions::Existing::KeepBoth) {
        for (int number = 2;; ++number) {
            const QString free = numberedOutputName(output, number);
            if (!nativefile::exists(free) && free != input) {
                known.path = free;
                known.wasThere = false;
                return free;
            }
        }
    }
    if (known.skipReason.isEmpty())
        known.skipReason =
            nativefile::sameFile(output, input)
                ? QStringLiteral("its output would replace the file itself (--keep-both or "
                                 "--output write elsewhere)")
                : QStringLiteral("%1 is being written for another file (--keep-both writes "
                                 "beside it)")
                      .arg(output);
    return std::nullopt;
}

void TerminalRun::onFileStarted(const QString &input)
{
    m_current = input;
    Output &known = m_outputs[input];
    if (known.path.isEmpty()) {
        const FileSettings &settings = m_options.settings();
        known.path = outputFileName(input, settings.sameDirectory, settings.outputFolder,
                                    settings.conversion.format);
    }
    known.clock.start();
    showLiveLine();
}

void TerminalRun::onFileChanged(int index)
{
    const FileResult &result = m_batch.results().at(index);
    if (result.state == FileResult::State::Waiting ||
        result.state == FileResult::State::Converting || m_reported.value(index, true)) {
        showLiveLine();
        return;
    }
    m_reported[index] = true;
    clearLiveLine();
    const Output known = m_outputs.value(result.input);
    switch (result.state) {
    case FileResult::State::Converted:
        print(stderr, QStringLiteral("converted: %1 -> %2\n").arg(result.input, result.output));
        if (!m_outputClosed && !print(stdout, result.output, m_options.nulSeparated() ? '\0' : '\n'))
            onOutputClosed();
        break;
    case FileResult::State::Failed:
        print(stderr, QStringLiteral("failed: %1: %2\n").arg(result.input, result.reason));
        break;
    default:
        if (stopping()) {
            ++m_stopped;
            // The stop keeps a partial output only where no file was before.
            const bool kept = !known.wasThere && nativefile::exists(known.path);
            print(stderr, kept ? QStringLiteral("stopped: %1 (converted so far: %2)\n")
                                     .arg(result.input, known.path)
                               : QStringLiteral("stopped: %1\n").arg(result.input));
            break;
        }
        print(stderr,
              QStringLiteral("skipped: %1: %2\n")
                  .arg(result.input, known.skipReason.isEmpty() ? result.reason : known.skipReason));
        break;
    }
    showLiveLine();
}

// One line for the files in hand, rewritten in place.
void TerminalRun::showLiveLine()
{
    if (!m_live || stopping())
        return;
    const QList<FileResult> &results = m_batch.results();
    int done = 0;
    QStringList inHand;
    for (const FileResult &result : results) {
        if (result.state != FileResult::State::Waiting &&
            result.state != FileResult::State::Converting) {
            ++done;
        } else if (result.state == FileResult::State::Converting) {
            QString text = QFileInfo(result.input).fileName();
            if (result.percent > 0) {
                const qint64 elapsed = m_outputs.value(result.input).clock.elapsed() / 1000;
                text += QStringLiteral(" %1% %2 left")
                            .arg(QString::number(result.percent),
                                 clock(elapsed * (100 - result.percent) / result.percent));
            }
            inHand << text;
        }
    }
    if (inHand.isEmpty())
        return;
    clearLiveLine();
    print(stderr, QStringLiteral("[%1/%2] %3")
                      .arg(QString::number(done), QString::number(results.size()),
                           inHand.join(QStringLiteral("; "))));
    m_liveShown = true;
}

void TerminalRun::onStopSignal(int signalNumber)
{
    if (!m_batch.isRunning() || stopping())
        return;
    m_stopSignal = signalNumber;
    clearLiveLine();
    // As Stop in the window: a part file becomes the output only where no
    // file was before, and none is left behind.
    m_batch.stop();
}

// Nobody reads the converted paths any more: the run stops as on Ctrl+C.
void TerminalRun::onOutputClosed()
{
    if (stopping())
        return;
    m_outputClosed = true;
    clearLiveLine();
    print(stderr, QStringLiteral("tarnwick: the standard output was closed; stopping.\n"));
    if (m_batch.isRunning())
        m_batch.stop();
}

void TerminalRun::printSummary(bool stopped)
{
    int converted = 0, failed = 0, skipped = 0, left = 0;
    for (const FileResult &result : m_batch.results()) {
        switch (result.state) {
        case FileResult::State::Converted: ++converted; break;
        case FileResult::State::Failed: ++failed; break;
        case FileResult::State::Skipped: ++skipped; break;
        default: ++left; break;
        }
    }
    clearLiveLine();
    QString summary = QStringLiteral("%1: %2 of %3 converted")
                          .arg(stopped ? QStringLiteral("Stopped") : QStringLiteral("Done"),
                               QString::number(converted),
                               QString::number(m_batch.results().size()));
    if (failed > 0)
        summary += QStringLiteral(", %1 failed").arg(failed);
    if (skipped > m_stopped)
        summary += QStringLiteral(", %1 skipped").arg(skipped - m_stopped);
    if (m_stopped > 0)
        summary += QStringLiteral(", %1 stopped").arg(m_stopped);
    if (left > 0)
        summary += QStringLiteral(", %1 not started").arg(left);
    print(stderr, summary + QStringLiteral(".\n"));
}

void TerminalRun::clearLiveLine()
{
    if (!m_liveShown)
        return;
    print(stderr, QStringLiteral("\r\033[K"));
    m_liveShown = false;
}
