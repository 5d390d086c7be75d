// Where a copy of the program keeps the user's settings and outputs.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/programfolder.h"
#include "settings/settingsfile.h"

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void portableFolderKeepsEverythingBeside();
    void installedFolderUsesTheUsersFolders();
    void userFileLaysOverTheProgramsFile();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestProgramFolder::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", m_home->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_home->path() + "/config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", (m_home->path() + "/etc").toUtf8());
}

void TestProgramFolder::portableFolderKeepsEverythingBeside()
{
    QTemporaryDir app;
    const ProgramFolder folder(app.path(), true);
    QCOMPARE(folder.userSettingsFile(), QString());
    QCOMPARE(folder.defaultOutputFolder(), app.path() + "/Converted Videos");
    folder.createDefaultOutputFolder();
    QVERIFY(QDir(app.path() + "/Converted Videos").exists());

    // A writable folder is detected as such.
    QVERIFY(ProgramFolder(app.path()).isWritable());
}

void TestProgramFolder::installedFolderUsesTheUsersFolders()
{
    const ProgramFolder folder(QStringLiteral("/usr/lib/tarnwick/"), false);
    QCOMPARE(folder.userSettingsFile(), m_home->path() + "/config/tarnwick/Formats.ini");
    QVERIFY(folder.defaultOutputFolder().startsWith(m_home->path()));
    QVERIFY(folder.defaultOutputFolder().endsWith(QStringLiteral("/Converted Videos")));
    // The Videos folder may not exist yet: it is made with it.
    folder.createDefaultOutputFolder();
    QVERIFY(QDir(folder.defaultOutputFolder()).exists());
}

void TestProgramFolder::userFileLaysOverTheProgramsFile()
{
    QTemporaryDir app;
    {
        QFile shipped(app.filePath("Formats.ini"));
        QVERIFY(shipped.open(QIODevice::WriteOnly));
        shipped.write("[genral]\nExtentions=.mp4|.avi\nOutputPath=/shipped\n");
    }
    const QString user = m_home->path() + "/config/tarnwick/Formats.ini";
    SettingsFile settings(app.path() + "/");
    settings.setFileName(QStringLiteral("Formats.ini"));
    settings.setUserFile(user);

    QCOMPARE(settings.readString("OutputPath", "default", "genral"), QStringLiteral("/shipped"));
    QVERIFY(settings.writeString("OutputPath", "/home/me/out", "genral"));
    QVERIFY(QFile::exists(user));
    QCOMPARE(settings.readString("OutputPath", "default", "genral"), QStringLiteral("/home/me/out"));
    // The catalogue still comes from the program's file, which is untouched.
    QCOMPARE(settings.readString("Extentions", "", "genral"), QStringLiteral(".mp4|.avi"));
    QFile shipped(app.filePath("Formats.ini"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QVERIFY(shipped.readAll().contains("OutputPath=/shipped"));
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
