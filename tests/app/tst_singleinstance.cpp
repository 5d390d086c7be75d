// One copy per desktop: real processes of the program under the test's X
// server, watched from outside.

#include <memory>
#include <set>

#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include "platform/windowlookup.h"
#include "programrun.h"
#include "support/files.h"
#include "support/skip.h"

using namespace programrun;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void secondCopyRefused();
    void foreignWindow_data();
    void foreignWindow();
    void socketRefusesWhereWindowsCannotBeListed();
    void secondStartWithFiles_data();
    void secondStartWithFiles();
    void twoStartsAtOnce();

private:
    QProcess *start(const ProgramCopy &copy, const QProcessEnvironment &env,
                    const QStringList &arguments = {});
    // The start is refused: a box titled "Tarnwick" comes up, Return closes
    // it, the process ends with status and never shows a main window.
    void expectRefused(QProcess *process, int status = 0);
    // The start goes through: the main window comes up; closing it from the
    // desktop ends the process with 0.
    void expectStartsAndCloses(QProcess *process);
    // The process's error output so far, where it logs what it listed.
    static QByteArray logged(QProcess *process) { return process->peek(1 << 20); }

    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestSingleInstance::initTestCase()
{
    // The offscreen platform may also offer an X11 connection, for GLX.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        TARNWICK_SKIP("needs an X server (run under xvfb-run)");
    QVERIFY2(!runTool(QStringLiteral("xdotool"), {QStringLiteral("version")}).isEmpty(),
             "xdotool is needed");
    QVERIFY2(!x11TopLevelWindowExists(QStringLiteral("Tarnwick")),
             "the test's X server already shows a window titled Tarnwick");
}

void TestSingleInstance::cleanup()
{
    for (auto &process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    m_processes.clear();
}

QProcess *TestSingleInstance::start(const ProgramCopy &copy, const QProcessEnvironment &env,
                                    const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(copy.path());
    process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process->setReadChannel(QProcess::StandardError);
    process->start(copy.program(), arguments);
    if (!process->waitForStarted(10000))
        qWarning("could not start %s", qPrintable(copy.program()));
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

void TestSingleInstance::expectRefused(QProcess *process, int status)
{
    const qint64 pid = process->processId();
    QVERIFY(pid > 0);
    std::set<QString> seen;
    QString box;
    auto boxShown = [&] {
        const QStringList windows = visibleWindows(pid);
        seen.insert(windows.begin(), windows.end());
        box = windows.value(0);
        return !box.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(boxShown(), 30000);
    QCOMPARE(windowName(box), QStringLiteral("Tarnwick"));
    QVERIFY(windowSize(box) != QSize(656, 538));
    QCOMPARE(process->state(), QProcess::Running);

    runTool(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box});
    runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(process->waitForFinished(20000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), status);
    for (const QString &window : seen)
        QVERIFY(windowSize(window) != QSize(656, 538));
}

void TestSingleInstance::expectStartsAndCloses(QProcess *process)
{
    const qint64 pid = process->processId();
    QVERIFY(pid > 0);
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(pid)).isEmpty(), 30000);
    QCOMPARE(windowName(window), QStringLiteral("Tarnwick"));
    QVERIFY(requestClose(window));
    QVERIFY(process->waitForFinished(20000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 0);
}

void TestSingleInstance::secondCopyRefused()
{
    ProgramCopy first, second;
    QVERIFY(first.isValid() && second.isValid());
    QProcess *running = start(first, first.environment(QStringLiteral("xcb")));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(!(window = mainWindow(running->processId())).isEmpty(), 30000);
    QVERIFY(x11TopLevelWindowExists(QStringLiteral("Tarnwick")));

    // A TMPDIR of its own: only the window lookup can find the first copy.
    const QByteArray catalogue = readFile(second.filePath(QStringLiteral("Formats.ini")));
    expectRefused(start(second, second.environment(QStringLiteral("xcb"))));
    if (QTest::currentTestFailed())
        return;
    // It ended before its window was made: nothing of the start-up happened.
    QVERIFY(!QFileInfo::exists(second.filePath(QStringLiteral("Converted Videos"))));
    QCOMPARE(readFile(second.filePath(QStringLiteral("Formats.ini"))), catalogue);

    // The running copy is left alone.
    QCOMPARE(running->state(), QProcess::Running);
    QCOMPARE(mainWindow(running->processId()), window);
    expectStartsAndCloses(running);
}

void TestSingleInstance::foreignWindow_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("refused");
    QTest::newRow("same title") << "Tarnwick" << true;
    QTest::newRow("other letter case") << "tarnwick" << false;
    QTest::newRow("title plus more") << "Tarnwick - Videos" << false;
}

void TestSingleInstance::foreignWindow()
{
    QFETCH(QString, title);
    QFETCH(bool, refused);
    ProgramCopy copy;
    QVERIFY(copy.isValid());

    auto foreign = std::make_unique<QWidget>();
    foreign->setWindowTitle(title);
    foreign->resize(300, 200);
    foreign->show();
    QVERIFY(QTest::qWaitForWindowExposed(foreign.get()));
    QTRY_VERIFY(x11TopLevelWindowExists(title));

    QProcess *process = start(copy, copy.environment(QStringLiteral("xcb")));
    if (refused) {
        expectRefused(process);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!QFileInfo::exists(copy.filePath(QStringLiteral("Converted Videos"))));
        // Without the foreign window the program starts.
        foreign.reset();
        QTRY_VERIFY(!x11TopLevelWindowExists(QStringLiteral("Tarnwick")));
        process = start(copy, copy.environment(QStringLiteral("xcb")));
    }
    expectStartsAndCloses(process);
    QVERIFY(QFileInfo(copy.filePath(QStringLiteral("Converted Videos"))).isDir());
    QVERIFY(readFile(copy.filePath(QStringLiteral("Formats.ini"))).contains("\nOutputPath="));
}

void TestSingleInstance::socketRefusesWhereWindowsCannotBeListed()
{
    ProgramCopy first, second;
    QVERIFY(first.isValid() && second.isValid());
    // Offscreen and without a display: no window anyone could list.
    QProcess *hidden = start(first, first.environment(QStringLiteral("offscreen"), false));
    const QString socket = lockSocket(first.tmpDir());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 30000);
    QVERIFY(!x11TopLevelWindowExists(QStringLiteral("Tarnwick")));

    expectRefused(start(second, second.environment(QStringLiteral("xcb"), true, first.tmpDir())));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!QFileInfo::exists(second.filePath(QStringLiteral("Converted Videos"))));
    QCOMPARE(hidden->state(), QProcess::Running);

    // A copy that was killed leaves its socket file behind; nobody answers on
    // it, so the next start goes through.
    hidden->kill();
    QVERIFY(hidden->waitForFinished(10000));
    QVERIFY(QFileInfo::exists(socket));
    expectStartsAndCloses(
        start(second, second.environment(QStringLiteral("xcb"), true, first.tmpDir())));
}

void TestSingleInstance::secondStartWithFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("sharedSocket");
    QTest::addColumn<bool>("handedOver");
    QTest::newRow("files, to the running copy's socket") << QStringList{"a.avi", "b.avi"} << true << true;
    // Neither "holiday" nor the running copy's own folder.
    QTest::newRow("a name with a line break") << QStringList{"holiday\n."} << true << true;
    QTest::newRow("no files") << QStringList{} << true << false;
    QTest::newRow("files, no socket to hand them to") << QStringList{"a.avi"} << false << false;
}

void TestSingleInstance::secondStartWithFiles()
{
    QFETCH(QStringList, files);
    QFETCH(bool, sharedSocket);
    QFETCH(bool, handedOver);
    ProgramCopy first, second;
    QVERIFY(first.isValid() && second.isValid());
    QProcess *running = start(first, first.environment(QStringLiteral("xcb")));
    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow(running->processId()).isEmpty(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockSocket(first.tmpDir())), 30000);

    // A relative path: the later start makes it absolute for the running copy.
    QByteArray listed;
    for (const QString &file : files)
        listed += "tarnwick.handover: listed " + second.filePath(file).toUtf8() + '\n';
    QProcess *later = start(second,
                            second.environment(QStringLiteral("xcb"), true,
                                               sharedSocket ? first.tmpDir() : QString()),
                            files);
    if (handedOver) {
        QVERIFY(later->waitForFinished(20000));
        QCOMPARE(later->exitStatus(), QProcess::NormalExit);
        QCOMPARE(later->exitCode(), 0);
        QVERIFY(visibleWindows(later->processId()).isEmpty());
    } else {
        expectRefused(later, files.isEmpty() ? 0 : 1);
        if (QTest::currentTestFailed())
            return;
        listed.clear();
    }
    // The running copy lists exactly what was handed over.
    QTRY_VERIFY_WITH_TIMEOUT(logged(running).contains(listed), 10000);
    QCOMPARE(running->state(), QProcess::Running);
    expectStartsAndCloses(running);
    QCOMPARE(logged(running).count("listed "), listed.count("listed "));
}

// A double-click, or two quick "Open With": one window with the files of both.
void TestSingleInstance::twoStartsAtOnce()
{
    ProgramCopy first, second;
    QVERIFY(first.isValid() && second.isValid());
    QProcess *one = start(first, first.environment(QStringLiteral("xcb")), {QStringLiteral("a.avi")});
    QProcess *two = start(second, second.environment(QStringLiteral("xcb"), true, first.tmpDir()),
                          {QStringLiteral("b.avi")});
    QTRY_VERIFY_WITH_TIMEOUT(one->state() != QProcess::Running || two->state() != QProcess::Running,
                             60000);
    const bool oneKept = one->state() == QProcess::Running;
    QCOMPARE((oneKept ? two : one)->exitCode(), 0);
    const QString handed = oneKept ? second.filePath("b.avi") : first.filePath("a.avi");
    QTRY_VERIFY_WITH_TIMEOUT(logged(oneKept ? one : two).contains("listed " + handed.toUtf8() + '\n'),
                             10000);
    expectStartsAndCloses(oneKept ? one : two);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
