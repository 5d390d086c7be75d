#pragma once

#include <memory>

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include "convert/outputnaming.h"
#include "convert/playerhost.h"
#include "settings/settingsfile.h"

class FileList;
class MovieView;
class Desktop;
class InstanceLock;
class WindowTimers;

// The program's one window: the movie fills it and the file list lies over
// the movie's file area. It owns all program state. Start-up and shutdown are
// here; the command dispatcher, the batch and the progress monitor live in
// files of their own.
class MainWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr unsigned kProgressTimer = 2;
    static constexpr unsigned kShowListTimer = 3;
    static constexpr unsigned kAboutCommand = 0x0010;
    static constexpr unsigned kMoveCommand = 0xF010;
    static constexpr unsigned kMinimizeCommand = 0xF020;
    static constexpr unsigned kCloseCommand = 0xF060;

    MainWindow(Desktop &desktop, PlayerFactory players, const QString &appDir,
             QWidget *parent = nullptr);
    ~MainWindow() override;

    // initialise, the modal loop, then shutDown. IDOK from the movie's exit
    // command, IDCANCEL when the window was closed otherwise.
    int run();
    bool initialise();
    void shutDown();

    void onMovieCommand(const QString &command, const QString &args);
    void onTimer(unsigned id);
    void onSystemCommand(unsigned id);

    // Conversion batch.
    int convertNext();
    int startFileJob(const QString &input, const QString &option, int build);
    void finish();
    static bool fileExists(const QString &path);
    void setRetryCount(short n) { m_retryCount = n; }

    MovieView *movie() const { return m_movie; }
    FileList *fileList() const { return m_fileList; }
    QMenu *systemMenu() const { return m_systemMenu; }

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
    QString m_outputFile;
    PlayerHost m_playerHost;
    FileList *m_fileList = nullptr;
    short m_retryCount = 0;
    bool m_progressSeen = false;
    bool m_sameDirectory = true;
    QString m_outputPath;
    int m_convertedCount = -1;
    int m_currentIndex = -1;
    int m_fileCount = -1;
    unsigned m_progressTimer = 0;
    unsigned m_showListTimer = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadPresetList(const QString &variable, const QString &key, const QString &section,
                        QStringList *list);
    void openHelp();
    void addFiles();
    void browse();
    int chooseFolder(QString &path, const QString &title, QWidget *owner);
    void cancelBatch();
    void chooseFormat(const QString &format);
    void chooseContainer(const QString &container);
    void showFileList(bool show);
    void onProgressTick();
    void fileConverted();
    void deleteGivenUpOutput();
    bool settleOverwrite(QString &out, const QString &input, bool variantA);
    QString outputFor(const QString &input) const;
    void skipCurrentFile();
    ConversionSettings currentSettings() const;
    void showSystemMenu();
    void killProgressTimer();
    int lastErrorCode() const;

    Desktop &m_desktop;
    QString m_appDir;
    MovieView *m_movie = nullptr;
    WindowTimers *m_timers = nullptr;
    QMenu *m_systemMenu = nullptr;
    std::unique_ptr<InstanceLock> m_instanceLock;
    QIcon m_icon;
    bool m_destroyed = false;

    // What the output of the file in hand looked like before its first job,
    // so that giving up never removes a file the job did not write.
    struct OutputSnapshot
    {
        QString path;
        bool existed = false;
        qint64 size = 0;
        qint64 modified = 0;
        quint64 inode = 0;
    } m_outputBefore;
    void snapshotOutput(const QString &path);
    bool outputWrittenByJob() const;
};
