// The movie's commands: one table, matched whole and without regard to case.

#include <array>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QWindow>

#include "convert/settingscheck.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/filefilter.h"
#include "platform/windowtimers.h"
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
    OnExisting, OnFailure, Stall, Jobs, StopAfter, RetryFailed, Maximize,
};

struct Entry
{
    const char *text;
    Command command;
};

constexpr std::array<Entry, 37> kCommands{{
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
        m_batch->abandon();
        break;
    case Command::OtherDirectory: {
        m_sameDirectory = false;
        // An empty field keeps the folder in use; the field shows where
        // files go.
        const QString typed = m_movie->getVariable(QStringLiteral("_root.path"));
        const QString folder = absoluteOutputFolder(typed, QDir::homePath());
        if (!folder.isEmpty())
            m_outputPath = folder;
        if (m_outputPath != typed)
            m_movie->setVariable(QStringLiteral("_root.path"), m_outputPath);
        break;
    }
    case Command::SameDirectory:
        m_sameDirectory = true;
        break;
    case Command::ConvertTo:
        if (settingscheck::isName(args))
            chooseFormat(args);
        break;
    case Command::Container:
        if (settingscheck::isName(args))
            chooseContainer(args);
        break;
    case Command::VideoCodec:
        setChecked(&m_videoCodec, args, settingscheck::isName);
        break;
    case Command::VideoBitrate:
        setChecked(&m_videoBitrate, args, settingscheck::isBitrate);
        break;
    case Command::VideoScale:
        setChecked(&m_scale, args, settingscheck::isScale);
        break;
    case Command::AudioCodec:
        setChecked(&m_audioCodec, args, settingscheck::isName);
        break;
    case Command::AudioBitrate:
        setChecked(&m_audioBitrate, args, settingscheck::isBitrate);
        break;
    case Command::AudioChannel:
        setChecked(&m_channels, args, settingscheck::isChannels);
        break;
    case Command::Convert:
        if (m_fileList && m_fileList->count() > 0 && !m_batch->isRunning()) {
            if (const QString refusal = readTrackChecks(); !refusal.isEmpty()) {
                m_desktop.messageBox(this, refusal, QStringLiteral("Tarnwick"), Desktop::Ok);
                break;
            }
            applyBatchChoices();
            m_batch->start(m_fileList->paths());
        }
        break;
    case Command::KeepDates:
        m_preferences.setKeepDates(!isFalseText(args));
        m_movie->setVariable(QStringLiteral("_root.keepDates"),
                             m_preferences.keepDates() ? QStringLiteral("true")
                                                       : QStringLiteral("false"));
        break;
    case Command::Cancel:
        m_batch->stop();
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
        if (m_batch->isRunning())
            m_batch->stopAfterCurrent();
        break;
    case Command::RetryFailed:
        retryFailed();
        break;
    case Command::Maximize:
        toggleMaximised();
        break;
    }
}

void MainWindow::chooseFormat(const QString &format)
{
    m_format = format;
    loadPresetList(QStringLiteral("_root.containerStr"), format, QStringLiteral("muxer"),
                   &m_containers);
    loadPresetList(QStringLiteral("_root.videoCodecStr"), m_containers.at(0),
                   QStringLiteral("VC"), &m_videoCodecs);
    loadPresetList(QStringLiteral("_root.audioCodecStr"), m_containers.at(0),
                   QStringLiteral("AC"), &m_audioCodecs);
    m_container = m_containers.at(0);
    m_videoCodec = m_videoCodecs.at(0);
    m_audioCodec = m_audioCodecs.at(0);
}

void MainWindow::chooseContainer(const QString &container)
{
    m_container = container;
    loadPresetList(QStringLiteral("_root.videoCodecStr"), container, QStringLiteral("VC"),
                   &m_videoCodecs);
    loadPresetList(QStringLiteral("_root.audioCodecStr"), container, QStringLiteral("AC"),
                   &m_audioCodecs);
    m_videoCodec = m_videoCodecs.at(0);
    m_audioCodec = m_audioCodecs.at(0);
}

void MainWindow::browse()
{
    QString chosen;
    if (chooseFolder(chosen, QStringLiteral("Select a Destintion Folder."), nullptr) == 1) {
        m_movie->setVariable(QStringLiteral("_root.path"), chosen);
        m_outputPath = chosen;
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
        if (!path.isEmpty() && m_fileList && m_fileList->addPath(path))
            added << path;
    }
    // Files added while a batch runs join its queue.
    m_batch->append(added);
    const QSet<QString> joined(added.cbegin(), added.cend());
    for (int i = 0; m_batch->isRunning() && i < m_batch->results().size(); ++i)
        if (joined.contains(m_batch->results().at(i).input))
            showFileState(i);
}

QStringList MainWindow::addPaths(const QStringList &paths)
{
    QStringList added;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        const QStringList files =
            info.isDir() ? videoFilesIn(path) : QStringList{QDir::cleanPath(info.absoluteFilePath())};
        for (const QString &file : files)
            if (m_fileList && m_fileList->addPath(file))
                added << file;
    }
    m_batch->append(added);
    return added;
}

// The files under folder, at any depth, of the types Add offers first and
// of every format the catalogue produces.
QStringList MainWindow::videoFilesIn(const QString &folder) const
{
    QStringList extensions = firstGroupExtensions(kFileFilter);
    for (const QString &format : m_formats)
        if (format.size() > 1)
            extensions << format.mid(1).toLower();
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (extensions.contains(it.fileInfo().suffix().toLower()))
            files << QDir::cleanPath(file);
    }
    files.sort();
    return files;
}

void MainWindow::removeFromList(bool all)
{
    if (!m_fileList || (!all && m_fileList->focusedRow() == -1))
        return;
    QStringList removed;
    if (all) {
        removed = m_fileList->paths();
        m_fileList->clear();
    } else {
        for (const QListWidgetItem *item : m_fileList->selectedItems())
            removed << item->text();
        m_fileList->removeSelected(m_fileList->focusedRow());
    }
    m_batch->remove(removed);
}

// A value the engine could misread is refused; the previous one stays.
void MainWindow::setChecked(QString *setting, const QString &value,
                           bool (*valid)(const QString &))
{
    if (valid(value))
        *setting = value;
}
