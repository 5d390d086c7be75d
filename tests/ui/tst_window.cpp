// The main window as a window: its shape, the keys and clicks it filters,
// its window menu and the About box.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QQuickItem>
#include <QTest>
#include <QTimer>

#include "filelist/filelist.h"
#include "movie/movieview.h"
#include "support/hostfixture.h"
#include "platform/qtdesktop.h"
#include "ui/aboutdialog.h"

namespace {

// A movie that records the mouse buttons pressed on it and the keys it gets.
const QByteArray kInputMovie = R"(import QtQuick
Item {
    width: 656; height: 536
    signal fsCommand(string command, string args)
    signal flashCall(string request)
    property var buttons: []
    property var keys: []
    function setVariable(name, value) { }
    function getVariable(name) { return "" }
    focus: true
    Keys.onPressed: (event) => { keys.push(event.key); event.accepted = false }
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onPressed: (mouse) => parent.buttons.push(mouse.button)
    }
}
)";

// The visible file dialog other than `except`, or none.
QFileDialog *openFileDialog(QFileDialog *except = nullptr)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QFileDialog *>(widget);
            dialog && dialog != except && dialog->isVisible())
            return dialog;
    return nullptr;
}

QVariantList movieList(MainWindow &dlg, const char *name)
{
    QQuickItem *root = dlg.movie()->rootObject();
    return root ? root->property(name).toList() : QVariantList();
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shape();
    void keysNeverClose_data();
    void keysNeverClose();
    void rightClickSwallowed();
    void windowMenu();
    void aboutBoxFromWindowMenu();
    void closeFromWindowMenu();
    void f1OpensHelp();
    void folderBrowserBlocksNothing();
    void fileDialogPatternsIgnoreCase();

private:
    std::unique_ptr<HostFixture> m_fx;
};

void TestWindow::init()
{
    m_fx = std::make_unique<HostFixture>(HostFixture::defaultCatalogue(), QString());
    QFile movie(m_fx->file(QStringLiteral("main.qml")));
    QVERIFY(movie.open(QIODevice::WriteOnly));
    movie.write(kInputMovie);
    movie.close();
    QFile help(m_fx->file(QStringLiteral("help.html")));
    QVERIFY(help.open(QIODevice::WriteOnly));
    MainWindow &dlg = m_fx->start();
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
}

void TestWindow::cleanup()
{
    m_fx.reset();
}

void TestWindow::shape()
{
    MainWindow &dlg = m_fx->dlg();
    QVERIFY(dlg.windowFlags().testFlag(Qt::FramelessWindowHint));
    // A top-level window of its own, so it has a taskbar entry.
    QCOMPARE(dlg.windowType(), Qt::Window);
    QVERIFY(dlg.isWindow());
    QCOMPARE(dlg.size(), QSize(656, 538));
    QCOMPARE(dlg.movie()->geometry(), QRect(0, 0, 656, 536));
    QCOMPARE(dlg.movie()->parentWidget(), &dlg);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tarnwick"));
    QVERIFY(!dlg.windowIcon().isNull());
    QCOMPARE(dlg.fileList()->parentWidget(), &dlg);
    QCOMPARE(dlg.fileList()->geometry(), QRect(220, 70, 372, 130));
    // The list lies over the movie.
    QCOMPARE(dlg.childAt(300, 100), dlg.movie());
    dlg.fileList()->show();
    QVERIFY(dlg.fileList()->isAncestorOf(dlg.childAt(300, 100)) ||
            dlg.childAt(300, 100) == dlg.fileList());
}

void TestWindow::keysNeverClose_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key");
    for (const char *target : {"dialog", "movie", "list"}) {
        QTest::addRow("Escape on %s", target) << target << int(Qt::Key_Escape);
        QTest::addRow("Return on %s", target) << target << int(Qt::Key_Return);
        QTest::addRow("Enter on %s", target) << target << int(Qt::Key_Enter);
    }
}

void TestWindow::keysNeverClose()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    MainWindow &dlg = m_fx->dlg();
    QWidget *widget = &dlg;
    if (target == QLatin1String("movie"))
        widget = dlg.movie();
    else if (target == QLatin1String("list"))
        widget = dlg.fileList();
    widget->show();
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key(key));
    QTest::keyClick(widget, Qt::Key(key), Qt::ShiftModifier);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    if (target == QLatin1String("movie")) {
        // The key still reaches the movie like any other key.
        QVERIFY(movieList(dlg, "keys").contains(QVariant(key)));
    }
}

void TestWindow::rightClickSwallowed()
{
    MainWindow &dlg = m_fx->dlg();
    MovieView *movie = dlg.movie();
    QTest::mousePress(movie, Qt::RightButton, {}, QPoint(100, 300));
    QTest::mouseRelease(movie, Qt::RightButton, {}, QPoint(100, 300));
    QTest::mouseDClick(movie, Qt::RightButton, {}, QPoint(100, 300));
    QCOMPARE(movieList(dlg, "buttons"), QVariantList());

    // Other buttons reach the movie.
    QTest::mouseClick(movie, Qt::LeftButton, {}, QPoint(100, 300));
    QTest::mouseClick(movie, Qt::MiddleButton, {}, QPoint(100, 300));
    QCOMPARE(movieList(dlg, "buttons"),
             QVariantList({int(Qt::LeftButton), int(Qt::MiddleButton)}));
    QVERIFY(dlg.isVisible());
}

void TestWindow::windowMenu()
{
    MainWindow &dlg = m_fx->dlg();
    QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
    QMenu *menu = dlg.systemMenu();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts.size(), 5);
    QCOMPARE(QString(texts.at(0)).remove(QLatin1Char('&')), QStringLiteral("Minimize"));
    QCOMPARE(QString(texts.at(1)).remove(QLatin1Char('&')), QStringLiteral("Move"));
    QCOMPARE(QString(texts.at(2)).remove(QLatin1Char('&')), QStringLiteral("Close"));
    QCOMPARE(texts.at(3), QStringLiteral("-"));
    QCOMPARE(texts.at(4), QStringLiteral("&About Brellin..."));
    menu->hide();

    // Also from the movie, which has the focus.
    dlg.movie()->setFocus();
    QTest::keyClick(dlg.movie(), Qt::Key_Space, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();

    // Minimize works from the menu.
    QAction *minimize = menu->actions().at(0);
    minimize->trigger();
    QVERIFY(dlg.isMinimized());
}

void TestWindow::aboutBoxFromWindowMenu()
{
    MainWindow &dlg = m_fx->dlg();
    QTest::keyClick(&dlg, Qt::Key_Space, Qt::AltModifier);
    QMenu *menu = dlg.systemMenu();
    QTRY_VERIFY(menu->isVisible());

    QString title, failure;
    QStringList labels;
    bool hadIcon = false, modal = false, ownedByMain = false;
    bool closed = false;
    std::function<void()> answer = [&] {
        auto *about = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
        if (!about) {
            QTimer::singleShot(20, answer);
            return;
        }
        title = about->windowTitle();
        modal = about->isModal();
        ownedByMain = about->parentWidget() == &dlg;
        for (QLabel *label : about->findChildren<QLabel *>()) {
            if (!label->pixmap().isNull())
                hadIcon = true;
            else
                labels << label->text();
        }
        QPushButton *ok = nullptr;
        for (QPushButton *button : about->findChildren<QPushButton *>())
            if (button->text().remove(QLatin1Char('&')) == QLatin1String("OK"))
                ok = button;
        if (!ok) {
            failure = QStringLiteral("no OK button");
            about->reject();
            return;
        }
        QTest::mouseClick(ok, Qt::LeftButton);
        closed = !about->isVisible();
    };
    QTimer::singleShot(0, answer);
    // The entry's mnemonic picks it; the box runs modally until OK.
    QTest::keyClick(menu, Qt::Key_A);

    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(title, QStringLiteral("About Brellin"));
    QVERIFY(labels.contains(QStringLiteral("Brellin Version 1.0")));
    QCOMPARE(labels.size(), 2);
    QVERIFY(hadIcon);
    QVERIFY(modal);
    QVERIFY(ownedByMain);
    QVERIFY(closed);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
}

void TestWindow::closeFromWindowMenu()
{
    MainWindow &dlg = m_fx->dlg();
    QMenu *menu = dlg.systemMenu();
    menu->actions().at(2)->trigger();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void TestWindow::f1OpensHelp()
{
    MainWindow &dlg = m_fx->dlg();
    dlg.movie()->setFocus();
    QTest::keyClick(dlg.movie(), Qt::Key_F1);
    QCOMPARE(m_fx->desktop.opened, QStringList{m_fx->appDir() + QStringLiteral("help.html")});
}

void TestWindow::folderBrowserBlocksNothing()
{
    // The real desktop services and the window's own modal loop, as in the
    // program; input goes through the windows, where blocked windows drop it.
    QtDesktop desktop;
    Session session(m_fx->scriptedEngine, m_fx->appDir());
    MainWindow dlg(desktop, session, m_fx->appDir());
    QTemporaryDir target;
    auto send = [&dlg](const QString &command) {
        QMetaObject::invokeMethod(dlg.movie()->rootObject(), "fsCommand",
                                  Q_ARG(QString, command), Q_ARG(QString, QString()));
    };

    QString title;
    QVariantList clicksWhileOpen;
    bool secondOpened = true, raised = false;
    std::function<void()> drive = [&] {
        QFileDialog *browser = openFileDialog();
        if (!browser) {
            QTimer::singleShot(20, drive);
            return;
        }
        title = browser->windowTitle();
        // The main window still takes clicks...
        QTest::mouseClick(dlg.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
        clicksWhileOpen = movieList(dlg, "buttons");
        dlg.activateWindow();
        QTRY_VERIFY(dlg.isActiveWindow());
        QTimer::singleShot(0, [&, browser] {
            // ...a second browse raises the open browser instead of opening another...
            secondOpened = openFileDialog(browser) != nullptr;
            QTRY_VERIFY(browser->isActiveWindow());
            raised = true;
            // ...whose choice is the one taken.
            browser->setDirectory(target.path());
            static_cast<QDialog *>(browser)->accept();
        });
        send(QStringLiteral("IDC_FS_BROWSE"));
    };
    QTimer::singleShot(0, &dlg, [&] {
        QTimer::singleShot(0, drive);
        send(QStringLiteral("IDC_FS_BROWSE"));
        send(QStringLiteral("IDC_FS_EXIT"));
    });
    QTimer::singleShot(20000, &dlg, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<QFileDialog *>(widget))
                widget->close();
        dlg.close();
    });
    QCOMPARE(dlg.run(), int(Desktop::IdOk));

    QCOMPARE(title, QStringLiteral("Select a Destintion Folder."));
    QCOMPARE(clicksWhileOpen, QVariantList{int(Qt::LeftButton)});
    QVERIFY(!secondOpened);
    QVERIFY(raised);
    QCOMPARE(dlg.session().outputFolder(), QDir::cleanPath(target.path()));
    QVERIFY(!openFileDialog());
}

void TestWindow::fileDialogPatternsIgnoreCase()
{
    QTemporaryDir folder;
    for (const char *name : {"CLIP.AVI", "Movie.Mp4", "song.MPG", "notes.txt", "image.png"}) {
        QFile f(folder.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(folder.path());

    QtDesktop desktop;
    Session session(m_fx->scriptedEngine, m_fx->appDir());
    MainWindow dlg(desktop, session, m_fx->appDir());
    dlg.initialise();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    QStringList shown, filters;
    QString selectedFilter;
    bool accepted = true;
    std::function<void()> drive = [&] {
        QFileDialog *dialog = openFileDialog();
        auto *view = dialog ? dialog->findChild<QListView *>(QStringLiteral("listView")) : nullptr;
        if (!view || view->model()->rowCount(view->rootIndex()) < 3) {
            QTimer::singleShot(20, drive);
            return;
        }
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
        // Two names typed the way the dialog takes several.
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("\"CLIP.AVI\" \"song.MPG\""));
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible()) {
            accepted = false;
            dialog->reject();
        }
    };
    QTimer::singleShot(0, drive);
    QMetaObject::invokeMethod(dlg.movie()->rootObject(), "fsCommand",
                              Q_ARG(QString, QStringLiteral("IDC_FS_ADD")),
                              Q_ARG(QString, QString()));
    QDir::setCurrent(oldCurrent);

    QVERIFY(accepted);
    QCOMPARE(filters.size(), 5);
    QCOMPARE(selectedFilter, filters.first());
    QVERIFY(filters.last().contains(QLatin1String("(*)")));
    shown.sort();
    QCOMPARE(shown, QStringList({"CLIP.AVI", "Movie.Mp4", "song.MPG"}));
    QTRY_COMPARE(dlg.fileList()->paths(), QStringList({folder.filePath(QStringLiteral("CLIP.AVI")),
                                                       folder.filePath(QStringLiteral("song.MPG"))}));
    dlg.shutDown();
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
