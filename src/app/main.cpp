#include <malloc.h>

#include <QApplication>

#include "app/application.h"
#include "convert/vlcengine.h"
#include "platform/qtdesktop.h"

int main(int argc, char *argv[])
{
    // Every file gets a fresh engine player with threads of its own; without
    // a cap each of those threads may keep a malloc arena, and resident
    // memory climbs by tens of megabytes over a batch without being used.
    mallopt(M_ARENA_MAX, 2);

    QApplication app(argc, argv);
    QtDesktop desktop;
    VlcEngine engine;
    Application application(desktop, engine);
    application.run();
    return 0;
}
