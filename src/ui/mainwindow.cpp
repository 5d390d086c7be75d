#include "ui/mainwindow.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QMenu>
#include <QShortcut>
#include <QSizeGrip>
#include <QWindow>

#include "convert/jobcount.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/desktop.h"
#include "platform/instancelock.h"
#include "platform/sessionservices.h"
#include "platform/windowtimers.h"
#include "settings/presetlist.h"
#include "settings/programfolder.h"
#include "ui/aboutdialog.h"
#include "ui/listtabstop.h"

namespace {
constexpr int kClientWidth = 656;
constexpr int kClientHeight = 538;
constexpr int kMovieHeight = 536;
} // namespace

MainWindow::MainWindow(Desktop &desktop, Engine &engine, const QString &appDir,
                       QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint),
      m_settings(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_desktop(desktop),
      m_appDir(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_icon(QStringLiteral(":/tarnwick/icon.png"))
{
    m_settings.setFileName(QStringLiteral("Formats.ini"));
    m_settings.setUserFile(ProgramFolder(m_appDir).userSettingsFile());
    // The smallest size is the designed one; the window grows from there.
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    m_timers = new WindowTimers([this](unsigned id) { onTimer(id); }, this);
    m_batch = new Batch(engine, *this, this);
}

MainWindow::~MainWindow()
{
    if (!m_destroyed && m_movie)
        shutDown();
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

    m_fileList = new FileList(this);
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
    setWindowTitle(QStringLiteral("Tarnwick"));
    // The window that carries the title holds the single-instance socket.
    m_instanceLock = std::make_unique<InstanceLock>(windowTitle());
    m_instanceLock->acquire();
    connect(m_instanceLock.get(), &InstanceLock::filesReceived, this, [this](const QStringList &paths) {
        addPaths(paths);
        bringToFront();
    });

    m_movie->setVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));

    const ProgramFolder folder(m_appDir);
    m_outputPath = folder.defaultOutputFolder();
    folder.createDefaultOutputFolder();
    m_outputPath = m_settings.readString(QStringLiteral("OutputPath"), m_outputPath,
                                         QStringLiteral("genral"));
    m_movie->setVariable(QStringLiteral("_root.path"), m_outputPath);
    m_movie->setVariable(QStringLiteral("_root.version"), QStringLiteral("5.0.0.0"));


    if (m_showListTimer == 0)
        m_showListTimer = m_timers->setTimer(kShowListTimer, 3000);

    connectBatch();
    applyBatchChoices();

    loadPresetList(QStringLiteral("_root.convertToStr"), QStringLiteral("Extentions"),
                   QStringLiteral("genral"), &m_formats);
    // The first format, its containers and their codecs, exactly as if the
    // user had chosen that format.
    chooseFormat(m_formats.at(0));
    m_videoBitrate = QStringLiteral("1024");
    m_scale = QStringLiteral("1");
    m_audioBitrate = QStringLiteral("128");
    m_channels = QStringLiteral("2");
    // Not read by the shipped movie: the state of IDC_FS_KEEPDATES.
    m_movie->setVariable(QStringLiteral("_root.keepDates"),
                         m_preferences.keepDates() ? QStringLiteral("true") : QStringLiteral("false"));
    showBatchChoices();
    layOut();
    addPaths(std::exchange(m_startFiles, {}));
    return true;
}

void MainWindow::shutDown()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // A conversion still running ends with the window.
    m_batch->disconnect(this);
    m_batch->abandon();
    endDesktopProgress();
    if (m_showListTimer != 0) {
        m_timers->killTimer(m_showListTimer);
        m_showListTimer = 0;
    }
    delete m_fileList;
    m_fileList = nullptr;
    // The program ends either way; Formats.ini is then left as it was.
    if (!m_settings.writeString(QStringLiteral("OutputPath"), m_outputPath,
                                QStringLiteral("genral")))
        qWarning("Tarnwick: the output folder %s was not remembered: %s",
                 qUtf8Printable(m_outputPath), qUtf8Printable(m_settings.errorString()));
    m_instanceLock.reset();
}

void MainWindow::loadPresetList(const QString &variable, const QString &key,
                              const QString &section, QStringList *list)
{
    const QString value = m_settings.readString(key, QString(), section);
    m_movie->setVariable(variable, value);
    m_movie->setVariable(presetFlagVariable(variable), QStringLiteral("1"));
    if (list)
        *list = splitPresetList(value);
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
    const QStringList parts =
        m_movie->getVariable(QStringLiteral("_root.fileArea")).split(QLatin1Char(','));
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

void MainWindow::toggleMaximised()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}
