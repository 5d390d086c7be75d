#pragma once

#include <memory>

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include "support/scripteddesktop.h"
#include "support/scriptedplayer.h"
#include "ui/mainwindow.h"

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
    QString appDir() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    QStringList log() const;
    // The log without the variables added beside the designed ones for the
    // batch at a glance, whose own tests read them.
    QStringList designedLog() const;
    void clearLog();
    void answer(const QString &name, const QString &value);
    // Sends a command as the movie does, through its fsCommand signal.
    void send(const QString &command, const QString &args = {});
    void addFiles(const QStringList &paths);
    // Files of these names in the program folder, each holding a few bytes.
    QStringList sources(const QStringList &names) const;
    // Polls the batch and lets the engine's end events in until it is idle.
    void runBatch(int maxTicks = 200);

    ScriptedDesktop desktop;
    std::shared_ptr<PlayerScript> script = std::make_shared<PlayerScript>();
    ScriptedEngine scriptedEngine{script};

private:
    QTemporaryDir m_dir;
    Engine &m_engine;
    std::unique_ptr<MainWindow> m_dlg;
};
