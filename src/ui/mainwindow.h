#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QDialog>
#include <QElapsedTimer>
#include <QHash>
#include <QIcon>
#include <QStringList>

#include "convert/batch.h"
#include "ui/movievariables.h"

class FileList;
class FileManager;
class QSizeGrip;
class MovieView;
class Desktop;
class InstanceLock;
class Session;
class UserPreferences;
class WindowTimers;

// The program's one window: the movie fills it and the file list lies over
// the movie's file area. It shows the session and answers the batch's
// questions. Start-up and shutdown are here; the command dispatcher and the
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

    MainWindow(Desktop &desktop, Session &session, const QString &appDir,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // initialise, the modal loop, then shutDown. IDOK from the movie's exit
    // command, IDCANCEL when the window was closed otherwise.
    int run();
    bool initialise();
    void shutDown();

    void onMovieCommand(const QString &command, const QString &args);
    // Adds files as Add does, and the video files inside folders; during a
    // batch they join its queue. `listed` hears which files were new.
    void addPaths(const QStringList &paths,
                  std::function<void(const QList<JobQueue::Id> &)> listed = {});
    // Files given on the command line, added at start-up.
    void setStartFiles(const QStringList &paths) { m_startFiles = paths; }
    // The single-copy lock the start took; without one the window takes it.
    void setInstanceLock(std::unique_ptr<InstanceLock> lock);
    void onTimer(unsigned id);
    void onSystemCommand(unsigned id);

    Session &session() { return m_session; }
    Batch &batch();
    MovieView *movie() const { return m_movie; }
    FileList *fileList() const { return m_fileList; }
    QMenu *systemMenu() const { return m_systemMenu; }

    unsigned m_showListTimer = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // ×, Alt+F4 and the window menu's Close ask first while files convert.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void publishList(int which, const QString &text);
    void openHelp();
    void addFiles();
    QStringList videoExtensions() const;
    bool handleDrop(QEvent *event);
    void bringToFront();
    void browse();
    int chooseFolder(QString &path, const QString &title, QWidget *owner);
    void showFileList(bool show);
    void removeFromList(bool all);
    void showSystemMenu();
    void set(MovieVariable variable, const QString &value) { m_variables->set(variable, value); }

    // The batch: its questions and how the movie shows it.
    void connectBatch();
    bool bothTracksChecked() override;
    bool mayOverwrite(const QString &output) override;
    // True when nothing converts, or the user agrees to stop it and quit.
    bool mayQuit();
    std::optional<QString> otherOutputName(const QString &input, const QString &output,
                                           bool bothTracks) override;
    // Why Convert cannot start with the ticked tracks; empty when it can.
    QString readTrackChecks();
    void showTaskbarProgress();
    void notifyCompletion(bool stopped);
    void endDesktopProgress();
    void showCompletion(int converted, bool stopped);
    void showFinished();
    // The status line and the bar follow one file of those in hand.
    void showFileInHand(JobQueue::Id id, const QString &input, int converted);
    void followFileInHand();
    JobQueue::Id m_shownFile = 0;
    int m_shownPercent = -1;

    Desktop &m_desktop;
    Session &m_session;
    QString m_appDir;
    MovieView *m_movie = nullptr;
    std::unique_ptr<MovieVariables> m_variables;
    FileList *m_fileList = nullptr;
    WindowTimers *m_timers = nullptr;
    QMenu *m_systemMenu = nullptr;
    std::unique_ptr<InstanceLock> m_instanceLock;
    QIcon m_icon;
    bool m_destroyed = false;
    bool m_askingToQuit = false;
    QStringList m_startFiles;
    std::pair<int, int> m_taskbarShown{-1, -1}; // progress in 1/1000 %, files left

    // The choices for a batch that runs unattended (batchdisplay.cpp).
    void showBatchChoices(bool evenIfSame = false);
    void applyBatchChoices();
    void chooseBatchOption(const QString &value, bool (UserPreferences::*set)(const QString &));

    void showOutput(const QString &output);
    FileManager *m_fileManager = nullptr;

    // Before Convert: the files ready, where they go and how big; after a
    // batch: its summary and the folder to open (batchdisplay.cpp).
    void showPlan();
    void showSummary();
    QString outputsFolder() const;
    void setTitle(const QString &title);

    // The batch at a glance while it runs, its summary after (batchdisplay.cpp).
    void connectBatchGlance();
    void showBatchGlance();
    void retryFailed();
    QElapsedTimer m_batchClock;
    QHash<JobQueue::Id, QElapsedTimer> m_fileClocks;
    bool m_glanceRunning = false;

    // A window that grows, and shrinks to a small screen (mainwindow.cpp).
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void layOut();
    void fitToScreen();
    void toggleMaximised();
    QSizeGrip *m_sizeGrip = nullptr;
    QSize m_laidOutSize;
};
