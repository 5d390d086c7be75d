// The movie's commands: one table, matched whole and without regard to case.

#include <array>

#include <QDir>
#include <QFileInfo>
#include <QWindow>

#include "filelist/filelistbox.h"
#include "movie/shockwaveflash.h"
#include "platform/desktop.h"
#include "platform/windowtimers.h"
#include "ui/maindlg.h"

namespace {

const QString kFileFilter = QStringLiteral(
    "All Supported Types (*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;"
    "*.mpge)|*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;*.mpge |"
    "Video Files (*.avi;*.wmv)|*.avi;*.wmv|MPEG Files (*.mpeg;*.mpg;*.m1v;*.mp2)|"
    "*.mpeg;*.mpg;*.m1v;*.mp2|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*||");

const QString kSupportAddress = QStringLiteral("support@tarnwick.example.org");

enum class Command {
    Exit, Mini, Help, Drag, Browse, Add, Remove, RemoveAll, Up, Down, VideoSetting,
    AudioSetting, About, Slider, Slider2, Support, ConvertWindow, OtherDirectory,
    SameDirectory, ConvertTo, Container, VideoCodec, VideoBitrate, VideoScale, AudioCodec,
    AudioBitrate, AudioChannel, Convert, Cancel,
};

struct Entry
{
    const char *text;
    Command command;
};

constexpr std::array<Entry, 29> kCommands{{
    {"IDC_FS_EXIT", Command::Exit},
    {"IDC_FS_MINI", Command::Mini},
    {"IDC_FS_HELP", Command::Help},
    {"IDC_FS_DRAG", Command::Drag},
    {"IDC_FS_BROWSE", Command::Browse},
    {"IDC_FS_ADD", Command::Add},
    {"IDC_FS_REMOVE", Command::Remove},
    {"IDC_FS_REMOVEALL", Command::RemoveAll},
    {"IDC_FS_UP", Command::Up},
    {"IDC_FS_DOWN", Command::Down},
    {"IDC_FS_VIDEOSETTING", Command::VideoSetting},
    {"IDC_FS_AUDIOSETTING", Command::AudioSetting},
    {"IDC_FS_ABOUT", Command::About},
    {"ID_FS_Slider", Command::Slider},
    {"ID_FS_Slider2", Command::Slider2},
    {"IDC_FS_support", Command::Support},
    {"IDC_FS_CONVERTWINDOW", Command::ConvertWindow},
    {"IDC_FS_OTHERDIRECTORY", Command::OtherDirectory},
    {"IDC_FS_SAMEDIRECTORY", Command::SameDirectory},
    {"ID-FS-convertTo", Command::ConvertTo},
    {"ID-FS-container", Command::Container},
    {"ID-FS-videoCodec", Command::VideoCodec},
    {"ID-FS-videoBitrate", Command::VideoBitrate},
    {"ID-FS-videoScale", Command::VideoScale},
    {"ID-FS-audioCodec", Command::AudioCodec},
    {"ID-FS-audioBitrate", Command::AudioBitrate},
    {"ID-FS-audioChannnel", Command::AudioChannel},
    {"IDC_FS_CONVERT", Command::Convert},
    {"IDC_FS_CANCEL", Command::Cancel},
}};

} // namespace

void CMainDlg::OnFSCommand(const QString &command, const QString &args)
{
    const Entry *found = nullptr;
    for (const Entry &entry : kCommands) {
        if (command.compare(QLatin1String(entry.text), Qt::CaseInsensitive) == 0) {
            found = &entry;
            break;
        }
    }
    if (!found)
        return;

    switch (found->command) {
    case Command::Exit:
        QDialog::accept();
        break;
    case Command::Mini:
        showMinimized();
        break;
    case Command::Help:
        OpenHelp();
        break;
    case Command::Drag:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case Command::Browse:
        OnBrowse();
        break;
    case Command::Add:
        OnAddFiles();
        break;
    case Command::Remove:
        if (m_pFileList && m_pFileList->GetCurSel() != -1)
            m_pFileList->RemoveItem(m_pFileList->GetCurSel());
        break;
    case Command::RemoveAll:
        if (m_pFileList)
            m_pFileList->clear();
        break;
    case Command::Up:
        if (m_pFileList)
            m_pFileList->MoveUp();
        break;
    case Command::Down:
        if (m_pFileList)
            m_pFileList->MoveDown();
        break;
    case Command::VideoSetting:
    case Command::AudioSetting:
    case Command::About:
    case Command::Slider2:
        ShowFileList(false);
        break;
    case Command::Slider:
        ShowFileList(true);
        break;
    case Command::Support:
        m_desktop.shellOpen(QStringLiteral("mailto:") + kSupportAddress);
        break;
    case Command::ConvertWindow:
        if (m_showListTimer == 0)
            m_showListTimer = m_timers->setTimer(TIMER_SHOWLIST, 100);
        Finish();
        break;
    case Command::OtherDirectory:
        m_sameDirectory = false;
        m_outputPath = m_flash->GetVariable(QStringLiteral("_root.path"));
        break;
    case Command::SameDirectory:
        m_sameDirectory = true;
        break;
    case Command::ConvertTo:
        OnFormatChosen(args);
        break;
    case Command::Container:
        OnContainerChosen(args);
        break;
    case Command::VideoCodec:
        m_videoCodec = args;
        break;
    case Command::VideoBitrate:
        m_videoBitrate = args;
        break;
    case Command::VideoScale:
        m_scale = args;
        break;
    case Command::AudioCodec:
        m_audioCodec = args;
        break;
    case Command::AudioBitrate:
        m_audioBitrate = args;
        break;
    case Command::AudioChannel:
        m_channels = args;
        break;
    case Command::Convert:
        m_fileCount = m_pFileList ? m_pFileList->count() : 0;
        ConvertNext();
        break;
    case Command::Cancel:
        OnCancel();
        break;
    }
}

void CMainDlg::OnFormatChosen(const QString &format)
{
    m_format = format;
    LoadPresetList(QStringLiteral("_root.containerStr"), format, QStringLiteral("muxer"),
                   &m_containers);
    LoadPresetList(QStringLiteral("_root.videoCodecStr"), m_containers.at(0),
                   QStringLiteral("VC"), &m_videoCodecs);
    LoadPresetList(QStringLiteral("_root.audioCodecStr"), m_containers.at(0),
                   QStringLiteral("AC"), &m_audioCodecs);
    m_container = m_containers.at(0);
    m_videoCodec = m_videoCodecs.at(0);
    m_audioCodec = m_audioCodecs.at(0);
}

void CMainDlg::OnContainerChosen(const QString &container)
{
    m_container = container;
    LoadPresetList(QStringLiteral("_root.videoCodecStr"), container, QStringLiteral("VC"),
                   &m_videoCodecs);
    LoadPresetList(QStringLiteral("_root.audioCodecStr"), container, QStringLiteral("AC"),
                   &m_audioCodecs);
    m_videoCodec = m_videoCodecs.at(0);
    m_audioCodec = m_audioCodecs.at(0);
}

void CMainDlg::OnBrowse()
{
    QString chosen;
    if (BrowseForFolder(chosen, QStringLiteral("Select a Destintion Folder."), nullptr) == 1) {
        m_flash->SetVariable(QStringLiteral("_root.path"), chosen);
        m_outputPath = chosen;
    }
}

int CMainDlg::BrowseForFolder(QString &path, const QString &title, QWidget *owner)
{
    const std::optional<QString> folder = m_desktop.browseForFolder(owner, title);
    if (!folder || folder->isEmpty())
        return 0;
    path = *folder;
    return 1;
}

void CMainDlg::OnAddFiles()
{
    const QStringList chosen = m_desktop.openFileNames(this, kFileFilter);
    for (const QString &path : chosen) {
        QDir::setCurrent(QFileInfo(path).absolutePath());
        if (!path.isEmpty() && m_pFileList)
            m_pFileList->AddPath(path);
    }
}

void CMainDlg::OnCancel()
{
    m_playerHost.stop();
    KillProgressTimer();
    if (m_convertedCount >= 1) {
        const QString text =
            QStringLiteral("Conversion Complete, Total Converted files :%1").arg(m_convertedCount);
        m_flash->SetVariable(QStringLiteral("_root.convertOutput"), text);
        m_flash->SetVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
        m_desktop.messageBox(this, text, QStringLiteral("Tarnwick"), Desktop::Ok);
    }
    Finish();
}
