// The window on the desktop: drops, files handed over by a later start, the
// track checks, and what the session hears while a batch runs.

#include <thread>

#include <QDir>
#include <QLocalSocket>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "convert/nativename.h"
#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "platform/instancelock.h"
#include "support/files.h"
#include "support/hostfixture.h"

namespace {

QStringList make(const HostFixture &fx, const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names) {
        paths << fx.file(name);
        QDir().mkpath(QFileInfo(paths.last()).absolutePath());
        writeFile(paths.last(), "source");
    }
    return paths;
}

bool drop(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    for (const QString &path : paths)
        data.setUrls(data.urls() << QUrl::fromLocalFile(path));
    QDragEnterEvent enter(QPoint(9, 9), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropped(QPointF(9, 9), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    return QCoreApplication::sendEvent(target, &enter) && enter.isAccepted() &&
           QCoreApplication::sendEvent(target, &dropped) && dropped.isAccepted();
}

} // namespace

class TestDesktopWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drops_data();
    void drops();
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
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void TestDesktopWindow::drops_data()
{
    QTest::addColumn<bool>("onList");
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("listed");
    // Add's types and the catalogue's formats, in any letter case, at any depth.
    const QStringList videos{"in/A.MOV", "in/deep/c.Mkv", "in/deep/d.mpge", "in/x.webm"};
    QTest::newRow("a file of any type") << false << QStringList{"notes.txt"} << QStringList{"notes.txt"};
    QTest::newRow("a folder") << true << QStringList{"in"} << videos;
    QTest::newRow("twice") << false << QStringList{"in/A.MOV", "in", "in/A.MOV"} << videos;
}

void TestDesktopWindow::drops()
{
    QFETCH(bool, onList);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, listed);
    HostFixture fx(HostFixture::defaultCatalogue().replace(".mp4|.avi", ".mp4|.avi|.webm|.mkv"));
    fx.start();
    make(fx, {"notes.txt", "in/A.MOV", "in/readme.txt", "in/deep/c.Mkv", "in/deep/d.mpge",
              "in/x.webm", "in/deep/y.srt"});
    QWidget *target = onList ? fx.dlg().fileList()->viewport() : fx.dlg().movie();
    const auto paths = [&fx](const QStringList &names) {
        QStringList out;
        for (const QString &name : names)
            out << fx.file(name);
        return out;
    };
    QVERIFY(drop(target, paths(dropped)));
    fx.settle();
    QCOMPARE(fx.dlg().fileList()->paths(), paths(listed));

    // During a batch a dropped file joins its queue.
    fx.script->jobs.assign(2, PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_REMOVEALL"));
    fx.addFiles(make(fx, {"a.avi"}));
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QVERIFY(drop(fx.dlg().movie(), make(fx, {"b.avi"})));
    fx.settle();
    fx.runBatch(50);
    QCOMPARE(fx.script->calls.size(), 2);
    QCOMPARE(fx.script->calls[1].uri, fx.file(QStringLiteral("b.avi")));
}

void TestDesktopWindow::filesHandedOverByLaterStart()
{
    HostFixture fx;
    fx.start();
    const QStringList files = make(fx, {"one.avi", "two.mp4"});
    // The later start is another process; here a thread waits for the answer.
    // It is joined however the checks end, so a failed one fails only this test.
    int handed = -1;
    std::jthread later([&] { handed = InstanceLock::handOver(QStringLiteral("Tarnwick"), files); });
    QTRY_COMPARE(fx.dlg().fileList()->paths(), files);
    later.join();
    QCOMPARE(handed, 2);

    // By hand: a relative path is refused, and a request past the cap dropped.
    for (const QByteArray &request : {QByteArrayLiteral("rel.avi\0/v/c\xe9.avi\0\0"),
                                      QByteArray(InstanceLock::kMaxRequest + 1, '/')}) {
        QLocalSocket client;
        client.connectToServer(InstanceLock::socketPath(QStringLiteral("Tarnwick")));
        QVERIFY(client.waitForConnected(2000));
        client.write(request);
        QTRY_VERIFY_WITH_TIMEOUT(client.state() == QLocalSocket::UnconnectedState, 20000);
        QCOMPARE(client.readAll(), request.size() > 100 ? QByteArray() : QByteArray("1\n"));
    }
    QCOMPARE(fx.dlg().fileList()->paths(), files + QStringList{fromNativeName("/v/c\xe9.avi")});
}

void TestDesktopWindow::trackChecks_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("video");
    QTest::addColumn<QString>("audio");
    QTest::addColumn<QString>("result"); // what the engine's option selects, or the box
    QTest::newRow("no answer") << ".mp4" << "" << "" << "both";
    QTest::newRow("both ticked") << ".mp4" << "true" << "TRUE" << "both";
    QTest::newRow("audio unticked") << ".mp4" << "true" << "False" << "select=noaudio";
    QTest::newRow("video unticked") << ".mp4" << "false" << "" << "select=novideo";
    QTest::newRow("neither") << ".mp4" << "false" << "false"
                             << "There is nothing to convert: tick Video or Audio.";
    QTest::newRow("sound-only format without audio")
        << ".mp3" << "true" << "false"
        << "The format .mp3 cannot hold video alone: tick Audio, or choose another format.";
    QTest::newRow("sound-only format, video unticked") << ".mp3" << "false" << "true"
                                                       << "select=novideo";
}

void TestDesktopWindow::trackChecks()
{
    QFETCH(QString, format);
    QFETCH(QString, video);
    QFETCH(QString, audio);
    QFETCH(QString, result);
    HostFixture fx(HostFixture::shippedCatalogue());
    fx.start();
    fx.send(QStringLiteral("ID-FS-convertTo"), format);
    fx.answer(QStringLiteral("_root.videoCheck"), video);
    fx.answer(QStringLiteral("_root.audioCheck"), audio);
    fx.addFiles(make(fx, {"clip.flv"}));
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.dlg().batch().abandon();
    if (result.contains(QLatin1Char(' '))) {
        QCOMPARE(fx.desktop.boxTexts(), QStringList{result});
        QVERIFY(fx.script->calls.isEmpty());
        return;
    }
    QVERIFY(!fx.script->calls.isEmpty());
    const QString option = fx.script->calls[0].option;
    QVERIFY2(result == QLatin1String("both") ? !option.contains(QLatin1String("select="))
                                             : option.contains(result),
             qPrintable(option));
}

void TestDesktopWindow::sessionFollowsBatch_data()
{
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("to the end")
        << false
        << QStringList{"hold", "progress 0.00 2", "progress 0.25 2", "progress 0.50 1",
                       "progress 0.75 1", "clear", "release",
                       "notify Conversion complete|Converted: 1, failed: 1|OUT", "clear", "release"};
    QTest::newRow("stopped") << true
                             << QStringList{"hold", "progress 0.00 2", "clear", "release",
                                            "notify Conversion stopped|Converted: 0, failed: 0|OUT",
                                            "clear", "release"};
}

void TestDesktopWindow::sessionFollowsBatch()
{
    QFETCH(bool, stop);
    QFETCH(QStringList, calls);
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    const QString out = fx.file(QStringLiteral("out"));
    QDir().mkpath(out);
    fx.dlg().session().setSameDirectory(false);
    fx.dlg().session().setOutputFolder(out);
    fx.addFiles(make(fx, {"a.avi", "b.avi"}));
    fx.script->jobs.push_back(PlayerScript::converting());
    for (int i = 0; i <= Batch::kRestarts; ++i)
        fx.script->jobs.push_back({{{0.5f, 1}, {-1.0f, -1}}, false, false, false, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    if (stop)
        fx.send(QStringLiteral("IDC_FS_CANCEL"));
    fx.runBatch(50);
    QCOMPARE(fx.desktop.sessionRecord.calls, calls.replaceInStrings("|OUT", QLatin1Char('|') + out));

    // The notification's action shows the folder with the desktop's handler.
    emit fx.desktop.sessionRecord.openFolderRequested(out);
    QCOMPARE(fx.desktop.opened, QStringList{out});
}

void TestDesktopWindow::keepDatesCommand()
{
    HostFixture fx;
    fx.start();
    QVERIFY(fx.log().contains(QStringLiteral("_root.keepDates=true")));
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_KEEPDATES"), QStringLiteral("false"));
    QCOMPARE(fx.log(), QStringList{QStringLiteral("_root.keepDates=false")});
    QVERIFY(readFile(fx.file(QStringLiteral(".config/tarnwick/tarnwick.conf"))).contains("KeepDates=false"));
    QVERIFY(!readFile(fx.file(QStringLiteral("Formats.ini"))).contains("KeepDates"));
    // A new window starts with what was stored.
    fx.dlg().shutDown();
    fx.start();
    QVERIFY(fx.log().contains(QStringLiteral("_root.keepDates=false")));
}

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
