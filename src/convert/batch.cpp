#include "convert/batch.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "convert/engine.h"
#include "convert/partfile.h"
#include "convert/player.h"
#include "convert/settingscheck.h"

namespace {

constexpr int kPollMs = 1000;

bool exists(const QString &path)
{
    // Any entry counts, readable or not, a dangling link too.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool sameFile(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QFileInfo fa(a), fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

// Why the source cannot be converted before the engine is even asked.
QString sourceFault(const QString &input)
{
    const QFileInfo info(input);
    if (!info.exists())
        return QStringLiteral("the file no longer exists");
    if (info.isDir())
        return QStringLiteral("it is a folder");
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the file cannot be read");
    return {};
}

bool wanted(const QString &codec)
{
    return !codec.isEmpty() && codec != QLatin1String("none");
}

} // namespace

struct Batch::Job
{
    int index = 0;
    QString input;
    QString part;
    FileSettings settings;
    std::unique_ptr<Player> player;
};

Batch::Batch(Engine &engine, BatchQuestions &questions, QObject *parent)
    : QObject(parent), m_engine(engine), m_questions(questions), m_pollTimer(new QTimer(this))
{
    m_pollTimer->setInterval(kPollMs);
    connect(m_pollTimer, &QTimer::timeout, this, &Batch::poll);
}

Batch::~Batch()
{
    stopJob();
}

QString Batch::partFile() const
{
    return m_job ? m_job->part : QString();
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
        m_results.append(FileResult{input, FileResult::State::Waiting, 0, {}, {}});
    m_running = true;
    m_next = 0;
    m_attempt = 0;
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
        m_results.append(FileResult{input, FileResult::State::Waiting, 0, {}, {}});
}

void Batch::remove(const QStringList &inputs)
{
    if (!m_running)
        return;
    const QSet<QString> gone(inputs.begin(), inputs.end());
    bool inHand = false;
    for (int i = int(m_results.size()) - 1; i >= 0; --i) {
        if (!gone.contains(m_results.at(i).input))
            continue;
        if (i == m_next && m_job) {
            inHand = true;
            continue;
        }
        m_results.removeAt(i);
        if (i < m_next)
            --m_next;
    }
    if (!inHand)
        return;
    stopJob();
    m_results.removeAt(m_next);
    m_attempt = 0;
    ++m_generation;
    advance();
}

void Batch::stop()
{
    stopJob();
    const int converted = m_running ? m_converted : 0;
    reset();
    emit completed(converted, true);
    emit finished();
}

void Batch::abandon()
{
    stopJob();
    reset();
    emit finished();
}

void Batch::reset()
{
    m_pollTimer->stop();
    m_running = false;
    m_next = 0;
    m_attempt = 0;
    m_converted = 0;
    m_output.clear();
    ++m_generation;
}

// Starts files until one is in the engine's hands or the list is through.
// Skips and failures loop here rather than nesting calls.
void Batch::advance()
{
    const quint64 generation = m_generation;
    while (m_running && !m_job && generation == m_generation) {
        if (m_next >= m_results.size()) {
            const int converted = m_converted;
            reset();
            emit completed(converted, false);
            emit finished();
            return;
        }
        startAttempt();
    }
}

void Batch::startAttempt()
{
    const quint64 generation = m_generation;
    const int index = m_next;
    const QString input = m_results.at(index).input;
    const FileSettings settings = m_questions.settingsForNextFile();
    if (index == 0)
        emit started();
    const bool bothTracks = m_questions.bothTracksChecked();
    emit fileStarted(input, m_converted);
    if (generation != m_generation)
        return;

    if (const QString fault = sourceFault(input); !fault.isEmpty()) {
        failFile(fault);
        return;
    }
    if (const QString fault = settingscheck::fault(settings.conversion); !fault.isEmpty()) {
        failFile(fault);
        return;
    }

    if (bothTracks)
        emit jobStarting();
    QString output = m_output;
    if (m_attempt == 0) {
        if (!settleOutput(input, settings, bothTracks, &output))
            return;
        m_output = output;
        m_replacing = exists(output);
    }
    if (!bothTracks)
        emit jobStarting();
    if (generation != m_generation)
        return;

    const QString folder = QFileInfo(output).absolutePath();
    if (!m_cleanedFolders.contains(folder)) {
        m_cleanedFolders.insert(folder);
        removeStaleParts(folder);
    }

    auto job = std::make_unique<Job>();
    job->index = index;
    job->input = input;
    job->settings = settings;
    job->part = partFileName(output, QCoreApplication::applicationPid());
    QString error;
    if (!createPartFile(job->part, &error)) {
        // The output folder is gone or cannot be written: an attempt that
        // failed, as when the engine could not write there.
        endAttempt(error);
        return;
    }
    job->player = m_engine.createPlayer();
    connect(job->player.get(), &Player::ended, this, &Batch::onJobEnded);
    try {
        job->player->start(input, streamOutputOption(settings.conversion, job->part));
    } catch (const EngineError &refusal) {
        removePart(job->part);
        m_pollTimer->stop();
        m_attempt = 0;
        emit handOverFailed(input, refusal.code());
        if (generation != m_generation)
            return;
        m_results[index].reason = QString::fromStdString(refusal.what());
        setState(index, FileResult::State::Failed);
        ++m_next;
        return;
    }
    m_job = std::move(job);
    setState(index, FileResult::State::Converting);
    if (!m_pollTimer->isActive())
        m_pollTimer->start();
}

bool Batch::settleOutput(const QString &input, const FileSettings &settings, bool bothTracks,
                         QString *output)
{
    const quint64 generation = m_generation;
    QString out = outputFileName(input, settings.sameDirectory, settings.outputFolder,
                                 settings.conversion.format);
    while (exists(out)) {
        // The input itself is never offered for overwriting.
        if (!sameFile(out, input)) {
            const bool overwrite = m_questions.mayOverwrite(out);
            if (generation != m_generation)
                return false;
            if (overwrite)
                break;
        }
        const std::optional<QString> chosen =
            m_questions.otherOutputName(input, out, bothTracks);
        if (generation != m_generation)
            return false;
        if (!chosen || chosen->isEmpty() || sameFile(*chosen, input)) {
            skipFile(QStringLiteral("no name was chosen for its output"));
            return false;
        }
        out = *chosen;
    }
    *output = out;
    return true;
}

void Batch::poll()
{
    if (!m_job)
        return;
    const int t = m_job->player->time();
    const float p = m_job->player->position();
    if (p > 0 && t > 0) {
        const int percent = int(double(p) * 100.0);
        m_results[m_job->index].percent = percent;
        emit progressChanged(percent);
        emit fileChanged(m_job->index);
    }
}

void Batch::onJobEnded()
{
    if (!m_job || sender() != m_job->player.get())
        return;
    std::unique_ptr<Job> job = std::move(m_job);
    m_pollTimer->stop();
    Player &player = *job->player;

    QString reason;
    if (!player.finishedNormally()) {
        reason = QStringLiteral("the engine could not convert it");
    } else {
        const ConversionSettings &s = job->settings.conversion;
        reason = m_engine.outputFault(
            job->part, {job->input, s.container, wanted(s.videoCodec), wanted(s.audioCodec),
                        player.readMilliseconds()});
    }
    QString error;
    if (reason.isEmpty() && !commitPartFile(job->part, m_output, &error))
        reason = error;
    // This runs inside the player's own signal.
    job->player.release()->deleteLater();

    if (!reason.isEmpty()) {
        removePart(job->part);
        endAttempt(reason);
    } else {
        m_results[job->index].output = m_output;
        ++m_converted;
        setState(job->index, FileResult::State::Converted);
        ++m_next;
        m_attempt = 0;
    }
    advance();
}

// A failed attempt: the same file again, or after the last restart given up.
void Batch::endAttempt(const QString &reason)
{
    if (m_attempt < kRestarts) {
        ++m_attempt;
        return;
    }
    failFile(reason);
}

void Batch::failFile(const QString &reason)
{
    const int index = m_next;
    const quint64 generation = m_generation;
    m_results[index].reason = reason;
    setState(index, FileResult::State::Failed);
    m_attempt = 0;
    emit givenUp(m_results.at(index).input);
    if (generation == m_generation)
        ++m_next;
}

void Batch::skipFile(const QString &reason)
{
    m_results[m_next].reason = reason;
    setState(m_next, FileResult::State::Skipped);
    m_attempt = 0;
    ++m_next;
}

void Batch::stopJob()
{
    m_pollTimer->stop();
    if (!m_job)
        return;
    std::unique_ptr<Job> job = std::move(m_job);
    job->player->disconnect(this);
    job->player->stop();
    job->player.reset();
    // A partial file never replaces a whole one that was there before.
    if (m_replacing || QFileInfo(job->part).size() == 0) {
        removePart(job->part);
    } else {
        QString error;
        if (!commitPartFile(job->part, m_output, &error))
            removePart(job->part);
    }
    if (job->index < m_results.size()) {
        m_results[job->index].reason = QStringLiteral("stopped");
        setState(job->index, FileResult::State::Skipped);
    }
}

void Batch::removePart(const QString &part)
{
    if (QFile::remove(part) || !exists(part))
        return;
    emit deleteFailed(part);
}

void Batch::setState(int index, FileResult::State state)
{
    m_results[index].state = state;
    emit fileChanged(index);
}
