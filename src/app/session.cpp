#include "app/session.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include "convert/batch.h"
#include "convert/engine.h"
#include "convert/nativefile.h"
#include "convert/outputplanner.h"
#include "convert/sourcelook.h"
#include "convert/worker.h"
#include "settings/conversionchoice.h"
#include "settings/programfolder.h"

namespace {

// Sources looked at in one task: few enough that closing the window never
// waits long for them.
constexpr std::size_t kLookBatch = 16;

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool isFolder(const QString &path)
{
    const std::optional<struct stat> info = nativefile::target(path);
    return info && S_ISDIR(info->st_mode);
}

// The files under folder, at any depth, of those extensions; links to
// folders are not followed.
void collect(const QString &folder, const QStringList &extensions, QStringList *files)
{
    for (const QString &name : nativefile::names(folder)) {
        const QString path = folder + u'/' + name;
        const std::optional<struct stat> info = nativefile::entry(path);
        if (info && S_ISDIR(info->st_mode))
            collect(path, extensions, files);
        else if (extensions.contains(name.mid(name.lastIndexOf(u'.') + 1).toLower()))
            *files << path;
    }
}

QStringList filesIn(const QString &folder, const QStringList &extensions)
{
    QStringList files;
    collect(QDir::cleanPath(folder), extensions, &files);
    files.sort();
    return files;
}

} // namespace

Session::Session(Engine &engine, const QString &appDir, QObject *parent)
    : QObject(parent), m_engine(engine), m_settings(withSlash(appDir)), m_worker(std::make_unique<Worker>()),
      m_queue(std::make_unique<JobQueue>()),
      m_choice(std::make_unique<ConversionChoice>(m_settings))
{
    m_settings.setFileName(QStringLiteral("Formats.ini"));
    m_settings.setUserFile(ProgramFolder(withSlash(appDir)).userSettingsFile());
    const auto settings = [this] { return fileSettings(); };
    m_batch = std::make_unique<Batch>(engine, *m_queue, *m_worker, settings);
    m_planner = std::make_unique<OutputPlanner>(*m_queue, *m_worker, settings,
                                                [this] { return m_batch->claimed(); });
    connect(m_choice.get(), &ConversionChoice::changed, this, &Session::settingsChanged);
    // A file written by the batch is taken from then on.
    connect(m_queue.get(), &JobQueue::stateChanged, this, [this](JobQueue::Id, JobQueue::State s) {
        if (s == JobQueue::State::Converted)
            m_planner->replan();
    });
}

// The batch goes first: it hands its last file work to the worker.
Session::~Session()
{
    m_batch.reset();
    m_planner.reset();
}

FileSettings Session::fileSettings() const
{
    FileSettings settings;
    settings.conversion = m_choice->settings();
    settings.tracks = m_tracks;
    settings.sameDirectory = m_sameDirectory;
    settings.outputFolder = m_outputFolder;
    settings.onExisting = m_existing;
    settings.keepDates = m_keepDates;
    return settings;
}

void Session::settingsChanged()
{
    m_planner->replan();
    emit outputsChanged();
}

void Session::setSameDirectory(bool same)
{
    m_sameDirectory = same;
    settingsChanged();
}

void Session::setOutputFolder(const QString &folder)
{
    m_outputFolder = folder;
    settingsChanged();
}

void Session::setExistingOutput(ExistingOutput choice)
{
    m_existing = choice;
    settingsChanged();
}

void Session::setTracks(TrackChoice tracks)
{
    m_tracks = tracks;
}

void Session::setKeepDates(bool keep)
{
    m_keepDates = keep;
}

void Session::add(const QStringList &paths, const QStringList &folderExtensions,
                  std::function<void(const QList<JobQueue::Id> &)> listed)
{
    if (paths.isEmpty())
        return;
    ++m_adding;
    const quint64 serial = ++m_addsAsked;
    m_worker->run<QList<JobQueue::File>>(
        this,
        [paths, folderExtensions] {
            FileIdentifier files;
            QList<JobQueue::File> found;
            for (const QString &path : paths) {
                const bool folder = !folderExtensions.isEmpty() && isFolder(path);
                for (const QString &file : folder ? filesIn(path, folderExtensions) : QStringList{path})
                    found.append({file, files.identify(file)});
            }
            return found;
        },
        [this, serial, listed](QList<JobQueue::File> found) {
            // Adds finish in any order and join the list in the order asked.
            m_addsDone.insert(serial, {std::move(found), listed});
            while (m_addsDone.contains(m_addsApplied + 1)) {
                const Found next = m_addsDone.take(++m_addsApplied);
                --m_adding;
                const QList<JobQueue::Id> ids = m_queue->append(next.files);
                m_batch->join(ids);
                if (next.listed)
                    next.listed(ids);
                emit added(ids);
            }
        });
}

void Session::look(const QList<JobQueue::Id> &ids)
{
    m_toLook.insert(m_toLook.end(), ids.cbegin(), ids.cend());
    lookAtNext();
}

void Session::lookAtNext()
{
    if (m_looking || m_lookingStopped)
        return;
    QList<JobQueue::Look> files;
    QStringList paths;
    while (!m_toLook.empty() && std::size_t(files.size()) < kLookBatch) {
        const JobQueue::Id id = m_toLook.front();
        m_toLook.pop_front();
        if (const JobQueue::Entry *e = m_queue->find(id)) {
            files.append({id, 0, {}});
            paths << e->path;
        }
    }
    if (files.isEmpty())
        return;
    m_looking = true;
    m_worker->run<QList<JobQueue::Look>>(
        this,
        [files, paths, &engine = m_engine]() mutable {
            for (qsizetype i = 0; i < files.size(); ++i) {
                const sourcelook::Finding found = sourcelook::look(paths[i]);
                files[i].fault = found.fault;
                // The engine's parse takes up to seconds, and tells nothing
                // of a file it cannot read or will refuse.
                if (found.read && found.fault.isEmpty())
                    files[i].durationMs = engine.sourceLength(paths[i]);
            }
            return files;
        },
        [this](const QList<JobQueue::Look> &looks) {
            m_looking = false;
            m_queue->setLooks(looks);
            lookAtNext();
        });
}

void Session::finishFileWork()
{
    // The engine looks into a stopped partial before it is kept: seconds on
    // a busy machine.
    constexpr int kWaitMs = 15000;
    m_lookingStopped = true;
    if (m_worker->pending() == 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    connect(m_worker.get(), &Worker::idle, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Session::convert()
{
    return m_batch->start(m_queue->ids());
}

bool Session::retryFailed()
{
    if (m_batch->isRunning())
        return false;
    QList<JobQueue::Id> failed;
    for (int r = 0; r < m_queue->size(); ++r)
        if (m_queue->at(r).state == JobQueue::State::Failed)
            failed << m_queue->at(r).id;
    return m_batch->start(failed);
}
