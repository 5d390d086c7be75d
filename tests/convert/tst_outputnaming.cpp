#include <QTest>

#include "convert/nativename.h"
#include "convert/outputnaming.h"
#include "convert/vlcplayer.h"
#include "support/scriptedplayer.h"

class TestOutputNaming : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void alternativeName_data();
    void alternativeName();
    void escaping_data();
    void escaping();
    void optionText();
    void frameRateGoesBeforeTheSize_data();
    void frameRateGoesBeforeTheSize();
    void engineOptionNamesTheDestinationDst();
    void nativeNamesRoundTrip_data();
    void nativeNamesRoundTrip();
};

void TestOutputNaming::names_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("sameDirectory");
    QTest::addColumn<QString>("outputPath");
    QTest::addColumn<QString>("expected");

    QTest::newRow("beside the source, inner dots kept")
        << "/clips/a.b.avi" << true << "/out" << "/clips/a.b.mp4";
    QTest::newRow("a dot in a folder name never counts")
        << "/clips/my.dir/clip" << true << "/out" << "/clips/my.dir/clip.mp4";
    QTest::newRow("no extension keeps the whole name")
        << "/clips/clip" << true << "/out" << "/clips/clip.mp4";
    QTest::newRow("output folder")
        << "/clips/a.avi" << false << "/out" << "/out/a.mp4";
    QTest::newRow("output folder with a trailing slash")
        << "/clips/a.avi" << false << "/out/" << "/out//a.mp4";
    QTest::newRow("output folder, no extension")
        << "/clips/my.dir/clip" << false << "/out" << "/out/clip.mp4";
    QTest::newRow("percent signs are plain characters")
        << "/clips/100%1 %2.avi" << true << "" << "/clips/100%1 %2.mp4";
}

void TestOutputNaming::names()
{
    QFETCH(QString, input);
    QFETCH(bool, sameDirectory);
    QFETCH(QString, outputPath);
    QFETCH(QString, expected);
    QCOMPARE(outputFileName(input, sameDirectory, outputPath, QStringLiteral(".mp4")), expected);
}

void TestOutputNaming::alternativeName_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("extension moves into the name") << "/Video/clip.mov" << "/Video/clip_new_mov";
    QTest::newRow("dotted folder") << "/my.v/clip" << "/my.v/clip_new_";
}

void TestOutputNaming::alternativeName()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(alternativeOutputName(input), expected);
}

void TestOutputNaming::escaping_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "/a b/c.mp4" << "/a b/c.mp4";
    QTest::newRow("quotes and backslash") << "/x\"y'z\\w" << "/x\\\"y\\'z\\\\w";
    QTest::newRow("injection")
        << "/v/x\"}:std{access=file,mux=ts,dst=\"pwned.mp4"
        << "/v/x\\\"}:std{access=file,mux=ts,dst=\\\"pwned.mp4";
}

void TestOutputNaming::escaping()
{
    QFETCH(QString, path);
    QFETCH(QString, escaped);
    QCOMPARE(escapeDestination(path), escaped);
    // What the engine reads back is the path itself.
    const ConversionSettings s{".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
    QCOMPARE(PlayerScript::destination(streamOutputOption(s, path)), path);
}

void TestOutputNaming::optionText()
{
    const ConversionSettings s{".avi", "avi", "mp4v", "", "0.5", "mp3", "96", "1"};
    QCOMPARE(streamOutputOption(s, QStringLiteral("/o/a.avi")),
             QStringLiteral(":sout=#transcode{vcodec=mp4v,vb=,scale=0.5,acodec=mp3,ab=96,"
                            "channels=1,deinterlace}:std{access=file,mux=avi,url=\"/o/a.avi\"}"));
}

void TestOutputNaming::frameRateGoesBeforeTheSize_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("video");
    QTest::newRow("known rate") << 29.97002997 << "1" << QSize() << "vcodec=h264,fps=29.97,vb=1024,";
    QTest::newRow("known rate, scaled") << 25.0 << "0.5" << QSize() << "vcodec=h264,fps=25,vb=1024,scale=0.5,";
    QTest::newRow("known rate, even size") << 25.0 << "1" << QSize(720, 406)
                                           << "vcodec=h264,fps=25,vb=1024,width=720,height=406,";
    QTest::newRow("unknown rate") << 0.0 << "1" << QSize() << "vcodec=h264,vfilter=fps,vb=1024,";
    QTest::newRow("a container's guess") << 90000.0 << "1" << QSize() << "vcodec=h264,vfilter=fps,vb=1024,";
    // The filter alone would undo the size.
    QTest::newRow("unknown rate, scaled") << 0.0 << "0.5" << QSize() << "vcodec=h264,vb=1024,scale=0.5,";
}

void TestOutputNaming::frameRateGoesBeforeTheSize()
{
    QFETCH(double, rate);
    QFETCH(QString, scale);
    QFETCH(QSize, picture);
    const ConversionSettings s{".mp4", "mp4", "h264", "1024", scale, "mp4a", "128", "2"};
    const QString option = streamOutputOption(s, QStringLiteral("/o/a.mp4"), {}, {false, picture, rate});
    QTEST(option.section(QLatin1Char('{'), 1).section(QStringLiteral("acodec"), 0, 0), "video");
}

void TestOutputNaming::engineOptionNamesTheDestinationDst()
{
    const ConversionSettings s{".mp4", "mp4", "h264", "1024", "1", "mp4a", "128", "2"};
    const QString tricky = QStringLiteral("/v/a,url=\"b\".mp4");
    const QString engine = VlcPlayer::engineOption(streamOutputOption(s, tricky));
    QVERIFY(engine.endsWith(QStringLiteral("mux=mp4,dst=\"/v/a,url=\\\"b\\\".mp4\"}")));
    QCOMPARE(engine.count(QStringLiteral("dst=")), 1);
}


void TestOutputNaming::nativeNamesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // what a valid name reads as; empty: not checked

    QTest::newRow("ascii") << QByteArray("/v/clip.avi") << "/v/clip.avi";
    QTest::newRow("utf-8") << QByteArray("/v/caf\xc3\xa9 \xf0\x9f\x8e\xac.avi")
                           << QString::fromUtf8("/v/caf\xc3\xa9 \xf0\x9f\x8e\xac.avi");
    QTest::newRow("latin-1") << QByteArray("/v/caf\xe9.avi") << QString();
    QTest::newRow("cut sequence at the end") << QByteArray("/v/a\xc3") << QString();
    QTest::newRow("overlong slash") << QByteArray("/v/\xc0\xafx") << QString();
    QTest::newRow("encoded surrogate, as an escape would read")
        << QByteArray("/v/\xed\xb3\xa9") << QString();
}

// Any bytes come back exactly; a valid name is the plain text.
void TestOutputNaming::nativeNamesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString name = fromNativeName(bytes);
    QCOMPARE(toNativeName(name), bytes);
    if (!text.isEmpty())
        QCOMPARE(name, text);
    else
        QVERIFY(!name.contains(QChar::ReplacementCharacter));
}

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_outputnaming.moc"
