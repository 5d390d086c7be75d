#include "app/application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include "app/session.h"
#include "platform/desktop.h"
#include "platform/instancelock.h"
#include "ui/mainwindow.h"

Application::Application(Desktop &desktop, Engine &engine)
    : m_desktop(desktop), m_engine(engine)
{
}

bool Application::run()
{
    const QString title = QStringLiteral("Tarnwick");
    // Relative paths mean the folder this start was made in, which the
    // running copy does not know.
    QStringList files;
    for (const QString &argument : QCoreApplication::arguments().mid(1))
        if (!argument.isEmpty() && argument != QLatin1String("--"))
            files << QFileInfo(argument).absoluteFilePath();
    if (m_desktop.topLevelWindowExists(title)) {
        if (!files.isEmpty() && InstanceLock::handOver(title, files))
            return false;
        m_desktop.messageBox(nullptr, QStringLiteral("The applecation already running"), title,
                             Desktop::Ok, Desktop::Information);
        return false;
    }

    m_appDir = QCoreApplication::applicationDirPath();
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');

    Session session(m_engine, m_appDir);
    MainWindow dialog(m_desktop, session, m_appDir);
    dialog.setStartFiles(files);
    dialog.run();
    return false;
}

void Application::setUpGraphics()
{
    // The movie is one small page of flat shapes and text: the software scene
    // graph draws it without loading a GL driver, which on a machine without a
    // GPU (llvmpipe) more than doubles the memory and slows the first frame.
    // A backend chosen in the environment still wins.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") &&
        qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE") &&
        qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
