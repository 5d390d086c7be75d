#include "app/application.h"

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include "app/session.h"
#include "convert/nativefile.h"
#include "platform/desktop.h"
#include "platform/instancelock.h"
#include "ui/mainwindow.h"

Application::Application(Desktop &desktop, Engine &engine)
    : m_desktop(desktop), m_engine(engine)
{
}

int Application::run(const QStringList &arguments)
{
    const QString title = QStringLiteral("Tarnwick");
    // Relative paths mean the folder this start was made in, which the
    // running copy does not know.
    QStringList files;
    for (const QString &argument : arguments)
        if (!argument.isEmpty() && argument != QLatin1String("--"))
            files << nativefile::absolute(argument);

    // Taken before anything else: of two starts at once only one goes on.
    auto lock = std::make_unique<InstanceLock>(title);
    if (lock->acquire() == InstanceLock::Outcome::HeldElsewhere) {
        if (files.isEmpty())
            return refuse(false);
        const int taken = InstanceLock::handOver(title, files);
        if (taken > 0)
            return 0;
        if (taken == 0) {
            std::fputs("tarnwick: the running copy took none of the files\n", stderr);
            return 1;
        }
        return refuse(true);
    }
    // A copy whose socket is elsewhere, or a window of that title.
    if (m_desktop.topLevelWindowExists(title)) {
        lock.reset();
        return refuse(!files.isEmpty());
    }

    m_appDir = QCoreApplication::applicationDirPath();
    if (!m_appDir.endsWith(QLatin1Char('/')))
        m_appDir += QLatin1Char('/');

    Session session(m_engine, m_appDir);
    MainWindow dialog(m_desktop, session, m_appDir);
    dialog.setInstanceLock(std::move(lock));
    dialog.setStartFiles(files);
    dialog.run();
    return 0;
}

int Application::refuse(bool withFiles)
{
    m_desktop.messageBox(nullptr, QStringLiteral("The applecation already running"),
                         QStringLiteral("Tarnwick"), Desktop::Ok, Desktop::Information);
    return withFiles ? 1 : 0;
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
