// The input file list: moving and removing the selection, the Delete key,
// the duplicate rule, the tooltip, how items are drawn, and the list inside
// the main window.

#include <algorithm>

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>

#include "filelist/filelist.h"
#include "support/hostfixture.h"

namespace {

const QColor kAccent(174, 37, 4);
const QColor kWhite(255, 255, 255);

// A list over a queue of its own.
struct Listed
{
    explicit Listed(QWidget *parent = nullptr) : list(*new FileList(queue, parent)) {}
    // The queue outlives its view, as in the window.
    ~Listed() { delete &list; }
    JobQueue queue;
    FileList &list;
};

bool addPath(FileList &list, const QString &path)
{
    FileIdentifier files;
    return !list.queue().append({{path, files.identify(path)}}).isEmpty();
}

// Items are single letters; "BD" selects B and D.
void fill(FileList &list, const QString &letters, const QString &selected)
{
    for (const QChar c : letters)
        addPath(list, QString(c));
    for (const QChar c : selected)
        list.select(letters.indexOf(c));
}

QString order(const FileList &list)
{
    return list.paths().join(QString());
}

// The selected letters, in alphabetical order.
QString selection(const FileList &list)
{
    QString letters;
    for (int i = 0; i < list.count(); ++i)
        if (list.isSelected(i))
            letters += list.queue().at(i).path;
    std::sort(letters.begin(), letters.end());
    return letters;
}

// Moves the pointer over the widget; a pointer already at that spot is
// nudged first, as the platform reports only real moves.
void pointAt(QWidget *widget, const QPoint &pos)
{
    if (QCursor::pos() == widget->mapToGlobal(pos))
        QTest::mouseMove(widget, pos + QPoint(1, 0));
    QTest::mouseMove(widget, pos);
}

// Counts a key press that reaches the widget it is installed on.
class KeyCounter final : public QObject
{
public:
    int deletes = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete)
            ++deletes;
        return false;
    }
};

bool near(QRgb pixel, const QColor &colour, int tolerance = 8)
{
    return qAbs(qRed(pixel) - colour.red()) <= tolerance
        && qAbs(qGreen(pixel) - colour.green()) <= tolerance
        && qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// The pixels of a row that differ from its background, as a bounding box.
QRect inkBox(const QImage &image, int top, int height, const QColor &background)
{
    QRect box;
    for (int y = top; y < top + height; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!near(image.pixel(x, y), background, 24))
                box |= QRect(x, y, 1, 1);
    return box;
}

QString shownTipText()
{
    const QString text = QToolTip::text();
    return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

} // namespace

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void moveAndRemove_data();
    void moveAndRemove();
    void deleteKey_data();
    void deleteKey();
    void tipText_data();
    void tipText();
    void tipShownAfterDelayAndWrapped_data();
    void tipShownAfterDelayAndWrapped();
    void rowLayout_data();
    void rowLayout();
    void itemPainting();
    void entryStates_data();
    void entryStates();
    void focusRectangle();
    void itemFont();
    void insideMainWindow();
};

void TestFileList::moveAndRemove_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("expectedOrder");
    QTest::addColumn<QString>("expectedSelected");
    QTest::addColumn<int>("expectedResult");

    QTest::newRow("up, two apart") << "ABCDE" << "BD" << "up" << "BADCE" << "BD" << 3;
    QTest::newRow("down, two apart") << "ABCDE" << "BD" << "down" << "ACBED" << "BD" << 1;
    QTest::newRow("up, block in the middle") << "ABCDE" << "BC" << "up" << "BCADE" << "BC" << 2;
    QTest::newRow("down, block in the middle") << "ABCDE" << "BC" << "down" << "ADBCE" << "BC" << 1;
    QTest::newRow("up, pair at index 0") << "ABC" << "AB" << "up" << "BAC" << "AB" << 1;
    QTest::newRow("up, three at index 0") << "ABCDE" << "ABC" << "up" << "BCADE" << "ABC" << 2;
    QTest::newRow("down, pair at the end") << "ABC" << "BC" << "down" << "ACB" << "BC" << 1;
    QTest::newRow("down, three at the end") << "ABCDE" << "CDE" << "down" << "ABECD" << "CDE" << 2;
    QTest::newRow("up, only index 0") << "ABC" << "A" << "up" << "ABC" << "A" << 0;
    QTest::newRow("down, only the last") << "ABC" << "C" << "down" << "ABC" << "C" << 2;
    QTest::newRow("up, both edges") << "ABCDE" << "ACE" << "up" << "ACBED" << "ACE" << 4;
    QTest::newRow("down, both edges") << "ABCDE" << "ACE" << "down" << "BADCE" << "ACE" << 0;
    QTest::newRow("up, all") << "ABCD" << "ABCD" << "up" << "BCDA" << "ABCD" << 3;
    QTest::newRow("down, all") << "ABCD" << "ABCD" << "down" << "DABC" << "ABCD" << 0;
    QTest::newRow("up, nothing selected") << "ABC" << "" << "up" << "ABC" << "" << -1;
    QTest::newRow("down, nothing selected") << "ABC" << "" << "down" << "ABC" << "" << -1;
    QTest::newRow("up, empty list") << "" << "" << "up" << "" << "" << -1;
    QTest::newRow("down, empty list") << "" << "" << "down" << "" << "" << -1;
    QTest::newRow("remove scattered") << "ABCD" << "ACD" << "remove" << "B" << "" << 1;
    QTest::newRow("remove block") << "ABCDE" << "BCD" << "remove" << "AE" << "" << 2;
    QTest::newRow("remove all") << "ABC" << "ABC" << "remove" << "" << "" << 0;
    QTest::newRow("remove nothing selected") << "ABC" << "" << "remove" << "ABC" << "" << 0;
    QTest::newRow("remove, empty list") << "" << "" << "remove" << "" << "" << 0;
}

void TestFileList::moveAndRemove()
{
    QFETCH(QString, items);
    QFETCH(QString, selected);
    QFETCH(QString, operation);

    Listed listed;
    FileList &list = listed.list;
    fill(list, items, selected);
    int result = 0;
    if (operation == QLatin1String("up"))
        result = list.moveUp();
    else if (operation == QLatin1String("down"))
        result = list.moveDown();
    else
        result = list.removeSelected(1);

    QTEST(order(list), "expectedOrder");
    QTEST(selection(list), "expectedSelected");
    QTEST(result, "expectedResult");
}

void TestFileList::deleteKey_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("expectedOrder");
    QTest::addColumn<QString>("expectedSelected");

    QTest::newRow("enabled") << true << "AC" << "BD" << "";
    QTest::newRow("enabled, nothing selected") << true << "" << "ABCD" << "";
    QTest::newRow("disabled during a batch") << false << "AC" << "ABCD" << "AC";
}

void TestFileList::deleteKey()
{
    QFETCH(bool, enabled);
    QFETCH(QString, selected);

    QWidget parent;
    KeyCounter parentKeys;
    parent.installEventFilter(&parentKeys);
    Listed listed(&parent);
    FileList *list = &listed.list;
    fill(*list, QStringLiteral("ABCD"), selected);
    list->m_deleteKeyEnabled = enabled;

    QTest::keyClick(list, Qt::Key_Delete);

    QTEST(order(*list), "expectedOrder");
    QTEST(selection(*list), "expectedSelected");
    // The list's own handling still runs and leaves the key unused, so it
    // goes on to the parent as any key the list does not use.
    QCOMPARE(parentKeys.deletes, 1);
}

void TestFileList::tipText_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QList<int>>("rows"); // rows pointed at in turn; 99 is below the last item
    QTest::addColumn<bool>("clearBeforeLast");
    QTest::addColumn<QString>("expected");

    const QStringList three{QStringLiteral("/v/one.avi"), QStringLiteral("/v/two.avi"),
                            QStringLiteral("/v/three.avi")};
    QTest::newRow("first item") << three << QList<int>{0} << false << three[0];
    QTest::newRow("third item") << three << QList<int>{0, 2} << false << three[2];
    QTest::newRow("below the last keeps the last pointed at")
        << three << QList<int>{2, 1, 99} << false << three[1];
    QTest::newRow("empty list") << QStringList() << QList<int>{99} << false << "Empty List";
    QTest::newRow("emptied list") << three << QList<int>{1, 1} << true << "Empty List";
}

void TestFileList::tipText()
{
    QFETCH(QStringList, paths);
    QFETCH(QList<int>, rows);
    QFETCH(bool, clearBeforeLast);

    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    for (const QString &p : paths)
        addPath(list, p);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    for (int i = 0; i < rows.size(); ++i) {
        if (clearBeforeLast && i == rows.size() - 1)
            list.queue().clear();
        const int y = rows[i] == 99 ? list.count() * 16 + 20 : rows[i] * 16 + 8;
        pointAt(list.viewport(), QPoint(40, y));
    }
    QTEST(list.tipText(), "expected");
}

void TestFileList::tipShownAfterDelayAndWrapped_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("short") << QStringLiteral("/v/clip.avi");
    QTest::newRow("long, with blanks")
        << QStringLiteral("/home/user/My Videos/") + QStringLiteral("Summer holiday by the sea ").repeated(8)
               + QStringLiteral("clip.avi");
    QTest::newRow("long, no blanks")
        << QStringLiteral("/srv/") + QStringLiteral("archive-2023_").repeated(20) + QStringLiteral("x.mp4");
    QTest::newRow("looks like markup") << QStringLiteral("/v/<b>bold</b> &amp; more.avi");
}

void TestFileList::tipShownAfterDelayAndWrapped()
{
    QFETCH(QString, path);

    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    addPath(list, path);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());

    QElapsedTimer clock;
    clock.start();
    pointAt(list.viewport(), QPoint(60, 8));
    if (clock.elapsed() < 300)
        QVERIFY(!QToolTip::isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 10000);
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));

    const QString shown = shownTipText();
    QCOMPARE(QString(shown).remove(QLatin1Char('\n')), path);
    const QStringList lines = shown.split(QLatin1Char('\n'));
    const QFontMetrics metrics(QToolTip::font());
    for (const QString &line : lines)
        QVERIFY2(metrics.horizontalAdvance(line.trimmed()) <= 800, qPrintable(line));
    if (metrics.horizontalAdvance(path) > 800)
        QVERIFY(lines.size() > 1);
    QToolTip::hideText();
}

void TestFileList::rowLayout_data()
{
    QTest::addColumn<int>("items");
    QTest::addRow("fits") << 3;
    QTest::addRow("overflows") << 20;
}

void TestFileList::rowLayout()
{
    QFETCH(int, items);

    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    for (int i = 0; i < items; ++i)
        addPath(list, QStringLiteral("/v/clip%1.avi").arg(i));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    const bool overflows = items * 16 > 130;
    QTRY_COMPARE(list.verticalScrollBar()->isVisible(), overflows);
    QCOMPARE(list.viewport()->width(), 372 - (overflows ? list.verticalScrollBar()->width() : 0));
    for (const int row : {0, 1, 2}) {
        const QRect rect = list.visualRect(list.model()->index(row, 0));
        QCOMPARE(rect, QRect(0, row * 16, list.viewport()->width(), 16));
    }
    QCOMPARE(list.horizontalScrollBar()->maximum(), 0);
}

void TestFileList::itemPainting()
{
    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    addPath(list, QStringLiteral("/v/one.avi"));
    addPath(list, QStringLiteral("/v/two.avi"));
    addPath(list, QStringLiteral("/v/three.avi"));
    addPath(list, QStringLiteral("/v/").repeated(80) + QStringLiteral("long.avi"));
    list.select(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.clearFocus();

    const QImage image = list.viewport()->grab().toImage();
    const int right = image.width() - 1;
    // Backgrounds, sampled clear of the text: rows of exactly 16 pixels,
    // filled edge to edge, white below the last item.
    for (const int x : {0, 1, 2, right - 1, right}) {
        QVERIFY(near(image.pixel(x, 15), kWhite));
        QVERIFY(near(image.pixel(x, 16), kAccent));
        QVERIFY(near(image.pixel(x, 31), kAccent));
        QVERIFY(near(image.pixel(x, 32), kWhite));
        QVERIFY(near(image.pixel(x, 4 * 16 + 2), kWhite));
        QVERIFY(near(image.pixel(x, image.height() - 1), kWhite));
    }

    // Text: accent on white, white on the accent colour, indented 4 pixels,
    // centred in its row.
    struct Row
    {
        int index;
        QColor background;
        QColor ink;
    };
    for (const Row &row : {Row{0, kWhite, kAccent}, Row{1, kAccent, kWhite}}) {
        const QRect box = inkBox(image, row.index * 16, 16, row.background);
        QVERIFY2(box.isValid(), "no text drawn");
        QVERIFY2(box.left() >= 4 && box.left() <= 6, qPrintable(QString::number(box.left())));
        const int centre = box.top() + box.bottom() - 2 * row.index * 16;
        QVERIFY2(qAbs(centre - 15) <= 4, qPrintable(QString::number(centre)));
        bool inkSeen = false;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                inkSeen = inkSeen || near(image.pixel(x, y), row.ink, 40);
        QVERIFY2(inkSeen, "text not in the expected colour");
    }
    // A long path, its folder cut in the middle, fills the row to its right
    // edge on one line.
    const QRect longBox = inkBox(image, 3 * 16, 16, kWhite);
    QVERIFY2(longBox.right() <= right && longBox.right() >= right - 16,
             qPrintable(QString::number(longBox.right())));
}

void TestFileList::entryStates_data()
{
    QTest::addColumn<JobQueue::State>("state");
    QTest::addColumn<int>("plan"); // -1: not planned
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QColor>("ink");
    using S = JobQueue::State;
    const int renamed = int(OutputDecision::Kind::Renamed);
    QTest::newRow("none") << S::None << -1 << "" << "/v/a.avi" << QColor();
    QTest::newRow("planned, renamed")
        << S::None << renamed << "" << "/v/a.avi\nWill be saved as /o/a.mp4 (renamed)"
        << QColor(118, 108, 106);
    QTest::newRow("waiting") << S::Waiting << renamed << "waiting" << "/v/a.avi"
                             << QColor(120, 120, 120);
    QTest::newRow("converting") << S::Converting << -1 << "42 %" << "/v/a.avi" << QColor(25, 103, 170);
    QTest::newRow("converted") << S::Converted << -1 << "converted"
                               << "/v/a.avi\nConverted to /o/a.mp4 (no engine)" << QColor(36, 122, 48);
    QTest::newRow("failed") << S::Failed << -1 << "failed" << "/v/a.avi\nFailed: no engine"
                            << QColor(198, 32, 32);
    QTest::newRow("skipped") << S::Skipped << -1 << "skipped" << "/v/a.avi\nSkipped: no engine"
                             << QColor(165, 98, 0);
}

void TestFileList::entryStates()
{
    QFETCH(JobQueue::State, state);
    QFETCH(int, plan);
    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    addPath(list, QStringLiteral("/v/b.avi"));
    addPath(list, QStringLiteral("/v/a.avi"));
    const JobQueue::Id a = listed.queue.at(1).id;
    if (plan >= 0)
        listed.queue.setPlans({{a, {OutputDecision::Kind(plan), QStringLiteral("/o/a.mp4"), {}}, {}}});
    listed.queue.setState(a, state, QStringLiteral("no engine"));
    listed.queue.setProgress(a, 42);
    listed.queue.setOutput(a, QStringLiteral("/o/a.mp4"));
    // The entry follows its file through moves.
    list.select(1);
    list.moveUp();
    list.select(0, false);
    QCOMPARE(listed.queue.at(0).state, state);
    QTEST(list.stateText(0), "word");
    QTEST(list.tipFor(0), "tip");
    QCOMPARE(listed.queue.at(1).state, JobQueue::State::None);

    // The state's colour is drawn at the right end of its row only.
    QFETCH(QColor, ink);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.clearFocus();
    const QImage image = list.viewport()->grab().toImage();
    const auto inkAt = [&](int top) {
        for (int y = top; y < top + 16; ++y)
            for (int x = image.width() / 2; x < image.width(); ++x)
                if (near(image.pixel(x, y), ink, 30))
                    return true;
        return false;
    };
    if (ink.isValid()) {
        QVERIFY(inkAt(0));
        QVERIFY(!inkAt(16));
    }
}

void TestFileList::focusRectangle()
{
    Listed listed;
    FileList &list = listed.list;
    list.resize(372, 130);
    addPath(list, QStringLiteral("/v/one.avi"));
    addPath(list, QStringLiteral("/v/two.avi"));
    list.show();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 0), QItemSelectionModel::NoUpdate);
    list.clearFocus();
    QTRY_VERIFY(!list.hasFocus());
    const QImage unfocused = list.viewport()->grab().toImage();
    list.setFocus();
    QTRY_VERIFY(list.hasFocus());
    const QImage focused = list.viewport()->grab().toImage();

    // The focus rectangle runs along the edges of the focused row only.
    auto edgeInk = [](const QImage &image, int y) {
        int ink = 0;
        for (int x = 0; x < image.width(); ++x)
            ink += near(image.pixel(x, y), kWhite) ? 0 : 1;
        return ink;
    };
    QCOMPARE(edgeInk(unfocused, 16), 0);
    QCOMPARE(edgeInk(unfocused, 31), 0);
    QVERIFY(edgeInk(focused, 16) > 50);
    QVERIFY(edgeInk(focused, 31) > 50);
    QCOMPARE(edgeInk(focused, 0), 0);

    // An empty list shows the focus on its first row.
    list.queue().clear();
    QTRY_VERIFY(edgeInk(list.viewport()->grab().toImage(), 0) > 50);
}

void TestFileList::itemFont()
{
    Listed listed;
    FileList &list = listed.list;
    const QFont font = list.itemFont();
    const QFontInfo info(font);
    QVERIFY(info.bold());
    if (QFontDatabase::families().contains(QStringLiteral("Traditional Arabic")))
        QCOMPARE(info.family(), QStringLiteral("Traditional Arabic"));
    else
        QVERIFY(QFontDatabase::families().contains(info.family()));
    // The whole character cell fits the 16-pixel row, at a legible size.
    const QFontMetrics metrics(font);
    QVERIFY2(metrics.height() <= 16, qPrintable(QString::number(metrics.height())));
    QVERIFY2(metrics.height() >= 13, qPrintable(QString::number(metrics.height())));
}

void TestFileList::insideMainWindow()
{
    HostFixture fx;
    MainWindow &dlg = fx.start();
    QPointer<FileList> list = dlg.fileList();
    QVERIFY(list);
    QCOMPARE(list->parentWidget(), &dlg);
    QCOMPARE(list->geometry(), QRect(220, 70, 372, 130));
    QVERIFY(list->isHidden());

    fx.send(QStringLiteral("ID_FS_Slider"));
    QVERIFY(!list->isHidden());
    fx.send(QStringLiteral("IDC_FS_VIDEOSETTING"));
    QVERIFY(list->isHidden());
    dlg.onTimer(MainWindow::kShowListTimer);
    QVERIFY(!list->isHidden());

    fx.addFiles({QStringLiteral("/v/Clip.avi"), QStringLiteral("/v/clip.avi"),
                 QStringLiteral("/v/Clip.avi"), QStringLiteral("/v/b.avi")});
    fx.addFiles({QStringLiteral("/v/b.avi"), QStringLiteral("/v/c.avi")});
    QCOMPARE(list->paths(), QStringList({QStringLiteral("/v/Clip.avi"), QStringLiteral("/v/clip.avi"),
                                         QStringLiteral("/v/b.avi"), QStringLiteral("/v/c.avi")}));

    list->select(2);
    fx.send(QStringLiteral("IDC_FS_UP"));
    fx.send(QStringLiteral("IDC_FS_UP"));
    QCOMPARE(list->paths().first(), QStringLiteral("/v/b.avi"));
    fx.send(QStringLiteral("IDC_FS_DOWN"));
    QCOMPARE(list->paths(), QStringList({QStringLiteral("/v/Clip.avi"), QStringLiteral("/v/b.avi"),
                                         QStringLiteral("/v/clip.avi"), QStringLiteral("/v/c.avi")}));
    list->select(3);
    fx.send(QStringLiteral("IDC_FS_REMOVE"));
    QCOMPARE(list->paths(), QStringList({QStringLiteral("/v/Clip.avi"), QStringLiteral("/v/clip.avi")}));
    fx.send(QStringLiteral("IDC_FS_REMOVEALL"));
    QCOMPARE(list->count(), 0);
    fx.addFiles({QStringLiteral("/v/clip.avi")});
    QCOMPARE(list->paths(), QStringList({QStringLiteral("/v/clip.avi")}));

    dlg.shutDown();
    QVERIFY(!list);
    QCOMPARE(dlg.fileList(), nullptr);
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
