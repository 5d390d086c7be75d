// The real program converting from the command line, as a script or cron
// starts it: no display, no platform plugin chosen.

#include <csignal>

#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"
#include "support/media.h"
#include "support/skip.h"

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
    QByteArray bytes; // of out
};

void startProgram(QProcess &program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TARNWICK_PROGRAM_DIR "/tarnwick"),
                  QStringList{QStringLiteral("--convert")} + arguments);
}

// A run that hangs is killed here, with a word on why its status is -1.
Run run(const QStringList &arguments)
{
    constexpr int kDeadlineMs = 60000;
    QProcess program;
    startProgram(program, arguments);
    Run result;
    if (!program.waitForFinished(kDeadlineMs)) {
        qWarning("tarnwick --convert %s: no end within %d s", qPrintable(arguments.join(u' ')),
                 kDeadlineMs / 1000);
        program.kill();
        program.waitForFinished();
    } else if (program.exitStatus() == QProcess::NormalExit) {
        result.status = program.exitCode();
    }
    result.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(program.readAllStandardError());
    return result;
}

// Through the shell as a user types it: each argument reaches the program as
// exactly its bytes (printf's octal escapes). Its status follows on stderr,
// and a pipe may read its output.
Run runInShell(const QList<QByteArray> &arguments, const QString &pipe)
{
    QString script = QStringLiteral("{ \"$0\" --convert");
    for (const QByteArray &argument : arguments) {
        script += QStringLiteral(" \"$(printf '");
        for (const char c : argument)
            script += QString::asprintf("\\%03o", uchar(c));
        script += QStringLiteral("')\"");
    }
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script + "; echo status $? >&2; }" + pipe,
                                            QStringLiteral(TARNWICK_PROGRAM_DIR "/tarnwick")});
    shell.waitForFinished(120000);
    Run result{-1, {}, QString::fromLocal8Bit(shell.readAllStandardError()), shell.readAllStandardOutput()};
    result.status = result.err.section(QStringLiteral("status "), -1).trimmed().toInt();
    return result;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goodAndBadFile();
    void badArguments_data();
    void badArguments();
    void existingOutput_data();
    void existingOutput();
    void dropsTrack_data();
    void dropsTrack();
    void interruptLeavesNoPartFile_data();
    void interruptLeavesNoPartFile();
    void twoRunsIntoOneFolder();
    void namesKeptExactly_data();
    void namesKeptExactly();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestTerminal::initTestCase()
{
    if (!media::toolsAvailable())
        TARNWICK_SKIP("needs ffmpeg and ffprobe");
    // Not shorter: the engine's H.264 encoder holds back about two seconds
    // of picture, and a picture-only output of a shorter clip stays empty.
    m_clip = media::makeClip(m_dir.path(), QStringLiteral("clip"));
    QVERIFY(!m_clip.isEmpty());
}

void TestTerminal::goodAndBadFile()
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.avi"));
    const QString bad = dir.filePath(QStringLiteral("bad.avi"));
    QVERIFY(QFile::copy(m_clip, good));
    QVERIFY(writeFile(bad, "a text, not a video\n"));

    const Run result = run({good, bad});
    QCOMPARE(result.status, 1);
    const QString output = dir.filePath(QStringLiteral("good.mp4"));
    QCOMPARE(result.out, output + QLatin1Char('\n'));
    QVERIFY2(result.err.contains(QStringLiteral("failed: ") + bad), qPrintable(result.err));
    QCOMPARE(entries(dir.path()), QStringList({"bad.avi", "good.avi", "good.mp4"}));
    QVERIFY(media::probe(output).ok);
}

void TestTerminal::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("format not in the catalogue") << QStringList{"--format", ".xyz"} << ".xyz";
    QTest::newRow("codec not of the container")
        << QStringList{"--format", ".webm", "--video-codec", "h264"} << "h264";
    QTest::newRow("bitrate") << QStringList{"--audio-bitrate", "0"} << "\"0\"";
    QTest::newRow("missing file") << QStringList{"/nonexistent/clip.avi"} << "/nonexistent";
    // Not even root may create a file there.
    QTest::newRow("unwritable output folder") << QStringList{"--output", "/proc"} << "/proc";
    QTest::newRow("jobs") << QStringList{"--jobs", "0"} << "\"0\"";
    QTest::newRow("neither track") << QStringList{"--no-video", "--no-audio"} << "--no-video";
}

void TestTerminal::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const Run result = run(arguments + QStringList{m_clip});
    QCOMPARE(result.status, 2);
    QVERIFY2(result.err.contains(named), qPrintable(result.err));
    QVERIFY(result.out.isEmpty());
    QCOMPARE(entries(m_dir.path()), QStringList{"clip.avi"});
}

void TestTerminal::existingOutput_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("written"); // empty: nothing
    QTest::addColumn<bool>("oldKept");
    QTest::newRow("default skips") << QString() << 1 << QString() << true;
    QTest::newRow("overwrite") << "--overwrite" << 0 << "clip.mp4" << false;
    QTest::newRow("keep both") << "--keep-both" << 0 << "clip (2).mp4" << true;
}

void TestTerminal::existingOutput()
{
    QFETCH(QString, choice);
    QFETCH(int, status);
    QFETCH(QString, written);
    QFETCH(bool, oldKept);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("clip.avi"));
    const QString old = dir.filePath(QStringLiteral("clip.mp4"));
    QVERIFY(QFile::copy(m_clip, input));
    QVERIFY(writeFile(old, "an older output"));

    QStringList arguments{input};
    if (!choice.isEmpty())
        arguments.prepend(choice);
    const Run result = run(arguments);
    QCOMPARE(result.status, status);
    QCOMPARE(result.out, written.isEmpty() ? QString() : dir.filePath(written) + QLatin1Char('\n'));
    QCOMPARE(readFile(old) == "an older output", oldKept);
    if (!written.isEmpty())
        QVERIFY(media::probe(dir.filePath(written)).ok);
    else
        QVERIFY2(result.err.contains(old), qPrintable(result.err));
}

void TestTerminal::dropsTrack_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("videoStreams");
    QTest::addColumn<int>("audioStreams");
    QTest::newRow("no video") << "--no-video" << 0 << 1;
    QTest::newRow("no audio") << "--no-audio" << 1 << 0;
}

void TestTerminal::dropsTrack()
{
    QFETCH(QString, option);
    QFETCH(int, videoStreams);
    QFETCH(int, audioStreams);
    // Quotes, a brace and a comma in the folder survive the nested option.
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a \"b\" {c},'d'"));
    QVERIFY(QDir().mkpath(folder));

    const Run result = run({option, QStringLiteral("--format"), QStringLiteral(".mkv"),
                            QStringLiteral("--output"), folder, m_clip});
    QCOMPARE(result.status, 0);
    const media::Probe probe = media::probe(QDir(folder).filePath(QStringLiteral("clip.mkv")));
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QCOMPARE(probe.videoStreams, videoStreams);
    QCOMPARE(probe.audioStreams, audioStreams);
}

void TestTerminal::interruptLeavesNoPartFile_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestTerminal::interruptLeavesNoPartFile()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    const QString slow = media::makeClip(dir.path(), QStringLiteral("a"), {30.0, 640, 360});
    QVERIFY(!slow.isEmpty());
    QVERIFY(QFile::copy(slow, dir.filePath(QStringLiteral("b.avi"))));
    const auto parts = [&dir] {
        int written = 0;
        for (const QString &name : entries(dir.path()).filter(QStringLiteral(".tarnwick-work-")))
            written += QFileInfo(dir.filePath(name + QStringLiteral("/part.mp4"))).size() > 0;
        return written;
    };
    QProcess program;
    // Scaled up, the clips take far longer to convert than the test waits.
    startProgram(program, {QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--scale"),
                           QStringLiteral("4"), slow, dir.filePath(QStringLiteral("b.avi"))});
    QVERIFY(program.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(parts(), 2, 60000);

    ::kill(pid_t(program.processId()), signalNumber);
    // The engine finishes the pictures in hand first: seconds on a busy machine.
    QVERIFY2(program.waitForFinished(60000), "no end within 60 s of the signal");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 128 + signalNumber);
    // What was converted so far is kept where no output was before.
    QCOMPARE(entries(dir.path()), QStringList({"a.avi", "a.mp4", "b.avi", "b.mp4"}));
    QVERIFY(program.readAllStandardOutput().isEmpty());
}

// Both settle the same keep-both name; each prints only the file it wrote.
void TestTerminal::twoRunsIntoOneFolder()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("clip.mp4"), "the user's own"));
    QProcess runs[2];
    for (QProcess &program : runs)
        startProgram(program, {"--keep-both", "--scale", "2", "--output", dir.path(), m_clip});
    QStringList printed;
    for (QProcess &program : runs) {
        QVERIFY(program.waitForFinished(60000) && program.exitCode() == 0);
        printed << QString::fromLocal8Bit(program.readAllStandardOutput()).trimmed();
    }
    printed.sort();
    QCOMPARE(printed, QStringList({dir.filePath("clip (2).mp4"), dir.filePath("clip (3).mp4")}));
    for (const QString &output : printed)
        QVERIFY(media::probe(output).ok);
}

void TestTerminal::namesKeptExactly_data()
{
    using Bytes = QList<QByteArray>;
    QTest::addColumn<Bytes>("arguments"); // @: the test's folder; *.avi in it are made
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("printed");
    QTest::newRow("a Latin-1 name among good ones")
        << Bytes{"@/a.avi", "@/caf\xe9.avi", "@/b.avi"} << QString() << 0
        << QByteArray("@/a.mp4\n@/caf\xe9.mp4\n@/b.mp4\n");
    QTest::newRow("a line break, refused")
        << Bytes{"@/a.avi", "@/new\nline.avi"} << QString() << 2 << QByteArray();
    QTest::newRow("a line break, --null") << Bytes{"-0", "@/a.avi", "@/new\nline.avi"} << QString()
                                         << 0 << QByteArrayLiteral("@/a.mp4\0@/new\nline.mp4\0");
    QTest::newRow("no progress, --stall") << Bytes{"--stall", "0.05", "--output", "@", "/dev/zero"}
                                          << QString() << 1 << QByteArray();
    // The reader goes after the first path: a stop as on Ctrl+C (c.avi is
    // not started), not a death.
    QTest::newRow("output closed") << Bytes{"--scale", "4", "@/a.avi", "@/b.avi", "@/c.avi"}
                                   << "| head -n 1" << 1 << QByteArray("@/a.mp4\n");
}

void TestTerminal::namesKeptExactly()
{
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(QString, pipe);
    QFETCH(int, status);
    QFETCH(QByteArray, printed);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    for (QByteArray &argument : arguments) {
        argument.replace('@', folder);
        QVERIFY(!argument.endsWith(".avi") || ::link(QFile::encodeName(m_clip), argument) == 0);
    }
    const Run result = runInShell(arguments, pipe);
    QVERIFY2(result.status == status, qPrintable(result.err));
    QCOMPARE(result.bytes, printed.replace('@', folder));
    for (const QByteArray &output : printed.split(printed.isEmpty() ? '\n' : printed.back()))
        QVERIFY(output.isEmpty() || ::access(output.constData(), R_OK) == 0);
    QCOMPARE(entries(dir.path()).filter(QStringLiteral(".tarnwick-work-")), QStringList());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("c.mp4"))));
    // QTemporaryDir cannot remove a name that is not UTF-8.
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-r"), dir.path()});
}

QTEST_GUILESS_MAIN(TestTerminal)
#include "tst_terminal.moc"
