#pragma once

#include <memory>

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include "support/scripteddesktop.h"
#include "app/session.h"
#include "settings/conversionchoice.h"
#include "support/scriptedplayer.h"
#include "ui/mainwindow.h"

// The window's conversion choice and its catalogue lists.
const ConversionSettings &conversion(MainWindow &dlg);
const QStringList &presets(MainWindow &dlg, ConversionChoice::List list);
// The window's files in list order, with where each stands.
QList<JobQueue::Entry> filesOf(MainWindow &dlg);

// A program folder in a temporary directory with the recording movie (or
// another movie) and a catalogue, and a main window over it driven by a
// scripted desktop and a scripted engine (or another engine, such as the
// real one). The batch runs as many jobs at once as the program's default; a
// test that needs one file at a time says so ("ID-FS-jobs").
class HostFixture
{
public:
    static QByteArray defaultCatalogue();
    static QString recordingMovie();
    // The catalogue and the movie the program ships with.
    static QByteArray shippedCatalogue();
    static QString shippedMovie();

    explicit HostFixture(const QByteArray &catalogue = defaultCatalogue(),
                         const QString &movie = recordingMovie(), Engine *engine = nullptr);
    ~HostFixture();

    // Builds the window and runs its start-up.
    MainWindow &start();
    // Builds the window only, for a test that runs it with run.
    MainWindow &create();
    MainWindow &dlg() { return *m_dlg; }
    Session &session() { return *m_session; }
    QString appDir() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    QStringList log() const;
    // The log without the variables added beside the designed ones for the
    // batch at a glance, the plan before Convert, the summary and the
    // window's state, whose own tests read them.
    QStringList designedLog() const;
    void clearLog();
    void answer(const QString &name, const QString &value);
    // Sends a command as the movie does, through its fsCommand signal, and
    // waits for the file work it set off (a batch's first files are
    // prepared on the worker before the engine gets them).
    void send(const QString &command, const QString &args = {});
    // Adds as the movie's Add does, and waits until the files are listed.
    void addFiles(const QStringList &paths);
    // Waits until the files given are listed and their outputs planned.
    void settle();
    // Files of these names in the program folder, each holding a few bytes
    // that begin as a video file does.
    QStringList sources(const QStringList &names) const;
    // One poll of the batch, then the file work it set off, up to the next
    // file's hand-over to the engine.
    void tick();
    // Polls the batch and lets the engine's end events and the worker's
    // results in until it is idle.
    void runBatch(int maxTicks = 200);

    ScriptedDesktop desktop;
    std::shared_ptr<PlayerScript> script = std::make_shared<PlayerScript>();
    ScriptedEngine scriptedEngine{script};

private:
    void waitForFileWork(qsizetype startsBefore);

    QTemporaryDir m_dir;
    Engine &m_engine;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_dlg;
};
