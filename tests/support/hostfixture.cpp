#include "support/hostfixture.h"

#include <algorithm>

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QQuickItem>
#include <QTest>

#include "convert/outputplanner.h"
#include "convert/worker.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"

const ConversionSettings &conversion(MainWindow &dlg)
{
    return dlg.session().choice().settings();
}

const QStringList &presets(MainWindow &dlg, ConversionChoice::List list)
{
    return dlg.session().choice().list(list);
}

QList<JobQueue::Entry> filesOf(MainWindow &dlg)
{
    QList<JobQueue::Entry> all;
    const JobQueue &queue = dlg.session().queue();
    for (int row = 0; row < queue.size(); ++row)
        all << queue.at(row);
    return all;
}

QByteArray HostFixture::defaultCatalogue()
{
    return "[genral]\n"
           "Extentions=.mp4|.avi\n"
           "[muxer]\n"
           ".mp4=mp4|mov\n"
           ".avi=avi|ts\n"
           "[VC]\n"
           "mp4=h264|mp4v\n"
           "mov=mp4v\n"
           "avi=mp4v|mp2v\n"
           "[AC]\n"
           "mp4=mp4a|mp3\n"
           "mov=mp4a\n"
           "avi=mp3\n"
           "ts=mpga\n";
}

QString HostFixture::recordingMovie()
{
    return QStringLiteral(TARNWICK_SOURCE_DIR "/tests/support/recordingmovie.qml");
}

QByteArray HostFixture::shippedCatalogue()
{
    QFile ini(QStringLiteral(TARNWICK_SOURCE_DIR "/res/Formats.ini"));
    return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
}

QString HostFixture::shippedMovie()
{
    return QStringLiteral(TARNWICK_SOURCE_DIR "/res/main.qml");
}

HostFixture::HostFixture(const QByteArray &catalogue, const QString &movie, Engine *engine)
    : m_engine(engine ? *engine : scriptedEngine)
{
    // The user's own preferences stay out of the tests, and theirs out of the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral(".config"))));
    if (!catalogue.isNull()) {
        QFile ini(m_dir.filePath(QStringLiteral("Formats.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(catalogue);
    }
    if (!movie.isEmpty()) {
        QFile::copy(movie, m_dir.filePath(QStringLiteral("main.qml")));
        // The parts of a movie that has them go with it.
        const QDir parts(QFileInfo(movie).dir().filePath(QStringLiteral("movie")));
        if (parts.exists() && QDir(m_dir.path()).mkdir(QStringLiteral("movie"))) {
            for (const QString &name : parts.entryList(QDir::Files))
                QFile::copy(parts.filePath(name), m_dir.filePath(QStringLiteral("movie/") + name));
        }
    }
}

HostFixture::~HostFixture()
{
    m_dlg.reset();
    m_session.reset();
}

MainWindow &HostFixture::create()
{
    m_dlg.reset();
    m_session = std::make_unique<Session>(m_engine, appDir());
    m_dlg = std::make_unique<MainWindow>(desktop, *m_session, appDir());
    return *m_dlg;
}

MainWindow &HostFixture::start()
{
    create();
    m_dlg->initialise();

    return *m_dlg;
}

QStringList HostFixture::log() const
{
    QObject *root = m_dlg->movie()->rootObject();
    return root ? root->property("log").toStringList() : QStringList();
}

QStringList HostFixture::designedLog() const
{
    static const QStringList added{
        QStringLiteral("_root.batchProgress="), QStringLiteral("_root.batchStatus="),
        QStringLiteral("_root.fileTimeLeft="), QStringLiteral("_root.summary="),
        QStringLiteral("_root.failedCount="), QStringLiteral("_root.readyText="),
        QStringLiteral("_root.outputPlan="), QStringLiteral("_root.openFolder="),
        QStringLiteral("_root.batchOver="), QStringLiteral("_root.windowTitle="),
        QStringLiteral("_root.maximized=")};
    QStringList designed = log();
    designed.removeIf([](const QString &line) {
        return std::any_of(added.cbegin(), added.cend(),
                           [&](const QString &name) { return line.startsWith(name); });
    });
    return designed;
}

void HostFixture::clearLog()
{
    if (QObject *root = m_dlg->movie()->rootObject())
        root->setProperty("log", QVariantList());
}

void HostFixture::answer(const QString &name, const QString &value)
{
    if (QObject *root = m_dlg->movie()->rootObject())
        QMetaObject::invokeMethod(root, "answer", Q_ARG(QVariant, name), Q_ARG(QVariant, value));
}

void HostFixture::send(const QString &command, const QString &args)
{
    QObject *root = m_dlg->movie()->rootObject();
    QVERIFY(root);
    const qsizetype starts = script->calls.size();
    QMetaObject::invokeMethod(root, "fsCommand", Q_ARG(QString, command), Q_ARG(QString, args));
    waitForFileWork(starts);
}

// Until the worker is idle or the engine got a file: a file that fails at
// once would otherwise be tried again meanwhile.
void HostFixture::waitForFileWork(qsizetype startsBefore)
{
    const auto done = [&] {
        return m_session->worker().pending() == 0 || script->calls.size() > startsBefore;
    };
    // One round of events at a time: a wait of fixed length would let the
    // engine's next events in too.
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000) {
        QTimer wake; // the round ends even when no event comes
        wake.start(50);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QVERIFY2(done(), "the file work did not end within 10 s");
}

void HostFixture::tick()
{
    const qsizetype starts = script->calls.size();
    m_dlg->batch().poll();
    QCoreApplication::processEvents();
    waitForFileWork(starts);
}

void HostFixture::addFiles(const QStringList &paths)
{
    desktop.openAnswers.push_back(paths);
    send(QStringLiteral("IDC_FS_ADD"));
    settle();
}

void HostFixture::settle()
{
    QTRY_VERIFY(!m_session->isAdding() && !m_session->planner().isPlanning());
}

QStringList HostFixture::sources(const QStringList &names) const
{
    QStringList paths;
    for (const QString &name : names) {
        QFile source(file(name));
        // What a quick look takes for a video.
        if (source.open(QIODevice::WriteOnly))
            source.write("RIFF....AVI source");
        paths << source.fileName();
    }
    return paths;
}

void HostFixture::runBatch(int maxTicks)
{
    Worker &worker = m_session->worker();
    for (int i = 0; i < maxTicks && (m_dlg->batch().isRunning() || worker.pending() > 0); ++i) {
        m_dlg->batch().poll();
        // The worker's results come in through the event loop.
        QTest::qWait(worker.pending() > 0 ? 5 : 0);
    }
}
