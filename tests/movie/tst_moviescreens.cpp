// The shipped movie inside the real main window: the program's file list lies
// over the movie's file area, the pages hide and show it, the movie's lists
// follow the catalogue, and a batch drives the progress display. Each state
// is grabbed into <build>/screenshots for a look by eye.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "support/files.h"
#include "support/hostfixture.h"

namespace {

const QRect kFileArea(220, 70, 372, 130);

QByteArray shippedCatalogue()
{
    QFile file(QStringLiteral(TARNWICK_SOURCE_DIR "/res/Formats.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool nearColour(QRgb pixel, const QColor &colour, int tolerance)
{
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// Pixels of the list's item text (the accent colour) inside a rectangle.
int accentPixels(const QImage &image, const QRect &rect)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (nearColour(image.pixel(x, y), QColor(174, 37, 4), 40))
                ++n;
    return n;
}

} // namespace

class TestMovieScreens : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void convertPageWithList();
    void gearOpensTheOptions_data();
    void gearOpensTheOptions();
    void batchRunning();
    void settingsPagesHideList();
    void listsFollowTheCatalogue();
    void otherFolderReachesProgram();
    void longBatchMidway_data();
    void longBatchMidway();

private:
    QQuickItem *item(const QString &name) const;
    // A Popup is no item.
    QObject *popup(const QString &name) const;
    void click(const QString &name);
    QImage shot(const QString &fileName);

    std::unique_ptr<HostFixture> m_fx;
};

QQuickItem *TestMovieScreens::item(const QString &name) const
{
    QQuickItem *root = m_fx->dlg().movie()->rootObject();
    return root ? root->findChild<QQuickItem *>(name) : nullptr;
}

QObject *TestMovieScreens::popup(const QString &name) const
{
    QQuickItem *root = m_fx->dlg().movie()->rootObject();
    return root ? root->findChild<QObject *>(name) : nullptr;
}

void TestMovieScreens::click(const QString &name)
{
    QQuickItem *target = item(name);
    QVERIFY2(target && target->isVisible(), qPrintable(name));
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_fx->dlg().movie(), Qt::LeftButton, {}, centre.toPoint());
}

QImage TestMovieScreens::shot(const QString &fileName)
{
    // The movie draws on its own schedule: have it draw the present state
    // before the window is grabbed.
    QQuickWindow *scene = m_fx->dlg().movie()->quickWindow();
    QSignalSpy rendered(scene, &QQuickWindow::afterRendering);
    scene->update();
    if (!rendered.wait(5000))
        qWarning("the movie did not render");
    const QImage image = m_fx->dlg().grab().toImage();
    QDir().mkpath(QStringLiteral(TARNWICK_SCREENSHOT_DIR));
    const QString path = QStringLiteral(TARNWICK_SCREENSHOT_DIR "/") + fileName;
    if (!image.save(path))
        qWarning("could not save %s", qPrintable(path));
    return image;
}

void TestMovieScreens::init()
{
    m_fx = std::make_unique<HostFixture>(shippedCatalogue(),
                                         QStringLiteral(TARNWICK_SOURCE_DIR "/res/main.qml"));
    MainWindow &dlg = m_fx->start();
    QVERIFY(dlg.movie()->rootObject());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    m_fx->addFiles({QStringLiteral("/home/ana/Videos/holiday-2023.avi"),
                    QStringLiteral("/home/ana/Videos/birthday party.mov"),
                    QStringLiteral("/home/ana/Videos/Screen recordings/demo-final.mp4"),
                    QStringLiteral("/media/usb/DCIM/MVI_0042.MOV")});
    QCOMPARE(dlg.fileList()->count(), 4);
    // The list appears by itself a few seconds after start-up.
    QTRY_VERIFY_WITH_TIMEOUT(dlg.fileList()->isVisible(), 10000);
}

void TestMovieScreens::cleanup()
{
    m_fx.reset();
}

void TestMovieScreens::convertPageWithList()
{
    MainWindow &dlg = m_fx->dlg();
    dlg.fileList()->setCurrentIndex(dlg.fileList()->model()->index(1, 0));
    click(QStringLiteral("otherFolderRadio"));
    m_fx->desktop.folderAnswers.push_back(QStringLiteral("/home/ana/Videos/Converted"));
    click(QStringLiteral("browseButton"));
    QCOMPARE(dlg.session().outputFolder(), QStringLiteral("/home/ana/Videos/Converted"));
    QTest::mouseMove(dlg.movie(), QPoint(420, 520)); // no hover left on Browse
    QCOMPARE(dlg.size(), QSize(656, 538));
    QCOMPARE(dlg.fileList()->geometry(), kFileArea);

    const QImage image = shot(QStringLiteral("convert-idle.png"));
    QCOMPARE(image.size(), QSize(656, 538));
    // The movie is in the picture (its dark navigation column) and so is the
    // list, whose item text is drawn in the accent colour.
    QVERIFY(nearColour(image.pixel(100, 300), QColor(0x24, 0x1E, 0x1D), 8));
    QVERIFY(accentPixels(image, kFileArea) > 200);
    // Nothing of the movie's own shows through the list: outside the list's
    // rows its background is the list's white.
    QVERIFY(nearColour(image.pixel(kFileArea.left() + 200, kFileArea.bottom() - 6),
                       Qt::white, 4));
}

void TestMovieScreens::gearOpensTheOptions_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize(656, 538);
    QTest::newRow("wide") << QSize(1700, 1000);
}

// Beside the gear, inside the window, over the hidden list; a press outside
// closes it and the gear has the focus again.
void TestMovieScreens::gearOpensTheOptions()
{
    QFETCH(QSize, size);
    MainWindow &dlg = m_fx->dlg();
    dlg.resize(size);
    QTRY_COMPARE(dlg.movie()->rootObject()->width(), qreal(size.width()));
    QObject *options = popup(QStringLiteral("optionsPopup"));
    QVERIFY(options);
    QVERIFY(!options->property("visible").toBool());
    click(QStringLiteral("optionsButton"));
    QTRY_VERIFY(options->property("opened").toBool());
    QVERIFY(item(QStringLiteral("jobsBox"))->isVisible());
    QTRY_VERIFY(!dlg.fileList()->isVisible());

    const QQuickItem *box = options->property("contentItem").value<QQuickItem *>()->parentItem();
    const QRectF shown = box->mapRectToScene(QRectF(0, 0, box->width(), box->height()));
    const QQuickItem *gear = item(QStringLiteral("optionsButton"));
    const QRectF gearRect = gear->mapRectToScene(QRectF(0, 0, gear->width(), gear->height()));
    QVERIFY(QRectF(QPointF(0, 0), dlg.movie()->rootObject()->size()).contains(shown));
    QVERIFY(shown.right() <= gearRect.left() && gearRect.left() - shown.right() < 24);
    QVERIFY(shown.top() <= gearRect.bottom() && shown.bottom() >= gearRect.top());

    QTest::mouseClick(dlg.movie(), Qt::LeftButton, {}, QPoint(100, size.height() / 2));
    QTRY_VERIFY(!options->property("visible").toBool());
    QTRY_VERIFY(item(QStringLiteral("optionsButton"))->hasActiveFocus());
    QTRY_VERIFY(dlg.fileList()->isVisible());
}

void TestMovieScreens::batchRunning()
{
    MainWindow &dlg = m_fx->dlg();
    m_fx->send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    PlayerScript::Job job;
    for (int i = 0; i < 120; ++i)
        job.ticks.push_back({0.4f, 12});
    m_fx->script->jobs.push_back(job);
    // The batch reads its sources: the list holds files that exist.
    const QString source = m_fx->file(QStringLiteral("holiday-2023.avi"));
    QVERIFY(writeFile(source, "source"));
    dlg.fileList()->queue().clear();
    m_fx->addFiles({source, QStringLiteral("/media/usb/DCIM/MVI_0042.MOV")});

    click(QStringLiteral("convertButton"));
    QTRY_COMPARE_WITH_TIMEOUT(item(QStringLiteral("progressBar"))->property("value").toInt(), 40,
                              10000);
    QVERIFY(item(QStringLiteral("progressDisplay"))->isVisible());
    QVERIFY(item(QStringLiteral("stopButton"))->isEnabled());
    QVERIFY(!item(QStringLiteral("convertButton"))->isEnabled());
    QVERIFY(!item(QStringLiteral("navVideo"))->isEnabled());
    QVERIFY(item(QStringLiteral("statusLine"))
                ->property("text").toString().startsWith("Converting " + source.left(3) + "..."));
    QVERIFY(dlg.fileList()->isVisible());
    const QImage image = shot(QStringLiteral("convert-running.png"));
    QVERIFY(accentPixels(image, kFileArea) > 200);

    // Stop ends the batch and the movie is idle again.
    click(QStringLiteral("stopButton"));
    QTRY_COMPARE(m_fx->script->stops.load(), 1);
    QVERIFY(!item(QStringLiteral("stopButton"))->isEnabled());
    QVERIFY(item(QStringLiteral("convertButton"))->isEnabled());
    QVERIFY(item(QStringLiteral("navVideo"))->isEnabled());
    QVERIFY(!item(QStringLiteral("progressDisplay"))->isVisible());
}

void TestMovieScreens::settingsPagesHideList()
{
    MainWindow &dlg = m_fx->dlg();
    click(QStringLiteral("navVideo"));
    QVERIFY(!dlg.fileList()->isVisible());
    QVERIFY(item(QStringLiteral("videoPage"))->isVisible());
    QImage image = shot(QStringLiteral("video-settings.png"));
    QCOMPARE(accentPixels(image, QRect(230, 150, 100, 20)), 0); // no list text left behind

    click(QStringLiteral("navAudio"));
    QVERIFY(!dlg.fileList()->isVisible());
    QVERIFY(item(QStringLiteral("audioPage"))->isVisible());
    shot(QStringLiteral("audio-settings.png"));

    click(QStringLiteral("navAbout"));
    QVERIFY(!dlg.fileList()->isVisible());
    QVERIFY(item(QStringLiteral("versionText"))->property("text").toString().contains(
        QStringLiteral("5.0.0.0")));
    shot(QStringLiteral("about.png"));

    click(QStringLiteral("navConvert"));
    QTRY_VERIFY_WITH_TIMEOUT(dlg.fileList()->isVisible(), 5000);
    QCOMPARE(dlg.fileList()->count(), 4);
}

void TestMovieScreens::listsFollowTheCatalogue()
{
    MainWindow &dlg = m_fx->dlg();
    QQuickItem *format = item(QStringLiteral("formatBox"));
    QQuickItem *container = item(QStringLiteral("containerBox"));
    QQuickItem *videoCodec = item(QStringLiteral("videoCodecBox"));
    QQuickItem *audioCodec = item(QStringLiteral("audioCodecBox"));
    // The shipped catalogue: eleven formats, .mp4 first, then .mkv.
    QCOMPARE(format->property("currentText").toString(), QStringLiteral(".mp4"));
    QCOMPARE(container->property("currentText").toString(), QStringLiteral("mp4"));
    QCOMPARE(videoCodec->property("currentText").toString(), QStringLiteral("h264"));
    QCOMPARE(audioCodec->property("currentText").toString(), QStringLiteral("mp4a"));
    QCOMPARE(format->property("count").toInt(), 11);

    click(QStringLiteral("navVideo"));
    format->forceActiveFocus(Qt::TabFocusReason);
    // The arrow opens a closed box; the open list steps and Return chooses.
    QTest::keySequence(dlg.movie(), QKeySequence(QStringLiteral("Down, Down, Return")));
    QCOMPARE(conversion(dlg).format, QStringLiteral(".mkv"));
    QCOMPARE(format->property("currentText").toString(), QStringLiteral(".mkv"));
    QCOMPARE(container->property("currentText").toString(), QStringLiteral("mkv"));
    QCOMPARE(conversion(dlg).container, QStringLiteral("mkv"));
    QCOMPARE(videoCodec->property("count").toInt(), 6); // h264|hevc|VP90|VP80|mp4v|theo
    QCOMPARE(videoCodec->property("currentText").toString(), QStringLiteral("h264"));

    videoCodec->forceActiveFocus(Qt::TabFocusReason);
    QTest::keySequence(dlg.movie(), QKeySequence(QStringLiteral("Down, Down, Return")));
    QCOMPARE(conversion(dlg).videoCodec, QStringLiteral("hevc"));
    item(QStringLiteral("videoBitrateBox"))->forceActiveFocus(Qt::TabFocusReason);
    QTest::keySequence(dlg.movie(), QKeySequence(QStringLiteral("Down, Down, Return")));
    QCOMPARE(conversion(dlg).videoBitrate, QStringLiteral("1536"));

    click(QStringLiteral("navAudio"));
    item(QStringLiteral("channelsBox"))->forceActiveFocus(Qt::TabFocusReason);
    QTest::keySequence(dlg.movie(), QKeySequence(QStringLiteral("Up, Up, Return")));
    QCOMPARE(conversion(dlg).channels, QStringLiteral("1"));
}

void TestMovieScreens::otherFolderReachesProgram()
{
    MainWindow &dlg = m_fx->dlg();
    // The default output folder, in the fixture's program folder.
    QCOMPARE(item(QStringLiteral("pathField"))->property("text").toString(),
             m_fx->file(QStringLiteral("Converted Videos")));
    click(QStringLiteral("otherFolderRadio"));
    QVERIFY(!dlg.session().sameDirectory());

    m_fx->desktop.folderAnswers.push_back(QStringLiteral("/srv/exports"));
    click(QStringLiteral("browseButton"));
    QCOMPARE(dlg.session().outputFolder(), QStringLiteral("/srv/exports"));
    QCOMPARE(item(QStringLiteral("pathField"))->property("text").toString(),
             QStringLiteral("/srv/exports"));

    item(QStringLiteral("pathField"))->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(dlg.movie(), Qt::Key_End);
    for (const char c : QByteArrayLiteral("/week 12"))
        QTest::keyClick(dlg.movie(), c);
    QTest::keyClick(dlg.movie(), Qt::Key_Return);
    QCOMPARE(dlg.session().outputFolder(), QStringLiteral("/srv/exports/week 12"));

    click(QStringLiteral("sameFolderRadio"));
    QVERIFY(dlg.session().sameDirectory());
    QCOMPARE(dlg.session().outputFolder(), QStringLiteral("/srv/exports/week 12"));
}

void TestMovieScreens::longBatchMidway_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::newRow("smallest") << false;
    QTest::newRow("maximised") << true;
}

// Ten files left to run by themselves: two through, one failed on the way,
// one converting with its estimate, the rest waiting.
void TestMovieScreens::longBatchMidway()
{
    QFETCH(bool, maximised);
    MainWindow &dlg = m_fx->dlg();
    if (maximised) {
        m_fx->send(QStringLiteral("IDC_FS_MAXIMIZE"));
        QTRY_VERIFY(dlg.width() > 656 && dlg.height() > 538);
        // The list follows the movie's file area, which grew with the window.
        const QStringList area = dlg.movie()->getVariable(QStringLiteral("_root.fileArea")).split(',');
        QTRY_COMPARE(dlg.fileList()->geometry(),
                     QRect(area.value(0).toInt(), area.value(1).toInt(), area.value(2).toInt(),
                           area.value(3).toInt()));
        QVERIFY(dlg.fileList()->width() > 372);
    }
    m_fx->send(QStringLiteral("ID-FS-onFailure"), QStringLiteral("note"));
    m_fx->send(QStringLiteral("ID-FS-jobs"), QStringLiteral("1"));
    dlg.fileList()->queue().clear();
    const QStringList names{"holiday-2023.avi", "birthday party.mov", "MVI_0042.MOV",
                            "demo-final.webm", "interview take 3.mkv", "drone over the bay.mts",
                            "school play (full).avi", "cat.mov", "lecture-07.flv", "timelapse.avi"};
    QStringList files;
    for (const QString &name : names) {
        files << m_fx->file(name);
        QVERIFY(writeFile(files.last(), "source"));
    }
    m_fx->addFiles(files);
    m_fx->script->perFile.insert(names[2], PlayerScript::failing());
    PlayerScript::Job slow;
    for (int i = 0; i < 600; ++i)
        slow.ticks.push_back({0.4f, 12});
    m_fx->script->jobs = {PlayerScript::converting(), PlayerScript::converting(), slow};

    click(QStringLiteral("convertButton"));
    QTRY_COMPARE_WITH_TIMEOUT(item(QStringLiteral("progressBar"))->property("value").toInt(), 40,
                              10000);
    QTRY_VERIFY_WITH_TIMEOUT(!item(QStringLiteral("fileTimeLeftText"))->property("text").toString().isEmpty(),
                             15000);
    FileList &list = *dlg.fileList();
    QCOMPARE(list.queue().at(0).state, JobQueue::State::Converted);
    QCOMPARE(list.queue().at(2).state, JobQueue::State::Failed);
    QCOMPARE(list.queue().at(3).state, JobQueue::State::Converting);
    QCOMPARE(list.queue().at(4).state, JobQueue::State::Waiting);
    QVERIFY(item(QStringLiteral("batchStatusText"))->property("text").toString().startsWith(
        QStringLiteral("3 of 10 files")));
    QVERIFY(m_fx->desktop.boxes.isEmpty());
    QTest::mouseMove(dlg.movie(), QPoint(100, 200));
    shot(maximised ? QStringLiteral("long-batch-maximised.png")
                   : QStringLiteral("long-batch-smallest.png"));

    // After it: the summary names the failed file, and Retry failed is offered.
    click(QStringLiteral("stopButton"));
    QVERIFY(item(QStringLiteral("retryButton"))->isVisible());
    QVERIFY(item(QStringLiteral("summaryLines"))->isVisible());
    QQuickItem *line = nullptr;
    QTRY_VERIFY((line = item(QStringLiteral("summaryLines"))->property("currentItem").value<QQuickItem *>()));
    QVERIFY(line->property("text").toString().startsWith(names[2] + QStringLiteral(" — failed: ")));
    shot(maximised ? QStringLiteral("long-batch-end-maximised.png")
                   : QStringLiteral("long-batch-end.png"));
    click(QStringLiteral("optionsButton"));
    QTRY_VERIFY(popup(QStringLiteral("optionsPopup"))->property("opened").toBool());
    shot(maximised ? QStringLiteral("options-maximised.png") : QStringLiteral("options.png"));
}

QTEST_MAIN(TestMovieScreens)
#include "tst_moviescreens.moc"
