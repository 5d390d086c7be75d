#include <malloc.h>

#include <QApplication>

#include "app/mainapp.h"
#include "convert/vlccontrol.h"
#include "platform/qtdesktop.h"

int main(int argc, char *argv[])
{
    // Every file gets a fresh engine player with threads of its own; without
    // a cap each of those threads may keep a malloc arena, and resident
    // memory climbs by tens of megabytes over a batch without being used.
    mallopt(M_ARENA_MAX, 2);

    QApplication app(argc, argv);
    QtDesktop desktop;
    CMainApp theApp(desktop, CVLCControl::factory());
    theApp.InitInstance();
    return 0;
}
