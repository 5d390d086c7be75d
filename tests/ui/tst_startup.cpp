// Start-up and shutdown of the main window: what the movie sees, which
// folders exist afterwards and what is stored at the end.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "settings/settingsfile.h"
#include "support/hostfixture.h"
#include "support/files.h"

namespace {

QByteArray garbage(int size)
{
    QRandomGenerator random(4242);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

QString storedOutputPath(const HostFixture &fx)
{
    SettingsFile settings(fx.appDir());
    settings.setFileName(QStringLiteral("Formats.ini"));
    return settings.readString(QStringLiteral("OutputPath"), QStringLiteral("<none>"),
                               QStringLiteral("genral"));
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void publishesInDesignedOrder();
    void selectsFirstEntriesAndFixedDefaults();
    void defaultOutputFolderWhenNothingStored();
    void storedOutputFolderWins();
    void brokenCatalogue_data();
    void brokenCatalogue();
    void fileListShownByItselfAfterThreeSeconds();
    void destroyStoresOutputPathAndResets();
    void destroyCreatesMissingSettingsFile();
    void destroyStoresChangedFolder();
    void brokenMovie_data();
    void brokenMovie();
};

void TestStartup::publishesInDesignedOrder()
{
    HostFixture fx;
    MainWindow &dlg = fx.start();
    const QString folder = fx.appDir() + QStringLiteral("Converted Videos");
    QCOMPARE(fx.designedLog(), QStringList({
                           QStringLiteral("_root.disableStop=true"),
                           QStringLiteral("_root.path=") + folder,
                           QStringLiteral("_root.version=5.0.0.0"),
                           QStringLiteral("_root.convertToStr=.mp4|.avi"),
                           QStringLiteral("_root.convertToFlag=1"),
                           QStringLiteral("_root.containerStr=mp4|mov"),
                           QStringLiteral("_root.containerFlag=1"),
                           QStringLiteral("_root.videoCodecStr=h264|mp4v"),
                           QStringLiteral("_root.videoCodecFlag=1"),
                           QStringLiteral("_root.audioCodecStr=mp4a|mp3"),
                           QStringLiteral("_root.audioCodecFlag=1"),
                           QStringLiteral("_root.keepDates=true"),
                           // The stored choices for unattended batches, after the designed ones.
                           QStringLiteral("_root.onExisting=ask"),
                           QStringLiteral("_root.onFailure=tell"),
                           QStringLiteral("_root.stall=0"),
                           QStringLiteral("_root.jobs=auto"),
                           // Where the movie wants the list.
                           QStringLiteral("?_root.fileArea"),
                       }));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tarnwick"));
    // Start-up asks nothing and shows nothing.
    QVERIFY(fx.desktop.boxes.isEmpty());
}

void TestStartup::selectsFirstEntriesAndFixedDefaults()
{
    // Lists published as stored: the trailing bar stays and gives an empty entry.
    HostFixture fx("[genral]\nExtentions=.avi|.mp4|\n"
                   "[muxer]\n.avi=avi|ts\n"
                   "[VC]\navi=mp4v|mp2v\n"
                   "[AC]\nAVI=mp3\n");
    MainWindow &dlg = fx.start();
    QVERIFY(fx.log().contains(QStringLiteral("_root.convertToStr=.avi|.mp4|")));
    QVERIFY(fx.log().contains(QStringLiteral("_root.audioCodecStr=mp3")));
    QCOMPARE(presets(dlg, ConversionChoice::List::Formats), QStringList({".avi", ".mp4", ""}));
    QCOMPARE(presets(dlg, ConversionChoice::List::Containers), QStringList({"avi", "ts"}));
    QCOMPARE(presets(dlg, ConversionChoice::List::VideoCodecs), QStringList({"mp4v", "mp2v"}));
    QCOMPARE(presets(dlg, ConversionChoice::List::AudioCodecs), QStringList({"mp3"}));
    QCOMPARE(conversion(dlg).format, QStringLiteral(".avi"));
    QCOMPARE(conversion(dlg).container, QStringLiteral("avi"));
    QCOMPARE(conversion(dlg).videoCodec, QStringLiteral("mp4v"));
    QCOMPARE(conversion(dlg).audioCodec, QStringLiteral("mp3"));
    QCOMPARE(conversion(dlg).videoBitrate, QStringLiteral("1024"));
    QCOMPARE(conversion(dlg).scale, QStringLiteral("1"));
    QCOMPARE(conversion(dlg).audioBitrate, QStringLiteral("128"));
    QCOMPARE(conversion(dlg).channels, QStringLiteral("2"));
    QCOMPARE(dlg.session().sameDirectory(), true);
    QVERIFY(!dlg.batch().isRunning());
}

void TestStartup::defaultOutputFolderWhenNothingStored()
{
    HostFixture fx;
    const QString folder = fx.appDir() + QStringLiteral("Converted Videos");
    QVERIFY(!QFileInfo::exists(folder));
    MainWindow &dlg = fx.start();
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(dlg.session().outputFolder(), folder);
    QVERIFY(fx.log().contains(QStringLiteral("_root.path=") + folder));
}

void TestStartup::storedOutputFolderWins()
{
    QTemporaryDir elsewhere;
    const QString stored = elsewhere.filePath(QStringLiteral("not/made/yet"));
    HostFixture fx(HostFixture::defaultCatalogue() + "[genral]\nOutputPath=" + stored.toUtf8() +
                   "\n");
    MainWindow &dlg = fx.start();
    QCOMPARE(dlg.session().outputFolder(), stored);
    QCOMPARE(fx.designedLog().at(1), QStringLiteral("_root.path=") + stored);
    // The default is made all the same; the stored folder is nobody's to make.
    QVERIFY(QFileInfo(fx.appDir() + QStringLiteral("Converted Videos")).isDir());
    QVERIFY(!QFileInfo::exists(stored));
    QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("not"))));
}

void TestStartup::brokenCatalogue_data()
{
    QTest::addColumn<QByteArray>("catalogue");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("garbage") << garbage(20000);
    QTest::newRow("other sections only") << QByteArray("[video]\nExtentions=.avi\n");
}

void TestStartup::brokenCatalogue()
{
    QFETCH(QByteArray, catalogue);
    HostFixture fx(catalogue);
    MainWindow &dlg = fx.start();
    const QStringList log = fx.designedLog();
    QCOMPARE(log.mid(3, 9), QStringList({
                             QStringLiteral("_root.convertToStr="),
                             QStringLiteral("_root.convertToFlag=1"),
                             QStringLiteral("_root.containerStr="),
                             QStringLiteral("_root.containerFlag=1"),
                             QStringLiteral("_root.videoCodecStr="),
                             QStringLiteral("_root.videoCodecFlag=1"),
                             QStringLiteral("_root.audioCodecStr="),
                             QStringLiteral("_root.audioCodecFlag=1"),
                             QStringLiteral("_root.keepDates=true"),
                         }));
    for (const QStringList *list :
         {&presets(dlg, ConversionChoice::List::Formats), &presets(dlg, ConversionChoice::List::Containers), &presets(dlg, ConversionChoice::List::VideoCodecs), &presets(dlg, ConversionChoice::List::AudioCodecs)})
        QCOMPARE(*list, QStringList{QString()});
    QCOMPARE(conversion(dlg).format, QString());
    QCOMPARE(conversion(dlg).container, QString());
    QCOMPARE(conversion(dlg).videoCodec, QString());
    QCOMPARE(conversion(dlg).audioCodec, QString());
    QCOMPARE(conversion(dlg).videoBitrate, QStringLiteral("1024"));
    QCOMPARE(conversion(dlg).scale, QStringLiteral("1"));
    QCOMPARE(conversion(dlg).audioBitrate, QStringLiteral("128"));
    QCOMPARE(conversion(dlg).channels, QStringLiteral("2"));
    QCOMPARE(dlg.session().outputFolder(), fx.appDir() + QStringLiteral("Converted Videos"));
    QVERIFY(fx.desktop.boxes.isEmpty());
}

void TestStartup::fileListShownByItselfAfterThreeSeconds()
{
    HostFixture fx;
    QElapsedTimer clock;
    clock.start();
    MainWindow &dlg = fx.start();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.fileList());
    QVERIFY(!dlg.fileList()->isVisible());
    QCOMPARE(dlg.m_showListTimer, MainWindow::kShowListTimer);
    QCOMPARE(dlg.fileList()->geometry(), QRect(220, 70, 372, 130));
    QTRY_VERIFY_WITH_TIMEOUT(dlg.fileList()->isVisible(), 10000);
    // Coarse timers may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 2800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(dlg.m_showListTimer, 0u);
}

void TestStartup::destroyStoresOutputPathAndResets()
{
    HostFixture fx;
    const QByteArray before = readFile(fx.file(QStringLiteral("Formats.ini")));
    MainWindow &dlg = fx.start();
    QVERIFY(writeFile(fx.file(QStringLiteral("a.avi")), "source"));
    fx.script->jobs.push_back({{{0.2f, 1}}, false, false, true, {}});
    fx.addFiles({fx.file(QStringLiteral("a.avi"))});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QVERIFY(dlg.batch().isRunning());
    QVERIFY(dlg.fileList());
    QPointer<FileList> list = dlg.fileList();

    dlg.shutDown();
    // A conversion still running ends with the window.
    QVERIFY(!dlg.batch().isRunning());
    QTRY_COMPARE(fx.script->stops.load(), 1);
    QCOMPARE(dlg.m_showListTimer, 0u);
    QVERIFY(!dlg.fileList());
    QVERIFY(list.isNull());

    const QString folder = fx.appDir() + QStringLiteral("Converted Videos");
    QCOMPARE(storedOutputPath(fx), folder);
    // The catalogue stays as it was, the new key follows the "genral" entries.
    QCOMPARE(readFile(fx.file(QStringLiteral("Formats.ini"))),
             QByteArray(before).replace("Extentions=.mp4|.avi\n",
                                        "Extentions=.mp4|.avi\nOutputPath=" + folder.toUtf8() +
                                            "\n"));
}

void TestStartup::destroyCreatesMissingSettingsFile()
{
    HostFixture fx(QByteArray{});
    QVERIFY(!QFileInfo::exists(fx.file(QStringLiteral("Formats.ini"))));
    MainWindow &dlg = fx.start();
    dlg.shutDown();
    QCOMPARE(readFile(fx.file(QStringLiteral("Formats.ini"))),
             "[genral]\nOutputPath=" + (fx.appDir() + QStringLiteral("Converted Videos")).toUtf8() +
                 "\n");
}

void TestStartup::destroyStoresChangedFolder()
{
    HostFixture fx;
    MainWindow &dlg = fx.start();
    fx.answer(QStringLiteral("_root.path"), QStringLiteral("/typed/into/the/movie"));
    fx.send(QStringLiteral("IDC_FS_OTHERDIRECTORY"));
    dlg.shutDown();
    QCOMPARE(storedOutputPath(fx), QStringLiteral("/typed/into/the/movie"));
    // A second destroy (the window's own, at deletion) writes nothing new.
    dlg.session().setOutputFolder(QStringLiteral("/changed/after"));
    dlg.shutDown();
    QCOMPARE(storedOutputPath(fx), QStringLiteral("/typed/into/the/movie"));
}

void TestStartup::brokenMovie_data()
{
    QTest::addColumn<QByteArray>("movie");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("syntax error") << QByteArray("import QtQuick\nItem { width: 10\n");
    QTest::newRow("unknown type") << QByteArray("import QtQuick\nNoSuchThing { }\n");
    QTest::newRow("root is not an item") << QByteArray("import QtQml\nQtObject { }\n");
    QTest::newRow("no host interface") << QByteArray("import QtQuick\nRectangle { color: \"red\" }\n");
    QTest::newRow("throwing functions")
        << QByteArray("import QtQuick\nItem {\n"
                      "  signal fsCommand(string command, string args)\n"
                      "  signal flashCall(string request)\n"
                      "  function setVariable(name, value) { throw new Error(\"no\") }\n"
                      "  function getVariable(name) { throw new Error(\"no\") }\n"
                      "}\n");
}

void TestStartup::brokenMovie()
{
    QFETCH(QByteArray, movie);
    HostFixture fx(HostFixture::defaultCatalogue(), QString());
    if (!movie.isNull()) {
        QFile f(fx.file(QStringLiteral("main.qml")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(movie);
    }
    MainWindow &dlg = fx.start();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tarnwick"));
    QVERIFY(fx.desktop.boxes.isEmpty());
    // The host goes on as before: selections, folders and commands still work.
    QCOMPARE(conversion(dlg).format, QStringLiteral(".mp4"));
    QCOMPARE(conversion(dlg).container, QStringLiteral("mp4"));
    dlg.onMovieCommand(QStringLiteral("ID-FS-container"), QStringLiteral("mov"));
    QCOMPARE(conversion(dlg).videoCodec, QStringLiteral("mp4v"));
    dlg.onMovieCommand(QStringLiteral("IDC_FS_OTHERDIRECTORY"), QString());
    QCOMPARE(dlg.session().sameDirectory(), false);
    // No folder from the movie: the one in use stays.
    QCOMPARE(dlg.session().outputFolder(), fx.appDir() + QStringLiteral("Converted Videos"));
    dlg.onMovieCommand(QStringLiteral("IDC_FS_CANCEL"), QString());
    QVERIFY(dlg.isVisible());
    // The list still comes up by itself.
    if (movie.isNull())
        QTRY_VERIFY_WITH_TIMEOUT(dlg.fileList()->isVisible(), 10000);
    dlg.shutDown();
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
