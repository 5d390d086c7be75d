#include "ui/mainwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMimeData>
#include <QUrl>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QSizeGrip>
#include <QWindow>

#include "app/session.h"
#include "convert/jobcount.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/instancelock.h"
#include "platform/sessionservices.h"
#include "platform/windowtimers.h"
#include "settings/conversionchoice.h"
#include "settings/outputfolder.h"
#include "settings/programfolder.h"
#include "ui/aboutdialog.h"
#include "ui/listtabstop.h"

Q_LOGGING_CATEGORY(lcHandOver, "tarnwick.handover", QtWarningMsg)

namespace {
constexpr int kClientWidth = 656;
constexpr int kClientHeight = 538;
constexpr int kMovieHeight = 536;
} // namespace

MainWindow::MainWindow(Desktop &desktop, Session &session, const QString &appDir,
                       QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_desktop(desktop),
      m_session(session),
      m_appDir(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_icon(QStringLiteral(":/tarnwick/icon.png"))
{
    // The smallest size is the designed one; the window grows from there.
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    m_timers = new WindowTimers([this](unsigned id) { onTimer(id); }, this);
    m_session.batch().setQuestions(this);
}

void MainWindow::setInstanceLock(std::unique_ptr<InstanceLock> lock)
{
    m_instanceLock = std::move(lock);
}

MainWindow::~MainWindow()
{
    if (!m_destroyed && m_movie)
        shutDown();
    m_session.batch().setQuestions(nullptr);
}

Batch &MainWindow::batch()
{
    return m_session.batch();
}

int MainWindow::run()
{
    initialise();
    // The window has no owner, so its loop disables no other window (exec()
    // would block every window of the program): the folder browser, which
    // has no owner either, stays usable beside it. Boxes and dialogs owned by
    // this window are still modal to it.
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    setResult(0);
    show();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    shutDown();
    return result() == QDialog::Accepted ? Desktop::IdOk : Desktop::IdCancel;
}

bool MainWindow::initialise()
{
    m_movie = new MovieView(this);
    m_movie->setGeometry(0, 0, kClientWidth, kMovieHeight);
    m_movie->installEventFilter(this);
    connect(m_movie, &MovieView::movieCommand, this, &MainWindow::onMovieCommand);

    m_systemMenu = new QMenu(this);
    m_systemMenu->addAction(tr("Mi&nimize"), this, [this] { onSystemCommand(kMinimizeCommand); });
    m_systemMenu->addAction(tr("&Move"), this, [this] { onSystemCommand(kMoveCommand); });
    m_systemMenu->addAction(tr("&Close"), this, [this] { onSystemCommand(kCloseCommand); });
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(QStringLiteral("&About Brellin..."), this,
                            [this] { onSystemCommand(kAboutCommand); });
    auto *menuKey = new QShortcut(QKeySequence(QStringLiteral("Alt+Space")), this);
    connect(menuKey, &QShortcut::activated, this, &MainWindow::showSystemMenu);
    auto *helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, this, &MainWindow::openHelp);

    m_variables = std::make_unique<MovieVariables>(*m_movie);
    m_fileList = new FileList(m_session.queue(), this);
    m_fileList->setGeometry(220, 70, 372, 130);
    m_fileList->raise();
    m_fileList->hide();
    new ListTabStop(*m_movie, *m_fileList);
    // Files and folders may be dropped anywhere on the window.
    for (QWidget *target : {static_cast<QWidget *>(m_movie), static_cast<QWidget *>(m_fileList),
                            m_fileList->viewport()}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    setAcceptDrops(true);

    m_movie->setMovie(m_appDir + QStringLiteral("main.qml"));

    setWindowIcon(m_icon);
    setTitle(QStringLiteral("Tarnwick"));
    // The window that carries the title holds the single-instance socket.
    if (!m_instanceLock) {
        m_instanceLock = std::make_unique<InstanceLock>(windowTitle());
        m_instanceLock->acquire();
    }
    connect(m_instanceLock.get(), &InstanceLock::filesReceived, this, [this](const QStringList &paths) {
        addPaths(paths, [this](const QList<JobQueue::Id> &ids) {
            for (const JobQueue::Id id : ids)
                if (const JobQueue::Entry *listed = m_session.queue().find(id))
                    qCInfo(lcHandOver).noquote() << "listed" << listed->path;
        });
        bringToFront();
    });
    m_instanceLock->startReceiving();

    const QString yes = QStringLiteral("true");
    set(MovieVariable::DisableStop, yes);

    const ProgramFolder folder(m_appDir);
    folder.createDefaultOutputFolder();
    const QString stored = absoluteOutputFolder(
        m_session.settings().readString(QStringLiteral("OutputPath"),
                                        folder.defaultOutputFolder(), QStringLiteral("genral")),
        QDir::homePath());
    m_session.setOutputFolder(stored.isEmpty() ? folder.defaultOutputFolder() : stored);
    set(MovieVariable::Path, m_session.outputFolder());
    set(MovieVariable::Version, QStringLiteral("5.0.0.0"));

    if (m_showListTimer == 0)
        m_showListTimer = m_timers->setTimer(kShowListTimer, 3000);

    connectBatch();
    applyBatchChoices();

    // The formats, then the first format, its containers and their codecs,
    // exactly as if the user had chosen that format.
    connect(&m_session.choice(), &ConversionChoice::listLoaded, this,
            [this](ConversionChoice::List which, const QString &text) {
                publishList(int(which), text);
            });
    m_session.choice().load();
    // Not read by the shipped movie: the state of IDC_FS_KEEPDATES.
    const bool keepDates = m_session.preferences().keepDates();
    m_session.setKeepDates(keepDates);
    set(MovieVariable::KeepDates, keepDates ? yes : QStringLiteral("false"));
    showBatchChoices();
    set(MovieVariable::Maximized, QStringLiteral("false"));
    connect(&m_session, &Session::outputsChanged, this, &MainWindow::showPlan);
    connect(&m_session, &Session::added, this,
            [this](const QList<JobQueue::Id> &ids) { m_session.look(ids); });
    showPlan();
    // A screen with less room than the designed size gets a window that fits.
    fitToScreen();
    if (const QScreen *screen = this->screen())
        resize(size().boundedTo(screen->availableSize()));
    layOut();
    addPaths(std::exchange(m_startFiles, {}));
    return true;
}

void MainWindow::shutDown()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // A conversion still running ends with the window; what it wrote is
    // closed before the window is gone.
    batch().disconnect(this);
    batch().abandon();
    m_session.finishFileWork();
    endDesktopProgress();
    if (m_showListTimer != 0) {
        m_timers->killTimer(m_showListTimer);
        m_showListTimer = 0;
    }
    delete m_fileList;
    m_fileList = nullptr;
    // The program ends either way; Formats.ini is then left as it was.
    SettingsFile &settings = m_session.settings();
    const QString outputFolder = m_session.outputFolder();
    if (!settings.writeString(QStringLiteral("OutputPath"), outputFolder, QStringLiteral("genral")))
        qWarning("Tarnwick: the output folder %s was not remembered: %s",
                 qUtf8Printable(outputFolder), qUtf8Printable(settings.errorString()));
    m_instanceLock.reset();
}

// Each list as the catalogue holds it, then its flag.
void MainWindow::publishList(int which, const QString &text)
{
    static constexpr std::pair<MovieVariable, MovieVariable> kLists[] = {
        {MovieVariable::ConvertToStr, MovieVariable::ConvertToFlag},
        {MovieVariable::ContainerStr, MovieVariable::ContainerFlag},
        {MovieVariable::VideoCodecStr, MovieVariable::VideoCodecFlag},
        {MovieVariable::AudioCodecStr, MovieVariable::AudioCodecFlag},
    };
    set(kLists[which].first, text);
    set(kLists[which].second, QStringLiteral("1"));
}

void MainWindow::onTimer(unsigned id)
{
    if (id == kShowListTimer) {
        showFileList(true);
        m_timers->killTimer(m_showListTimer);
        m_showListTimer = 0;
    }
}

void MainWindow::showFileList(bool show)
{
    if (m_fileList)
        m_fileList->setVisible(show);
}

void MainWindow::openHelp()
{
    const QString help = m_appDir + QStringLiteral("help.html");
    if (QFileInfo(help).isFile())
        m_desktop.shellOpen(help);
}

void MainWindow::onSystemCommand(unsigned id)
{
    switch (id & 0xFFF0) {
    case kAboutCommand: {
        AboutDialog about(m_icon, this);
        about.exec();
        break;
    }
    case kMinimizeCommand:
        showMinimized();
        break;
    case kMoveCommand:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case kCloseCommand:
        close();
        break;
    default:
        break;
    }
}

void MainWindow::showSystemMenu()
{
    m_systemMenu->popup(mapToGlobal(QPoint(0, 0)));
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape and Enter never close the window.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!mayQuit()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

bool MainWindow::handleDrop(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!drag->mimeData()->hasUrls())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        QStringList paths;
        for (const QUrl &url : drop->mimeData()->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        if (paths.isEmpty())
            return false;
        drop->acceptProposedAction();
        addPaths(paths);
        return true;
    }
    default:
        return false;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    handleDrop(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    handleDrop(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (handleDrop(event))
        return true;
    if (watched == m_movie) {
        if (event->type() == QEvent::ContextMenu)
            return true;
        if ((event->type() == QEvent::MouseButtonPress ||
             event->type() == QEvent::MouseButtonDblClick ||
             event->type() == QEvent::MouseButtonRelease) &&
            static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layOut();
}

// The movie fills the window but for the designed two pixels at the bottom;
// the list goes where the movie says its file area is, else to the
// designed place.
void MainWindow::layOut()
{
    if (!m_movie || size() == m_laidOutSize)
        return;
    m_laidOutSize = size();
    m_movie->setGeometry(0, 0, width(), height() - (kClientHeight - kMovieHeight));
    m_movie->fitRoot();
    if (!m_sizeGrip) {
        m_sizeGrip = new QSizeGrip(this);
        m_sizeGrip->setAccessibleName(QStringLiteral("Resize the window"));
        m_sizeGrip->resize(m_sizeGrip->sizeHint());
    }
    m_sizeGrip->move(width() - m_sizeGrip->width(), height() - m_sizeGrip->height());
    m_sizeGrip->raise();
    if (!m_fileList)
        return;
    QRect area(220, 70, 372, 130);
    const QStringList parts = m_variables->get(MovieVariable::FileArea).split(QLatin1Char(','));
    if (parts.size() == 4) {
        bool ok[4] = {};
        const QRect told(parts[0].trimmed().toInt(&ok[0]), parts[1].trimmed().toInt(&ok[1]),
                         parts[2].trimmed().toInt(&ok[2]), parts[3].trimmed().toInt(&ok[3]));
        // Only a place inside the movie, big enough for a row.
        if (ok[0] && ok[1] && ok[2] && ok[3] && told.width() >= 32 && told.height() >= 16 &&
            m_movie->rect().contains(told))
            area = told;
    }
    m_fileList->setGeometry(area);
}

void MainWindow::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_variables)
        set(MovieVariable::Maximized, isMaximized() ? QStringLiteral("true") : QStringLiteral("false"));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &MainWindow::fitToScreen,
                Qt::UniqueConnection);
    fitToScreen();
}

// The designed size is the smallest, unless the screen has less room (a
// laptop's screen at 150 %): then the window may be as small as the screen,
// and the movie lays itself out in what there is.
void MainWindow::fitToScreen()
{
    if (const QScreen *screen = this->screen())
        setMinimumSize(QSize(kClientWidth, kClientHeight).boundedTo(screen->availableSize()));
}

void MainWindow::toggleMaximised()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}
