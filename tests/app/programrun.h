#pragma once

// Runs copies of the real program under the test's X server (or offscreen)
// and looks at their windows from outside, as a user's desktop would.

#include <unistd.h>

#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

namespace programrun {

// A program folder of its own in a temporary directory: the executable with
// the shipped movie, catalogue and help beside it, and a private TMPDIR, so
// that no other copy on this machine shares its instance socket.
class ProgramCopy
{
public:
    ProgramCopy()
    {
        const QString program = QStringLiteral(TARNWICK_PROGRAM_DIR "/tarnwick");
        QFile::copy(program, filePath(QStringLiteral("tarnwick")));
        QDir(m_dir.path()).mkpath(QStringLiteral("movie"));
        const QString movieDir = QStringLiteral(TARNWICK_PROGRAM_DIR "/movie");
        for (const QString &name : QDir(movieDir).entryList(QDir::Files))
            QFile::copy(movieDir + QLatin1Char('/') + name, filePath(QStringLiteral("movie/") + name));
        for (const char *name : {"main.qml", "Formats.ini", "help.html"}) {
            const QString shipped = QStringLiteral(TARNWICK_SOURCE_DIR "/res/") + QLatin1String(name);
            QFile::copy(shipped, filePath(QLatin1String(name)));
            QFile::setPermissions(filePath(QLatin1String(name)),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
        }
        QFile::setPermissions(m_tmp.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ExeOwner);
    }

    bool isValid() const
    {
        return m_dir.isValid() && m_tmp.isValid() &&
               QFile::exists(filePath(QStringLiteral("tarnwick"))) &&
               QFile::exists(filePath(QStringLiteral("main.qml")));
    }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString tmpDir() const { return m_tmp.path(); }
    QString program() const { return filePath(QStringLiteral("tarnwick")); }

    // The environment of a run: the test's own, with this copy's TMPDIR and
    // the given platform plugin. Without a display the program cannot list
    // other programs' windows.
    // Another copy's TMPDIR makes the two share their instance socket.
    QProcessEnvironment environment(const QString &platform, bool withDisplay = true,
                                    const QString &tmpDir = {}) const
    {
        const QString tmp = tmpDir.isEmpty() ? m_tmp.path() : tmpDir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarnwick.handover.info=true"));
        if (!withDisplay) {
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        return env;
    }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_tmp;
};

inline QString lockSocket(const QString &tmpDir)
{
    return QDir(tmpDir).filePath(QStringLiteral("Tarnwick-%1.lock").arg(getuid()));
}

inline QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000))
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The visible top-level windows that carry this process id.
inline QStringList visibleWindows(qint64 pid)
{
    return runTool(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(pid)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

inline QString windowName(const QString &window)
{
    return runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window});
}

inline QSize windowSize(const QString &window)
{
    const QStringList lines =
        runTool(QStringLiteral("xdotool"),
                {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
            .split(QLatin1Char('\n'));
    QSize size;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            size.setWidth(line.mid(6).toInt());
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

// The first visible window of the process with the main window's size.
inline QString mainWindow(qint64 pid)
{
    for (const QString &window : visibleWindows(pid))
        if (windowSize(window) == QSize(656, 538))
            return window;
    return {};
}

// What a desktop's close button does: WM_DELETE_WINDOW to the client.
inline bool requestClose(const QString &window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return false;
    xcb_connection_t *c = x11->connection();
    auto atom = [c](const char *name) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return a;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window.toULong());
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
    return true;
}

inline QStringList folderEntries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                               QDir::System,
                               QDir::Name);
}

} // namespace programrun
