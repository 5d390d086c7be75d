// The batch as the user sees it: its questions asked with boxes and the save
// dialog, its course shown in the movie and on the desktop.

#include <QFileInfo>

#include "convert/batch.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/sessionservices.h"
#include "ui/mainwindow.h"

namespace {

bool isTrue(const QString &value)
{
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// Only an explicit "false" unticks: a movie that does not answer converts both.
bool isFalse(const QString &value)
{
    return value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

} // namespace

void MainWindow::connectBatch()
{
    const auto set = [this](const char *name, const QString &value) {
        m_movie->setVariable(QLatin1String(name), value);
    };
    const QString yes = QStringLiteral("true");

    connect(m_batch, &Batch::refused, this, [this](const QString &message) {
        m_desktop.messageBox(this, message, QStringLiteral("Tarnwick"), Desktop::Ok);
    });
    connect(m_batch, &Batch::started, this, [this] { m_desktop.session().holdSleep(); });
    connect(m_batch, &Batch::fileChanged, this, &MainWindow::showTaskbarProgress);
    connect(&m_desktop.session(), &SessionServices::openFolderRequested, this,
            [this](const QString &folder) { m_desktop.shellOpen(folder); });
    connect(m_batch, &Batch::started, this, [this, set, yes] {
        set("_root.disablerAllBtns", yes);
        set("_root.disableConvert", yes);
        set("_root.enableStop", yes);
        if (m_fileList)
            m_fileList->m_deleteKeyEnabled = false;
    });
    connect(m_batch, &Batch::fileStarted, this, [set](const QString &input, int converted) {
        set("_root.convertOutput",
            QStringLiteral("Converting %1...%2, Total Converted files:%3")
                .arg(input.left(3), input.mid(input.lastIndexOf(QLatin1Char('/'))))
                .arg(converted));
    });
    connect(m_batch, &Batch::jobStarting, this, [set, yes] { set("_root.showProgress", yes); });
    connect(m_batch, &Batch::progressChanged, this,
            [set](int percent) { set("_root.progressValue", QString::number(percent)); });
    connect(m_batch, &Batch::handOverFailed, this, [this, set](const QString &, int code) {
        m_desktop.messageBox(this, QStringLiteral("Error Ocurrs %1").arg(code),
                             QStringLiteral("Error"), Desktop::Ok);
        set("_root.progressValue", QStringLiteral("0"));
    });
    connect(m_batch, &Batch::givenUp, this, [this](const QString &input) {
        m_desktop.messageBox(this, QStringLiteral("Unable to Convert File:%1 ").arg(input),
                             QStringLiteral("Error conversion"), Desktop::Ok);
    });
    connect(m_batch, &Batch::deleteFailed, this, [this](const QString &path) {
        m_desktop.messageBox(this, QStringLiteral("Cant Delete file") + path,
                             QStringLiteral("Error"), Desktop::Ok);
    });
    connect(m_batch, &Batch::completed, this, &MainWindow::showCompletion);
    connect(m_batch, &Batch::finished, this, &MainWindow::showFinished);
}

FileSettings MainWindow::settingsForNextFile()
{
    FileSettings settings;
    settings.conversion = {m_format,     m_container,  m_videoCodec,   m_videoBitrate,
                           m_scale,      m_audioCodec, m_audioBitrate, m_channels};
    settings.sameDirectory = m_sameDirectory;
    settings.outputFolder = m_outputPath;
    settings.tracks = {m_keepVideo, m_keepAudio};
    settings.keepDates = m_preferences.keepDates();
    return settings;
}

QString MainWindow::readTrackChecks()
{
    m_keepAudio = !isFalse(m_movie->getVariable(QStringLiteral("_root.audioCheck")));
    m_keepVideo = !isFalse(m_movie->getVariable(QStringLiteral("_root.videoCheck")));
    if (!m_keepAudio && !m_keepVideo)
        return QStringLiteral("There is nothing to convert: tick Video or Audio.");
    const QLatin1String none("none");
    if (!m_keepAudio && m_videoCodec == none)
        return QStringLiteral("The format %1 cannot hold video alone: tick Audio, or choose "
                              "another format.")
            .arg(m_format);
    if (!m_keepVideo && m_audioCodec == none)
        return QStringLiteral("The format %1 cannot hold audio alone: tick Video, or choose "
                              "another format.")
            .arg(m_format);
    return {};
}

void MainWindow::showTaskbarProgress()
{
    const QList<FileResult> &results = m_batch->results();
    if (!m_batch->isRunning() || results.isEmpty())
        return;
    // Several files may be in the engine's hands at once.
    int done = 0;
    int percent = 0;
    for (const FileResult &result : results) {
        if (result.state == FileResult::State::Converting)
            percent += result.percent;
        else if (result.state != FileResult::State::Waiting)
            ++done;
    }
    const int total = int(results.size());
    // The poll reports every second; the taskbar hears only of changes.
    const std::pair<int, int> shown{(done * 100 + percent) * 1000 / total, total - done};
    if (shown == m_taskbarShown)
        return;
    m_taskbarShown = shown;
    m_desktop.session().showProgress((done + percent / 100.0) / total, total - done);
}

void MainWindow::notifyCompletion(bool stopped)
{
    if (isActiveWindow())
        return;
    int converted = 0;
    int failed = 0;
    QString folder = m_sameDirectory ? QString() : m_outputPath;
    for (const FileResult &result : m_batch->results()) {
        if (result.state == FileResult::State::Converted) {
            ++converted;
            if (folder.isEmpty())
                folder = QFileInfo(result.output).absolutePath();
        } else if (result.state == FileResult::State::Failed) {
            ++failed;
        }
    }
    if (folder.isEmpty())
        folder = m_outputPath;
    m_desktop.session().notify(
        stopped ? QStringLiteral("Conversion stopped") : QStringLiteral("Conversion complete"),
        QStringLiteral("Converted: %1, failed: %2").arg(converted).arg(failed), folder);
}

bool MainWindow::bothTracksChecked()
{
    const bool audio = isTrue(m_movie->getVariable(QStringLiteral("_root.audioCheck")));
    const bool video = isTrue(m_movie->getVariable(QStringLiteral("_root.videoCheck")));
    return audio && video;
}

bool MainWindow::mayOverwrite(const QString &output)
{
    return m_desktop.messageBox(
               this, QStringLiteral("File Name:%1 Already Exist overwrite [Yes/No]").arg(output),
               QStringLiteral("File Already Exist"), Desktop::YesNo) != Desktop::IdNo;
}

std::optional<QString> MainWindow::otherOutputName(const QString &input, const QString &output,
                                                   bool bothTracks)
{
    const QString filter =
        QStringLiteral("%1 (*%2)|*%2||")
            .arg(bothTracks ? QStringLiteral("All Supported Types")
                            : QStringLiteral("All Ipod Supported Types"),
                 m_format);
    const QString initial = bothTracks ? output : alternativeOutputName(input);
    return m_desktop.saveFileName(this, m_format, filter, initial);
}

void MainWindow::showCompletion(int converted, bool stopped)
{
    // The machine may sleep and the taskbar is clear while the box waits.
    endDesktopProgress();
    notifyCompletion(stopped);
    if (converted < 1)
        return;
    const QString text =
        (stopped ? QStringLiteral("Conversion Complete, Total Converted files :%1")
                 : QStringLiteral("Conversion Complete, Total Converted files:%1"))
            .arg(converted);
    m_movie->setVariable(QStringLiteral("_root.convertOutput"), text);
    m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
    m_desktop.messageBox(this, text, QStringLiteral("Tarnwick"), Desktop::Ok);
}

void MainWindow::endDesktopProgress()
{
    m_desktop.session().clearProgress();
    m_desktop.session().releaseSleep();
    m_taskbarShown = {-1, -1};
}

void MainWindow::showFinished()
{
    endDesktopProgress();
    const QString yes = QStringLiteral("true");
    m_movie->setVariable(QStringLiteral("_root.disableStop"), yes);
    m_movie->setVariable(QStringLiteral("_root.enableConvert"), yes);
    m_movie->setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    m_movie->setVariable(QStringLiteral("_root.enablerAllBtns"), yes);
    m_movie->setVariable(QStringLiteral("_root.hideProgress"), yes);
    m_movie->setVariable(QStringLiteral("_root.convertOutput"), QString());
    if (m_fileList)
        m_fileList->m_deleteKeyEnabled = true;
}
