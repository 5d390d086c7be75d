#include "convert/batch.h"

#include <algorithm>
#include <cerrno>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "convert/engine.h"
#include "convert/nativefile.h"
#include "convert/partfile.h"
#include "convert/player.h"
#include "convert/settingscheck.h"

namespace {

constexpr int kPollMs = 1000;

// Why the source cannot be converted before the engine is even asked.
QString sourceFault(const QString &input)
{
    const std::optional<struct stat> info = nativefile::target(input);
    if (!info)
        return QStringLiteral("the file no longer exists");
    if (S_ISDIR(info->st_mode))
        return QStringLiteral("it is a folder");
    QFile file;
    if (!nativefile::openForReading(file, input))
        return QStringLiteral("the file cannot be read");
    return {};
}

// A date that cannot be set leaves the file as converted, not failed.
void copyModificationTime(const QString &source, const QString &target)
{
    if (!nativefile::copyModificationTime(source, target))
        qWarning("Tarnwick: %s keeps the date of its conversion: %s", qUtf8Printable(target),
                 qUtf8Printable(qt_error_string(errno)));
}

bool wanted(const QString &codec)
{
    return !codec.isEmpty() && codec != QLatin1String("none");
}

} // namespace

struct Batch::Job
{
    int index = 0;
    int attempt = 0;
    QString input;
    QString output;         // settled by the file's first attempt
    bool replacing = false; // a file was at the output before that
    QString part;
    FileSettings settings;
    std::unique_ptr<Player> player;
    qint64 lastRead = -1;
    QElapsedTimer sinceRead;
};

// Marks a question or a report as with the user. Reports that arise in the
// meantime (the engine's events keep arriving in a dialog's loop) wait, and
// follow one after another once it is answered.
class Batch::Modal
{
public:
    explicit Modal(Batch &batch) : m_batch(batch), m_outer(!batch.m_modal)
    {
        m_batch.m_modal = true;
    }
    ~Modal()
    {
        if (!m_outer)
            return;
        while (!m_batch.m_waitingReports.empty()) {
            const std::function<void()> next = std::move(m_batch.m_waitingReports.front());
            m_batch.m_waitingReports.pop_front();
            next();
        }
        m_batch.m_modal = false;
    }
    Modal(const Modal &) = delete;
    Modal &operator=(const Modal &) = delete;

private:
    Batch &m_batch;
    bool m_outer;
};

Batch::Batch(Engine &engine, BatchQuestions &questions, QObject *parent)
    : QObject(parent), m_engine(engine), m_questions(questions), m_pollTimer(new QTimer(this))
{
    m_pollTimer->setInterval(kPollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &Batch::poll);
}

Batch::~Batch()
{
    m_modal = true; // nobody is left to tell
    stopAllJobs();
}

void Batch::setMaxJobs(int jobs)
{
    m_maxJobs = std::max(1, jobs);
    if (m_running)
        advance();
}

void Batch::setStallTimeout(int seconds)
{
    m_stallSeconds = std::max(0, seconds);
}

QString Batch::partFile() const
{
    return m_jobs.empty() ? QString() : m_jobs.front()->part;
}

bool Batch::start(const QStringList &inputs)
{
    if (m_running || inputs.isEmpty())
        return false;
    if (const QString fault = settingscheck::fault(m_questions.settingsForNextFile().conversion);
        !fault.isEmpty()) {
        emit refused(fault);
        return false;
    }
    m_results.clear();
    m_cleanedFolders.clear();
    for (const QString &input : inputs)
        m_results.append(FileResult{input, FileResult::State::Waiting, 0, 0, {}, {}});
    m_running = true;
    m_stopAfterCurrent = false;
    m_next = 0;
    m_converted = 0;
    ++m_generation;
    advance();
    return true;
}

void Batch::append(const QStringList &inputs)
{
    if (!m_running)
        return;
    for (const QString &input : inputs)
        m_results.append(FileResult{input, FileResult::State::Waiting, 0, 0, {}, {}});
    advance();
}

void Batch::remove(const QStringList &inputs)
{
    if (!m_running)
        return;
    const QSet<QString> gone(inputs.begin(), inputs.end());
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (gone.contains((*it)->input)) {
            std::unique_ptr<Job> job = std::move(*it);
            it = m_jobs.erase(it);
            stopJob(std::move(job), QStringLiteral("removed"));
        } else {
            ++it;
        }
    }
    for (int i = int(m_results.size()) - 1; i >= 0; --i) {
        if (!gone.contains(m_results.at(i).input))
            continue;
        m_results.removeAt(i);
        if (i < m_next)
            --m_next;
        for (const auto &job : m_jobs) {
            if (job->index > i)
                --job->index;
        }
    }
    advance();
}

void Batch::stop()
{
    stopAllJobs();
    const int converted = m_running ? m_converted : 0;
    reset();
    report([this, converted] {
        emit completed(converted, true);
        emit finished();
    });
}

void Batch::abandon()
{
    stopAllJobs();
    reset();
    emit finished();
}

void Batch::stopAfterCurrent()
{
    if (!m_running)
        return;
    m_stopAfterCurrent = true;
    advance();
}

void Batch::reset()
{
    m_pollTimer->stop();
    m_running = false;
    m_stopAfterCurrent = false;
    m_next = 0;
    m_converted = 0;
    ++m_generation;
}

void Batch::report(std::function<void()> report)
{
    if (m_modal) {
        m_waitingReports.push_back(std::move(report));
        return;
    }
    {
        const Modal modal(*this);
        report();
    }
    advance();
}

// Fills the free places with the next files in list order and ends the
// batch once nothing is left. Skips and failures loop here rather than
// nesting calls; a call from inside a question or report returns at once,
// and the one that asked goes on when it is answered.
void Batch::advance()
{
    if (m_advancing || m_modal)
        return;
    m_advancing = true;
    const quint64 generation = m_generation;
    while (m_running && generation == m_generation && !m_modal) {
        const bool more = !m_stopAfterCurrent && m_next < m_results.size();
        if (more && int(m_jobs.size()) < m_maxJobs) {
            auto job = std::make_unique<Job>();
            job->index = m_next++;
            job->input = m_results.at(job->index).input;
            startFile(std::move(job));
            continue;
        }
        if (!more && m_jobs.empty()) {
            const int converted = m_converted;
            reset();
            m_advancing = false;
            report([this, converted] {
                emit completed(converted, false);
                emit finished();
            });
            return;
        }
        break;
    }
    m_advancing = false;
}

// One attempt at a file: the first settles its output, restarts reuse it.
void Batch::startFile(std::unique_ptr<Job> job)
{
    const quint64 generation = m_generation;
    const FileSettings settings = m_questions.settingsForNextFile();
    if (job->index == 0)
        emit started();
    const bool bothTracks = m_questions.bothTracksChecked();
    emit fileStarted(job->input, m_converted);
    if (generation != m_generation)
        return;

    QString fault = sourceFault(job->input);
    if (fault.isEmpty())
        fault = settingscheck::fault(settings.conversion);
    if (fault.isEmpty() && !settings.tracks.video && !settings.tracks.audio)
        fault = QStringLiteral("neither picture nor sound is to be kept");
    if (!fault.isEmpty()) {
        failFile(job->index, fault);
        return;
    }

    job->settings = settings;
    if (bothTracks)
        emit jobStarting();
    if (job->attempt == 0) {
        bool settled = false;
        {
            const Modal modal(*this);
            settled = settleOutput(*job, settings, bothTracks);
        }
        if (generation != m_generation)
            return;
        if (!settled) {
            m_results[job->index].reason = QStringLiteral("no name was chosen for its output");
            setState(job->index, FileResult::State::Skipped);
            return;
        }
    }
    if (!bothTracks)
        emit jobStarting();

    const QString folder = QFileInfo(job->output).absolutePath();
    if (!m_cleanedFolders.contains(folder)) {
        m_cleanedFolders.insert(folder);
        removeStaleParts(folder);
    }
    job->part = partFileName(job->output, QCoreApplication::applicationPid());
    QString error;
    if (!createPartFile(job->part, &error)) {
        // The output folder is gone or cannot be written: an attempt that
        // failed, as when the engine could not write there.
        retryOrGiveUp(std::move(job), error);
        return;
    }
    job->player = m_engine.createPlayer();
    Player *player = job->player.get();
    connect(player, &Player::ended, this, [this, player] { onJobEnded(player); });
    try {
        player->start(job->input,
                      streamOutputOption(settings.conversion, job->part, settings.tracks));
    } catch (const EngineError &refusal) {
        removePart(job->part);
        const int index = job->index;
        m_results[index].reason = QString::fromStdString(refusal.what());
        setState(index, FileResult::State::Failed);
        report([this, input = job->input, code = refusal.code()] {
            emit handOverFailed(input, code);
        });
        return;
    }
    job->sinceRead.start();
    setState(job->index, FileResult::State::Converting);
    m_jobs.push_back(std::move(job));
    if (!m_pollTimer->isActive())
        m_pollTimer->start();
}

bool Batch::settleOutput(Job &job, const FileSettings &settings, bool bothTracks)
{
    const quint64 generation = m_generation;
    QString out = outputFileName(job.input, settings.sameDirectory, settings.outputFolder,
                                 settings.conversion.format);
    while (nativefile::exists(out) || reserved(out)) {
        // The input itself is never offered for overwriting, nor a name
        // another job in hand is writing.
        if (!nativefile::sameFile(out, job.input) && !reserved(out)) {
            const bool overwrite = m_questions.mayOverwrite(out);
            if (generation != m_generation)
                return false;
            if (overwrite)
                break;
        }
        const std::optional<QString> chosen =
            m_questions.otherOutputName(job.input, out, bothTracks);
        if (generation != m_generation)
            return false;
        if (!chosen || chosen->isEmpty() || nativefile::sameFile(*chosen, job.input))
            return false;
        out = *chosen;
    }
    job.output = out;
    job.replacing = nativefile::exists(out);
    return true;
}

bool Batch::reserved(const QString &output) const
{
    return std::any_of(m_jobs.begin(), m_jobs.end(),
                       [&output](const auto &job) { return job->output == output; });
}

void Batch::poll()
{
    int oldest = -1;
    for (const auto &job : m_jobs)
        oldest = oldest < 0 ? job->index : std::min(oldest, job->index);
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        Job &job = *m_jobs[i];
        const int t = job.player->time();
        const float p = job.player->position();
        FileResult &result = m_results[job.index];
        if (result.durationMs == 0)
            result.durationMs = job.player->lengthMilliseconds();
        if (p > 0 && t > 0) {
            result.percent = int(double(p) * 100.0);
            if (job.index == oldest)
                emit progressChanged(result.percent);
            emit fileChanged(job.index);
        }
        const qint64 read = job.player->readMilliseconds();
        if (read != job.lastRead) {
            job.lastRead = read;
            job.sinceRead.restart();
        } else if (m_stallSeconds > 0 && job.sinceRead.elapsed() >= m_stallSeconds * 1000LL) {
            std::unique_ptr<Job> stalled = std::move(m_jobs[i]);
            m_jobs.erase(m_jobs.begin() + qsizetype(i));
            const int index = stalled->index;
            stalled->player->disconnect(this);
            stalled->player->stop();
            stalled->player.reset();
            removePart(stalled->part);
            failFile(index, QStringLiteral("it made no progress for %1 s").arg(m_stallSeconds));
            break;
        }
    }
    if (m_jobs.empty())
        m_pollTimer->stop();
    advance();
}

void Batch::onJobEnded(Player *player)
{
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [player](const auto &job) { return job->player.get() == player; });
    if (found == m_jobs.end())
        return;
    std::unique_ptr<Job> job = std::move(*found);
    m_jobs.erase(found);
    if (m_jobs.empty())
        m_pollTimer->stop();

    QString reason;
    if (!player->finishedNormally()) {
        reason = QStringLiteral("the engine could not convert it");
    } else {
        const ConversionSettings &s = job->settings.conversion;
        reason = m_engine.outputFault(
            job->part, {job->input, s.container,
                        job->settings.tracks.video && wanted(s.videoCodec),
                        job->settings.tracks.audio && wanted(s.audioCodec),
                        player->readMilliseconds()});
    }
    if (reason.isEmpty() && job->settings.keepDates)
        copyModificationTime(job->input, job->part);
    QString error;
    if (reason.isEmpty() && !commitPartFile(job->part, job->output, &error))
        reason = error;
    // This runs inside the player's own signal.
    job->player.release()->deleteLater();

    if (!reason.isEmpty()) {
        removePart(job->part);
        retryOrGiveUp(std::move(job), reason);
    } else {
        m_results[job->index].output = job->output;
        ++m_converted;
        setState(job->index, FileResult::State::Converted);
    }
    advance();
}

// A failed attempt: the same file again at once, or after the last restart
// given up.
void Batch::retryOrGiveUp(std::unique_ptr<Job> job, const QString &reason)
{
    if (job->attempt < kRestarts) {
        ++job->attempt;
        startFile(std::move(job));
        return;
    }
    failFile(job->index, reason);
}

void Batch::failFile(int index, const QString &reason)
{
    m_results[index].reason = reason;
    setState(index, FileResult::State::Failed);
    report([this, input = m_results.at(index).input] { emit givenUp(input); });
}

void Batch::stopJob(std::unique_ptr<Job> job, const QString &reason)
{
    job->player->disconnect(this);
    job->player->stop();
    job->player.reset();
    // A partial file never replaces a whole one that was there before.
    const std::optional<struct stat> part = nativefile::entry(job->part);
    if (job->replacing || !part || part->st_size == 0) {
        removePart(job->part);
    } else {
        QString error;
        if (!commitPartFile(job->part, job->output, &error))
            removePart(job->part);
    }
    if (job->index < m_results.size()) {
        m_results[job->index].reason = reason;
        setState(job->index, FileResult::State::Skipped);
    }
}

void Batch::stopAllJobs()
{
    m_pollTimer->stop();
    std::vector<std::unique_ptr<Job>> jobs = std::move(m_jobs);
    m_jobs.clear();
    for (auto &job : jobs)
        stopJob(std::move(job), QStringLiteral("stopped"));
}

void Batch::removePart(const QString &part)
{
    if (nativefile::remove(part) || !nativefile::exists(part))
        return;
    report([this, part] { emit deleteFailed(part); });
}

void Batch::setState(int index, FileResult::State state)
{
    m_results[index].state = state;
    emit fileChanged(index);
}
