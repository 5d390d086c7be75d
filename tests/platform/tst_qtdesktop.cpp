// The real desktop's boxes and dialogs, answered as a user answers them:
// keys and the window's close button on the box the program is waiting for.

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/qtdesktop.h"

namespace {

// Runs `answer` on the modal window once the caller's loop has shown it.
void whenModalShown(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(10, [answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible())
            answer(modal);
        else
            whenModalShown(answer);
    });
}

} // namespace

class TestQtDesktop : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void saveDialogSuffixAndFolder_data();
    void saveDialogSuffixAndFolder();
};

void TestQtDesktop::messageBoxAnswers_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer");
    // Anything but Yes on the overwrite question must keep the old file.
    QTest::newRow("yes/no, Escape") << int(Desktop::YesNo) << "escape" << int(Desktop::IdNo);
    QTest::newRow("yes/no, closed") << int(Desktop::YesNo) << "close" << int(Desktop::IdNo);
    QTest::newRow("yes/no, No") << int(Desktop::YesNo) << "no" << int(Desktop::IdNo);
    QTest::newRow("yes/no, Return") << int(Desktop::YesNo) << "return" << int(Desktop::IdYes);
    QTest::newRow("ok, Escape") << int(Desktop::Ok) << "escape" << int(Desktop::IdOk);
    QTest::newRow("ok, closed") << int(Desktop::Ok) << "close" << int(Desktop::IdOk);
}

void TestQtDesktop::messageBoxAnswers()
{
    QFETCH(int, buttons);
    QFETCH(QString, how);
    QFETCH(int, answer);
    QtDesktop desktop;
    QString shownText, shownTitle;
    whenModalShown([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close();
            return;
        }
        shownText = box->text();
        shownTitle = box->windowTitle();
        if (how == QLatin1String("escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (how == QLatin1String("return"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (how == QLatin1String("no"))
            box->button(QMessageBox::No)->click();
        else
            box->close();
    });
    const int result = desktop.messageBox(nullptr, QStringLiteral("File Name:/v/a.mp4 Already Exist overwrite [Yes/No]"),
                                          QStringLiteral("File Already Exist"),
                                          Desktop::Buttons(buttons), Desktop::NoIcon);
    QCOMPARE(shownText, QStringLiteral("File Name:/v/a.mp4 Already Exist overwrite [Yes/No]"));
    QCOMPARE(shownTitle, QStringLiteral("File Already Exist"));
    QCOMPARE(result, answer);
}

void TestQtDesktop::saveDialogSuffixAndFolder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("initialFolder");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected"); // relative to the folder the dialog starts in
    QTest::newRow("name without suffix") << ".mkv" << "out" << "renamed" << "renamed.mkv";
    QTest::newRow("own suffix kept") << ".mkv" << "out" << "take 2.mp4" << "take 2.mp4";
    QTest::newRow("missing folder: current one") << ".avi" << "gone" << "clip" << "clip.avi";
}

void TestQtDesktop::saveDialogSuffixAndFolder()
{
    QFETCH(QString, format);
    QFETCH(QString, initialFolder);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("current")));
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.filePath(QStringLiteral("current")));
    auto restore = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    const QString startFolder =
        dir.filePath(initialFolder == QLatin1String("gone") ? QStringLiteral("current")
                                                             : initialFolder);

    QtDesktop desktop;
    QString suffix, folder, offeredName;
    whenModalShown([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name) {
            modal->close();
            return;
        }
        suffix = dialog->defaultSuffix();
        folder = dialog->directory().absolutePath();
        offeredName = name->text();
        name->setText(typed);
        static_cast<QDialog *>(dialog)->accept();
    });
    const std::optional<QString> chosen = desktop.saveFileName(
        nullptr, format, QStringLiteral("All Supported Types (*%1)|*%1||").arg(format),
        dir.filePath(initialFolder + QStringLiteral("/clip") + format));

    QCOMPARE(suffix, format.mid(1));
    QCOMPARE(folder, startFolder);
    QCOMPARE(offeredName, QStringLiteral("clip") + format);
    QVERIFY(chosen.has_value());
    QCOMPARE(*chosen, startFolder + QLatin1Char('/') + expected);
}

QTEST_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
