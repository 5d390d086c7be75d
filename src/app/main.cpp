#include <cstdio>

#include <malloc.h>

#include <QApplication>

#include "app/application.h"
#include "app/firstframereport.h"
#include "app/session.h"
#include "app/terminaloptions.h"
#include "app/terminalrun.h"
#include "convert/nativename.h"
#include "convert/vlcengine.h"
#include "platform/qtdesktop.h"

namespace {

// Qt reads the arguments as UTF-8 and loses the bytes of a name that is not.
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fromNativeName(QByteArray(argv[i]));
    return arguments;
}

// Without a window: no display is needed, and a running window is neither
// asked nor refused.
int convertInTerminal(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("tarnwick"));
    app.setApplicationVersion(QStringLiteral("5.0.0.0"));
    TerminalOptions options(QCoreApplication::applicationDirPath());
    switch (options.parse(argumentsOf(argc, argv))) {
    case TerminalOptions::Outcome::Shown:
        std::fputs(toNativeName(options.text()).constData(), stdout);
        return 0;
    case TerminalOptions::Outcome::Invalid:
        std::fprintf(stderr, "tarnwick: %s\n", toNativeName(options.text()).constData());
        return TerminalRun::kBadArguments;
    case TerminalOptions::Outcome::Convert:
        break;
    }
    VlcEngine engine;
    Session session(engine, QCoreApplication::applicationDirPath());
    TerminalRun run(session, options);
    return run.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Every file gets a fresh engine player with threads of its own; without
    // a cap each of those threads may keep a malloc arena, and resident
    // memory climbs by tens of megabytes over a batch without being used.
    mallopt(M_ARENA_MAX, 2);

    // Decided before any application object: the window's needs a display.
    if (TerminalOptions::wanted(argc, argv))
        return convertInTerminal(argc, argv);

    QApplication app(argc, argv);
    // Before the first window: the GL driver otherwise loaded for the movie
    // costs about 90 MB at start-up on a machine without a GPU.
    Application::setUpGraphics();
    FirstFrameReport report;
    if (qEnvironmentVariableIntValue("TARNWICK_REPORT_FIRST_FRAME") == 1)
        app.installEventFilter(&report);

    QtDesktop desktop;
    VlcEngine engine;
    Application application(desktop, engine);
    return application.run(argumentsOf(argc, argv).mid(1));
}
