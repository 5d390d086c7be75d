#pragma once

#include <deque>
#include <functional>
#include <memory>

#include <QObject>
#include <QStringList>

#include "convert/filesettings.h"
#include "convert/jobqueue.h"
#include "settings/settingsfile.h"
#include "settings/userpreferences.h"

class Batch;
class ConversionChoice;
class Engine;
class OutputPlanner;
class Worker;

// What one run of the program converts, made once and handed to the front
// ends: the files and where each stands, the conversion choice, where the
// outputs go and what becomes of files already there, the user's
// preferences, the plan of every output and the batch. The window and the
// terminal only show it and answer its questions.
class Session final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Session)

public:
    // appDir: the program's folder, whose Formats.ini is the catalogue.
    Session(Engine &engine, const QString &appDir, QObject *parent = nullptr);
    ~Session() override;

    SettingsFile &settings() { return m_settings; }
    UserPreferences &preferences() { return m_preferences; }
    ConversionChoice &choice() { return *m_choice; }
    JobQueue &queue() { return *m_queue; }
    Batch &batch() { return *m_batch; }
    OutputPlanner &planner() { return *m_planner; }
    Worker &worker() { return *m_worker; }

    // What the next file is converted with.
    FileSettings fileSettings() const;
    bool sameDirectory() const { return m_sameDirectory; }
    QString outputFolder() const { return m_outputFolder; }
    ExistingOutput existingOutput() const { return m_existing; }
    // Each change plans every output again.
    void setSameDirectory(bool same);
    void setOutputFolder(const QString &folder);
    void setExistingOutput(ExistingOutput choice);
    void setTracks(TrackChoice tracks);
    void setKeepDates(bool keep);

    // The files, and the files of those extensions inside folders at any
    // depth, join the list in the order given, each file once, and a batch
    // that runs; the names are looked at on the worker. `listed` hears which
    // of them were new to the list.
    void add(const QStringList &paths, const QStringList &folderExtensions = {},
             std::function<void(const QList<JobQueue::Id> &)> listed = {});
    // Adds still being looked at.
    bool isAdding() const { return m_adding > 0; }
    // The sources are looked at on the worker, a few at a time, for their
    // length and what is wrong with them: for the estimate the window shows
    // before Convert, and the reason a file fails.
    void look(const QList<JobQueue::Id> &ids);

    // Waits a while for the file work under way (stopped files closing,
    // their partials looked into, then kept or removed); a hung share is
    // left. Sources not yet looked at are no longer looked at.
    void finishFileWork();

    // Converts the whole list; false when nothing started.
    bool convert();
    // Converts again the files that failed; the others keep what they show.
    bool retryFailed();

signals:
    void added(const QList<JobQueue::Id> &ids);
    // What decides the outputs changed: the conversion choice or where the
    // outputs go.
    void outputsChanged();

private:
    void settingsChanged();
    void lookAtNext();

    Engine &m_engine;
    SettingsFile m_settings;
    UserPreferences m_preferences;
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<JobQueue> m_queue;
    std::unique_ptr<ConversionChoice> m_choice;
    std::unique_ptr<OutputPlanner> m_planner;
    std::unique_ptr<Batch> m_batch;
    bool m_sameDirectory = true;
    QString m_outputFolder;
    ExistingOutput m_existing = ExistingOutput::Ask;
    TrackChoice m_tracks;
    bool m_keepDates = false;
    int m_adding = 0;
    quint64 m_addsAsked = 0;   // serials of add(), in the order given
    quint64 m_addsApplied = 0;
    struct Found
    {
        QList<JobQueue::File> files;
        std::function<void(const QList<JobQueue::Id> &)> listed;
    };
    QHash<quint64, Found> m_addsDone;
    std::deque<JobQueue::Id> m_toLook;
    bool m_looking = false;
    bool m_lookingStopped = false;
};
