#pragma once

#include <QString>
#include <QStringList>

class Desktop;
class Engine;

// Start-up: takes the single-copy lock or hands the files to the copy that
// holds it, finds the program's folder and runs the main window until it
// closes.
class Application final
{
public:
    Application(Desktop &desktop, Engine &engine);

    // arguments: the command line after the program's name, names as
    // nativename.h keeps them. Returns the exit status: 1 when files were
    // given and nobody took them, else 0.
    int run(const QStringList &arguments);

    // Chooses how the movie is drawn; call after the application object is
    // made and before any window is.
    static void setUpGraphics();

    QString m_appDir;

private:
    int refuse(bool withFiles);

    Desktop &m_desktop;
    Engine &m_engine;
};
