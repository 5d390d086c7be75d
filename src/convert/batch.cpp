#include "convert/batch.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QTimer>

#include "convert/engine.h"
#include "convert/jobfiles.h"
#include "convert/player.h"
#include "convert/settingscheck.h"
#include "convert/worker.h"

namespace {

constexpr int kPollMs = 1000;

bool wanted(const QString &codec)
{
    return !codec.isEmpty() && codec != QLatin1String("none");
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? path.left(slash + 1) : path.left(slash);
}

} // namespace

struct Batch::Job
{
    enum class Phase { Preparing, Asking, Converting, Checking };

    quint64 serial = 0; // tells this attempt's results from a stale one's
    Id id = 0;
    int attempt = 0;
    Phase phase = Phase::Preparing;
    QString input;
    FileIdentity inputIdentity;
    QString output; // settled by the file's first attempt
    QString name;   // the output as first asked for, before any keep-both number
    FileIdentity outputIdentity;
    bool replacing = false; // a file was at the output before that
    std::optional<ReplacedFile> replaced; // the file there the user chose to replace
    bool bothTracks = true;
    bool announced = false; // jobStarting() was sent for this attempt
    QSize picture; // an even size, once the encoder refused the source's
    double frameRate = 0; // of the source, for the encoder
    QString part;
    std::shared_ptr<WorkFolder> work; // the part's, for this attempt
    FileSettings settings;
    std::unique_ptr<Player> player;
    qint64 lastRead = -1;
    qint64 readSince = 0; // on the batch's clock
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

Batch::Batch(Engine &engine, JobQueue &queue, Worker &worker,
             std::function<FileSettings()> settings, QObject *parent)
    : QObject(parent), m_engine(engine), m_queue(queue), m_worker(worker),
      m_settings(std::move(settings)), m_pollTimer(new QTimer(this))
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    m_clock = [steady] { return steady->elapsed(); };
    m_pollTimer->setInterval(kPollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &Batch::poll);
    connect(&m_queue, &JobQueue::removing, this, &Batch::onRemoving);
    // Rows that move or go may put a waiting file before the cursor.
    connect(&m_queue, &QAbstractItemModel::rowsMoved, this, [this] { m_cursor = 0; });
    connect(&m_queue, &QAbstractItemModel::rowsRemoved, this, [this] { m_cursor = 0; });
    connect(&m_queue, &QAbstractItemModel::modelReset, this, [this] { m_cursor = 0; });
}

QString Batch::stoppedReason()
{
    return QStringLiteral("stopped");
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

QList<Batch::Id> Batch::inHand() const
{
    QList<Id> ids;
    for (const auto &job : m_jobs)
        ids << job->id;
    return ids;
}

QString Batch::partFile() const
{
    return m_jobs.empty() ? QString() : m_jobs.front()->part;
}

bool Batch::start(const QList<Id> &ids)
{
    if (m_running || ids.isEmpty())
        return false;
    if (const QString fault = settingscheck::fault(m_settings().conversion); !fault.isEmpty()) {
        emit refused(fault);
        return false;
    }
    m_sweptFolders.clear();
    m_claimed.clear();
    m_queue.startBatch(ids);
    m_firstFile = ids.front();
    m_running = true;
    m_stopAfterCurrent = false;
    m_cursor = 0;
    m_converted = 0;
    ++m_generation;
    advance();
    return true;
}

void Batch::join(const QList<Id> &ids)
{
    if (!m_running)
        return;
    m_queue.joinBatch(ids);
    for (const Id id : ids)
        m_cursor = std::min(m_cursor, std::max(0, m_queue.row(id)));
    advance();
}

void Batch::onRemoving(const QList<Id> &ids)
{
    const QSet<Id> going(ids.cbegin(), ids.cend());
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (going.contains((*it)->id)) {
            std::unique_ptr<Job> job = std::move(*it);
            it = m_jobs.erase(it);
            stopJob(std::move(job), QStringLiteral("removed"));
        } else {
            ++it;
        }
    }
    // The batch goes on with the rest once the rows are gone.
    QTimer::singleShot(0, this, &Batch::advance);
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

// Files the batch did not reach are left as before it took them: not started.
void Batch::reset()
{
    m_pollTimer->stop();
    if (m_running && m_queue.count(JobQueue::State::Waiting) > 0) {
        for (int r = 0; r < m_queue.size(); ++r)
            if (m_queue.at(r).state == JobQueue::State::Waiting)
                m_queue.setState(m_queue.at(r).id, JobQueue::State::None);
    }
    m_running = false;
    m_stopAfterCurrent = false;
    m_settling = 0;
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

std::optional<Batch::Id> Batch::nextWaiting()
{
    if (m_queue.count(JobQueue::State::Waiting) == 0)
        return std::nullopt;
    for (; m_cursor < m_queue.size(); ++m_cursor) {
        const JobQueue::Entry &e = m_queue.at(m_cursor);
        if (e.state == JobQueue::State::Waiting)
            return e.id;
    }
    return std::nullopt;
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
        const std::optional<Id> next =
            m_stopAfterCurrent ? std::nullopt : nextWaiting();
        // One output is settled at a time, so that each sees the ones
        // settled before it.
        if (next && int(m_jobs.size()) < m_maxJobs && !m_settling) {
            auto job = std::make_unique<Job>();
            job->id = *next;
            const JobQueue::Entry &e = *m_queue.find(*next);
            job->input = e.path;
            job->inputIdentity = e.identity;
            m_queue.setState(job->id, JobQueue::State::Converting);
            startFile(std::move(job));
            continue;
        }
        if (!next && m_jobs.empty()) {
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
    job->settings = m_settings();
    job->serial = ++m_serial;
    job->phase = Job::Phase::Preparing;
    job->announced = false;
    if (job->id == m_firstFile)
        emit started();
    job->bothTracks = !m_questions || m_questions->bothTracksChecked();
    emit fileStarted(job->id, job->input, m_converted);
    if (generation != m_generation || m_queue.row(job->id) < 0)
        return;

    QString fault = settingscheck::fault(job->settings.conversion);
    if (fault.isEmpty() && !job->settings.tracks.video && !job->settings.tracks.audio)
        fault = QStringLiteral("neither picture nor sound is to be kept");
    if (!fault.isEmpty()) {
        failFile(job->id, fault);
        return;
    }
    Job &held = *job;
    m_jobs.push_back(std::move(job));
    const FileSettings &s = held.settings;
    prepare(held,
            held.attempt == 0 ? outputFileName(held.input, s.sameDirectory, s.outputFolder,
                                               s.conversion.format)
                              : QString(),
            false);
}

void Batch::prepare(Job &job, const QString &name, bool overwrite)
{
    job.phase = Job::Phase::Preparing;
    jobfiles::PrepareRequest request;
    request.id = job.id;
    request.input = job.input;
    request.inputIdentity = job.inputIdentity;
    request.name = name;
    request.output = job.output;
    request.policy = job.settings.onExisting;
    request.overwriteConfirmed = overwrite;
    request.sources = m_queue.sources();
    request.planned = m_queue.plannedOutputs();
    request.claimed = m_claimed;
    const QString folder = folderOf(name.isEmpty() ? job.output : name);
    request.sweepFolder = !m_sweptFolders.contains(folder);
    m_sweptFolders.insert(folder);
    if (!name.isEmpty()) {
        m_settling = job.serial;
        job.name = name;
    }
    m_worker.run<jobfiles::Prepared>(
        this,
        [request, &engine = m_engine] {
            jobfiles::Prepared prepared = jobfiles::prepare(request);
            if (prepared.work)
                prepared.frameRate = engine.frameRate(request.input);
            return prepared;
        },
        [this, serial = job.serial](const jobfiles::Prepared &prepared) { onPrepared(serial, prepared); });
}

void Batch::onPrepared(quint64 serial, const jobfiles::Prepared &prepared)
{
    if (m_settling == serial)
        m_settling = 0;
    settle(serial, prepared);
    advance();
}

void Batch::settle(quint64 serial, const jobfiles::Prepared &prepared)
{
    Job *job = find(serial);
    if (!job) {
        // Stopped or removed meanwhile.
        removeWork(prepared.work);
        return;
    }
    if (!prepared.sourceFault.isEmpty()) {
        // Trying again would not change what the file is.
        const std::unique_ptr<Job> gone = take(serial);
        failFile(gone->id, prepared.sourceFault);
        return;
    }
    // Each attempt shows its progress once: a job that builds its own name
    // before its output is settled, one the batch built after.
    if (job->bothTracks && !std::exchange(job->announced, true))
        emit jobStarting();
    if (prepared.settled) {
        const OutputDecision &decision = prepared.output.decision;
        using Kind = OutputDecision::Kind;
        if (decision.kind == Kind::Skipped) {
            const std::unique_ptr<Job> gone = take(serial);
            finishFile(gone->id, JobQueue::State::Skipped, decision.reason);
            return;
        }
        job->output = decision.output;
        job->outputIdentity = prepared.output.identity;
        job->replaced = prepared.replaced;
        m_claimed.insert(job->outputIdentity);
        if (decision.kind == Kind::Asks) {
            askAboutExisting(*job, decision.output);
            return;
        }
    }
    job->replacing = prepared.replacing;
    if (!std::exchange(job->announced, true))
        emit jobStarting();
    if (!prepared.work) {
        // The output folder is gone or cannot be written: an attempt that
        // failed, as when the engine could not write there.
        retryOrGiveUp(take(serial), prepared.partError);
        return;
    }
    job->work = prepared.work;
    job->part = job->work->partPath();
    job->frameRate = prepared.frameRate;
    startEngine(*job);
}

// The designed question for an unrelated file at the output, then the save
// dialog on No; the name chosen there is settled like any other.
void Batch::askAboutExisting(Job &job, const QString &output)
{
    job.phase = Job::Phase::Asking;
    const quint64 serial = job.serial;
    const quint64 generation = m_generation;
    const Id id = job.id;
    const QString input = job.input;
    const bool bothTracks = job.bothTracks;
    bool overwrite = false;
    std::optional<QString> chosen;
    {
        const Modal modal(*this);
        overwrite = !m_questions || m_questions->mayOverwrite(output);
        if (!overwrite && generation == m_generation && find(serial))
            chosen = m_questions->otherOutputName(input, output, bothTracks);
    }
    Job *still = generation == m_generation ? find(serial) : nullptr;
    if (!still)
        return;
    m_claimed.remove(still->outputIdentity);
    if (overwrite) {
        prepare(*still, output, true);
        return;
    }
    if (!chosen || chosen->isEmpty()) {
        take(serial);
        finishFile(id, JobQueue::State::Skipped,
                   QStringLiteral("no name was chosen for its output"));
        advance();
        return;
    }
    prepare(*still, *chosen, false);
}

void Batch::startEngine(Job &job)
{
    const ConversionSettings &s = job.settings.conversion;
    job.player = m_engine.createPlayer();
    Player *player = job.player.get();
    connect(player, &Player::ended, this, [this, player] { onJobEnded(player); });
    try {
        // A clip too short for the threaded encoder's delay comes out with no
        // picture; a later attempt holds no frames back.
        const EncoderTuning tuning{job.attempt > 0, job.picture, job.frameRate};
        player->start(job.input, streamOutputOption(s, job.part, job.settings.tracks, tuning));
    } catch (const EngineError &refusal) {
        std::unique_ptr<Job> gone = take(job.serial);
        removeWork(std::move(gone->work));
        finishFile(gone->id, JobQueue::State::Failed, QString::fromStdString(refusal.what()));
        report([this, input = gone->input, code = refusal.code()] {
            emit handOverFailed(input, code);
        });
        return;
    }
    job.phase = Job::Phase::Converting;
    job.lastRead = -1;
    job.readSince = m_clock();
    if (!m_pollTimer->isActive())
        m_pollTimer->start();
}

void Batch::poll()
{
    const Job *oldest = nullptr;
    for (const auto &job : m_jobs)
        if (job->phase == Job::Phase::Converting &&
            (!oldest || m_queue.row(job->id) < m_queue.row(oldest->id)))
            oldest = job.get();
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        Job &job = *m_jobs[i];
        if (job.phase != Job::Phase::Converting)
            continue;
        const int t = job.player->time();
        const float p = job.player->position();
        const JobQueue::Entry *entry = m_queue.find(job.id);
        if (entry && entry->durationMs == 0)
            m_queue.setDuration(job.id, job.player->lengthMilliseconds());
        if (p > 0 && t > 0) {
            const int percent = int(double(p) * 100.0);
            m_queue.setProgress(job.id, percent);
            if (&job == oldest)
                emit progressChanged(percent);
        }
        const qint64 read = job.player->readMilliseconds();
        if (read != job.lastRead) {
            job.lastRead = read;
            job.readSince = m_clock();
        } else if (m_stallSeconds > 0 && m_clock() - job.readSince >= m_stallSeconds * 1000LL) {
            std::unique_ptr<Job> stalled = take(job.serial);
            close(*stalled, false);
            m_claimed.remove(stalled->outputIdentity);
            failFile(stalled->id,
                     QStringLiteral("it made no progress for %1 s").arg(m_stallSeconds));
            break;
        }
    }
    if (std::none_of(m_jobs.begin(), m_jobs.end(),
                     [](const auto &job) { return job->phase == Job::Phase::Converting; }))
        m_pollTimer->stop();
    m_queue.flush();
    advance();
}

void Batch::onJobEnded(Player *player)
{
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [player](const auto &job) { return job->player.get() == player; });
    if (found == m_jobs.end())
        return;
    Job &job = **found;
    job.phase = Job::Phase::Checking;
    // The attempt is judged by its output, however the engine ended it; what
    // the engine's own log holds against it fails it whatever the file shows.
    const bool normal = player->finishedNormally(); // closes the output
    const QString logged = player->logFault();
    const ConversionSettings &s = job.settings.conversion;
    if (const QSize refused = player->refusedPicture(); refused.isValid())
        job.picture = evenPictureSize(refused, s.scale.toDouble());
    const OutputExpectation expected{job.input, s.container,
                                     job.settings.tracks.video && wanted(s.videoCodec),
                                     job.settings.tracks.audio && wanted(s.audioCodec),
                                     player->readMilliseconds(), player->lengthMilliseconds()};
    job.player.release()->deleteLater(); // this runs inside the player's own signal
    const jobfiles::Destination destination{job.output, job.settings.onExisting, job.replaced,
                                            job.name};
    m_worker.run<jobfiles::Finished>(
        this,
        [&engine = m_engine, work = std::move(job.work), destination, expected,
         keepDates = job.settings.keepDates, logged] {
            if (!logged.isEmpty())
                return jobfiles::Finished{logged, {}, false, jobfiles::removeWork(*work), {}};
            return jobfiles::finish(engine, *work, destination, expected, keepDates);
        },
        [this, serial = job.serial, id = job.id, normal, logged](jobfiles::Finished finished) {
            if (!finished.undeletable.isEmpty())
                report([this, path = finished.undeletable] { emit deleteFailed(path); });
            // Where the engine gave up too, its failure says more than the
            // file's; what the check found in the source says more than both.
            if (!normal && logged.isEmpty() && finished.reason.startsWith(u"the converted file")
                && !finished.skipped)
                finished.reason = QStringLiteral("the engine could not convert it");
            onChecked(serial, id, finished);
        });
}

// The check has ended. A file stopped while its check ran is counted by
// what the check found, since the engine had finished with it.
void Batch::onChecked(quint64 serial, Id id, const jobfiles::Finished &finished)
{
    std::unique_ptr<Job> job = take(serial);
    if (finished.skipped) {
        if (job)
            m_claimed.remove(job->outputIdentity);
        finishFile(id, JobQueue::State::Skipped, finished.reason);
    } else if (!finished.reason.isEmpty()) {
        if (job)
            retryOrGiveUp(std::move(job), finished.reason);
        else
            finishFile(id, JobQueue::State::Skipped, stoppedReason());
    } else {
        if (job)
            ++m_converted;
        m_queue.setOutput(id, finished.output);
        finishFile(id, JobQueue::State::Converted, finished.note);
    }
    advance();
}

// A failed attempt: the same file again at once, or after the last restart
// given up.
void Batch::retryOrGiveUp(std::unique_ptr<Job> job, const QString &reason)
{
    // Each attempt writes into a work folder of its own.
    removeWork(std::move(job->work));
    if (job->attempt < kRestarts) {
        ++job->attempt;
        startFile(std::move(job));
        return;
    }
    m_claimed.remove(job->outputIdentity);
    failFile(job->id, job->attempt == 0 ? reason
                                        : QStringLiteral("%1 (tried %2 times)").arg(reason).arg(job->attempt + 1));
}

void Batch::finishFile(Id id, JobQueue::State state, const QString &reason)
{
    m_queue.setState(id, state, reason);
}

void Batch::failFile(Id id, const QString &reason)
{
    finishFile(id, JobQueue::State::Failed, reason);
    const JobQueue::Entry *entry = m_queue.find(id);
    report([this, input = entry ? entry->path : QString()] { emit givenUp(input); });
}

void Batch::stopJob(std::unique_ptr<Job> job, const QString &reason)
{
    // A part whose check is under way is left to the check, which commits
    // or removes it.
    if (job->phase == Job::Phase::Checking)
        return;
    close(*job, true);
    m_claimed.remove(job->outputIdentity);
    m_queue.setState(job->id, JobQueue::State::Skipped, reason);
}

// The engine closes the job's output on the worker: stopping waits for its
// threads, which takes seconds in the middle of a large frame and may never
// end on a hung share. Then the partial output is kept or removed.
void Batch::close(Job &job, bool keepPartial)
{
    Player *player = job.player.release();
    if (player)
        player->disconnect(this);
    if (!player && !job.work)
        return;
    OutputExpectation media;
    media.source = job.input;
    media.mux = job.settings.conversion.container;
    m_worker.run<jobfiles::Partial>(
        this,
        [&engine = m_engine, player, keepPartial, work = std::move(job.work), media,
         output = job.output, replacing = job.replacing] {
            if (player) {
                player->stop();
                player->deleteLater();
            }
            if (!work)
                return jobfiles::Partial{};
            if (!keepPartial || !player)
                return jobfiles::Partial{false, jobfiles::removeWork(*work)};
            return jobfiles::keepOrRemovePartial(engine, *work, output, media, replacing);
        },
        [this, id = job.id, output = job.output](const jobfiles::Partial &partial) {
            if (partial.kept)
                m_queue.setOutput(id, output);
            if (!partial.undeletable.isEmpty())
                report([this, path = partial.undeletable] { emit deleteFailed(path); });
        });
}

void Batch::stopAllJobs()
{
    m_pollTimer->stop();
    std::vector<std::unique_ptr<Job>> jobs = std::move(m_jobs);
    m_jobs.clear();
    for (auto &job : jobs)
        stopJob(std::move(job), stoppedReason());
}

void Batch::removeWork(std::shared_ptr<WorkFolder> work)
{
    if (!work)
        return;
    m_worker.run<QString>(this, [work = std::move(work)] { return jobfiles::removeWork(*work); },
                          [this](const QString &undeletable) {
                              if (!undeletable.isEmpty())
                                  report([this, undeletable] { emit deleteFailed(undeletable); });
                          });
}

Batch::Job *Batch::find(quint64 serial)
{
    for (const auto &job : m_jobs)
        if (job->serial == serial)
            return job.get();
    return nullptr;
}

std::unique_ptr<Batch::Job> Batch::take(quint64 serial)
{
    const auto found = std::find_if(m_jobs.begin(), m_jobs.end(),
                                    [serial](const auto &job) { return job->serial == serial; });
    if (found == m_jobs.end())
        return nullptr;
    std::unique_ptr<Job> job = std::move(*found);
    m_jobs.erase(found);
    if (m_jobs.empty())
        m_pollTimer->stop();
    return job;
}
