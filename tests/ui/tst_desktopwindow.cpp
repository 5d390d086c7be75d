// The window on the desktop: drops, files handed over by a later start, the
// track checks, and what the session is told while a batch runs.

#include <thread>

#include <QDir>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/instancelock.h"
#include "support/files.h"
#include "support/hostfixture.h"

namespace {

QString make(const HostFixture &fx, const QString &name)
{
    const QString path = fx.file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path, "source");
    return path;
}

void drop(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    QVERIFY(dropped.isAccepted());
}

void runToEnd(HostFixture &fx)
{
    for (int i = 0; i < 50 && fx.dlg().batch().isRunning(); ++i) {
        fx.dlg().batch().poll();
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestDesktopWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drops_data();
    void drops();
    void dropDuringBatchJoinsQueue();
    void filesHandedOverByLaterStart();
    void trackChecks_data();
    void trackChecks();
    void sessionFollowsBatch_data();
    void sessionFollowsBatch();
    void keepDatesCommand();

private:
    QTemporaryDir m_runtime;
};

void TestDesktopWindow::initTestCase()
{
    // A single-copy socket of this test's own, whatever else runs here.
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void TestDesktopWindow::drops_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("a file, any type") << "movie" << QStringList{"notes.txt"} << QStringList{"notes.txt"};
    // Add's types and the catalogue's formats, in any letter case, at any depth.
    QTest::newRow("a folder") << "list" << QStringList{"in"}
                              << QStringList{"in/A.MOV", "in/deep/c.Mkv", "in/deep/d.mpge",
                                             "in/x.webm"};
    QTest::newRow("twice") << "movie" << QStringList{"in/A.MOV", "in", "in/A.MOV"}
                           << QStringList{"in/A.MOV", "in/deep/c.Mkv", "in/deep/d.mpge",
                                          "in/x.webm"};
}

void TestDesktopWindow::drops()
{
    QFETCH(QString, target);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, listed);
    // The catalogue makes .mp4, .avi and .webm here.
    QByteArray catalogue = HostFixture::defaultCatalogue();
    catalogue.replace("Extentions=.mp4|.avi", "Extentions=.mp4|.avi|.webm|.mkv");
    HostFixture fx(catalogue);
    fx.start();
    for (const char *name : {"notes.txt", "in/A.MOV", "in/readme.txt", "in/deep/c.Mkv",
                             "in/deep/d.mpge", "in/x.webm", "in/deep/y.srt"})
        make(fx, QLatin1String(name));
    QStringList paths, expected;
    for (const QString &name : dropped)
        paths << fx.file(name);
    for (const QString &name : listed)
        expected << fx.file(name);
    QWidget *widget = target == QLatin1String("list") ? fx.dlg().fileList()->viewport()
                                                      : static_cast<QWidget *>(fx.dlg().movie());
    drop(widget, paths);
    QCOMPARE(fx.dlg().fileList()->paths(), expected);
}

void TestDesktopWindow::dropDuringBatchJoinsQueue()
{
    HostFixture fx;
    fx.start();
    fx.addFiles({make(fx, QStringLiteral("a.avi"))});
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QVERIFY(fx.dlg().batch().isRunning());
    drop(fx.dlg().movie(), {make(fx, QStringLiteral("b.avi")), fx.file(QStringLiteral("a.avi"))});
    runToEnd(fx);
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.script->calls[1].uri, fx.file(QStringLiteral("b.avi")));
}

void TestDesktopWindow::filesHandedOverByLaterStart()
{
    HostFixture fx;
    fx.start();
    const QStringList files{make(fx, QStringLiteral("one.avi")), make(fx, QStringLiteral("two.mp4"))};
    // The later start is another process; here another thread waits for the answer.
    bool handed = false;
    std::thread later([&] { handed = InstanceLock::handOver(QStringLiteral("Tarnwick"), files); });
    QTRY_COMPARE(fx.dlg().fileList()->paths(), files);
    later.join();
    QVERIFY(handed);
}

void TestDesktopWindow::trackChecks_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("audio");
    // What the engine's option selects; empty: refused with the box.
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("box");
    QTest::newRow("no answer") << ".mp4" << "" << "" << "both" << "";
    QTest::newRow("both ticked") << ".mp4" << "true" << "TRUE" << "both" << "";
    QTest::newRow("audio unticked") << ".mp4" << "true" << "False" << "select=noaudio" << "";
    QTest::newRow("video unticked") << ".mp4" << "false" << "" << "select=novideo" << "";
    QTest::newRow("neither") << ".mp4" << "false" << "false" << ""
                             << "There is nothing to convert: tick Video or Audio.";
    QTest::newRow("sound-only format without audio")
        << ".mp3" << "true" << "false" << ""
        << "The format .mp3 cannot hold video alone: tick Audio, or choose another format.";
    QTest::newRow("sound-only format, video unticked")
        << ".mp3" << "false" << "true" << "select=novideo" << "";
}

void TestDesktopWindow::trackChecks()
{
    QFETCH(QString, format);
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(QString, kept);
    QFETCH(QString, box);
    HostFixture fx(HostFixture::shippedCatalogue());
    fx.start();
    fx.send(QStringLiteral("ID-FS-convertTo"), format);
    fx.answer(QStringLiteral("_root.videoCheck"), video);
    fx.answer(QStringLiteral("_root.audioCheck"), audio);
    fx.addFiles({make(fx, QStringLiteral("clip.flv"))});
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    runToEnd(fx);
    if (kept.isEmpty()) {
        QCOMPARE(fx.desktop.boxTexts(), QStringList{box});
        QVERIFY(fx.script->calls.isEmpty());
        return;
    }
    QVERIFY(!fx.script->calls.isEmpty());
    const QString option = fx.script->calls[0].option;
    if (kept == QLatin1String("both"))
        QVERIFY2(!option.contains(QLatin1String("select=")), qPrintable(option));
    else
        QVERIFY2(option.contains(kept), qPrintable(option));
}

void TestDesktopWindow::sessionFollowsBatch_data()
{
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("to the end") << false
                                << QStringList{"hold", "progress 0.00 2", "progress 0.25 2",
                                               "progress 0.50 1", "progress 0.75 1",
                                               "progress 1.00 0", "clear", "release",
                                               "notify Conversion complete|Converted: 1, failed: 1|OUT",
                                               "clear", "release"};
    QTest::newRow("stopped") << true
                             << QStringList{"hold", "progress 0.00 2", "progress 0.50 1",
                                            "clear", "release", "notify Conversion stopped|Converted: 0, failed: 0|OUT",
                                            "clear", "release"};
}

void TestDesktopWindow::sessionFollowsBatch()
{
    QFETCH(bool, stop);
    QFETCH(QStringList, calls);
    HostFixture fx;
    fx.start();
    const QString out = fx.file(QStringLiteral("out"));
    QDir().mkpath(out);
    fx.dlg().m_sameDirectory = false;
    fx.dlg().m_outputPath = out;
    calls.replaceInStrings(QStringLiteral("|OUT"), QLatin1Char('|') + out);
    fx.addFiles({make(fx, QStringLiteral("a.avi")), make(fx, QStringLiteral("b.avi"))});
    fx.script->jobs.push_back(PlayerScript::converting());
    for (int i = 0; i <= Batch::kRestarts; ++i)
        fx.script->jobs.push_back({{{0.5f, 1}, {-1.0f, -1}}, false, false, false, {}});
    ScriptedSession &session = fx.desktop.sessionRecord;
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    if (stop)
        fx.send(QStringLiteral("IDC_FS_CANCEL"));
    runToEnd(fx);
    QCOMPARE(session.calls, calls);

    // The notification's action shows the folder with the desktop's handler.
    emit session.openFolderRequested(out);
    QCOMPARE(fx.desktop.opened, QStringList{out});
}

void TestDesktopWindow::keepDatesCommand()
{
    HostFixture fx;
    fx.start();
    QCOMPARE(fx.log().last(), QStringLiteral("_root.keepDates=true"));
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_KEEPDATES"), QStringLiteral("false"));
    QCOMPARE(fx.log(), QStringList{QStringLiteral("_root.keepDates=false")});
    const QByteArray catalogue = readFile(fx.file(QStringLiteral("Formats.ini")));
    QVERIFY(!catalogue.contains("KeepDates"));
    QSettings stored(fx.file(QStringLiteral(".config/tarnwick/tarnwick.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("KeepDates")).toString(), QStringLiteral("false"));
    // A new window starts with what was stored.
    fx.dlg().shutDown();
    fx.start();
    QCOMPARE(fx.log().last(), QStringLiteral("_root.keepDates=false"));
}

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
