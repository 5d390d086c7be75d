#include "ui/maindlg.h"

#include <cerrno>

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QWindow>

#include "app/mainapp.h"
#include "filelist/filelistbox.h"
#include "movie/shockwaveflash.h"
#include "platform/desktop.h"
#include "platform/instancelock.h"
#include "platform/windowtimers.h"
#include "settings/presetlist.h"
#include "settings/programfolder.h"
#include "ui/aboutdlg.h"

namespace {
constexpr int kClientWidth = 656;
constexpr int kClientHeight = 538;
constexpr int kMovieHeight = 536;
} // namespace

CMainDlg::CMainDlg(Desktop &desktop, PlayerFactory players, const QString &appDir,
                   QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint),
      m_settings(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_playerHost(std::move(players)),
      m_desktop(desktop),
      m_appDir(appDir.endsWith(QLatin1Char('/')) ? appDir : appDir + QLatin1Char('/')),
      m_hIcon(QStringLiteral(":/tarnwick/icon.png"))
{
    m_settings.SetFileName(QStringLiteral("Formats.ini"));
    m_settings.SetUserFile(ProgramFolder(m_appDir).userSettingsFile());
    setFixedSize(kClientWidth, kClientHeight);
    m_timers = new WindowTimers([this](unsigned id) { OnTimer(id); }, this);
}

CMainDlg::~CMainDlg()
{
    if (!m_destroyed && m_flash)
        OnDestroy();
}

int CMainDlg::DoModal()
{
    OnInitDialog();
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
    OnDestroy();
    return result() == QDialog::Accepted ? Desktop::IdOk : Desktop::IdCancel;
}

bool CMainDlg::OnInitDialog()
{
    m_flash = new CShockwaveFlash(this);
    m_flash->setGeometry(0, 0, kClientWidth, kMovieHeight);
    m_flash->installEventFilter(this);
    connect(m_flash, &CShockwaveFlash::FSCommand, this, &CMainDlg::OnFSCommand);

    m_systemMenu = new QMenu(this);
    m_systemMenu->addAction(tr("Mi&nimize"), this, [this] { OnSysCommand(SC_MINIMIZE); });
    m_systemMenu->addAction(tr("&Move"), this, [this] { OnSysCommand(SC_MOVE); });
    m_systemMenu->addAction(tr("&Close"), this, [this] { OnSysCommand(SC_CLOSE); });
    m_systemMenu->addSeparator();
    m_systemMenu->addAction(QStringLiteral("&About Brellin..."), this,
                            [this] { OnSysCommand(IDM_ABOUTBOX); });
    auto *menuKey = new QShortcut(QKeySequence(QStringLiteral("Alt+Space")), this);
    connect(menuKey, &QShortcut::activated, this, &CMainDlg::ShowSystemMenu);
    auto *helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(helpKey, &QShortcut::activated, this, &CMainDlg::OpenHelp);

    m_pFileList = new CFileListBox(this);
    m_pFileList->setGeometry(220, 70, 372, 130);
    m_pFileList->raise();
    m_pFileList->hide();

    m_flash->SetMovie(m_appDir + QStringLiteral("main.qml"));

    setWindowIcon(m_hIcon);
    setWindowTitle(QStringLiteral("Tarnwick"));
    // The window that carries the title holds the single-instance socket.
    m_instanceLock = std::make_unique<InstanceLock>(windowTitle());
    m_instanceLock->acquire();

    m_flash->SetVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));

    const ProgramFolder folder(m_appDir);
    m_outputPath = folder.defaultOutputFolder();
    folder.createDefaultOutputFolder();
    m_outputPath = m_settings.ReadString(QStringLiteral("OutputPath"), m_outputPath,
                                         QStringLiteral("genral"));
    m_flash->SetVariable(QStringLiteral("_root.path"), m_outputPath);
    m_flash->SetVariable(QStringLiteral("_root.version"), QStringLiteral("5.0.0.0"));

    if (m_showListTimer == 0)
        m_showListTimer = m_timers->setTimer(TIMER_SHOWLIST, 3000);

    m_playerHost.m_pOwner = this;

    LoadPresetList(QStringLiteral("_root.convertToStr"), QStringLiteral("Extentions"),
                   QStringLiteral("genral"), &m_formats);
    // The first format, its containers and their codecs, exactly as if the
    // user had chosen that format.
    OnFormatChosen(m_formats.at(0));
    m_videoBitrate = QStringLiteral("1024");
    m_scale = QStringLiteral("1");
    m_audioBitrate = QStringLiteral("128");
    m_channels = QStringLiteral("2");
    return true;
}

void CMainDlg::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    KillProgressTimer();
    if (m_showListTimer != 0) {
        m_timers->killTimer(m_showListTimer);
        m_showListTimer = 0;
    }
    delete m_pFileList;
    m_pFileList = nullptr;
    m_currentIndex = -1;
    m_fileCount = -1;
    m_convertedCount = -1;
    m_settings.WriteString(QStringLiteral("OutputPath"), m_outputPath, QStringLiteral("genral"));
    // A conversion still running ends with the window.
    m_playerHost.Release();
    m_instanceLock.reset();
}

void CMainDlg::LoadPresetList(const QString &variable, const QString &key,
                              const QString &section, QStringList *list)
{
    const QString value = m_settings.ReadString(key, QString(), section);
    m_flash->SetVariable(variable, value);
    m_flash->SetVariable(presetFlagVariable(variable), QStringLiteral("1"));
    if (list)
        *list = splitPresetList(value);
}

void CMainDlg::OnTimer(unsigned nIDEvent)
{
    if (nIDEvent == TIMER_PROGRESS) {
        OnProgressTick();
    } else if (nIDEvent == TIMER_SHOWLIST) {
        ShowFileList(true);
        m_timers->killTimer(m_showListTimer);
        m_showListTimer = 0;
    }
}

void CMainDlg::KillProgressTimer()
{
    if (m_progressTimer != 0)
        m_timers->killTimer(m_progressTimer);
    m_progressTimer = 0;
}

void CMainDlg::ShowFileList(bool show)
{
    if (m_pFileList)
        m_pFileList->setVisible(show);
}

void CMainDlg::OpenHelp()
{
    CMainApp::OpenHelp(m_desktop, m_appDir);
}

void CMainDlg::OnSysCommand(unsigned nID)
{
    switch (nID & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(m_hIcon, this);
        about.exec();
        break;
    }
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_MOVE:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case SC_CLOSE:
        close();
        break;
    default:
        break;
    }
}

void CMainDlg::ShowSystemMenu()
{
    m_systemMenu->popup(mapToGlobal(QPoint(0, 0)));
}

void CMainDlg::keyPressEvent(QKeyEvent *event)
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

bool CMainDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_flash) {
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

int CMainDlg::LastErrorCode() const
{
    return errno;
}
