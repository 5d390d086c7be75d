// The batch as the user sees it: its questions asked with boxes and the save
// dialog, its course shown in the movie and on the desktop.

#include <QFileInfo>

#include <utility>

#include <QFileInfo>

#include "convert/batch.h"
#include "convert/batchglance.h"
#include "convert/jobcount.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/sessionservices.h"
#include "platform/filemanager.h"
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
        // Noted in the list only: the batch was left to run unattended.
        if (m_preferences.onFailure() == QLatin1String("note"))
            return;
        m_desktop.messageBox(this, QStringLiteral("Unable to Convert File:%1 ").arg(input),
                             QStringLiteral("Error conversion"), Desktop::Ok);
    });
    connect(m_batch, &Batch::deleteFailed, this, [this](const QString &path) {
        m_desktop.messageBox(this, QStringLiteral("Cant Delete file") + path,
                             QStringLiteral("Error"), Desktop::Ok);
    });
    connect(m_batch, &Batch::completed, this, &MainWindow::showCompletion);
    connect(m_batch, &Batch::finished, this, &MainWindow::showFinished);
    connectFileStates();
    connectBatchGlance();
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
    const QString choice = m_preferences.onExisting();
    if (choice == QLatin1String("overwrite"))
        return true;
    if (choice != QLatin1String("ask"))
        return false; // keep both or skip: otherOutputName says which
    return m_desktop.messageBox(
               this, QStringLiteral("File Name:%1 Already Exist overwrite [Yes/No]").arg(output),
               QStringLiteral("File Already Exist"), Desktop::YesNo) != Desktop::IdNo;
}

std::optional<QString> MainWindow::otherOutputName(const QString &input, const QString &output,
                                                   bool bothTracks)
{
    const QString choice = m_preferences.onExisting();
    if (choice == QLatin1String("skip"))
        return std::nullopt;
    if (choice == QLatin1String("keepboth")) {
        for (int number = 2;; ++number) {
            const QString free = numberedOutputName(output, number);
            if (!QFileInfo::exists(free) && free != input)
                return free;
        }
    }
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

void MainWindow::showBatchChoices()
{
    m_movie->setVariable(QStringLiteral("_root.onExisting"), m_preferences.onExisting());
    m_movie->setVariable(QStringLiteral("_root.onFailure"), m_preferences.onFailure());
    m_movie->setVariable(QStringLiteral("_root.stall"),
                         QString::number(m_preferences.stallSeconds()));
    m_movie->setVariable(QStringLiteral("_root.jobs"), m_preferences.jobs());
}

// A running batch takes the jobs and the stall time at its next file.
void MainWindow::applyBatchChoices()
{
    m_batch->setMaxJobs(jobCountFor(m_preferences.jobs()));
    m_batch->setStallTimeout(m_preferences.stallSeconds());
}

void MainWindow::chooseBatchOption(const QString &value,
                                   bool (UserPreferences::*set)(const QString &))
{
    if ((m_preferences.*set)(value)) {
        applyBatchChoices();
        return;
    }
    // Refused: the movie goes back to the choice in force.
    showBatchChoices();
}

void MainWindow::connectFileStates()
{
    m_fileManager = new FileManager(this);
    connect(m_batch, &Batch::fileChanged, this, &MainWindow::showFileState);
    // A batch starts with every file waiting; files of the list it did not
    // take (a retry of the failed ones) keep what they show.
    connect(m_batch, &Batch::started, this, [this] {
        for (int i = 0; i < m_batch->results().size(); ++i)
            showFileState(i);
    });
    connect(m_fileList, &FileList::outputActivated, this, &MainWindow::showOutput);
}

void MainWindow::showFileState(int index)
{
    if (!m_fileList || index < 0 || index >= m_batch->results().size())
        return;
    const FileResult &result = m_batch->results().at(index);
    const auto state = [&] {
        switch (result.state) {
        case FileResult::State::Waiting: return FileList::EntryState::Waiting;
        case FileResult::State::Converting: return FileList::EntryState::Converting;
        case FileResult::State::Converted: return FileList::EntryState::Converted;
        case FileResult::State::Failed: return FileList::EntryState::Failed;
        case FileResult::State::Skipped: return FileList::EntryState::Skipped;
        }
        return FileList::EntryState::None;
    }();
    m_fileList->setEntryState(result.input, state, result.percent, result.output, result.reason);
}

// The file manager selects the output; without one, its folder opens.
void MainWindow::showOutput(const QString &output)
{
    m_fileManager->showItem(output, [this, folder = QFileInfo(output).absolutePath()] {
        m_desktop.shellOpen(folder);
    });
}

// Connected after the designed display, so its variables follow the
// designed ones of each step.
void MainWindow::connectBatchGlance()
{
    connect(m_batch, &Batch::started, this, [this] {
        if (m_glanceRunning)
            return; // a restart of the first file
        m_glanceRunning = true;
        m_batchClock.start();
        m_fileClocks.clear();
        showGlanceVariable(QStringLiteral("_root.summary"), QString());
        showGlanceVariable(QStringLiteral("_root.failedCount"), QStringLiteral("0"));
        showBatchGlance();
    });
    connect(m_batch, &Batch::fileStarted, this,
            [this](const QString &input) { m_fileClocks[input].start(); });
    connect(m_batch, &Batch::progressChanged, this, &MainWindow::showBatchGlance);
    connect(m_batch, &Batch::fileChanged, this, &MainWindow::showBatchGlance);
    connect(m_batch, &Batch::finished, this, [this] {
        if (!std::exchange(m_glanceRunning, false))
            return; // a Stop with no batch

        const BatchGlance glance(m_batch->results());
        showGlanceVariable(QStringLiteral("_root.summary"), glance.summary());
        showGlanceVariable(QStringLiteral("_root.failedCount"), QString::number(glance.failed()));
    });
}

void MainWindow::showBatchGlance()
{
    if (!m_glanceRunning)
        return;
    const QList<FileResult> &results = m_batch->results();
    const BatchGlance glance(results);
    const qint64 left = BatchGlance::secondsLeft(glance.progress(), m_batchClock.elapsed());
    QString status = QStringLiteral("%1 of %2 files · %3 elapsed")
                         .arg(glance.done())
                         .arg(glance.total())
                         .arg(BatchGlance::clock(m_batchClock.elapsed() / 1000));
    if (left >= 0)
        status += QStringLiteral(" · about %1 left").arg(BatchGlance::clock(left));
    showGlanceVariable(QStringLiteral("_root.batchProgress"),
                       QString::number(qRound(glance.progress() * 100)));
    showGlanceVariable(QStringLiteral("_root.batchStatus"), status);

    // The file whose progress the movie shows: the oldest in hand.
    QString fileLeft;
    for (const FileResult &r : results) {
        if (r.state != FileResult::State::Converting)
            continue;
        const auto clock = m_fileClocks.constFind(r.input);
        const qint64 seconds = clock == m_fileClocks.cend()
                                   ? -1
                                   : BatchGlance::secondsLeft(r.percent / 100.0, clock->elapsed());
        if (seconds >= 0)
            fileLeft = QStringLiteral("about %1 left").arg(BatchGlance::clock(seconds));
        break;
    }
    showGlanceVariable(QStringLiteral("_root.fileTimeLeft"), fileLeft);
}

// Written only when changed: the poll would repeat them every second.
void MainWindow::showGlanceVariable(const QString &name, const QString &value)
{
    const auto shown = m_glanceShown.constFind(name);
    if (shown != m_glanceShown.cend() && *shown == value)
        return;
    m_glanceShown.insert(name, value);
    m_movie->setVariable(name, value);
}

// The files that failed in the last batch and are still in the list.
void MainWindow::retryFailed()
{
    if (m_batch->isRunning() || !m_fileList)
        return;
    QStringList failed;
    for (const FileResult &r : m_batch->results())
        if (r.state == FileResult::State::Failed && m_fileList->findExact(r.input) >= 0)
            failed << r.input;
    if (failed.isEmpty())
        return;
    applyBatchChoices();
    m_batch->start(failed);
}
