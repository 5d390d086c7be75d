// The movie's commands as the movie sends them, through its fsCommand signal.

#include <QDir>
#include <QQuickItem>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "support/files.h"
#include "support/hostfixture.h"

namespace {

const QString kFilter = QStringLiteral(
    "All Supported Types (*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;"
    "*.mpge)|*.mov;*.mp4;*.avi;*.wmv;*.asf;*.mpeg;*.mpg;*.flv;*.3gp;*.m1v;*.mp2;*.mpge |Video "
    "Files (*.avi;*.wmv)|*.avi;*.wmv|MPEG Files (*.mpeg;*.mpg;*.m1v;*.mp2)|*.mpeg;*.mpg;*.m1v;"
    "*.mp2|ASF Files (*.asf)|*.asf|All Files (*.*)|*.*||");

const QStringList kReset = {
    QStringLiteral("_root.disableStop=true"),   QStringLiteral("_root.enableConvert=true"),
    QStringLiteral("_root.progressValue=0"),    QStringLiteral("_root.enablerAllBtns=true"),
    QStringLiteral("_root.hideProgress=true"),  QStringLiteral("_root.convertOutput="),
};

// Everything a command can change that the tests can see.
struct Snapshot
{
    QStringList items;
    int current = -1;
    bool listVisible = false;
    QStringList selections;
    bool sameDirectory = true;
    QString outputPath;
    int batchFiles = 0;
    unsigned showListTimer = 0;
    int boxes = 0, openDialogs = 0, folderDialogs = 0, opened = 0;
    bool dialogVisible = false;
    bool minimized = false;
    int result = 0;
    int playersCreated = 0;

    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(HostFixture &fx)
{
    MainWindow &d = fx.dlg();
    Snapshot s;
    s.items = d.fileList()->paths();
    s.current = d.fileList()->currentIndex().row();
    s.listVisible = d.fileList()->isVisible();
    s.selections = {conversion(d).format,   conversion(d).container,  conversion(d).videoCodec,   conversion(d).videoBitrate,
                    conversion(d).scale,    conversion(d).audioCodec, conversion(d).audioBitrate, conversion(d).channels};
    s.sameDirectory = d.session().sameDirectory();
    s.outputPath = d.session().outputFolder();
    s.batchFiles = d.session().queue().batchCounts().total;
    s.showListTimer = d.m_showListTimer;
    s.boxes = int(fx.desktop.boxes.size());
    s.openDialogs = int(fx.desktop.openFilters.size());
    s.folderDialogs = int(fx.desktop.folderTitles.size());
    s.opened = int(fx.desktop.opened.size());
    s.dialogVisible = d.isVisible();
    s.minimized = d.isMinimized();
    s.result = d.result();
    s.playersCreated = fx.script->created;
    return s;
}

char *describe(const Snapshot &s)
{
    return qstrdup(qPrintable(
        QStringLiteral("items=%1 current=%2 listVisible=%3 selections=%4 same=%5 out=%6 "
                       "batch=%7 timer3=%8 boxes=%9 open=%10 folder=%11 shell=%12 "
                       "visible=%13 minimized=%14 result=%15 players=%16")
            .arg(s.items.join(QLatin1Char(',')))
            .arg(s.current)
            .arg(s.listVisible)
            .arg(s.selections.join(QLatin1Char(',')), QString::number(s.sameDirectory),
                 s.outputPath)
            .arg(s.batchFiles)
            .arg(s.showListTimer)
            .arg(s.boxes)
            .arg(s.openDialogs)
            .arg(s.folderDialogs)
            .arg(s.opened)
            .arg(s.dialogVisible)
            .arg(s.minimized)
            .arg(s.result)
            .arg(s.playersCreated)));
}

char *toString(const Snapshot &s)
{
    return describe(s);
}

// "IDC_FS_EXIT" -> "iDc_fS_ExIt"
QString mixedCase(const QString &text)
{
    QString mixed = text;
    for (qsizetype i = 0; i < mixed.size(); ++i)
        mixed[i] = i % 2 ? mixed[i].toUpper() : mixed[i].toLower();
    return mixed;
}

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandTable_data();
    void commandTable();
    void flashCallHasNoEffect();

    void selectionsCheckedBeforeStored_data();
    void selectionsCheckedBeforeStored();
    void formatCascade();
    void formatCascadeResetsCodecChoices();
    void containerCascade_data();
    void containerCascade();
    void unknownFormat();

    void browse();
    void browseCancelled_data();
    void browseCancelled();
    void otherAndSameDirectory_data();
    void otherAndSameDirectory();
    void supportMail();
    void help();

    void addFiles();
    void addCancelled();

    void cancel_data();
    void cancel();
    void convertWindowTwice();
    void convertEmptyList();

    void exitAndClose_data();
    void exitAndClose();
    void quitAsksWhileConverting_data();
    void quitAsksWhileConverting();

private:
    HostFixture &prepared();
    void runUntilConverted(HostFixture &fx, int converted);

    std::unique_ptr<HostFixture> m_fx;
    QString m_oldCurrent;
};

void TestDispatcher::init()
{
    m_oldCurrent = QDir::currentPath();
    m_fx = std::make_unique<HostFixture>();
    m_fx->start();
}

void TestDispatcher::cleanup()
{
    m_fx.reset();
    QDir::setCurrent(m_oldCurrent);
}

// Three listed files with the middle one chosen, the list on screen and the
// start-up timer done, a help file beside the program, and the movie's log empty.
HostFixture &TestDispatcher::prepared()
{
    HostFixture &fx = *m_fx;
    MainWindow &dlg = fx.dlg();
    QFile help(fx.file(QStringLiteral("help.html")));
    if (help.open(QIODevice::WriteOnly))
        help.write("<html></html>");
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        qWarning("window not exposed");
    dlg.onTimer(MainWindow::kShowListTimer);
    fx.addFiles({QStringLiteral("/v/a.avi"), QStringLiteral("/v/b.avi"), QStringLiteral("/v/c.avi")});
    dlg.fileList()->setCurrentIndex(dlg.fileList()->model()->index(1, 0));
    fx.desktop.openFilters.clear();
    fx.clearLog();
    return fx;
}

// A batch of real files in which the first ones convert and the last stays in hand.
void TestDispatcher::runUntilConverted(HostFixture &fx, int converted)
{
    fx.send(QStringLiteral("IDC_FS_REMOVEALL"));
    QStringList files;
    for (int i = 0; i <= converted; ++i) {
        files << fx.file(QStringLiteral("%1.avi").arg(i));
        QVERIFY(writeFile(files.last(), "source"));
        fx.script->jobs.push_back(i < converted ? PlayerScript::converting()
                                                : PlayerScript::Job{{{0.2f, 1}}, false, false, true, {}});
    }
    fx.addFiles(files);
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    for (int i = 0; i < 20 && fx.dlg().batch().convertedCount() < converted; ++i)
        fx.tick();
    QCOMPARE(fx.dlg().batch().convertedCount(), converted);
}

void TestDispatcher::commandTable_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("effect");

    const QList<std::pair<QString, QString>> table = {
        {"IDC_FS_EXIT", "exit"},
        {"IDC_FS_MINI", "minimize"},
        {"IDC_FS_HELP", "help"},
        {"IDC_FS_BROWSE", "browse"},
        {"IDC_FS_ADD", "add"},
        {"IDC_FS_REMOVE", "remove"},
        {"IDC_FS_REMOVEALL", "removeAll"},
        {"IDC_FS_UP", "up"},
        {"IDC_FS_DOWN", "down"},
        {"IDC_FS_VIDEOSETTING", "hide"},
        {"IDC_FS_AUDIOSETTING", "hide"},
        {"IDC_FS_ABOUT", "hide"},
        {"ID_FS_Slider", "show"},
        {"ID_FS_Slider2", "hide"},
        {"IDC_FS_support", "support"},
        {"IDC_FS_CONVERTWINDOW", "convertWindow"},
        {"IDC_FS_OTHERDIRECTORY", "other"},
        {"IDC_FS_SAMEDIRECTORY", "same"},
        {"ID-FS-convertTo", "format"},
        {"ID-FS-container", "container"},
        {"ID-FS-videoCodec", "sel2"},
        {"ID-FS-videoBitrate", "sel3"},
        {"ID-FS-videoScale", "sel4"},
        {"ID-FS-audioCodec", "sel5"},
        {"ID-FS-audioBitrate", "sel6"},
        {"ID-FS-audioChannnel", "sel7"},
        {"IDC_FS_CONVERT", "convert"},
        {"IDC_FS_CANCEL", "cancel"},
    };
    for (const auto &[command, effect] : table) {
        QStringList spellings{command, command.toLower(), mixedCase(command)};
        spellings.removeDuplicates();
        for (const QString &spelling : spellings)
            QTest::newRow(qPrintable(spelling)) << spelling << effect;
    }
    // Window dragging has no effect the offscreen platform can show; it must
    // at least not be taken for anything else.
    QTest::newRow("IDC_FS_DRAG") << "IDC_FS_DRAG" << "none";

    QTest::newRow("leading blank") << " IDC_FS_EXIT" << "none";
    QTest::newRow("trailing blank") << "IDC_FS_EXIT " << "none";
    QTest::newRow("character appended") << "IDC_FS_EXITx" << "none";
    QTest::newRow("prefix only") << "IDC_FS_EXI" << "none";
    QTest::newRow("hyphens for underscores") << "IDC-FS-EXIT" << "none";
    QTest::newRow("underscores for hyphens") << "ID_FS_convertTo" << "none";
    QTest::newRow("channel with two n") << "ID-FS-audioChannel" << "none";
    QTest::newRow("slider 3") << "ID_FS_Slider3" << "none";
    QTest::newRow("empty") << "" << "none";
}

void TestDispatcher::commandTable()
{
    QFETCH(QString, command);
    QFETCH(QString, effect);
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    if (effect == QLatin1String("show"))
        dlg.fileList()->hide();
    if (effect == QLatin1String("same"))
        dlg.session().setSameDirectory(false);
    fx.answer(QStringLiteral("_root.path"), QStringLiteral("/from/the/movie"));
    fx.desktop.openAnswers.push_back({QStringLiteral("/w/new.avi")});
    fx.desktop.folderAnswers.push_back(QStringLiteral("/chosen"));

    // Numbers are held to what they can mean.
    const QString argument = QStringList{"sel3", "sel4", "sel6", "sel7"}.contains(effect)
                                 ? QStringLiteral("7")
                                 : QStringLiteral("ARG");
    const Snapshot before = snapshot(fx);
    fx.send(command, argument);
    Snapshot expected = before;
    QStringList log;
    if (effect == QLatin1String("exit")) {
        expected.dialogVisible = false;
        expected.result = QDialog::Accepted;
        expected.listVisible = false; // hidden with its window
    } else if (effect == QLatin1String("minimize")) {
        expected.minimized = true;
    } else if (effect == QLatin1String("help")) {
        expected.opened = 1;
        QCOMPARE(fx.desktop.opened.value(0), fx.appDir() + QStringLiteral("help.html"));
    } else if (effect == QLatin1String("browse")) {
        expected.folderDialogs = 1;
        expected.outputPath = QStringLiteral("/chosen");
        log = QStringList{QStringLiteral("_root.path=/chosen")};
    } else if (effect == QLatin1String("add")) {
        expected.openDialogs = 1;
        expected.items << QStringLiteral("/w/new.avi");
    } else if (effect == QLatin1String("remove")) {
        expected.items = QStringList{QStringLiteral("/v/a.avi"), QStringLiteral("/v/c.avi")};
        expected.current = 0; // the file above the removed one
    } else if (effect == QLatin1String("removeAll")) {
        expected.items.clear();
        expected.current = -1;
    } else if (effect == QLatin1String("up")) {
        expected.items = QStringList{QStringLiteral("/v/b.avi"), QStringLiteral("/v/a.avi"),
                                     QStringLiteral("/v/c.avi")};
        expected.current = 0;
    } else if (effect == QLatin1String("down")) {
        expected.items = QStringList{QStringLiteral("/v/a.avi"), QStringLiteral("/v/c.avi"),
                                     QStringLiteral("/v/b.avi")};
        expected.current = 2;
    } else if (effect == QLatin1String("hide")) {
        expected.listVisible = false;
    } else if (effect == QLatin1String("show")) {
        expected.listVisible = true;
    } else if (effect == QLatin1String("support")) {
        expected.opened = 1;
        QVERIFY(fx.desktop.opened.value(0).startsWith(QLatin1String("mailto:")));
    } else if (effect == QLatin1String("convertWindow")) {
        expected.showListTimer = MainWindow::kShowListTimer;
        log = kReset;
    } else if (effect == QLatin1String("other")) {
        expected.sameDirectory = false;
        expected.outputPath = QStringLiteral("/from/the/movie");
        log = QStringList{QStringLiteral("?_root.path")};
    } else if (effect == QLatin1String("same")) {
        expected.sameDirectory = true;
    } else if (effect == QLatin1String("format")) {
        expected.selections = QStringList{"ARG", "", "", "1024", "1", "", "128", "2"};
        log = QStringList{"_root.containerStr=", "_root.containerFlag=1",
                          "_root.videoCodecStr=", "_root.videoCodecFlag=1",
                          "_root.audioCodecStr=", "_root.audioCodecFlag=1"};
    } else if (effect == QLatin1String("container")) {
        expected.selections = QStringList{".mp4", "ARG", "", "1024", "1", "", "128", "2"};
        log = QStringList{"_root.videoCodecStr=", "_root.videoCodecFlag=1",
                          "_root.audioCodecStr=", "_root.audioCodecFlag=1"};
    } else if (effect.startsWith(QLatin1String("sel"))) {
        expected.selections[effect.mid(3).toInt()] = argument;
    } else if (effect == QLatin1String("convert")) {
        // None of the listed files exists: each fails at once, before the engine.
        expected.batchFiles = 3;
        expected.boxes = 3;
        // The track checks are read before anything starts.
        log = QStringList{"?_root.audioCheck", "?_root.videoCheck",
                          "_root.disablerAllBtns=true", "_root.disableConvert=true",
                          "_root.enableStop=true"};
        for (const char *name : {"a", "b", "c"})
            log << "?_root.audioCheck" << "?_root.videoCheck"
                << QStringLiteral("_root.convertOutput=Converting /v/.../%1.avi, Total Converted "
                                  "files:0").arg(QLatin1String(name));
        log << kReset;
    } else if (effect == QLatin1String("cancel")) {
        log = kReset;
    } else {
        QCOMPARE(effect, QStringLiteral("none"));
    }
    QCOMPARE(snapshot(fx), expected);
    QCOMPARE(fx.designedLog(), log);
}

void TestDispatcher::flashCallHasNoEffect()
{
    HostFixture &fx = prepared();
    const Snapshot before = snapshot(fx);
    QObject *root = fx.dlg().movie()->rootObject();
    for (const QString &request :
         {QString(), QStringLiteral("IDC_FS_EXIT"), QStringLiteral("<invoke name=\"x\"/>")})
        QMetaObject::invokeMethod(root, "flashCall", Q_ARG(QString, request));
    QCOMPARE(snapshot(fx), before);
    QCOMPARE(fx.log(), QStringList());
}

void TestDispatcher::selectionsCheckedBeforeStored_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("args");
    QTest::addColumn<bool>("stored");

    // Codec names and numbers go into the engine's option text as they stand.
    const QList<std::pair<QString, int>> names = {{"ID-FS-videoCodec", 2}, {"ID-FS-audioCodec", 5}};
    const QList<std::pair<QString, int>> numbers = {{"ID-FS-videoBitrate", 3},
                                                    {"ID-FS-videoScale", 4},
                                                    {"ID-FS-audioBitrate", 6},
                                                    {"ID-FS-audioChannnel", 7}};
    struct Value
    {
        const char *name;
        QString text;
        bool asName;
        bool asNumber;
    };
    const QList<Value> values = {
        {"empty", QString(), true, false},
        {"plain", QStringLiteral("2"), true, true},
        {"blanks", QStringLiteral("  256  "), false, false},
        {"10 KB", QString(10240, QLatin1Char('9')), false, false},
        {"list", QStringLiteral("h264|mp4v"), false, false},
        {"non-ASCII", QStringLiteral("vidéo=½"), false, false},
        {"second output", QStringLiteral("1}:std{access=file,dst=x"), false, false},
    };
    for (const auto &[command, index] : names)
        for (const Value &v : values)
            QTest::addRow("%s %s", qPrintable(command), v.name) << command << index << v.text
                                                              << v.asName;
    for (const auto &[command, index] : numbers)
        for (const Value &v : values)
            QTest::addRow("%s %s", qPrintable(command), v.name) << command << index << v.text
                                                              << v.asNumber;
    QTest::newRow("scale 0.5") << "ID-FS-videoScale" << 4 << "0.5" << true;
    QTest::newRow("scale 0") << "ID-FS-videoScale" << 4 << "0" << false;
    QTest::newRow("channels 9") << "ID-FS-audioChannnel" << 7 << "9" << false;
}

void TestDispatcher::selectionsCheckedBeforeStored()
{
    QFETCH(QString, command);
    QFETCH(int, index);
    QFETCH(QString, args);
    QFETCH(bool, stored);
    HostFixture &fx = prepared();
    Snapshot expected = snapshot(fx);
    fx.send(command, args);
    if (stored)
        expected.selections[index] = args;
    QCOMPARE(snapshot(fx), expected);
    // Free settings are the host's alone: nothing goes to the movie.
    QCOMPARE(fx.log(), QStringList());
}

void TestDispatcher::formatCascade()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("ID-FS-videoBitrate"), QStringLiteral("2048"));
    fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("0.5"));
    fx.send(QStringLiteral("ID-FS-audioBitrate"), QStringLiteral("96"));
    fx.send(QStringLiteral("ID-FS-audioChannnel"), QStringLiteral("1"));
    fx.clearLog();

    fx.send(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".avi"));
    QCOMPARE(fx.log(), QStringList({
                           "_root.containerStr=avi|ts",
                           "_root.containerFlag=1",
                           "_root.videoCodecStr=mp4v|mp2v",
                           "_root.videoCodecFlag=1",
                           "_root.audioCodecStr=mp3",
                           "_root.audioCodecFlag=1",
                       }));
    QCOMPARE(presets(dlg, ConversionChoice::List::Containers), QStringList({"avi", "ts"}));
    QCOMPARE(snapshot(fx).selections,
             QStringList({".avi", "avi", "mp4v", "2048", "0.5", "mp3", "96", "1"}));

    // The argument is kept as sent; the catalogue lookup ignores letter case.
    fx.clearLog();
    fx.send(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".AVI"));
    QCOMPARE(conversion(dlg).format, QStringLiteral(".AVI"));
    QCOMPARE(conversion(dlg).container, QStringLiteral("avi"));
    QCOMPARE(fx.log().value(0), QStringLiteral("_root.containerStr=avi|ts"));
}

void TestDispatcher::formatCascadeResetsCodecChoices()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("ID-FS-container"), QStringLiteral("mov"));
    fx.send(QStringLiteral("ID-FS-videoCodec"), QStringLiteral("mp4v"));
    fx.send(QStringLiteral("ID-FS-audioCodec"), QStringLiteral("mp3"));
    fx.send(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".mp4"));
    QCOMPARE(conversion(dlg).container, QStringLiteral("mp4"));
    QCOMPARE(conversion(dlg).videoCodec, QStringLiteral("h264"));
    QCOMPARE(conversion(dlg).audioCodec, QStringLiteral("mp4a"));
}

void TestDispatcher::containerCascade_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::newRow("mov") << "mov"
                         << QStringList{"_root.videoCodecStr=mp4v", "_root.videoCodecFlag=1",
                                        "_root.audioCodecStr=mp4a", "_root.audioCodecFlag=1"}
                         << "mp4v" << "mp4a";
    QTest::newRow("no video codecs") << "ts"
                                     << QStringList{"_root.videoCodecStr=",
                                                    "_root.videoCodecFlag=1",
                                                    "_root.audioCodecStr=mpga",
                                                    "_root.audioCodecFlag=1"}
                                     << "" << "mpga";
    QTest::newRow("unknown") << "nosuch"
                             << QStringList{"_root.videoCodecStr=", "_root.videoCodecFlag=1",
                                            "_root.audioCodecStr=", "_root.audioCodecFlag=1"}
                             << "" << "";
}

void TestDispatcher::containerCascade()
{
    QFETCH(QString, container);
    QFETCH(QStringList, log);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("ID-FS-container"), container);
    QCOMPARE(fx.log(), log);
    QCOMPARE(conversion(dlg).format, QStringLiteral(".mp4"));
    QCOMPARE(conversion(dlg).container, container);
    QCOMPARE(conversion(dlg).videoCodec, videoCodec);
    QCOMPARE(conversion(dlg).audioCodec, audioCodec);
    QCOMPARE(presets(dlg, ConversionChoice::List::Containers), QStringList({"mp4", "mov"}));
}

void TestDispatcher::unknownFormat()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".xyz"));
    QCOMPARE(conversion(dlg).format, QStringLiteral(".xyz"));
    for (const QStringList *list : {&presets(dlg, ConversionChoice::List::Containers), &presets(dlg, ConversionChoice::List::VideoCodecs), &presets(dlg, ConversionChoice::List::AudioCodecs)})
        QCOMPARE(*list, QStringList{QString()});
    QCOMPARE(conversion(dlg).container, QString());
    QCOMPARE(conversion(dlg).videoCodec, QString());
    QCOMPARE(conversion(dlg).audioCodec, QString());
    QVERIFY(fx.desktop.boxes.isEmpty());
}

void TestDispatcher::browse()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    for (const bool same : {true, false}) {
        dlg.session().setSameDirectory(same);
        fx.clearLog();
        const QString chosen = QStringLiteral("/picked/Folder %1").arg(same);
        fx.desktop.folderAnswers.push_back(chosen);
        fx.send(QStringLiteral("IDC_FS_BROWSE"));
        QCOMPARE(fx.desktop.folderTitles.last(), QStringLiteral("Select a Destintion Folder."));
        QCOMPARE(fx.designedLog(), QStringList{QStringLiteral("_root.path=") + chosen});
        QCOMPARE(dlg.session().outputFolder(), chosen);
        QCOMPARE(dlg.session().sameDirectory(), same);
        // Neither checked nor created.
        QVERIFY(!QFileInfo::exists(chosen));
    }
}

void TestDispatcher::browseCancelled_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancelled") << true;
    QTest::newRow("no path") << false;
}

void TestDispatcher::browseCancelled()
{
    QFETCH(bool, cancel);
    HostFixture &fx = prepared();
    fx.desktop.folderAnswers.push_back(cancel ? std::optional<QString>() : QString());
    Snapshot expected = snapshot(fx);
    fx.send(QStringLiteral("IDC_FS_BROWSE"));
    expected.folderDialogs = 1;
    QCOMPARE(snapshot(fx), expected);
    QCOMPARE(fx.log(), QStringList());
}

void TestDispatcher::otherAndSameDirectory_data()
{
    QTest::addColumn<QString>("inMovie");
    QTest::addColumn<QString>("folder"); // empty: the one before stays
    QTest::newRow("a folder") << "/home/u/Videos out" << "/home/u/Videos out";
    QTest::newRow("empty") << "" << "";
    // From home, not the working folder, which Add changes.
    QTest::newRow("relative") << "~~ not | a path/../out" << QDir::homePath() + "/out";
    QTest::newRow("from home") << "~/Videos/" << QDir::homePath() + "/Videos";
}

void TestDispatcher::otherAndSameDirectory()
{
    QFETCH(QString, inMovie);
    QFETCH(QString, folder);
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    const QString expected = folder.isEmpty() ? dlg.session().outputFolder() : folder;
    fx.answer(QStringLiteral("_root.path"), inMovie);
    fx.send(QStringLiteral("IDC_FS_OTHERDIRECTORY"));
    QCOMPARE(fx.designedLog(), (expected == inMovie ? QStringList{"?_root.path"}
                                            : QStringList{"?_root.path", "_root.path=" + expected}));
    QCOMPARE(dlg.session().sameDirectory(), false);
    QCOMPARE(dlg.session().outputFolder(), expected);

    fx.clearLog();
    fx.answer(QStringLiteral("_root.path"), QStringLiteral("/changed/meanwhile"));
    fx.send(QStringLiteral("IDC_FS_SAMEDIRECTORY"));
    QCOMPARE(fx.designedLog(), QStringList());
    QCOMPARE(dlg.session().sameDirectory(), true);
    QCOMPARE(dlg.session().outputFolder(), expected);
}

void TestDispatcher::supportMail()
{
    HostFixture &fx = prepared();
    fx.send(QStringLiteral("IDC_FS_support"));
    QCOMPARE(fx.desktop.opened.size(), 1);
    const QString url = fx.desktop.opened.first();
    QVERIFY2(url.startsWith(QLatin1String("mailto:")) && url.indexOf(QLatin1Char('@')) > 7,
             qPrintable(url));
    QVERIFY(fx.desktop.boxes.isEmpty());
}

void TestDispatcher::help()
{
    HostFixture &fx = prepared();
    fx.send(QStringLiteral("IDC_FS_HELP"));
    QCOMPARE(fx.desktop.opened, QStringList{fx.appDir() + QStringLiteral("help.html")});
    // Without the file nothing happens, and nothing is said.
    QVERIFY(QFile::remove(fx.file(QStringLiteral("help.html"))));
    fx.send(QStringLiteral("IDC_FS_HELP"));
    QCOMPARE(fx.desktop.opened.size(), 1);
    QVERIFY(fx.desktop.boxes.isEmpty());
}

void TestDispatcher::addFiles()
{
    HostFixture &fx = prepared();
    FileList *list = fx.dlg().fileList();
    QTemporaryDir dirA, dirB;
    const QString a1 = dirA.filePath(QStringLiteral("one.avi"));
    const QString a2 = dirA.filePath(QStringLiteral("Clip.avi"));
    const QString a3 = dirA.filePath(QStringLiteral("clip.avi"));
    const QString b1 = dirB.filePath(QStringLiteral("two.mp4"));

    fx.desktop.openAnswers.push_back({a1, a2, a3});
    fx.send(QStringLiteral("IDC_FS_ADD"));
    QCOMPARE(fx.desktop.openFilters, QStringList{kFilter});
    QCOMPARE(list->paths(), QStringList({"/v/a.avi", "/v/b.avi", "/v/c.avi", a1, a2, a3}));
    QCOMPARE(QDir::currentPath(), dirA.path());

    // Already listed files are skipped; the folder of the last returned file
    // becomes the current one even when that file was skipped.
    fx.desktop.openAnswers.push_back({b1, QStringLiteral("/v/b.avi"), a2});
    fx.send(QStringLiteral("IDC_FS_ADD"));
    QCOMPARE(list->paths(), QStringList({"/v/a.avi", "/v/b.avi", "/v/c.avi", a1, a2, a3, b1}));
    QCOMPARE(QDir::currentPath(), dirA.path());

    fx.desktop.openAnswers.push_back({b1});
    fx.send(QStringLiteral("IDC_FS_ADD"));
    QCOMPARE(list->count(), 7);
    QCOMPARE(QDir::currentPath(), dirB.path());

    // The rest of the window stays as it was.
    QCOMPARE(list->currentIndex().row(), 1);
    QVERIFY(list->isVisible());
    QCOMPARE(fx.designedLog(), QStringList());
}

void TestDispatcher::addCancelled()
{
    HostFixture &fx = prepared();
    const QString current = QDir::currentPath();
    Snapshot expected = snapshot(fx);
    fx.send(QStringLiteral("IDC_FS_ADD")); // no answer queued: cancelled
    expected.openDialogs = 1;
    QCOMPARE(snapshot(fx), expected);
    QCOMPARE(QDir::currentPath(), current);
}

void TestDispatcher::cancel_data()
{
    QTest::addColumn<int>("converted");
    QTest::newRow("before any batch") << -1;
    QTest::newRow("nothing converted") << 0;
    QTest::newRow("one converted") << 1;
    QTest::newRow("two converted") << 2;
}

void TestDispatcher::cancel()
{
    QFETCH(int, converted);
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    if (converted > 0)
        runUntilConverted(fx, converted);
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_CANCEL"));
    if (converted < 1) {
        QVERIFY(fx.desktop.boxes.isEmpty());
        QCOMPARE(fx.designedLog(), kReset);
    } else {
        const QString text =
            QStringLiteral("Conversion Complete, Total Converted files :%1").arg(converted);
        QCOMPARE(fx.designedLog(), QStringList({QStringLiteral("_root.convertOutput=") + text,
                                        QStringLiteral("_root.progressValue=100")}) +
                               kReset);
        QCOMPARE(fx.desktop.boxes.size(), 1);
        QCOMPARE(fx.desktop.boxes.first().text, text);
        QCOMPARE(fx.desktop.boxes.first().caption, QStringLiteral("Tarnwick"));
        QCOMPARE(fx.desktop.boxes.first().buttons, Desktop::Ok);
        QTRY_COMPARE(fx.script->stops.load(), 1);
    }
    QVERIFY(!dlg.batch().isRunning());
    QVERIFY(dlg.isVisible());
}

void TestDispatcher::convertWindowTwice()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("ID_FS_Slider2"));
    QVERIFY(!dlg.fileList()->isVisible());
    fx.send(QStringLiteral("IDC_FS_CONVERTWINDOW"));
    fx.send(QStringLiteral("IDC_FS_CONVERTWINDOW"));
    QCOMPARE(dlg.m_showListTimer, MainWindow::kShowListTimer);
    QCOMPARE(fx.designedLog(), kReset + kReset);
    QTRY_VERIFY_WITH_TIMEOUT(dlg.fileList()->isVisible(), 5000);
    QCOMPARE(dlg.m_showListTimer, 0u);
}

void TestDispatcher::convertEmptyList()
{
    HostFixture &fx = prepared();
    MainWindow &dlg = fx.dlg();
    fx.send(QStringLiteral("IDC_FS_REMOVEALL"));
    Snapshot expected = snapshot(fx);
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QCOMPARE(snapshot(fx), expected);
    QCOMPARE(fx.log(), QStringList());
    QVERIFY(!dlg.batch().isRunning());
}

void TestDispatcher::exitAndClose_data()
{
    QTest::addColumn<bool>("exitCommand");
    QTest::addColumn<int>("result");
    QTest::newRow("exit command") << true << int(Desktop::IdOk);
    QTest::newRow("window closed") << false << int(Desktop::IdCancel);
}

void TestDispatcher::exitAndClose()
{
    QFETCH(bool, exitCommand);
    QFETCH(int, result);
    HostFixture fx(HostFixture::defaultCatalogue());
    Session session(fx.scriptedEngine, fx.appDir());
    MainWindow dlg(fx.desktop, session, fx.appDir());
    bool sent = false;
    QTimer::singleShot(0, &dlg, [&] {
        sent = true;
        if (exitCommand)
            QMetaObject::invokeMethod(dlg.movie()->rootObject(), "fsCommand",
                                      Q_ARG(QString, QStringLiteral("idc_fs_exit")),
                                      Q_ARG(QString, QString()));
        else
            dlg.close();
    });
    QCOMPARE(dlg.run(), result);
    QVERIFY(sent);
    QVERIFY(!dlg.isVisible());
    // The window's shutdown ran: the output folder is stored.
    SettingsFile settings(fx.appDir());
    settings.setFileName(QStringLiteral("Formats.ini"));
    QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QString(), QStringLiteral("genral")),
             fx.appDir() + QStringLiteral("Converted Videos"));
}

void TestDispatcher::quitAsksWhileConverting_data()
{
    QTest::addColumn<bool>("exitCommand");
    QTest::newRow("exit command") << true;
    QTest::newRow("window closed") << false;
}

// No lets the files go on, Yes quits.
void TestDispatcher::quitAsksWhileConverting()
{
    QFETCH(bool, exitCommand);
    HostFixture fx;
    fx.start().show();
    fx.addFiles(fx.sources({QStringLiteral("clip.avi")}));
    fx.script->jobs.push_back({{{0.4f, 2}}, false, false, false, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.desktop.boxAnswers = {Desktop::IdNo, Desktop::IdYes};
    for (const bool stays : {true, false}) {
        exitCommand ? fx.send(QStringLiteral("IDC_FS_EXIT")) : void(fx.dlg().close());
        QCOMPARE(fx.dlg().isVisible(), stays);
    }
    QCOMPARE(fx.desktop.boxTexts(),
             QStringList(2, QStringLiteral("Files are still converting. Stop them and quit?")));
}

QTEST_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
