// The batch as the window shows it: the movie's variables in their order, the
// boxes and the save dialog, driven through the movie's commands with a
// scripted engine and scripted answers.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "filelist/filelist.h"
#include "support/hostfixture.h"
#include "support/files.h"

namespace {

const QString kProgress = QStringLiteral("_root.progressValue=");

// One tick of the progress poll, then the engine's end events.
void tick(HostFixture &fx)
{
    fx.tick();
}

} // namespace

class TestBatchDisplay : public QObject
{
    Q_OBJECT

private slots:
    void tickDecisions_data();
    void tickDecisions();
    void batchStartAndFileVariablesInOrder();
    void completionThenReset();
    void silentEndWhenNothingConverted();
    void emptyListDoesNothing();
    void failingFileRestartsThreeTimesThenGivesUp();
    void secondOfThreeNeverOpens();
    void fileFinishedBetweenTicksCounts();
    void progressSeenDoesNotLeakIntoNextFile();
    void restartOfFirstFileResendsBatchStart();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void inputIsNeverOfferedForOverwrite();
    void restartKeepsTheChosenOutput();
    void givingUpLeavesUntouchedExistingOutput();
    void valuesTheEngineCouldMisreadAreRefused();
    void refusedHandOverReportsAndMovesOn();
    void optionUsesCurrentSettingsVerbatim();
    void cancelStopsPlayerAndResets();
    void removeAllDuringBatchEndsIt();
};

void TestBatchDisplay::tickDecisions_data()
{
    QTest::addColumn<float>("p");
    QTest::addColumn<int>("t");
    QTest::addColumn<QString>("written"); // empty: nothing written, file still converting

    QTest::newRow("half way") << 0.5f << 12 << "50";
    QTest::newRow("below one percent") << 0.0049f << 1 << "0";
    QTest::newRow("truncated, never rounded") << 0.999f << 3 << "99";
    QTest::newRow("complete") << 1.0f << 10 << "100";
    QTest::newRow("time zero") << 0.5f << 0 << "";
    QTest::newRow("position zero") << 0.0f << 4 << "";
    QTest::newRow("only position negative") << -1.0f << 5 << "";
    QTest::newRow("only time negative") << 0.3f << -1 << "";
}

void TestBatchDisplay::tickDecisions()
{
    QFETCH(float, p);
    QFETCH(int, t);
    QFETCH(QString, written);

    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.script->jobs.push_back({{{p, t}}, false, false, false, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));

    fx.clearLog();
    tick(fx);
    QCOMPARE(fx.designedLog(), written.isEmpty() ? QStringList() : QStringList{kProgress + written});
    // Either way the file is still in hand: only the engine's event ends it.
    QVERIFY(fx.dlg().batch().isRunning());
    QCOMPARE(filesOf(fx.dlg()).value(0).state, JobQueue::State::Converting);
}

void TestBatchDisplay::batchStartAndFileVariablesInOrder()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("clip.avi")});
    fx.addFiles(files);
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));

    const QString name = QStringLiteral("/clip.avi");
    QCOMPARE(fx.designedLog(), (QStringList{
                           "?_root.audioCheck",
                           "?_root.videoCheck",
                           "_root.disablerAllBtns=true",
                           "_root.disableConvert=true",
                           "_root.enableStop=true",
                           "?_root.audioCheck",
                           "?_root.videoCheck",
                           "_root.convertOutput=Converting " + files[0].left(3) + "..." + name +
                               ", Total Converted files:0",
                           "_root.showProgress=true",
                       }));
    QVERIFY(!fx.dlg().fileList()->m_deleteKeyEnabled);
    QCOMPARE(fx.script->calls.size(), 1);
    QCOMPARE(fx.script->calls[0].uri, files[0]);
}

void TestBatchDisplay::completionThenReset()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.script->jobs.push_back(PlayerScript::converting(0.25f, 2));
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.clearLog();
    fx.runBatch();

    const QString done = QStringLiteral("Conversion Complete, Total Converted files:1");
    QCOMPARE(fx.designedLog(), (QStringList{
                           kProgress + "25",
                           "_root.convertOutput=" + done,
                           kProgress + "100",
                           "_root.disableStop=true",
                           "_root.enableConvert=true",
                           kProgress + "0",
                           "_root.enablerAllBtns=true",
                           "_root.hideProgress=true",
                           "_root.convertOutput=",
                       }));
    QCOMPARE(fx.desktop.boxes.size(), 1);
    QCOMPARE(fx.desktop.boxes[0].text, done);
    QCOMPARE(fx.desktop.boxes[0].caption, QStringLiteral("Tarnwick"));
    QVERIFY(!fx.dlg().batch().isRunning());
    QVERIFY(fx.dlg().fileList()->m_deleteKeyEnabled);
}

void TestBatchDisplay::silentEndWhenNothingConverted()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.desktop.boxAnswers = {Desktop::IdOk};
    fx.send(QStringLiteral("IDC_FS_CONVERT")); // every job fails
    fx.runBatch();
    QCOMPARE(fx.desktop.boxTexts(), QStringList{"Unable to Convert File:" + fx.file("a.avi") + " "});
    QVERIFY(!fx.designedLog().join('\n').contains(QStringLiteral("Conversion Complete")));
    QCOMPARE(fx.designedLog().last(), QStringLiteral("_root.convertOutput="));
}

void TestBatchDisplay::emptyListDoesNothing()
{
    HostFixture fx;
    fx.start();
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QCOMPARE(fx.designedLog(), QStringList());
    QVERIFY(!fx.dlg().batch().isRunning());
    QCOMPARE(fx.script->created, 0);
}

void TestBatchDisplay::failingFileRestartsThreeTimesThenGivesUp()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("bad.avi")});
    fx.addFiles(files);
    for (int i = 0; i < 4; ++i)
        fx.script->jobs.push_back(PlayerScript::failingWithOutput());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    QCOMPARE(fx.script->calls.size(), 4);
    QCOMPARE(fx.script->created, 4);
    QCOMPARE(fx.desktop.boxes.size(), 1);
    QCOMPARE(fx.desktop.boxes[0].text, "Unable to Convert File:" + files[0] + " ");
    QCOMPARE(fx.desktop.boxes[0].caption, QStringLiteral("Error conversion"));
    QVERIFY(!QFile::exists(fx.file("bad.mp4")));
    QVERIFY(QFile::exists(files[0]));
}

void TestBatchDisplay::secondOfThreeNeverOpens()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    const QStringList files =
        fx.sources({QStringLiteral("1.avi"), QStringLiteral("2.avi"), QStringLiteral("3.avi")});
    fx.addFiles(files);
    fx.script->jobs.push_back(PlayerScript::converting());
    for (int i = 0; i < 4; ++i)
        fx.script->jobs.push_back(PlayerScript::failingWithOutput());
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    QStringList uris;
    for (const auto &call : fx.script->calls)
        uris << call.uri;
    QCOMPARE(uris, (QStringList{files[0], files[1], files[1], files[1], files[1], files[2]}));
    QCOMPARE(fx.desktop.boxTexts(),
             (QStringList{"Unable to Convert File:" + files[1] + " ",
                          QStringLiteral("Conversion Complete, Total Converted files:2")}));
    QVERIFY(QFile::exists(fx.file("1.mp4")));
    QVERIFY(!QFile::exists(fx.file("2.mp4")));
    QVERIFY(QFile::exists(fx.file("3.mp4")));
    const QStringList log = fx.designedLog();
    QVERIFY(log.contains("_root.convertOutput=Converting " + files[2].left(3) +
                         ".../3.avi, Total Converted files:1"));
}

void TestBatchDisplay::fileFinishedBetweenTicksCounts()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("short.avi")}));
    // No poll ever sees progress, but the player saw the file through.
    fx.script->jobs.push_back({{{-1.0f, -1}}, true, false, true, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();
    QCOMPARE(fx.script->calls.size(), 1);
    QCOMPARE(fx.desktop.boxTexts(),
             QStringList{QStringLiteral("Conversion Complete, Total Converted files:1")});
    QVERIFY(QFile::exists(fx.file("short.mp4")));
}

void TestBatchDisplay::progressSeenDoesNotLeakIntoNextFile()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.script->jobs.push_back({{{0.3f, 2}}, false, false, false, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    tick(fx);
    QVERIFY(fx.designedLog().contains(kProgress + "30"));
    fx.send(QStringLiteral("IDC_FS_CANCEL"));
    QTRY_COMPARE(fx.script->stops.load(), 1);

    // The next batch's file never gets anywhere: it must be retried, not counted.
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();
    QCOMPARE(fx.script->calls.size(), 1 + 4);
    QVERIFY(!fx.designedLog().join('\n').contains(QStringLiteral("Conversion Complete")));
}

void TestBatchDisplay::restartOfFirstFileResendsBatchStart()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.clearLog();
    fx.tick(); // the job ended without progress: restart
    const QStringList log = fx.designedLog();
    QVERIFY(log.size() >= 3);
    QCOMPARE(log.mid(0, 3), (QStringList{"_root.disablerAllBtns=true", "_root.disableConvert=true",
                                         "_root.enableStop=true"}));
    QCOMPARE(fx.script->calls.size(), 2);
}

void TestBatchDisplay::overwriteQuestion_data()
{
    QTest::addColumn<bool>("builtByJob"); // both checks "TRUE": the job builds its own name
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveChosen");

    for (const bool a : {true, false}) {
        const char *variant = a ? "job-built" : "batch-built";
        QTest::addRow("%s, yes", variant) << a << int(Desktop::IdYes) << false;
        QTest::addRow("%s, no then save", variant) << a << int(Desktop::IdNo) << true;
        QTest::addRow("%s, no then cancel", variant) << a << int(Desktop::IdNo) << false;
    }
}

void TestBatchDisplay::overwriteQuestion()
{
    QFETCH(bool, builtByJob);
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);

    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("clip.mov"), QStringLiteral("b.avi")});
    const QString existing = fx.file("clip.mp4");
    QVERIFY(writeFile(existing, "keep me"));
    fx.addFiles(files);
    if (builtByJob) {
        fx.answer(QStringLiteral("_root.audioCheck"), QStringLiteral("TRUE"));
        fx.answer(QStringLiteral("_root.videoCheck"), QStringLiteral("True"));
    }
    const QString renamed = fx.file("renamed.mp4");
    fx.desktop.boxAnswers = {answer};
    if (saveChosen)
        fx.desktop.saveAnswers = {renamed};
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));

    QCOMPARE(fx.desktop.boxes[0].text,
             "File Name:" + existing + " Already Exist overwrite [Yes/No]");
    QCOMPARE(fx.desktop.boxes[0].caption, QStringLiteral("File Already Exist"));
    QCOMPARE(fx.desktop.boxes[0].buttons, Desktop::YesNo);

    if (answer == Desktop::IdYes) {
        QVERIFY(fx.desktop.saveRequests.isEmpty());
        QCOMPARE(fx.script->calls[0].uri, files[0]);
        fx.runBatch();
        QCOMPARE(readFile(existing), "partial output");
        return;
    }
    QCOMPARE(fx.desktop.saveRequests.size(), 1);
    const auto &request = fx.desktop.saveRequests[0];
    QCOMPARE(request.defaultExtension, QStringLiteral(".mp4"));
    if (builtByJob) {
        QCOMPARE(request.filter, QStringLiteral("All Supported Types (*.mp4)|*.mp4||"));
        QCOMPARE(request.initialName, existing);
    } else {
        QCOMPARE(request.filter, QStringLiteral("All Ipod Supported Types (*.mp4)|*.mp4||"));
        QCOMPARE(request.initialName, fx.file("clip_new_mov"));
    }
    if (saveChosen) {
        fx.runBatch();
        QCOMPARE(readFile(renamed), "partial output");
    } else {
        // Skipped: the next file starts at once and the first is never converted.
        QCOMPARE(fx.script->calls.size(), 1);
        QCOMPARE(fx.script->calls[0].uri, files[1]);
        QCOMPARE(filesOf(fx.dlg()).value(0).state, JobQueue::State::Skipped);
    }
    QCOMPARE(readFile(existing), QByteArray("keep me"));
}

void TestBatchDisplay::inputIsNeverOfferedForOverwrite()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("same.mp4")});
    fx.addFiles(files);
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));

    // Nor asked about: the output takes the keep-both name.
    QVERIFY(fx.desktop.boxes.isEmpty());
    QCOMPARE(fx.desktop.saveRequests.size(), 0);
    fx.runBatch();
    QCOMPARE(readFile(fx.file("same (2).mp4")), "partial output");
    QCOMPARE(readFile(files[0]), QByteArray("RIFF....AVI source"));
}

void TestBatchDisplay::restartKeepsTheChosenOutput()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("clip.avi")});
    const QString existing = fx.file("clip.mp4");
    QVERIFY(writeFile(existing, "keep me"));
    fx.addFiles(files);
    const QString renamed = fx.file("other.mp4");
    fx.desktop.boxAnswers = {Desktop::IdNo};
    fx.desktop.saveAnswers = {renamed};
    for (int i = 0; i < 3; ++i)
        fx.script->jobs.push_back(PlayerScript::failingWithOutput());
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.runBatch();

    QCOMPARE(fx.script->calls.size(), 4);
    QCOMPARE(readFile(existing), QByteArray("keep me"));
    QCOMPARE(readFile(renamed), "partial output");
}

void TestBatchDisplay::givingUpLeavesUntouchedExistingOutput()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("clip.avi")});
    const QString existing = fx.file("clip.mp4");
    QVERIFY(writeFile(existing, "precious"));
    fx.addFiles(files);
    fx.desktop.boxAnswers = {Desktop::IdYes, Desktop::IdOk};
    fx.send(QStringLiteral("IDC_FS_CONVERT")); // jobs fail without writing anything
    fx.runBatch();
    QCOMPARE(fx.script->calls.size(), 4);
    QCOMPARE(readFile(existing), QByteArray("precious"));
}

void TestBatchDisplay::valuesTheEngineCouldMisreadAreRefused()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    // Each of these would reach the engine's option text as it stands.
    fx.send(QStringLiteral("ID-FS-videoBitrate"), QStringLiteral("1}:std{access=file,dst=x"));
    fx.send(QStringLiteral("ID-FS-videoBitrate"), QString());
    fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("nan"));
    fx.send(QStringLiteral("ID-FS-audioBitrate"), QStringLiteral("-5"));
    fx.send(QStringLiteral("ID-FS-audioChannnel"), QStringLiteral("99"));
    fx.send(QStringLiteral("ID-FS-videoCodec"), QStringLiteral("h264,vb=1"));
    fx.send(QStringLiteral("ID-FS-container"), QStringLiteral("ts}"));
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QCOMPARE(fx.script->calls.size(), 1);
    QVERIFY2(fx.script->calls[0].option.startsWith(
                 ":sout=#transcode{vcodec=h264,vfilter=fps,vb=1024,acodec=mp4a,ab=128,channels=2,"
                 "deinterlace}:std{access=file,mux=mp4,url=\""),
             qPrintable(fx.script->calls[0].option));
}

void TestBatchDisplay::refusedHandOverReportsAndMovesOn()
{
    HostFixture fx;
    fx.start();
    const QStringList files = fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    fx.addFiles(files);
    fx.script->jobs.push_back({{}, false, true, false, {}});
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_CONVERT"));

    QCOMPARE(fx.desktop.boxes.size(), 1);
    QCOMPARE(fx.desktop.boxes[0].text, QStringLiteral("Error Ocurrs 5"));
    QCOMPARE(fx.desktop.boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(filesOf(fx.dlg()).value(0).state, JobQueue::State::Failed);
    const QStringList log = fx.designedLog();
    const qsizetype reset = log.indexOf(kProgress + "0");
    QVERIFY(reset > 0);
    QVERIFY(log.indexOf(QRegularExpression("_root.convertOutput=Converting .*b.avi.*")) > reset);
    fx.runBatch();
    QCOMPARE(fx.desktop.boxTexts().last(),
             QStringLiteral("Conversion Complete, Total Converted files:1"));
}

void TestBatchDisplay::optionUsesCurrentSettingsVerbatim()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi")}));
    fx.send(QStringLiteral("ID-FS-convertTo"), QStringLiteral(".avi"));
    fx.send(QStringLiteral("ID-FS-container"), QStringLiteral("ts"));
    fx.send(QStringLiteral("ID-FS-videoBitrate"), QString());
    fx.send(QStringLiteral("ID-FS-videoScale"), QStringLiteral("0.5"));
    fx.send(QStringLiteral("ID-FS-audioChannnel"), QStringLiteral("1"));
    fx.send(QStringLiteral("ID-FS-audioBitrate"), QStringLiteral("96"));
    fx.send(QStringLiteral("ID-FS-videoCodec"), QStringLiteral("mp2v"));
    fx.send(QStringLiteral("IDC_FS_SAMEDIRECTORY"));
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    QCOMPARE(fx.script->calls.size(), 1);
    const QString option = fx.script->calls[0].option;
    QVERIFY2(option.startsWith(":sout=#transcode{vcodec=mp2v,vb=1024,scale=0.5,acodec=mpga,ab=96,"
                               "channels=1,deinterlace}:std{access=file,mux=ts,url=\""),
             qPrintable(option));
    fx.runBatch();
    QCOMPARE(readFile(fx.file("a (2).avi")), "partial output"); // a.avi is the source
}

void TestBatchDisplay::cancelStopsPlayerAndResets()
{
    HostFixture fx;
    fx.start();
    fx.addFiles(fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi")}));
    fx.script->jobs.push_back(PlayerScript::converting());
    fx.script->jobs.push_back({{{0.2f, 1}}, false, false, true, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    tick(fx);
    tick(fx); // a.avi done, b.avi started
    QCOMPARE(fx.dlg().batch().convertedCount(), 1);
    fx.send(QStringLiteral("IDC_FS_CANCEL"));
    QTRY_COMPARE(fx.script->stops.load(), 1);
    QVERIFY(!fx.dlg().batch().isRunning());
    QCOMPARE(fx.desktop.boxTexts(),
             QStringList{QStringLiteral("Conversion Complete, Total Converted files :1")});
    QCOMPARE(readFile(fx.file("b.mp4")), QByteArray("partial output")); // what was written stays
}

void TestBatchDisplay::removeAllDuringBatchEndsIt()
{
    HostFixture fx;
    fx.start();
    fx.send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    fx.addFiles(fx.sources({QStringLiteral("a.avi"), QStringLiteral("b.avi")}));
    fx.script->jobs.push_back({{{0.2f, 1}}, false, false, true, {}});
    fx.send(QStringLiteral("IDC_FS_CONVERT"));
    fx.clearLog();
    fx.send(QStringLiteral("IDC_FS_REMOVEALL"));
    // The file in hand is stopped, the waiting one leaves, and the movie is
    // idle again without a Stop.
    QTRY_COMPARE(fx.script->stops.load(), 1);
    QVERIFY(!fx.dlg().batch().isRunning());
    const QStringList log = fx.designedLog();
    QCOMPARE(log.mid(log.size() - 6),
             (QStringList{"_root.disableStop=true", "_root.enableConvert=true", kProgress + "0",
                          "_root.enablerAllBtns=true", "_root.hideProgress=true",
                          "_root.convertOutput="}));
    QVERIFY(fx.dlg().fileList()->m_deleteKeyEnabled);
}

QTEST_MAIN(TestBatchDisplay)
#include "tst_batchdisplay.moc"
