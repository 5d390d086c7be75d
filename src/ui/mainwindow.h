#pragma once

#include <memory>
#include <utility>

#include <QElapsedTimer>
#include <QHash>

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include "convert/batch.h"
#include "settings/settingsfile.h"
#include "settings/userpreferences.h"

class Engine;
class FileList;
class FileManager;
class QSizeGrip;
class MovieView;
class Desktop;
class InstanceLock;
class WindowTimers;

// The program's one window: the movie fills it and the file list lies over
// the movie's file area. It holds the settings the user chose and shows the
// batch. Start-up and shutdown are here; the command dispatcher and the
// batch's questions and display live in files of their own.
class MainWindow final : public QDialog, private BatchQuestions
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr unsigned kShowListTimer = 3;
    static constexpr unsigned kAboutCommand = 0x0010;
    static constexpr unsigned kMoveCommand = 0xF010;
    static constexpr unsigned kMinimizeCommand = 0xF020;
    static constexpr unsigned kCloseCommand = 0xF060;

    MainWindow(Desktop &desktop, Engine &engine, const QString &appDir,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // initialise, the modal loop, then shutDown. IDOK from the movie's exit
    // command, IDCANCEL when the window was closed otherwise.
    int run();
    bool initialise();
    void shutDown();

    void onMovieCommand(const QString &command, const QString &args);
    // Adds files as Add does, and the video files inside folders; during a
    // batch they join its queue. Returns the files that joined the list.
    QStringList addPaths(const QStringList &paths);
    // Files given on the command line, added at start-up.
    void setStartFiles(const QStringList &paths) { m_startFiles = paths; }
    // The single-copy lock the start took; without one the window takes it.
    void setInstanceLock(std::unique_ptr<InstanceLock> lock);
    void onTimer(unsigned id);
    void onSystemCommand(unsigned id);

    MovieView *movie() const { return m_movie; }
    FileList *fileList() const { return m_fileList; }
    QMenu *systemMenu() const { return m_systemMenu; }
    Batch &batch() { return *m_batch; }

    // Program state; the tests read it as the rest of the program does.
    SettingsFile m_settings;
    QStringList m_formats;
    QStringList m_containers;
    QStringList m_videoCodecs;
    QStringList m_audioCodecs;
    QString m_format;
    QString m_container;
    QString m_videoCodec;
    QString m_videoBitrate;
    QString m_scale;
    QString m_audioCodec;
    QString m_audioBitrate;
    QString m_channels;
    FileList *m_fileList = nullptr;
    bool m_sameDirectory = true;
    QString m_outputPath;
    unsigned m_showListTimer = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void loadPresetList(const QString &variable, const QString &key, const QString &section,
                        QStringList *list);
    void openHelp();
    void addFiles();
    QStringList videoFilesIn(const QString &folder) const;
    bool handleDrop(QEvent *event);
    void bringToFront();
    void browse();
    int chooseFolder(QString &path, const QString &title, QWidget *owner);
    void chooseFormat(const QString &format);
    void chooseContainer(const QString &container);
    void showFileList(bool show);
    void removeFromList(bool all);
    void setChecked(QString *setting, const QString &value, bool (*valid)(const QString &));
    void showSystemMenu();

    // The batch: its questions and how the movie shows it.
    void connectBatch();
    FileSettings settingsForNextFile() override;
    bool bothTracksChecked() override;
    bool mayOverwrite(const QString &output) override;
    std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                           bool bothTracks) override;
    // Why Convert cannot start with the ticked tracks; empty when it can.
    QString readTrackChecks();
    void showTaskbarProgress();
    void notifyCompletion(bool stopped);
    void endDesktopProgress();
    void showCompletion(int converted, bool stopped);
    void showFinished();

    Desktop &m_desktop;
    QString m_appDir;
    MovieView *m_movie = nullptr;
    WindowTimers *m_timers = nullptr;
    QMenu *m_systemMenu = nullptr;
    std::unique_ptr<InstanceLock> m_instanceLock;
    QIcon m_icon;
    Batch *m_batch = nullptr;
    bool m_destroyed = false;
    QStringList m_startFiles;
    // The tracks ticked when Convert was pressed; the movie keeps the ticks
    // still during a batch.
    bool m_keepVideo = true;
    bool m_keepAudio = true;
    UserPreferences m_preferences;
    std::pair<int, int> m_taskbarShown{-1, -1}; // progress in 1/1000 %, files left

    // The choices for a batch that runs unattended (batchdisplay.cpp).
    void showBatchChoices();
    void applyBatchChoices();
    void chooseBatchOption(const QString &value, bool (UserPreferences::*set)(const QString &));

    // Each list entry shows its file's state in the batch (batchdisplay.cpp).
    void connectFileStates();
    void showFileState(int index);
    void showOutput(const QString &output);
    FileManager *m_fileManager = nullptr;

    // The batch at a glance while it runs, its summary after (batchdisplay.cpp).
    void connectBatchGlance();
    void showBatchGlance();
    void showGlanceVariable(const QString &name, const QString &value);
    void retryFailed();
    QElapsedTimer m_batchClock;
    QHash<QString, QElapsedTimer> m_fileClocks;
    QHash<QString, QString> m_glanceShown;
    bool m_glanceRunning = false;

    // A window that grows (mainwindow.cpp).
    void resizeEvent(QResizeEvent *event) override;
    void layOut();
    void toggleMaximised();
    QSizeGrip *m_sizeGrip = nullptr;
    QSize m_laidOutSize;
};
