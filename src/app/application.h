#pragma once

#include <QString>

class Desktop;
class Engine;

// Start-up: refuses a second copy, finds the program's folder and runs the
// main window until it closes.
class Application final
{
public:
    Application(Desktop &desktop, Engine &engine);

    // Always false: the main window's modal loop is the program's only loop.
    bool run();

    // Chooses how the movie is drawn; call after the application object is
    // made and before any window is.
    static void setUpGraphics();

    QString m_appDir;

private:
    Desktop &m_desktop;
    Engine &m_engine;
};
