#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "settings/presetlist.h"
#include "settings/settingsfile.h"

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray garbage(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void read_data();
    void read();
    void readWithoutFile();
    void readGarbageGivesDefaults();

    void write_data();
    void write();
    void writeCreatesFile();
    void writeThenReadRoundTrip_data();
    void writeThenReadRoundTrip();
    void writeKeepsGarbageAroundIt();
    void writeRefusesLineBreaks();

    void failedWriteLeavesFile_data();
    void failedWriteLeavesFile();
    void writeThroughSymlinkToFile();

    void resolvePath_data();
    void resolvePath();

    void splitPresetList_data();
    void splitPresetList();
    void presetFlagVariable_data();
    void presetFlagVariable();

private:
    SettingsFile settingsIn(const QString &dir) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = m_dir->filePath(QStringLiteral("Formats.ini"));
}

SettingsFile TestSettingsFile::settingsIn(const QString &dir) const
{
    SettingsFile settings(dir + QLatin1Char('/'));
    settings.setFileName(QStringLiteral("Formats.ini"));
    return settings;
}

void TestSettingsFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString dflt = QStringLiteral("<default>");
    const QString longValue300 = QStringLiteral("/v/") + QString(297, QLatin1Char('x'));
    const QString longValue5000 = QStringLiteral("/v/") + QString(4997, QLatin1Char('y'));

    QTest::newRow("plain") << QByteArray("[genral]\nOutputPath=/home/u/out\n")
                           << "genral" << "OutputPath" << "/home/u/out";
    QTest::newRow("section in other case") << QByteArray("[GENRAL]\nOutputPath=/a\n")
                                           << "genral" << "OutputPath" << "/a";
    QTest::newRow("key in other case") << QByteArray("[genral]\noutputpath=/a\n")
                                       << "Genral" << "OUTPUTPATH" << "/a";
    QTest::newRow("blanks around name and value")
        << QByteArray("[ genral ]\n  OutputPath =  /a b  \n") << "genral" << "OutputPath"
        << "/a b";
    QTest::newRow("missing key") << QByteArray("[genral]\nExtentions=.avi\n") << "genral"
                                 << "OutputPath" << dflt;
    QTest::newRow("missing section") << QByteArray("[muxer]\nOutputPath=/a\n") << "genral"
                                     << "OutputPath" << dflt;
    QTest::newRow("empty file") << QByteArray("") << "genral" << "OutputPath" << dflt;
    QTest::newRow("key of the next section not taken")
        << QByteArray("[genral]\nExtentions=.avi\n[VC]\nOutputPath=/wrong\n") << "genral"
        << "OutputPath" << dflt;
    QTest::newRow("empty value is a value") << QByteArray("[genral]\nOutputPath=\n") << "genral"
                                            << "OutputPath" << "";
    QTest::newRow("duplicate keys: first wins")
        << QByteArray("[genral]\nOutputPath=/first\noutputpath=/second\n") << "genral"
        << "OutputPath" << "/first";
    QTest::newRow("section split in two")
        << QByteArray("[genral]\nExtentions=.avi\n[VC]\navi=mp4v\n[genral]\nOutputPath=/later\n")
        << "genral" << "OutputPath" << "/later";
    QTest::newRow("comment lines") << QByteArray("; OutputPath=/no\n[genral]\n;OutputPath=/no\n"
                                                 "OutputPath=/yes\n")
                                   << "genral" << "OutputPath" << "/yes";
    QTest::newRow("CRLF") << QByteArray("[genral]\r\nExtentions=.avi|.mp4\r\nOutputPath=/a\r\n")
                          << "genral" << "Extentions" << ".avi|.mp4";
    QTest::newRow("CRLF last key") << QByteArray("[genral]\r\nOutputPath=/a\r\n") << "genral"
                                   << "OutputPath" << "/a";
    QTest::newRow("quotes kept")
        << QByteArray("[genral]\nOutputPath=\"/a b\"\n") << "genral" << "OutputPath" << "\"/a b\"";
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[genral]\nOutputPath=/a\n") << "genral"
                               << "OutputPath" << "/a";
    QTest::newRow("no final line end") << QByteArray("[genral]\nOutputPath=/a") << "genral"
                                       << "OutputPath" << "/a";
    QTest::newRow("non-ASCII value")
        << QStringLiteral("[genral]\nOutputPath=/home/zoë/Vidéos/動画\n").toUtf8() << "genral"
        << "OutputPath" << QStringLiteral("/home/zoë/Vidéos/動画");
    QTest::newRow("non-ASCII key")
        << QStringLiteral("[muxer]\n.vidéo=mkv\n").toUtf8() << "muxer"
        << QStringLiteral(".vidéo") << "mkv";
    QTest::newRow("300 characters") << ("[genral]\nOutputPath=" + longValue300.toUtf8() + "\n")
                                    << "genral" << "OutputPath" << longValue300;
    QTest::newRow("5000 characters") << ("[genral]\nOutputPath=" + longValue5000.toUtf8() + "\n")
                                     << "genral" << "OutputPath" << longValue5000;
    QTest::newRow("line of 8 KB before the key")
        << ("; " + QByteArray(8192, 'c') + "\n[genral]\nOutputPath=/a\n") << "genral"
        << "OutputPath" << "/a";
    QTest::newRow("NUL bytes in another value")
        << QByteArray("[genral]\nExtentions=.a\0vi\nOutputPath=/a\n",
                      sizeof "[genral]\nExtentions=.a\0vi\nOutputPath=/a\n" - 1)
        << "genral"
        << "OutputPath" << "/a";
    QTest::newRow("garbage lines before the section")
        << (garbage(3000, 7).replace('\n', ' ').replace('[', ' ') + "\n[genral]\nOutputPath=/a\n")
        << "genral" << "OutputPath" << "/a";
}

void TestSettingsFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    writeBytes(m_ini, file);
    SettingsFile settings = settingsIn(m_dir->path());
    QCOMPARE(settings.readString(key, QStringLiteral("<default>"), section), expected);
    // Reading never touches the file.
    QCOMPARE(readBytes(m_ini), file);
}

void TestSettingsFile::readWithoutFile()
{
    SettingsFile settings = settingsIn(m_dir->path());
    QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QStringLiteral("/dflt"),
                                 QStringLiteral("genral")),
             QStringLiteral("/dflt"));
    QCOMPARE(settings.readString(QStringLiteral("Extentions"), QString(), QStringLiteral("genral")),
             QString());
    QVERIFY(!QFileInfo::exists(m_ini));
}

void TestSettingsFile::readGarbageGivesDefaults()
{
    for (quint32 seed = 1; seed <= 20; ++seed) {
        writeBytes(m_ini, garbage(70000, seed));
        SettingsFile settings = settingsIn(m_dir->path());
        QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QStringLiteral("/dflt"),
                                     QStringLiteral("genral")),
                 QStringLiteral("/dflt"));
    }
}

void TestSettingsFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray catalogue = "; Tarnwick's catalogue\n"
                                 "[genral]\n"
                                 "Extentions=.mp4|.avi   \n"
                                 "\n"
                                 "OutputPath=/old/place\n"
                                 "# a note\n"
                                 "[muxer]\n"
                                 ".mp4=mp4|mov\n"
                                 "OutputPath=/not/this/one\n";
    QTest::newRow("replace in place")
        << catalogue << "genral" << "/new/place"
        << QByteArray(catalogue).replace("OutputPath=/old/place", "OutputPath=/new/place");

    QTest::newRow("section name in other case")
        << QByteArray("[GENRAL]\r\nExtentions=.avi\r\nOutputPath=/old\r\n[VC]\r\navi=mp4v\r\n")
        << "genral" << "/new"
        << QByteArray("[GENRAL]\r\nExtentions=.avi\r\nOutputPath=/new\r\n[VC]\r\navi=mp4v\r\n");

    QTest::newRow("key name in other case, blanks around it")
        << QByteArray("[genral]\n  outputpath = /old\nX=1\n") << "genral" << "/new"
        << QByteArray("[genral]\nOutputPath=/new\nX=1\n");

    QTest::newRow("first of duplicate keys")
        << QByteArray("[genral]\nOutputPath=/a\nOutputPath=/b\n") << "genral" << "/new"
        << QByteArray("[genral]\nOutputPath=/new\nOutputPath=/b\n");

    QTest::newRow("new key at the end of its section")
        << QByteArray("[genral]\nExtentions=.avi\n\n[muxer]\n.avi=avi\n") << "genral" << "/new"
        << QByteArray("[genral]\nExtentions=.avi\nOutputPath=/new\n\n[muxer]\n.avi=avi\n");

    QTest::newRow("new section at the end, CRLF kept")
        << QByteArray("[muxer]\r\n.avi=avi\r\n") << "genral" << "/new"
        << QByteArray("[muxer]\r\n.avi=avi\r\n[genral]\r\nOutputPath=/new\r\n");

    QTest::newRow("new section after a last line without end")
        << QByteArray("[muxer]\n.avi=avi") << "genral" << "/new"
        << QByteArray("[muxer]\n.avi=avi\n[genral]\nOutputPath=/new\n");

    QTest::newRow("replaced last line without end")
        << QByteArray("[genral]\nOutputPath=/old") << "genral" << "/new"
        << QByteArray("[genral]\nOutputPath=/new\n");

    QTest::newRow("BOM kept")
        << QByteArray("\xEF\xBB\xBF[genral]\nOutputPath=/old\n") << "genral" << "/new"
        << QByteArray("\xEF\xBB\xBF[genral]\nOutputPath=/new\n");

    QTest::newRow("empty file") << QByteArray("") << "genral" << "/new"
                                << QByteArray("[genral]\nOutputPath=/new\n");

    const QString long5000 = QStringLiteral("/") + QString(4999, QLatin1Char('z'));
    QTest::newRow("5000 characters written whole")
        << QByteArray("[genral]\nOutputPath=/old\n[VC]\navi=mp4v\n") << "genral" << long5000
        << ("[genral]\nOutputPath=" + long5000.toUtf8() + "\n[VC]\navi=mp4v\n");

    // Every reader of INI files takes a bare CR as a line end.
    QTest::newRow("CR line ends")
        << QByteArray("[genral]\rExtentions=.avi\r[muxer]\r.avi=avi\r") << "genral" << "/new"
        << QByteArray("[genral]\rExtentions=.avi\rOutputPath=/new\r[muxer]\r.avi=avi\r");
    QTest::newRow("bare CR inside a line")
        << QByteArray("[genral]\nOutputPath=/old\rExtentions=.avi\n") << "genral" << "/new"
        << QByteArray("[genral]\nOutputPath=/new\rExtentions=.avi\n");

    static const char withNulText[] = "[VC]\navi=mp\0v\n[genral]\nOutputPath=/old\n";
    const QByteArray withNul(withNulText, sizeof withNulText - 1);
    QByteArray withNulAfter = withNul;
    withNulAfter.replace("/old", "/new");
    QTest::newRow("NUL byte elsewhere kept") << withNul << "genral" << "/new" << withNulAfter;
}

void TestSettingsFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    writeBytes(m_ini, before);
    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(settings.writeString(QStringLiteral("OutputPath"), value, section));
    QCOMPARE(readBytes(m_ini), after);
    QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QStringLiteral("<default>"), section),
             value);
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("Formats.ini")});
}

void TestSettingsFile::writeCreatesFile()
{
    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(settings.writeString(QStringLiteral("OutputPath"), QStringLiteral("/x/Converted Videos"),
                                 QStringLiteral("genral")));
    QCOMPARE(readBytes(m_ini), QByteArray("[genral]\nOutputPath=/x/Converted Videos\n"));
    // A new file is readable by others, like any file the user makes.
    QVERIFY(QFileInfo(m_ini).permissions() & QFileDevice::ReadOther);
}

void TestSettingsFile::writeThenReadRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("300 characters") << QStringLiteral("/") + QString(299, QLatin1Char('a'));
    QTest::newRow("5000 characters") << QStringLiteral("/") + QString(4999, QLatin1Char('b'));
    QTest::newRow("non-ASCII") << QStringLiteral("/srv/Müller/ビデオ/Ωmega");
    QTest::newRow("blanks inside") << QStringLiteral("/a b/c  d");
    QTest::newRow("bars and equals") << QStringLiteral("/a|b/c=d");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank at the end") << QStringLiteral("/v/My Videos ");
    QTest::newRow("blanks at the start") << QStringLiteral("  /v");
    QTest::newRow("tab at the end") << QStringLiteral("/v\t");
    QTest::newRow("quoted, blanks inside the quotes") << QStringLiteral("\" /v \"");
    QTest::newRow("quoted") << QStringLiteral("\"/v\"");
    QTest::newRow("only a blank") << QStringLiteral(" ");
}

void TestSettingsFile::writeThenReadRoundTrip()
{
    QFETCH(QString, value);
    writeBytes(m_ini, "[genral]\nExtentions=.avi\n[muxer]\n.avi=avi\n");
    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(settings.writeString(QStringLiteral("OutputPath"), value, QStringLiteral("genral")));
    // A fresh object reads the file anew.
    SettingsFile again = settingsIn(m_dir->path());
    QCOMPARE(again.readString(QStringLiteral("OutputPath"), QStringLiteral("<default>"),
                              QStringLiteral("genral")),
             value);
    QCOMPARE(again.readString(QStringLiteral(".avi"), QString(), QStringLiteral("muxer")),
             QStringLiteral("avi"));
}

void TestSettingsFile::writeKeepsGarbageAroundIt()
{
    const QByteArray junk = garbage(5000, 99).replace('\r', ' ');
    writeBytes(m_ini, junk);
    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(settings.writeString(QStringLiteral("OutputPath"), QStringLiteral("/out"),
                                 QStringLiteral("genral")));
    const QByteArray after = readBytes(m_ini);
    QVERIFY(after.startsWith(junk));
    QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QString(), QStringLiteral("genral")),
             QStringLiteral("/out"));
}

void TestSettingsFile::writeRefusesLineBreaks()
{
    const QByteArray before = "[genral]\nOutputPath=/old\n";
    writeBytes(m_ini, before);
    SettingsFile settings = settingsIn(m_dir->path());
    // A line break in a value would smuggle a line of its own into the file.
    QVERIFY(!settings.writeString(QStringLiteral("OutputPath"),
                                  QStringLiteral("/a\n[muxer]\n.avi=evil"),
                                  QStringLiteral("genral")));
    QCOMPARE(readBytes(m_ini), before);
}

void TestSettingsFile::failedWriteLeavesFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only file") << "readonly";
    QTest::newRow("directory in place of the file") << "directory";
    QTest::newRow("symlink to /dev/null") << "devnull";
    QTest::newRow("symlink to a FIFO") << "fifo";
    QTest::newRow("symlink to a directory") << "dirlink";
}

void TestSettingsFile::failedWriteLeavesFile()
{
    QFETCH(QString, kind);
    const QByteArray before = "[genral]\nOutputPath=/old\n";
    struct stat devNullBefore {};
    QCOMPARE(::stat("/dev/null", &devNullBefore), 0);

    if (kind == QLatin1String("readonly")) {
        writeBytes(m_ini, before);
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                 QFileDevice::ReadOther));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(m_ini));
    } else if (kind == QLatin1String("devnull")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), m_ini));
    } else if (kind == QLatin1String("fifo")) {
        const QString fifo = m_dir->filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(fifo, m_ini));
    } else {
        QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("elsewhere"))));
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("elsewhere")), m_ini));
    }
    const QStringList entriesBefore =
        QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                      QDir::System);

    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(!settings.writeString(QStringLiteral("OutputPath"), QStringLiteral("/new"),
                                  QStringLiteral("genral")));

    const QFileInfo info(m_ini);
    if (kind == QLatin1String("readonly")) {
        QCOMPARE(readBytes(m_ini), before);
        QCOMPARE(settings.readString(QStringLiteral("OutputPath"), QString(),
                                     QStringLiteral("genral")),
                 QStringLiteral("/old"));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(info.isDir() && !info.isSymLink());
    } else {
        QVERIFY(info.isSymLink());
    }
    struct stat devNullAfter {};
    QCOMPARE(::stat("/dev/null", &devNullAfter), 0);
    QVERIFY(S_ISCHR(devNullAfter.st_mode));
    QCOMPARE(devNullAfter.st_ino, devNullBefore.st_ino);
    // No temporary file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                           QDir::System),
             entriesBefore);
}

void TestSettingsFile::writeThroughSymlinkToFile()
{
    const QString real = m_dir->filePath(QStringLiteral("real.ini"));
    writeBytes(real, "[genral]\nOutputPath=/old\n");
    QVERIFY(QFile::link(real, m_ini));
    SettingsFile settings = settingsIn(m_dir->path());
    QVERIFY(settings.writeString(QStringLiteral("OutputPath"), QStringLiteral("/new"),
                                 QStringLiteral("genral")));
    QVERIFY(QFileInfo(m_ini).isSymLink());
    QCOMPARE(readBytes(real), QByteArray("[genral]\nOutputPath=/new\n"));
}

void TestSettingsFile::resolvePath_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absolute unchanged") << "/opt/tw/" << "/etc/Formats.ini" << "/etc/Formats.ini";
    QTest::newRow("relative name") << "/opt/tw/" << "Formats.ini" << "/opt/tw/Formats.ini";
    QTest::newRow("folder without slash") << "/opt/tw" << "Formats.ini" << "/opt/tw/Formats.ini";
    QTest::newRow("relative with folder") << "/opt/tw/" << "sub/x.ini" << "/opt/tw/sub/x.ini";
    QTest::newRow("blank in folder") << "/home/u/My Apps/" << "Formats.ini"
                                     << "/home/u/My Apps/Formats.ini";
}

void TestSettingsFile::resolvePath()
{
    QFETCH(QString, appDir);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    SettingsFile settings(appDir);
    QCOMPARE(settings.resolvePath(name), expected);
    settings.setFileName(name);
    QCOMPARE(settings.fileName(), expected);
}

void TestSettingsFile::splitPresetList_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("a|b") << "a|b" << QStringList{"a", "b"};
    QTest::newRow("a||b") << "a||b" << QStringList{"a", "", "b"};
    QTest::newRow("a|") << "a|" << QStringList{"a", ""};
    QTest::newRow("empty") << "" << QStringList{""};
    QTest::newRow("|") << "|" << QStringList{"", ""};
    QTest::newRow("|a") << "|a" << QStringList{"", "a"};
    QTest::newRow("one entry") << ".avi" << QStringList{".avi"};
    QTest::newRow("blanks kept") << " a | b " << QStringList{" a ", " b "};
}

void TestSettingsFile::splitPresetList()
{
    QFETCH(QString, value);
    QFETCH(QStringList, entries);
    QCOMPARE(::splitPresetList(value), entries);
}

void TestSettingsFile::presetFlagVariable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("flag");
    QTest::newRow("convertTo") << "_root.convertToStr" << "_root.convertToFlag";
    QTest::newRow("container") << "_root.containerStr" << "_root.containerFlag";
    QTest::newRow("videoCodec") << "_root.videoCodecStr" << "_root.videoCodecFlag";
    QTest::newRow("audioCodec") << "_root.audioCodecStr" << "_root.audioCodecFlag";
    QTest::newRow("case matters") << "_root.ContainerStr" << "";
    QTest::newRow("other variable") << "_root.path" << "";
}

void TestSettingsFile::presetFlagVariable()
{
    QFETCH(QString, text);
    QFETCH(QString, flag);
    QCOMPARE(::presetFlagVariable(text), flag);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
