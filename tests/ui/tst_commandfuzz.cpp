// Thousands of random movie commands, with random answers from the desktop
// and random player behaviour, never crash, hang or break the window's state.

#include <random>

#include <QFile>
#include <QSet>
#include <QDir>
#include <QTest>

#include "filelist/filelist.h"
#include "support/hostfixture.h"

namespace {

const QStringList kCommands{
    "IDC_FS_EXIT", "IDC_FS_MINI", "IDC_FS_HELP", "IDC_FS_DRAG", "IDC_FS_BROWSE", "IDC_FS_ADD",
    "IDC_FS_REMOVE", "IDC_FS_REMOVEALL", "IDC_FS_UP", "IDC_FS_DOWN", "IDC_FS_VIDEOSETTING",
    "IDC_FS_AUDIOSETTING", "IDC_FS_ABOUT", "ID_FS_Slider", "ID_FS_Slider2", "IDC_FS_support",
    "IDC_FS_CONVERTWINDOW", "IDC_FS_OTHERDIRECTORY", "IDC_FS_SAMEDIRECTORY", "ID-FS-convertTo",
    "ID-FS-container", "ID-FS-videoCodec", "ID-FS-videoBitrate", "ID-FS-videoScale",
    "ID-FS-audioCodec", "ID-FS-audioBitrate", "ID-FS-audioChannnel", "IDC_FS_CONVERT",
    "IDC_FS_CANCEL"};

class Fuzzer
{
public:
    explicit Fuzzer(HostFixture &fx) : m_fx(fx), m_random(1207)
    {
        for (const char *name : {"a.avi", "A.avi", "b c.mp4", "d'e\".mov", "f.mp4", "noext",
                                    "g.h.avi", "x.AVI", "clip.mkv", "z.flv"}) {
            const QString path = fx.file(QString::fromUtf8(name));
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write("source");
            m_paths << path;
        }
        m_paths << QString() << fx.file("missing.avi");
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    QString command()
    {
        QString c = kCommands.at(pick(kCommands.size()));
        switch (pick(10)) {
        case 0:
            return c.toLower();
        case 1:
            return c + QLatin1Char(' ');
        case 2:
            return QString::number(pick(100000));
        default:
            return c;
        }
    }

    QString args()
    {
        static const QStringList known{".mp4", ".avi", "mp4", "mov", "avi", "ts", "h264",
                                       "mp4v", "1024", "0.5", "", "2", "mpga"};
        switch (pick(6)) {
        case 0:
            return QString(10240, QChar(0x20 + pick(90)));
        case 1:
            return QStringLiteral("|%1|\u00e9\u4e2d").arg(pick(1000));
        default:
            return known.at(pick(known.size()));
        }
    }

    void scriptAnswers()
    {
        ScriptedDesktop &d = m_fx.desktop;
        if (d.openAnswers.size() < 2) {
            QStringList chosen;
            for (int i = pick(4); i > 0; --i)
                chosen << m_paths.at(pick(m_paths.size()));
            d.openAnswers.push_back(chosen);
        }
        if (d.boxAnswers.size() < 2)
            d.boxAnswers.push_back(pick(2) ? Desktop::IdYes : Desktop::IdNo);
        if (d.saveAnswers.size() < 2)
            d.saveAnswers.push_back(pick(2) ? std::optional<QString>()
                                            : std::optional<QString>(m_fx.file("saved.mp4")));
        if (d.folderAnswers.size() < 2)
            d.folderAnswers.push_back(pick(2) ? std::optional<QString>()
                                              : std::optional<QString>(m_fx.file("out")));
        PlayerScript &s = *m_fx.script;
        if (s.jobs.size() < 2) {
            switch (pick(4)) {
            case 0:
                s.jobs.push_back(PlayerScript::failingWithOutput());
                break;
            case 1:
                s.jobs.push_back({{{0.3f, 1}, {0.7f, 2}, {-1.0f, -1}}, true, false, true, {}});
                break;
            case 2:
                s.jobs.push_back({{}, false, true, false, {}});
                break;
            default:
                s.jobs.push_back(PlayerScript::converting());
            }
        }
    }

private:
    HostFixture &m_fx;
    std::mt19937 m_random;
    QStringList m_paths;
};

} // namespace

class TestCommandFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomCommandsKeepStateConsistent();
};

void TestCommandFuzz::randomCommandsKeepStateConsistent()
{
    HostFixture fx;
    MainWindow &dlg = fx.start();
    Fuzzer fuzz(fx);

    for (int step = 0; step < 20000; ++step) {
        fuzz.scriptAnswers();
        switch (fuzz.pick(5)) {
        case 0:
            dlg.batch().poll();
            QCoreApplication::processEvents();
            break;
        case 1:
            dlg.onTimer(MainWindow::kShowListTimer);
            break;
        default:
            fx.send(fuzz.command(), fuzz.args());
        }
        if (step % 500 == 0)
            fx.clearLog(); // keep the movie's record small

        const Batch &batch = dlg.batch();
        QVERIFY2(batch.convertedCount() >= 0 && batch.convertedCount() <= dlg.session().queue().size(),
                 qPrintable(QString::number(step)));
        // Only the job in hand has a part file, and only while the batch runs.
        QVERIFY(batch.isRunning() || batch.partFile().isEmpty());
        const QStringList paths = dlg.fileList()->paths();
        QCOMPARE(QSet<QString>(paths.begin(), paths.end()).size(), paths.size());
        QVERIFY(!paths.contains(QString()));
    }

    // The run really converted, failed, asked and skipped along the way.
    qInfo("%lld jobs, %lld boxes, %lld save dialogs", qlonglong(fx.script->calls.size()),
          qlonglong(fx.desktop.boxes.size()), qlonglong(fx.desktop.saveRequests.size()));
    QVERIFY(fx.script->calls.size() > 100);
    QVERIFY(fx.desktop.boxes.size() > 100);
    QVERIFY(!fx.desktop.saveRequests.isEmpty());

    // Whatever happened, cancel brings the window back to idle.
    fx.desktop.boxAnswers.clear();
    fx.send(QStringLiteral("IDC_FS_CANCEL"));
    QVERIFY(!dlg.batch().isRunning());
    QCOMPARE(dlg.batch().convertedCount(), 0);
    QVERIFY(dlg.fileList()->m_deleteKeyEnabled);
    // Nothing of ours is left beside the outputs.
    QCOMPARE(QDir(fx.appDir()).entryList({QStringLiteral(".tarnwick-work-*")},
                                         QDir::AllEntries | QDir::Hidden),
             QStringList());
}

QTEST_MAIN(TestCommandFuzz)
#include "tst_commandfuzz.moc"
