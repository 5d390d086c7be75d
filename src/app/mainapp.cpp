#include "app/mainapp.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/desktop.h"
#include "ui/maindlg.h"

CMainApp::CMainApp(Desktop &desktop, PlayerFactory players)
    : m_desktop(desktop), m_players(std::move(players))
{
}

bool CMainApp::InitInstance()
{
    const QString title = QStringLiteral("Tarnwick");
    if (m_desktop.topLevelWindowExists(title)) {
        m_desktop.messageBox(nullptr, QStringLiteral("The applecation already running"), title,
                             Desktop::Ok, Desktop::Information);
        return false;
    }

    m_appDir = QCoreApplication::applicationDirPath();
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');

    CMainDlg dialog(m_desktop, m_players, m_appDir);
    dialog.DoModal();
    return false;
}

void CMainApp::OpenHelp(Desktop &desktop, const QString &appDir)
{
    const QString help = appDir + QStringLiteral("help.html");
    if (QFileInfo(help).isFile())
        desktop.shellOpen(help);
}
