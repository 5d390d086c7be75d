// The movie's commands: one table, matched whole and without regard to case.

#include <array>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QWindow>

#include "app/session.h"
#include "convert/nativefile.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/filefilter.h"
#include "platform/windowtimers.h"
#include "settings/conversionchoice.h"
#include "settings/outputfolder.h"
#include "ui/mainwindow.h"

namespace {

const QString kFileFilter = QStringLiteral(
    "All Supported Types (*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;"
    "*.mpge)|*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;*.mpge |"
    "Video Files (*.avi;*.wmv)|*.avi;*.wmv|MPEG Files (*.mpeg;*.mpg;*.m1v;*.mp2)|"
    "*.mpeg;*.mpg;*.m1v;*.mp2|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*||");

bool isFalseText(const QString &text)
{
    return text.trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

const QString kSupportAddress = QStringLiteral("support@tarnwick.example.org");

enum class Command {
    Exit, Mini, Help, Drag, Browse, Add, Remove, RemoveAll, Up, Down, VideoSetting,
    AudioSetting, About, Slider, Slider2, Support, ConvertWindow, OtherDirectory,
    SameDirectory, ConvertTo, Container, VideoCodec, VideoBitrate, VideoScale, AudioCodec,
    AudioBitrate, AudioChannel, Convert, Cancel, KeepDates,
    OnExisting, OnFailure, Stall, Jobs, StopAfter, RetryFailed, Maximize, OpenFolder, Tracks,
};

struct Entry
{
    const char *text;
    Command command;
};

constexpr std::array<Entry, 39> kCommands{{
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
    // Not sent by the shipped movie: "false" stops converted files from
    // taking their source's date, anything else restores it.
    {"IDC_FS_KEEPDATES", Command::KeepDates},
    {"ID-FS-onExisting", Command::OnExisting},
    {"ID-FS-onFailure", Command::OnFailure},
    {"ID-FS-stall", Command::Stall},
    {"ID-FS-jobs", Command::Jobs},
    {"IDC_FS_STOPAFTER", Command::StopAfter},
    {"IDC_FS_RETRYFAILED", Command::RetryFailed},
    {"IDC_FS_MAXIMIZE", Command::Maximize},
    // The summary's "Open folder": where the batch's outputs went.
    {"IDC_FS_OPENFOLDER", Command::OpenFolder},
    // A track check changed: the estimate before Convert follows it.
    {"IDC_FS_TRACKS", Command::Tracks},
}};

} // namespace

void MainWindow::onMovieCommand(const QString &command, const QString &args)
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
        if (mayQuit())
            QDialog::accept();
        break;
    case Command::Mini:
        showMinimized();
        break;
    case Command::Help:
        openHelp();
        break;
    case Command::Drag:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case Command::Browse:
        browse();
        break;
    case Command::Add:
        addFiles();
        break;
    case Command::Remove:
        removeFromList(false);
        break;
    case Command::RemoveAll:
        removeFromList(true);
        break;
    case Command::Up:
        if (m_fileList)
            m_fileList->moveUp();
        break;
    case Command::Down:
        if (m_fileList)
            m_fileList->moveDown();
        break;
    case Command::VideoSetting:
    case Command::AudioSetting:
    case Command::About:
    case Command::Slider2:
        showFileList(false);
        break;
    case Command::Slider:
        showFileList(true);
        break;
    case Command::Support:
        m_desktop.shellOpen(QStringLiteral("mailto:") + kSupportAddress);
        break;
    case Command::ConvertWindow:
        if (m_showListTimer == 0)
            m_showListTimer = m_timers->setTimer(kShowListTimer, 100);
        batch().abandon();
        break;
    case Command::OtherDirectory: {
        // An empty field keeps the folder in use; the field shows where
        // files go.
        const QString typed = m_variables->get(MovieVariable::Path);
        const QString folder = absoluteOutputFolder(typed, QDir::homePath());
        if (!folder.isEmpty())
            m_session.setOutputFolder(folder);
        m_session.setSameDirectory(false);
        if (m_session.outputFolder() != typed)
            set(MovieVariable::Path, m_session.outputFolder());
        break;
    }
    case Command::SameDirectory:
        m_session.setSameDirectory(true);
        break;
    case Command::ConvertTo:
        m_session.choice().chooseFormat(args);
        break;
    case Command::Container:
        m_session.choice().chooseContainer(args);
        break;
    case Command::VideoCodec:
        m_session.choice().setVideoCodec(args);
        break;
    case Command::VideoBitrate:
        m_session.choice().setVideoBitrate(args);
        break;
    case Command::VideoScale:
        m_session.choice().setScale(args);
        break;
    case Command::AudioCodec:
        m_session.choice().setAudioCodec(args);
        break;
    case Command::AudioBitrate:
        m_session.choice().setAudioBitrate(args);
        break;
    case Command::AudioChannel:
        m_session.choice().setChannels(args);
        break;
    case Command::Convert:
        if (m_session.queue().size() > 0 && !batch().isRunning()) {
            if (const QString refusal = readTrackChecks(); !refusal.isEmpty()) {
                m_desktop.messageBox(this, refusal, QStringLiteral("Tarnwick"), Desktop::Ok);
                break;
            }
            applyBatchChoices();
            m_session.convert();
        }
        break;
    case Command::KeepDates: {
        UserPreferences &preferences = m_session.preferences();
        preferences.setKeepDates(!isFalseText(args));
        m_session.setKeepDates(preferences.keepDates());
        set(MovieVariable::KeepDates,
            preferences.keepDates() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    }
    case Command::Cancel:
        batch().stop();
        break;
    case Command::OnExisting:
        chooseBatchOption(args, &UserPreferences::setOnExisting);
        break;
    case Command::OnFailure:
        chooseBatchOption(args, &UserPreferences::setOnFailure);
        break;
    case Command::Stall:
        chooseBatchOption(args, &UserPreferences::setStallSeconds);
        break;
    case Command::Jobs:
        chooseBatchOption(args, &UserPreferences::setJobs);
        break;
    case Command::StopAfter:
        if (batch().isRunning())
            batch().stopAfterCurrent();
        break;
    case Command::RetryFailed:
        retryFailed();
        break;
    case Command::Maximize:
        toggleMaximised();
        break;
    case Command::OpenFolder:
        if (m_session.queue().count(JobQueue::State::Converted) > 0)
            m_desktop.shellOpen(outputsFolder());
        break;
    case Command::Tracks:
        readTrackChecks();
        showPlan();
        break;
    }
}

void MainWindow::browse()
{
    QString chosen;
    if (chooseFolder(chosen, QStringLiteral("Select a Destintion Folder."), nullptr) == 1) {
        set(MovieVariable::Path, chosen);
        m_session.setOutputFolder(chosen);
    }
}

int MainWindow::chooseFolder(QString &path, const QString &title, QWidget *owner)
{
    const std::optional<QString> folder = m_desktop.browseForFolder(owner, title);
    if (!folder || folder->isEmpty())
        return 0;
    path = *folder;
    return 1;
}

void MainWindow::addFiles()
{
    const QStringList chosen = m_desktop.openFileNames(this, kFileFilter);
    QStringList added;
    for (const QString &path : chosen) {
        QDir::setCurrent(QFileInfo(path).absolutePath());
        if (!path.isEmpty())
            added << path;
    }
    // Files added while a batch runs join it.
    m_session.add(added);
}

// Folders bring the video files inside them; relative names are taken from
// this program's folder of work, which a worker thread may not see the same.
void MainWindow::addPaths(const QStringList &paths,
                          std::function<void(const QList<JobQueue::Id> &)> listed)
{
    QStringList files;
    for (const QString &path : paths)
        files << nativefile::absolute(path);
    m_session.add(files, videoExtensions(), std::move(listed));
}

// Of the types Add offers first and of every format the catalogue produces.
QStringList MainWindow::videoExtensions() const
{
    QStringList extensions = firstGroupExtensions(kFileFilter);
    for (const QString &format : m_session.choice().list(ConversionChoice::List::Formats))
        if (format.size() > 1)
            extensions << format.mid(1).toLower();
    return extensions;
}

void MainWindow::removeFromList(bool all)
{
    if (!m_fileList || (!all && m_fileList->focusedRow() == -1))
        return;
    // A file in hand is stopped as it leaves the list; the batch goes on.
    if (all)
        m_session.queue().clear();
    else
        m_fileList->removeSelected(m_fileList->focusedRow());
}
