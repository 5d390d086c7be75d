#pragma once

#include <memory>

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include "convert/outputnaming.h"
#include "convert/playerhostdlg.h"
#include "settings/settingsfile.h"

class CFileListBox;
class CShockwaveFlash;
class Desktop;
class InstanceLock;
class WindowTimers;

// The program's one window: the movie fills it and the file list lies over
// the movie's file area. It owns all program state. Start-up and shutdown are
// here; the command dispatcher, the batch and the progress monitor live in
// files of their own.
class CMainDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainDlg)

public:
    static constexpr unsigned TIMER_PROGRESS = 2;
    static constexpr unsigned TIMER_SHOWLIST = 3;
    static constexpr unsigned IDM_ABOUTBOX = 0x0010;
    static constexpr unsigned SC_MOVE = 0xF010;
    static constexpr unsigned SC_MINIMIZE = 0xF020;
    static constexpr unsigned SC_CLOSE = 0xF060;

    CMainDlg(Desktop &desktop, PlayerFactory players, const QString &appDir,
             QWidget *parent = nullptr);
    ~CMainDlg() override;

    // OnInitDialog, the modal loop, then OnDestroy. IDOK from the movie's exit
    // command, IDCANCEL when the window was closed otherwise.
    int DoModal();
    bool OnInitDialog();
    void OnDestroy();

    void OnFSCommand(const QString &command, const QString &args);
    void OnTimer(unsigned nIDEvent);
    void OnSysCommand(unsigned nID);

    // Conversion batch.
    int ConvertNext();
    int StartFileJob(const QString &input, const QString &option, int build);
    void Finish();
    static bool FileExists(const QString &path);
    void SetRetryCount(short n) { m_retryCount = n; }

    CShockwaveFlash *movie() const { return m_flash; }
    CFileListBox *fileList() const { return m_pFileList; }
    QMenu *systemMenu() const { return m_systemMenu; }

    // Program state; the tests read it as the rest of the program does.
    CSettingsFile m_settings;
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
    CPlayerHostDlg m_playerHost;
    CFileListBox *m_pFileList = nullptr;
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
    void LoadPresetList(const QString &variable, const QString &key, const QString &section,
                        QStringList *list);
    void OpenHelp();
    void OnAddFiles();
    void OnBrowse();
    int BrowseForFolder(QString &path, const QString &title, QWidget *owner);
    void OnCancel();
    void OnFormatChosen(const QString &format);
    void OnContainerChosen(const QString &container);
    void ShowFileList(bool show);
    void OnProgressTick();
    void FileConverted();
    void DeleteGivenUpOutput();
    bool SettleOverwrite(QString &out, const QString &input, bool variantA);
    QString OutputFor(const QString &input) const;
    void SkipCurrentFile();
    ConversionSettings CurrentSettings() const;
    void ShowSystemMenu();
    void KillProgressTimer();
    int LastErrorCode() const;

    Desktop &m_desktop;
    QString m_appDir;
    CShockwaveFlash *m_flash = nullptr;
    WindowTimers *m_timers = nullptr;
    QMenu *m_systemMenu = nullptr;
    std::unique_ptr<InstanceLock> m_instanceLock;
    QIcon m_hIcon;
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
    void SnapshotOutput(const QString &path);
    bool OutputWrittenByJob() const;
};
