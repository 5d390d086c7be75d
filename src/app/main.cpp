#include <QApplication>

#include "app/mainapp.h"
#include "convert/vlccontrol.h"
#include "platform/qtdesktop.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    CMainApp::SetUpGraphics();
    QtDesktop desktop;
    CMainApp theApp(desktop, CVLCControl::factory());
    theApp.InitInstance();
    return 0;
}
