// The batch as the user sees it: its questions asked with boxes and the save
// dialog, its course shown in the movie and on the desktop.

#include <utility>

#include <QFileInfo>

#include "app/session.h"
#include "convert/batch.h"
#include "convert/batchglance.h"
#include "convert/batchplan.h"
#include "convert/jobcount.h"
#include "filelist/filelist.h"
#include "platform/desktop.h"
#include "platform/filemanager.h"
#include "platform/sessionservices.h"
#include "settings/conversionchoice.h"
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
    Batch &batch = this->batch();
    const QString yes = QStringLiteral("true");

    connect(&batch, &Batch::refused, this, [this](const QString &message) {
        m_desktop.messageBox(this, message, QStringLiteral("Tarnwick"), Desktop::Ok);
    });
    connect(&batch, &Batch::started, this, [this] { m_desktop.session().holdSleep(); });
    connect(&m_desktop.session(), &SessionServices::openFolderRequested, this,
            [this](const QString &folder) { m_desktop.shellOpen(folder); });
    connect(&batch, &Batch::started, this, [this, yes] {
        set(MovieVariable::DisablerAllBtns, yes);
        set(MovieVariable::DisableConvert, yes);
        set(MovieVariable::EnableStop, yes);
        if (m_fileList)
            m_fileList->m_deleteKeyEnabled = false;
    });
    connect(&batch, &Batch::fileStarted, this, &MainWindow::showFileInHand);
    connect(&batch, &Batch::jobStarting, this, [this, yes] { set(MovieVariable::ShowProgress, yes); });
    // At each poll that sees progress, the bar shows the file the status
    // line names; with one file at a time, the one whose progress it is.
    connect(&batch, &Batch::progressChanged, this, [this] {
        const JobQueue::Entry *shown = m_session.queue().find(m_shownFile);
        if (!shown || shown->state != JobQueue::State::Converting)
            return;
        m_shownPercent = shown->percent;
        set(MovieVariable::ProgressValue, QString::number(shown->percent));
    });
    connect(&batch, &Batch::handOverFailed, this, [this](const QString &, int code) {
        m_desktop.messageBox(this, QStringLiteral("Error Ocurrs %1").arg(code),
                             QStringLiteral("Error"), Desktop::Ok);
        set(MovieVariable::ProgressValue, QStringLiteral("0"));
    });
    connect(&batch, &Batch::givenUp, this, [this](const QString &input) {
        // Noted in the list only: the batch was left to run unattended.
        if (m_session.preferences().onFailure() == QLatin1String("note"))
            return;
        m_desktop.messageBox(this, QStringLiteral("Unable to Convert File:%1 ").arg(input),
                             QStringLiteral("Error conversion"), Desktop::Ok);
    });
    connect(&batch, &Batch::deleteFailed, this, [this](const QString &path) {
        m_desktop.messageBox(this, QStringLiteral("Cant Delete file") + path,
                             QStringLiteral("Error"), Desktop::Ok);
    });
    connect(&batch, &Batch::completed, this, &MainWindow::showCompletion);
    connect(&batch, &Batch::finished, this, &MainWindow::showFinished);
    m_fileManager = new FileManager(this);
    connect(m_fileList, &FileList::outputActivated, this, &MainWindow::showOutput);
    connectBatchGlance();
}

QString MainWindow::readTrackChecks()
{
    const bool audio = !isFalse(m_variables->get(MovieVariable::AudioCheck));
    const bool video = !isFalse(m_variables->get(MovieVariable::VideoCheck));
    m_session.setTracks({video, audio});
    if (!audio && !video)
        return QStringLiteral("There is nothing to convert: tick Video or Audio.");
    const ConversionSettings &s = m_session.choice().settings();
    const QLatin1String none("none");
    if (!audio && s.videoCodec == none)
        return QStringLiteral("The format %1 cannot hold video alone: tick Audio, or choose "
                              "another format.")
            .arg(s.format);
    if (!video && s.audioCodec == none)
        return QStringLiteral("The format %1 cannot hold audio alone: tick Video, or choose "
                              "another format.")
            .arg(s.format);
    return {};
}

// Once per change of the queue, not once per file.
void MainWindow::showTaskbarProgress()
{
    if (!batch().isRunning())
        return;
    const JobQueue &queue = m_session.queue();
    const JobQueue::BatchCounts &counts = queue.batchCounts();
    if (counts.total == 0)
        return;
    int percent = 0;
    for (const JobQueue::Id id : batch().inHand())
        if (const JobQueue::Entry *e = queue.find(id))
            percent += e->percent;
    const int done = counts.done();
    const int total = counts.total;
    // The taskbar hears only of changes.
    const std::pair<int, int> shown{(done * 100 + percent) * 1000 / total, total - done};
    if (shown == m_taskbarShown)
        return;
    m_taskbarShown = shown;
    m_desktop.session().showProgress((done + percent / 100.0) / total, total - done);
}

// The output folder, or beside the sources the folder of the first file
// converted.
QString MainWindow::outputsFolder() const
{
    const JobQueue &queue = m_session.queue();
    QString folder = m_session.sameDirectory() ? QString() : m_session.outputFolder();
    for (int r = 0; folder.isEmpty() && r < queue.size(); ++r)
        if (queue.at(r).state == JobQueue::State::Converted)
            folder = QFileInfo(queue.at(r).output).absolutePath();
    return folder.isEmpty() ? m_session.outputFolder() : folder;
}

void MainWindow::notifyCompletion(bool stopped)
{
    if (isActiveWindow())
        return;
    const JobQueue &queue = m_session.queue();
    const QString folder = outputsFolder();
    m_desktop.session().notify(
        stopped ? QStringLiteral("Conversion stopped") : QStringLiteral("Conversion complete"),
        QStringLiteral("Converted: %1, failed: %2")
            .arg(queue.count(JobQueue::State::Converted))
            .arg(queue.count(JobQueue::State::Failed)),
        folder);
}

bool MainWindow::bothTracksChecked()
{
    const bool audio = isTrue(m_variables->get(MovieVariable::AudioCheck));
    const bool video = isTrue(m_variables->get(MovieVariable::VideoCheck));
    return audio && video;
}

bool MainWindow::mayOverwrite(const QString &output)
{
    return m_desktop.messageBox(
               this, QStringLiteral("File Name:%1 Already Exist overwrite [Yes/No]").arg(output),
               QStringLiteral("File Already Exist"), Desktop::YesNo) != Desktop::IdNo;
}

bool MainWindow::mayQuit()
{
    if (!batch().isRunning())
        return true;
    // A second close while the box is open is answered by the box.
    if (std::exchange(m_askingToQuit, true))
        return false;
    const int answer = m_desktop.messageBox(
        this, QStringLiteral("Files are still converting. Stop them and quit?"),
        QStringLiteral("Tarnwick"), Desktop::YesNo);
    m_askingToQuit = false;
    return answer == Desktop::IdYes;
}

std::optional<QString> MainWindow::otherOutputName(const QString &input, const QString &output,
                                                   bool bothTracks)
{
    const QString format = m_session.choice().settings().format;
    const QString filter =
        QStringLiteral("%1 (*%2)|*%2||")
            .arg(bothTracks ? QStringLiteral("All Supported Types")
                            : QStringLiteral("All Ipod Supported Types"),
                 format);
    const QString initial = bothTracks ? output : alternativeOutputName(input);
    return m_desktop.saveFileName(this, format, filter, initial);
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
    set(MovieVariable::ConvertOutput, text);
    set(MovieVariable::ProgressValue, QStringLiteral("100"));
    // Behind the box the card already sums the batch up.
    setTitle(QStringLiteral("Tarnwick"));
    set(MovieVariable::BatchOver, QStringLiteral("true"));
    showSummary();
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
    set(MovieVariable::DisableStop, yes);
    set(MovieVariable::EnableConvert, yes);
    set(MovieVariable::ProgressValue, QStringLiteral("0"));
    set(MovieVariable::EnablerAllBtns, yes);
    set(MovieVariable::HideProgress, yes);
    set(MovieVariable::ConvertOutput, QString());
    if (m_fileList)
        m_fileList->m_deleteKeyEnabled = true;
}

void MainWindow::showBatchChoices(bool evenIfSame)
{
    const UserPreferences &preferences = m_session.preferences();
    m_variables->set(MovieVariable::OnExisting, preferences.onExisting(), evenIfSame);
    m_variables->set(MovieVariable::OnFailure, preferences.onFailure(), evenIfSame);
    m_variables->set(MovieVariable::Stall, QString::number(preferences.stallSeconds()), evenIfSame);
    m_variables->set(MovieVariable::Jobs, preferences.jobs(), evenIfSame);
}

// A running batch takes the jobs and the stall time at its next file.
void MainWindow::applyBatchChoices()
{
    const UserPreferences &preferences = m_session.preferences();
    batch().setMaxJobs(jobCountFor(preferences.jobs(), m_session.choice().settings().videoCodec));
    batch().setStallTimeout(preferences.stallSeconds());
    m_session.setExistingOutput(
        existingOutputFromName(preferences.onExisting()).value_or(ExistingOutput::Ask));
}

void MainWindow::chooseBatchOption(const QString &value,
                                   bool (UserPreferences::*set)(const QString &))
{
    if ((m_session.preferences().*set)(value)) {
        applyBatchChoices();
        return;
    }
    // Refused: the movie goes back to the choice in force.
    showBatchChoices(true);
}

// The file manager selects the output; without one, its folder opens.
void MainWindow::showOutput(const QString &output)
{
    m_fileManager->showItem(output, [this, folder = QFileInfo(output).absolutePath()] {
        m_desktop.shellOpen(folder);
    });
}

void MainWindow::showFileInHand(JobQueue::Id id, const QString &input, int converted)
{
    m_shownFile = id;
    m_shownPercent = -1;
    set(MovieVariable::ConvertOutput,
        QStringLiteral("Converting %1...%2, Total Converted files:%3")
            .arg(input.left(3), input.mid(input.lastIndexOf(QLatin1Char('/'))))
            .arg(converted));
}

// With several files at once: once the file the status line names is
// through, it names one still converting, and the bar follows that file.
void MainWindow::followFileInHand()
{
    const JobQueue &queue = m_session.queue();
    const JobQueue::Entry *shown = queue.find(m_shownFile);
    if (!shown || JobQueue::isDone(shown->state)) {
        for (const JobQueue::Id id : batch().inHand()) {
            const JobQueue::Entry *e = queue.find(id);
            if (id != m_shownFile && e && e->state == JobQueue::State::Converting) {
                showFileInHand(id, e->path, batch().convertedCount());
                shown = e;
                break;
            }
        }
    }
    // A file the batch's own progress report already showed is left alone.
    if (shown && shown->id == m_shownFile && shown->state == JobQueue::State::Converting &&
        shown->percent > 0 && shown->percent != m_shownPercent) {
        m_shownPercent = shown->percent;
        set(MovieVariable::ProgressValue, QString::number(shown->percent));
    }
}

// Connected after the designed display, so its variables follow the
// designed ones of each step.
void MainWindow::connectBatchGlance()
{
    Batch &batch = this->batch();
    connect(&batch, &Batch::started, this, [this] {
        if (m_glanceRunning)
            return; // a restart of the first file
        m_glanceRunning = true;
        m_batchClock.start();
        m_fileClocks.clear();
        set(MovieVariable::Summary, QString());
        set(MovieVariable::FailedCount, QStringLiteral("0"));
        set(MovieVariable::OpenFolder, QString());
        set(MovieVariable::BatchOver, QStringLiteral("false"));
        showBatchGlance();
    });
    connect(&batch, &Batch::fileStarted, this,
            [this](JobQueue::Id id) { m_fileClocks[id].start(); });
    connect(&batch, &Batch::progressChanged, this, &MainWindow::showBatchGlance);
    connect(&m_session.queue(), &JobQueue::changed, this, [this] {
        if (this->batch().isRunning()) {
            followFileInHand();
            showBatchGlance();
            showTaskbarProgress();
        } else if (!m_glanceRunning) {
            showPlan();
            showSummary();
        }
    });
    connect(&batch, &Batch::finished, this, [this] {
        setTitle(QStringLiteral("Tarnwick"));
        if (!std::exchange(m_glanceRunning, false))
            return; // a Stop with no batch
        set(MovieVariable::BatchOver, QStringLiteral("true"));
        showSummary();
        showPlan();
    });
}

void MainWindow::showBatchGlance()
{
    if (!m_glanceRunning)
        return;
    const QList<JobQueue::Id> inHand = batch().inHand();
    const BatchGlance glance(m_session.queue(), inHand);

    // What is left of each file in hand, and of the one the bar shows.
    QList<qint64> filesLeft;
    QString fileLeft;
    for (const JobQueue::Id id : inHand) {
        const JobQueue::Entry *e = m_session.queue().find(id);
        const auto clock = m_fileClocks.constFind(id);
        if (!e || e->state != JobQueue::State::Converting || clock == m_fileClocks.cend())
            continue;
        const qint64 seconds = BatchGlance::secondsLeft(e->percent / 100.0, clock->elapsed());
        filesLeft << seconds;
        if (id == m_shownFile && seconds >= 0)
            fileLeft = QStringLiteral("about %1 left").arg(BatchGlance::clock(seconds));
    }
    const qint64 left = BatchGlance::batchSecondsLeft(
        BatchGlance::secondsLeft(glance.progress(), m_batchClock.elapsed()), filesLeft);
    QString status = QStringLiteral("%1 of %2 files · %3 elapsed")
                         .arg(glance.done())
                         .arg(glance.total())
                         .arg(BatchGlance::clock(m_batchClock.elapsed() / 1000));
    if (left >= 0)
        status += QStringLiteral(" · about %1 left").arg(BatchGlance::clock(left));
    const int percent = qRound(glance.progress() * 100);
    set(MovieVariable::BatchProgress, QString::number(percent));
    set(MovieVariable::BatchStatus, status);
    set(MovieVariable::FileTimeLeft, fileLeft);
    setTitle(QStringLiteral("%1 % · Tarnwick").arg(percent));
}

void MainWindow::setTitle(const QString &title)
{
    setWindowTitle(title);
    set(MovieVariable::WindowTitle, title);
}

// Not during a batch: the card shows the batch then.
void MainWindow::showPlan()
{
    if (m_glanceRunning || !m_variables)
        return;
    const JobQueue &queue = m_session.queue();
    const FileSettings settings = m_session.fileSettings();
    set(MovieVariable::ReadyText, batchplan::readyLine(queue.size()));
    set(MovieVariable::OutputPlan,
        queue.size() == 0 ? QString()
                          : batchplan::outputLine(settings,
                                                  batchplan::estimatedBytes(queue, settings)));
}

// Of the whole list as it stands: files removed after the batch leave it.
void MainWindow::showSummary()
{
    const JobQueue &queue = m_session.queue();
    set(MovieVariable::Summary, BatchGlance::summary(queue));
    set(MovieVariable::FailedCount, QString::number(queue.count(JobQueue::State::Failed)));
    set(MovieVariable::OpenFolder,
        queue.count(JobQueue::State::Converted) > 0 ? outputsFolder() : QString());
}

// The files that failed are converted again; the rest keep what they show.
void MainWindow::retryFailed()
{
    if (batch().isRunning())
        return;
    applyBatchChoices();
    m_session.retryFailed();
}
