// The real program with its shipped movie, started as a user would start it.
//
// On the X server of the test it is closed the way a desktop closes a window
// (WM_DELETE_WINDOW), which runs the whole shutdown. On the offscreen
// platform nothing outside the process can ask it to quit, so that run is
// checked for coming up and staying up, then stopped; the clean end itself is
// covered here on X and in-process by the dispatcher's exit and close tests.

#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTest>

#include "programrun.h"
#include "support/files.h"
#include "support/skip.h"

using namespace programrun;

namespace {

// Lines of the program's error output that come from the movie.
QStringList movieComplaints(const QByteArray &stderrText)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(stderrText).split(QLatin1Char('\n')))
        if (line.contains(QLatin1String("main.qml")) || line.contains(QLatin1String("qml:")))
            lines << line;
    return lines;
}

// The engine's plugins are loaded only by an engine instance.
QStringList vlcPluginsMapped(qint64 pid)
{
    QStringList plugins;
    const QString maps =
        QString::fromUtf8(readFile(QStringLiteral("/proc/%1/maps").arg(pid)));
    for (const QString &line : maps.split(QLatin1Char('\n')))
        if (line.contains(QLatin1String("/vlc/plugins/")))
            plugins << line.section(QLatin1Char(' '), -1);
    plugins.removeDuplicates();
    return plugins;
}

// Mesa's GL libraries, which Qt loads for the movie unless the software
// scene graph draws it.
QStringList glDriverMapped(qint64 pid)
{
    QStringList libraries;
    const QString maps =
        QString::fromUtf8(readFile(QStringLiteral("/proc/%1/maps").arg(pid)));
    for (const QString &line : maps.split(QLatin1Char('\n')))
        for (const char *name : {"libGLX_mesa", "swrast_dri", "libgallium", "llvmpipe"})
            if (line.contains(QLatin1String(name)))
                libraries << line.section(QLatin1Char(' '), -1);
    libraries.removeDuplicates();
    return libraries;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startsAndClosesOnX();
    void startsOffscreen();
    void programFolderNotWritable_data();
    void programFolderNotWritable();

private:
    bool m_x11 = false;
};

void TestProgram::initTestCase()
{
    // The offscreen platform may also offer an X11 connection, for GLX.
    m_x11 = QGuiApplication::platformName() == QLatin1String("xcb");
}

void TestProgram::startsAndClosesOnX()
{
    if (!m_x11)
        TARNWICK_SKIP("needs an X server (run under xvfb-run)");
    ProgramCopy copy;
    QVERIFY(copy.isValid());
    const QByteArray catalogue = readFile(copy.filePath(QStringLiteral("Formats.ini")));
    QVERIFY(!catalogue.contains("OutputPath"));

    QProcess program;
    QProcessEnvironment env = copy.environment(QStringLiteral("xcb"));
    env.insert(QStringLiteral("TARNWICK_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    for (const char *name : {"QT_QUICK_BACKEND", "QMLSCENE_DEVICE", "QSG_RHI_BACKEND"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QDir::rootPath());
    program.start(copy.program(), {});
    QVERIFY(program.waitForStarted(10000));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(program.processId())).isEmpty(), 30000);
    QCOMPARE(windowName(window), QStringLiteral("Tarnwick"));
    QVERIFY(QFileInfo(copy.filePath(QStringLiteral("Converted Videos"))).isDir());
    // No engine is made before the first file is converted.
    QCOMPARE(vlcPluginsMapped(program.processId()), QStringList());
    // Once the movie is on screen the way it is drawn is settled: the
    // software scene graph, without a GL driver.
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += program.readAllStandardError())
                                 .contains("tarnwick: first frame"),
                             30000);
    QCOMPARE(glDriverMapped(program.processId()), QStringList());

    QVERIFY(requestClose(window));
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    errors += program.readAllStandardError();
    QVERIFY2(movieComplaints(errors).isEmpty(), errors.constData());

    // The catalogue as shipped, with the output folder added to "genral".
    const QByteArray stored = readFile(copy.filePath(QStringLiteral("Formats.ini")));
    const QString folder = copy.filePath(QStringLiteral("Converted Videos"));
    QVERIFY2(stored.contains("[genral]\nExtentions=") &&
                 stored.contains("\nOutputPath=" + folder.toUtf8() + "\n"),
             stored.constData());
    QByteArray withoutKey = stored;
    withoutKey.replace("OutputPath=" + folder.toUtf8() + "\n", "");
    QCOMPARE(withoutKey, catalogue);
}

void TestProgram::startsOffscreen()
{
    ProgramCopy copy;
    QVERIFY(copy.isValid());
    QProcess program;
    program.setProcessEnvironment(copy.environment(QStringLiteral("offscreen"), false));
    program.start(copy.program(), {});
    QVERIFY(program.waitForStarted(10000));
    // The instance socket is taken first, the default output folder once
    // the movie has been loaded.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockSocket(copy.tmpDir())) &&
                                 QFileInfo(copy.filePath(QStringLiteral("Converted Videos"))).isDir(),
                             30000);
    QCOMPARE(program.state(), QProcess::Running);
    QCOMPARE(vlcPluginsMapped(program.processId()), QStringList());

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    const QByteArray errors = program.readAllStandardError();
    QVERIFY2(movieComplaints(errors).isEmpty(), errors.constData());
}

void TestProgram::programFolderNotWritable_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("read-only") << false;
    // Writable to root, who starts it first: the next user meets nothing of it.
    QTest::newRow("installed, started first by the test's user") << true;
}

void TestProgram::programFolderNotWritable()
{
    QFETCH(bool, installed);
    if (!m_x11)
        TARNWICK_SKIP("needs an X server (run under xvfb-run)");
    ProgramCopy copy;
    QVERIFY(copy.isValid());
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = copy.environment(QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.remove(QStringLiteral("XDG_CACHE_HOME"));

    QString program = copy.program();
    QStringList arguments;
    QTemporaryDir auth;
    if (geteuid() == 0) {
        // Root writes anywhere: run the program as nobody, for whom the
        // folder really is read-only.
        constexpr uid_t nobody = 65534;
        for (const QString &dir : {copy.tmpDir(), home.path()})
            QCOMPARE(::chown(QFile::encodeName(dir).constData(), nobody, nobody), 0);
        const QString xauthority = env.value(QStringLiteral("XAUTHORITY"));
        if (!xauthority.isEmpty()) {
            const QString copied = auth.filePath(QStringLiteral("Xauthority"));
            QVERIFY(QFile::copy(xauthority, copied));
            QCOMPARE(::chown(QFile::encodeName(copied).constData(), nobody, nobody), 0);
            QCOMPARE(::chmod(QFile::encodeName(auth.path()).constData(), 0755), 0);
            env.insert(QStringLiteral("XAUTHORITY"), copied);
        }
        arguments = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                QStringLiteral("--clear-groups"), QStringLiteral("--"), program};
        program = QStringLiteral("setpriv");
    }
    QVERIFY(!installed || writeFile(copy.filePath(QStringLiteral("installed")), "installed\n"));
    QCOMPARE(::chmod(QFile::encodeName(copy.path()).constData(), installed ? 0755 : 0555), 0);
    const QStringList entries = folderEntries(copy.path());
    const QByteArray catalogue = readFile(copy.filePath(QStringLiteral("Formats.ini")));
    QTemporaryDir firstHome;
    if (installed) {
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral("env"), {"HOME=" + firstHome.path(), copy.program()});
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(first.processId())).isEmpty(), 30000);
        QVERIFY(requestClose(window));
        QVERIFY(first.waitForFinished(20000));
    }

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QDir::rootPath());
    process.start(program, arguments);
    QVERIFY(process.waitForStarted(10000));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(process.processId())).isEmpty(), 30000);
    QVERIFY(requestClose(window));
    QVERIFY(process.waitForFinished(20000));
    const QByteArray errors = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 0, errors.constData());

    // Nothing in the program folder was made or changed.
    QCOMPARE(folderEntries(copy.path()), entries);
    QVERIFY(!QFileInfo::exists(copy.filePath(QStringLiteral("Converted Videos"))));
    QCOMPARE(readFile(copy.filePath(QStringLiteral("Formats.ini"))), catalogue);
    QCOMPARE(::chmod(QFile::encodeName(copy.path()).constData(), 0755), 0);

    // The user's own folders take what the program folder cannot.
    const QString videos = home.path() + QStringLiteral("/Videos/Converted Videos");
    QVERIFY(QFileInfo(videos).isDir());
    const QByteArray stored = readFile(home.path() + QStringLiteral("/.config/tarnwick/Formats.ini"));
    QVERIFY2(stored.startsWith("[genral]") &&
                 stored.contains("\nOutputPath=" + QFile::encodeName(videos) + '\n'),
             stored.constData());
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
