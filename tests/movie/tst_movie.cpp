// The shipped movie on its own: the commands its controls send, the lists it
// fills from the program's variables, the states the signal variables put it
// in, and the answers it gives to getVariable.

#include <memory>

#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

namespace {

const QRectF kFileArea(220, 70, 372, 130);

struct Sent
{
    QString command;
    QString args;
};

} // namespace

class TestMovie : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rootContract();
    void controlSendsCommand_data();
    void controlSendsCommand();
    void keyboardActivates_data();
    void keyboardActivates();
    void tabReachesEveryControl();
    void shortcuts_data();
    void shortcuts();
    void presetListFollowsHost_data();
    void presetListFollowsHost();
    void fixedChoices_data();
    void fixedChoices();
    void batchSignalsDisableControls_data();
    void batchSignalsDisableControls();
    void resetRestoresIdle();
    void oneShotSignalsActOnEveryWrite();
    void disabledPageSwitchSendsNothing();
    void progressAndStatus();
    void namesShownAsTheyAre();
    void checksAnswerGetVariable();
    void pathFieldAnswersGetVariable();
    void unknownVariablesReadEmpty();
    void fileAreaIsFree_data();
    void fileAreaIsFree();

private:
    QQuickItem *item(const QString &name) const;
    void setVariable(const QString &name, const QString &value);
    QString getVariable(const QString &name);
    void click(const QString &name);
    void runSetup(const QStringList &steps);
    QList<Sent> sent() const;
    void startBatch();

    std::unique_ptr<QQuickView> m_view;
    std::unique_ptr<QSignalSpy> m_spy;
};

QQuickItem *TestMovie::item(const QString &name) const
{
    return m_view->rootObject()->findChild<QQuickItem *>(name);
}

void TestMovie::setVariable(const QString &name, const QString &value)
{
    QVERIFY(QMetaObject::invokeMethod(m_view->rootObject(), "setVariable",
                                      Q_ARG(QVariant, name), Q_ARG(QVariant, value)));
}

QString TestMovie::getVariable(const QString &name)
{
    QVariant result;
    const bool ok = QMetaObject::invokeMethod(m_view->rootObject(), "getVariable",
                                              Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, name));
    if (!ok)
        return QStringLiteral("<call failed>");
    if (result.typeId() != QMetaType::QString)
        return QStringLiteral("<not a string: %1>").arg(QString::fromLatin1(result.typeName()));
    return result.toString();
}

void TestMovie::click(const QString &name)
{
    QQuickItem *target = item(name);
    QVERIFY2(target, qPrintable(name));
    QVERIFY2(target->isVisible(), qPrintable(name + QStringLiteral(" is not visible")));
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, centre.toPoint());
}

// Steps: "page:video", "set:_root.enableStop=true", "click:otherFolderRadio".
void TestMovie::runSetup(const QStringList &steps)
{
    for (const QString &step : steps) {
        const qsizetype colon = step.indexOf(QLatin1Char(':'));
        const QString kind = step.left(colon);
        const QString what = step.mid(colon + 1);
        if (kind == QLatin1String("page")) {
            m_view->rootObject()->setProperty("page", what);
        } else if (kind == QLatin1String("set")) {
            const qsizetype eq = what.indexOf(QLatin1Char('='));
            setVariable(what.left(eq), what.mid(eq + 1));
        } else if (kind == QLatin1String("click")) {
            click(what);
        } else if (kind == QLatin1String("focus")) {
            item(what)->forceActiveFocus(Qt::TabFocusReason);
        } else {
            QFAIL(qPrintable(QStringLiteral("bad setup step ") + step));
        }
    }
}

QList<Sent> TestMovie::sent() const
{
    QList<Sent> out;
    for (const QList<QVariant> &call : *m_spy)
        out.append({call.at(0).toString(), call.at(1).toString()});
    return out;
}

// What the program writes when a batch begins.
void TestMovie::startBatch()
{
    setVariable(QStringLiteral("_root.disablerAllBtns"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.disableConvert"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.enableStop"), QStringLiteral("true"));
}

void TestMovie::init()
{
    m_view = std::make_unique<QQuickView>();
    m_view->setSource(QUrl::fromLocalFile(QStringLiteral(TARNWICK_SOURCE_DIR "/res/main.qml")));
    const QList<QQmlError> errors = m_view->errors();
    for (const QQmlError &error : errors)
        qWarning() << error.toString();
    QVERIFY(errors.isEmpty());
    QVERIFY(m_view->rootObject());
    m_view->resize(656, 536);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    m_spy = std::make_unique<QSignalSpy>(m_view->rootObject(),
                                         SIGNAL(fsCommand(QString,QString)));
    QVERIFY(m_spy->isValid());
    // As the program does at start-up.
    setVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.path"), QStringLiteral("/home/user/Converted Videos"));
    setVariable(QStringLiteral("_root.version"), QStringLiteral("5.0.0.0"));
    m_spy->clear();
}

void TestMovie::cleanup()
{
    m_spy.reset();
    m_view.reset();
}

void TestMovie::rootContract()
{
    QObject *root = m_view->rootObject();
    const QMetaObject *meta = root->metaObject();
    QVERIFY(meta->indexOfSignal("fsCommand(QString,QString)") >= 0);
    QVERIFY(meta->indexOfSignal("flashCall(QString)") >= 0);
    QVERIFY(meta->indexOfMethod("setVariable(QVariant,QVariant)") >= 0);
    QVERIFY(meta->indexOfMethod("getVariable(QVariant)") >= 0);
    QCOMPARE(m_view->rootObject()->width(), 656.0);
    QCOMPARE(m_view->rootObject()->height(), 536.0);
    QVERIFY(m_spy->isEmpty());
}

void TestMovie::controlSendsCommand_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("command");

    const QStringList none;
    const QString other = QStringLiteral("click:otherFolderRadio");
    QTest::newRow("help") << none << "helpButton" << "IDC_FS_HELP";
    QTest::newRow("support") << none << "supportButton" << "IDC_FS_support";
    QTest::newRow("minimise") << none << "minimiseButton" << "IDC_FS_MINI";
    QTest::newRow("exit") << none << "exitButton" << "IDC_FS_EXIT";
    QTest::newRow("add") << none << "addButton" << "IDC_FS_ADD";
    QTest::newRow("remove") << none << "removeButton" << "IDC_FS_REMOVE";
    QTest::newRow("remove all") << none << "removeAllButton" << "IDC_FS_REMOVEALL";
    QTest::newRow("up") << none << "upButton" << "IDC_FS_UP";
    QTest::newRow("down") << none << "downButton" << "IDC_FS_DOWN";
    QTest::newRow("other folder") << none << "otherFolderRadio" << "IDC_FS_OTHERDIRECTORY";
    QTest::newRow("same folder") << QStringList{other} << "sameFolderRadio"
                                 << "IDC_FS_SAMEDIRECTORY";
    QTest::newRow("browse") << QStringList{other} << "browseButton" << "IDC_FS_BROWSE";
    QTest::newRow("convert") << none << "convertButton" << "IDC_FS_CONVERT";
    QTest::newRow("stop") << QStringList{QStringLiteral("set:_root.enableStop=true")}
                          << "stopButton" << "IDC_FS_CANCEL";
    QTest::newRow("video page") << none << "navVideo" << "IDC_FS_VIDEOSETTING";
    QTest::newRow("audio page") << none << "navAudio" << "IDC_FS_AUDIOSETTING";
    QTest::newRow("about page") << none << "navAbout" << "IDC_FS_ABOUT";
    QTest::newRow("back to convert") << QStringList{QStringLiteral("click:navVideo")}
                                     << "navConvert" << "IDC_FS_CONVERTWINDOW";
    QTest::newRow("about to convert") << QStringList{QStringLiteral("click:navAbout")}
                                      << "navConvert" << "IDC_FS_CONVERTWINDOW";
}

void TestMovie::controlSendsCommand()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, control);
    QFETCH(QString, command);
    runSetup(setup);
    m_spy->clear();

    click(control);

    const QList<Sent> calls = sent();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).command, command);
    QCOMPARE(calls.at(0).args, QString());
}

void TestMovie::keyboardActivates_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("command");

    QTest::newRow("convert, space") << "convertButton" << int(Qt::Key_Space) << "IDC_FS_CONVERT";
    QTest::newRow("add, return") << "addButton" << int(Qt::Key_Return) << "IDC_FS_ADD";
    QTest::newRow("exit, enter") << "exitButton" << int(Qt::Key_Enter) << "IDC_FS_EXIT";
    QTest::newRow("video page, space") << "navVideo" << int(Qt::Key_Space)
                                       << "IDC_FS_VIDEOSETTING";
    QTest::newRow("about page, return") << "navAbout" << int(Qt::Key_Return) << "IDC_FS_ABOUT";
    QTest::newRow("other folder, space") << "otherFolderRadio" << int(Qt::Key_Space)
                                         << "IDC_FS_OTHERDIRECTORY";
    QTest::newRow("other folder, return") << "otherFolderRadio" << int(Qt::Key_Return)
                                          << "IDC_FS_OTHERDIRECTORY";
}

void TestMovie::keyboardActivates()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(QString, command);
    QQuickItem *target = item(control);
    QVERIFY(target);
    target->forceActiveFocus(Qt::TabFocusReason);
    QVERIFY(target->hasActiveFocus());

    QTest::keyClick(m_view.get(), Qt::Key(key));

    const QList<Sent> calls = sent();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).command, command);
    QCOMPARE(calls.at(0).args, QString());
}

void TestMovie::tabReachesEveryControl()
{
    const QStringList perPage[] = {
        {QStringLiteral("navConvert"), QStringLiteral("navVideo"), QStringLiteral("navAudio"),
         QStringLiteral("navAbout"), QStringLiteral("upButton"), QStringLiteral("downButton"),
         QStringLiteral("addButton"), QStringLiteral("removeButton"),
         QStringLiteral("removeAllButton"), QStringLiteral("sameFolderRadio"),
         QStringLiteral("otherFolderRadio"), QStringLiteral("pathField"),
         QStringLiteral("browseButton"), QStringLiteral("convertButton"),
         QStringLiteral("stopButton"), QStringLiteral("helpButton"),
         QStringLiteral("supportButton"), QStringLiteral("minimiseButton"),
         QStringLiteral("exitButton")},
        {QStringLiteral("formatBox"), QStringLiteral("containerBox"),
         QStringLiteral("videoCheck"), QStringLiteral("videoCodecBox"),
         QStringLiteral("videoBitrateBox"), QStringLiteral("scaleBox")},
        {QStringLiteral("audioCheck"), QStringLiteral("audioCodecBox"),
         QStringLiteral("audioBitrateBox"), QStringLiteral("channelsBox")},
    };
    const char *pages[] = {"convert", "video", "audio"};
    // The folder field and Browse take part once "other folder" is chosen,
    // and Stop while a batch may be stopped.
    click(QStringLiteral("otherFolderRadio"));
    setVariable(QStringLiteral("_root.enableStop"), QStringLiteral("true"));

    for (int p = 0; p < 3; ++p) {
        m_view->rootObject()->setProperty("page", QString::fromLatin1(pages[p]));
        item(QStringLiteral("navConvert"))->forceActiveFocus(Qt::TabFocusReason);
        QSet<QString> reached;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(m_view.get(), Qt::Key_Tab);
            QQuickItem *focused = m_view->activeFocusItem();
            QVERIFY(focused);
            // The focus may rest on an inner item of a control (a text field's
            // editor): name it by the nearest named ancestor.
            while (focused && focused->objectName().isEmpty())
                focused = focused->parentItem();
            if (focused)
                reached.insert(focused->objectName());
        }
        for (const QString &name : perPage[p])
            QVERIFY2(reached.contains(name),
                     qPrintable(QStringLiteral("%1 page: Tab never reaches %2")
                                    .arg(QLatin1String(pages[p]), name)));
    }
}

void TestMovie::shortcuts_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QString>("focused");
    const QStringList none, batch{"set:_root.disablerAllBtns=true", "set:_root.enableStop=true"};
    const QStringList folder{"click:otherFolderRadio", "focus:pathField"}, options{"click:optionsButton"};
    QTest::newRow("Ctrl+O") << none << "Ctrl+O" << "IDC_FS_ADD" << "";
    QTest::newRow("Delete") << none << "Del" << "IDC_FS_REMOVE" << "";
    QTest::newRow("Ctrl+Q") << none << "Ctrl+Q" << "IDC_FS_EXIT" << "";
    QTest::newRow("Ctrl+O, batch") << batch << "Ctrl+O" << "" << "";
    QTest::newRow("Delete in the folder field") << folder << "Del" << "" << "pathField";
    QTest::newRow("an edited folder first")
        << folder << "X, Ctrl+Return" << "IDC_FS_OTHERDIRECTORY IDC_FS_CONVERT" << "pathField";
    // Closed, Options shows the program's file list again.
    QTest::newRow("Escape, options") << options << "Esc" << "ID_FS_Slider" << "optionsButton";
    QTest::newRow("Escape, options, batch")
        << batch + options << "Esc" << "ID_FS_Slider" << "optionsButton";
    QTest::newRow("Down, page tabs")
        << QStringList{"focus:navVideo"} << "Down, Space" << "IDC_FS_AUDIOSETTING" << "navAudio";
}

// The standard keys press the designed buttons while these may be pressed.
void TestMovie::shortcuts()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, keys);
    m_view->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    runSetup(setup);
    m_spy->clear();
    QTest::keySequence(m_view.get(), QKeySequence(keys));
    QStringList commands;
    for (const Sent &call : sent())
        commands << call.command;
    QTEST(commands.join(QLatin1Char(' ')), "commands");
    QTEST(m_view->activeFocusItem()->objectName(), "focused");
}

void TestMovie::presetListFollowsHost_data()
{
    QTest::addColumn<QString>("listVariable");
    QTest::addColumn<QString>("flagVariable");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("command");

    QTest::newRow("formats") << "_root.convertToStr" << "_root.convertToFlag" << "formatBox"
                             << "video" << "ID-FS-convertTo";
    QTest::newRow("containers") << "_root.containerStr" << "_root.containerFlag"
                                << "containerBox" << "video" << "ID-FS-container";
    QTest::newRow("video codecs") << "_root.videoCodecStr" << "_root.videoCodecFlag"
                                  << "videoCodecBox" << "video" << "ID-FS-videoCodec";
    QTest::newRow("audio codecs") << "_root.audioCodecStr" << "_root.audioCodecFlag"
                                  << "audioCodecBox" << "audio" << "ID-FS-audioCodec";
}

void TestMovie::presetListFollowsHost()
{
    QFETCH(QString, listVariable);
    QFETCH(QString, flagVariable);
    QFETCH(QString, control);
    QFETCH(QString, page);
    QFETCH(QString, command);
    m_view->rootObject()->setProperty("page", page);
    QQuickItem *box = item(control);
    QVERIFY(box);

    const auto entries = [box] {
        QStringList out;
        const int count = box->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QString text;
            QMetaObject::invokeMethod(box, "textAt", Q_RETURN_ARG(QString, text), Q_ARG(int, i));
            out << text;
        }
        return out;
    };

    setVariable(listVariable, QStringLiteral(".mp4|.m 4v|x"));
    setVariable(flagVariable, QStringLiteral("1"));
    QCOMPARE(entries(), (QStringList{".mp4", ".m 4v", "x"}));
    QCOMPARE(box->property("currentIndex").toInt(), 0);
    QCOMPARE(box->property("currentText").toString(), QStringLiteral(".mp4"));

    // Empty entries are kept where the program's text has them.
    setVariable(listVariable, QStringLiteral("a||b"));
    setVariable(flagVariable, QStringLiteral("1"));
    QCOMPARE(entries(), (QStringList{"a", "", "b"}));
    QCOMPARE(box->property("currentIndex").toInt(), 0);
    QVERIFY(m_spy->isEmpty());

    // The user steps down the list: each entry's text goes out exactly. The
    // arrow only opens a closed box; the open list steps and Return chooses.
    box->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(m_view.get(), Qt::Key_Down);
    QVERIFY(m_spy->isEmpty());
    QTest::keySequence(m_view.get(), QKeySequence(QStringLiteral("Down, Return, Down, Down")));
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QList<Sent> calls = sent();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(0).command, command);
    QCOMPARE(calls.at(0).args, QString(""));
    QCOMPARE(calls.at(1).command, command);
    QCOMPARE(calls.at(1).args, QStringLiteral("b"));
    QCOMPARE(box->property("currentIndex").toInt(), 2);

    // The flag, written again with the same value, selects the first entry.
    m_spy->clear();
    setVariable(flagVariable, QStringLiteral("1"));
    QCOMPARE(box->property("currentIndex").toInt(), 0);
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("a"));

    // A trailing bar adds an empty last entry; an empty text is one empty entry.
    setVariable(listVariable, QStringLiteral("mp4a|"));
    setVariable(flagVariable, QStringLiteral("1"));
    QCOMPARE(entries(), (QStringList{"mp4a", ""}));
    setVariable(listVariable, QString());
    setVariable(flagVariable, QStringLiteral("1"));
    QCOMPARE(entries(), QStringList{QString()});
    QCOMPARE(box->property("currentIndex").toInt(), 0);
    QVERIFY(m_spy->isEmpty());

    // Choosing the one empty entry through the popup sends an empty text.
    click(control);
    QTRY_VERIFY(box->property("popup").value<QObject *>()->property("visible").toBool());
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    calls = sent();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).command, command);
    QCOMPARE(calls.at(0).args, QString(""));
}

void TestMovie::fixedChoices_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("command");

    QTest::newRow("video bitrate") << "videoBitrateBox" << "video" << "1024"
                                   << "ID-FS-videoBitrate";
    QTest::newRow("scale") << "scaleBox" << "video" << "1" << "ID-FS-videoScale";
    QTest::newRow("audio bitrate") << "audioBitrateBox" << "audio" << "128"
                                   << "ID-FS-audioBitrate";
    QTest::newRow("channels") << "channelsBox" << "audio" << "2" << "ID-FS-audioChannnel";
}

void TestMovie::fixedChoices()
{
    QFETCH(QString, control);
    QFETCH(QString, page);
    QFETCH(QString, initial);
    QFETCH(QString, command);
    m_view->rootObject()->setProperty("page", page);
    QQuickItem *box = item(control);
    QVERIFY(box);
    QCOMPARE(box->property("currentText").toString(), initial);

    const int count = box->property("count").toInt();
    QVERIFY(count >= 2);
    double previous = 0;
    for (int i = 0; i < count; ++i) {
        QString text;
        QMetaObject::invokeMethod(box, "textAt", Q_RETURN_ARG(QString, text), Q_ARG(int, i));
        bool ok = false;
        const double value = text.toDouble(&ok);
        QVERIFY2(ok && value > previous, qPrintable(text)); // numbers, rising
        previous = value;
    }

    box->forceActiveFocus(Qt::TabFocusReason);
    const int start = box->property("currentIndex").toInt();
    // Neither a digit nor the arrow changes a closed box; the open list does.
    const QString arrow = start + 1 < count ? QStringLiteral("Down") : QStringLiteral("Up");
    QTest::keySequence(m_view.get(), QKeySequence(QStringLiteral("2, ") + arrow));
    QVERIFY(m_spy->isEmpty());
    QTest::keySequence(m_view.get(), QKeySequence(arrow + QStringLiteral(", Return")));
    const QList<Sent> calls = sent();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).command, command);
    QVERIFY(calls.at(0).args != initial);
    QCOMPARE(calls.at(0).args, box->property("currentText").toString());
}

namespace {

// Controls that could disturb a running batch.
const QStringList kBatchControls = {
    QStringLiteral("navConvert"), QStringLiteral("navVideo"), QStringLiteral("navAudio"),
    QStringLiteral("navAbout"), QStringLiteral("addButton"), QStringLiteral("removeButton"),
    QStringLiteral("removeAllButton"), QStringLiteral("upButton"), QStringLiteral("downButton"),
    QStringLiteral("sameFolderRadio"), QStringLiteral("otherFolderRadio"),
    QStringLiteral("pathField"), QStringLiteral("browseButton"), QStringLiteral("convertButton"),
    QStringLiteral("formatBox"), QStringLiteral("containerBox"), QStringLiteral("videoCodecBox"),
    QStringLiteral("videoBitrateBox"), QStringLiteral("scaleBox"), QStringLiteral("audioCodecBox"),
    QStringLiteral("audioBitrateBox"), QStringLiteral("channelsBox"), QStringLiteral("videoCheck"),
    QStringLiteral("audioCheck"),
};
// Window controls stay usable during a batch.
const QStringList kWindowControls = {
    QStringLiteral("helpButton"), QStringLiteral("supportButton"),
    QStringLiteral("minimiseButton"), QStringLiteral("exitButton"),
};

} // namespace

void TestMovie::batchSignalsDisableControls_data()
{
    QTest::addColumn<QStringList>("signalVariables");
    QTest::newRow("batch begins")
        << QStringList{"_root.disablerAllBtns", "_root.disableConvert", "_root.enableStop"};
    QTest::newRow("all buttons only") << QStringList{"_root.disablerAllBtns"};
    QTest::newRow("convert only") << QStringList{"_root.disableConvert"};
}

void TestMovie::batchSignalsDisableControls()
{
    QFETCH(QStringList, signalVariables);
    click(QStringLiteral("otherFolderRadio")); // folder field and Browse usable
    for (const QString &name : kBatchControls)
        QVERIFY2(item(name)->isEnabled(), qPrintable(name + QStringLiteral(" idle")));
    QVERIFY(!item(QStringLiteral("stopButton"))->isEnabled());

    for (const QString &name : signalVariables)
        setVariable(name, QStringLiteral("true"));

    for (const QString &name : kBatchControls)
        QVERIFY2(!item(name)->isEnabled(), qPrintable(name + QStringLiteral(" still enabled")));
    for (const QString &name : kWindowControls)
        QVERIFY2(item(name)->isEnabled(), qPrintable(name + QStringLiteral(" disabled")));
    QCOMPARE(item(QStringLiteral("stopButton"))->isEnabled(),
             signalVariables.contains(QStringLiteral("_root.enableStop")));
}

void TestMovie::resetRestoresIdle()
{
    click(QStringLiteral("otherFolderRadio"));
    m_spy->clear();
    startBatch();
    setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
    // The program's reset, in its order.
    setVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.enableConvert"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("0"));
    setVariable(QStringLiteral("_root.enablerAllBtns"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.hideProgress"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.convertOutput"), QString());

    for (const QString &name : kBatchControls)
        QVERIFY2(item(name)->isEnabled(), qPrintable(name));
    QVERIFY(!item(QStringLiteral("stopButton"))->isEnabled());
    QVERIFY(!item(QStringLiteral("progressDisplay"))->isVisible());
    QVERIFY(m_spy->isEmpty());
}

void TestMovie::oneShotSignalsActOnEveryWrite()
{
    QQuickItem *stop = item(QStringLiteral("stopButton"));
    QQuickItem *convert = item(QStringLiteral("convertButton"));
    QQuickItem *progress = item(QStringLiteral("progressDisplay"));
    for (int round = 0; round < 2; ++round) {
        setVariable(QStringLiteral("_root.enableStop"), QStringLiteral("true"));
        QVERIFY(stop->isEnabled());
        setVariable(QStringLiteral("_root.disableStop"), QStringLiteral("true"));
        QVERIFY(!stop->isEnabled());
        setVariable(QStringLiteral("_root.disableConvert"), QStringLiteral("true"));
        QVERIFY(!convert->isEnabled());
        setVariable(QStringLiteral("_root.enableConvert"), QStringLiteral("true"));
        QVERIFY(convert->isEnabled());
        setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
        QVERIFY(progress->isVisible());
        setVariable(QStringLiteral("_root.hideProgress"), QStringLiteral("true"));
        QVERIFY(!progress->isVisible());
    }
    // Two writes of the same signal in a row leave the same state.
    setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
    setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
    QVERIFY(progress->isVisible());
}

void TestMovie::disabledPageSwitchSendsNothing()
{
    startBatch();
    for (const QString &name : {QStringLiteral("navVideo"), QStringLiteral("navAudio"),
                                QStringLiteral("navAbout"), QStringLiteral("addButton"),
                                QStringLiteral("convertButton")})
        click(name);
    QTest::keyClick(m_view.get(), Qt::Key_Space);
    QVERIFY(m_spy->isEmpty());
    QCOMPARE(m_view->rootObject()->property("page").toString(), QStringLiteral("convert"));
    QVERIFY(item(QStringLiteral("convertPage"))->isVisible());
}

void TestMovie::progressAndStatus()
{
    QQuickItem *display = item(QStringLiteral("progressDisplay"));
    QQuickItem *bar = item(QStringLiteral("progressBar"));
    QQuickItem *status = item(QStringLiteral("statusLine"));
    QVERIFY(!display->isVisible());

    setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
    QVERIFY(display->isVisible());
    setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("40"));
    QCOMPARE(bar->property("value").toDouble(), 40.0);
    QCOMPARE(item(QStringLiteral("progressText"))->property("text").toString(),
             QStringLiteral("40 %"));
    setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("100"));
    QCOMPARE(bar->property("value").toDouble(), 100.0);

    const QString converting =
        QStringLiteral("Converting /ho.../clip.avi, Total Converted files:2");
    setVariable(QStringLiteral("_root.convertOutput"), converting);
    QCOMPARE(status->property("text").toString(), converting);

    setVariable(QStringLiteral("_root.hideProgress"), QStringLiteral("true"));
    QVERIFY(!display->isVisible());
    setVariable(QStringLiteral("_root.convertOutput"), QString());
    QVERIFY(status->property("text").toString() != converting);

    setVariable(QStringLiteral("_root.version"), QStringLiteral("5.0.0.0"));
    QVERIFY(item(QStringLiteral("versionText"))->property("text").toString().contains(
        QStringLiteral("5.0.0.0")));
}

// Read as markup, the tags would show nothing at all.
void TestMovie::namesShownAsTheyAre()
{
    const QString tags = QStringLiteral("<b></b><b></b><b></b><b></b>");
    for (const auto &[variable, shownBy] :
         {std::pair{"_root.convertOutput", "statusLine"}, {"_root.batchStatus", "batchStatusText"},
          {"_root.fileTimeLeft", "fileTimeLeftText"}, {"_root.summary", "summaryLines"},
          {"_root.outputPlan", "outputPlanText"}}) {
        setVariable(QLatin1String(variable), tags + QLatin1Char('\n') + tags);
        QObject *shown = m_view->rootObject()->findChild<QObject *>(QLatin1String(shownBy));
        // A list shows its first row once it has laid itself out.
        if (QObject *list = shown; list && list->property("currentItem").isValid())
            QTRY_VERIFY((shown = list->property("currentItem").value<QQuickItem *>()));
        const QFontMetricsF metrics(shown ? shown->property("font").value<QFont>() : QFont());
        QVERIFY2(shown && shown->property("implicitWidth").toReal() >= metrics.horizontalAdvance(tags) * 0.9,
                 shownBy);
    }
}

void TestMovie::checksAnswerGetVariable()
{
    QCOMPARE(getVariable(QStringLiteral("_root.audioCheck")), QStringLiteral("true"));
    QCOMPARE(getVariable(QStringLiteral("_root.videoCheck")), QStringLiteral("true"));

    m_view->rootObject()->setProperty("page", QStringLiteral("audio"));
    click(QStringLiteral("audioCheck"));
    QCOMPARE(getVariable(QStringLiteral("_root.audioCheck")), QStringLiteral("false"));
    QCOMPARE(getVariable(QStringLiteral("_root.videoCheck")), QStringLiteral("true"));
    item(QStringLiteral("audioCheck"))->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(m_view.get(), Qt::Key_Space);
    QCOMPARE(getVariable(QStringLiteral("_root.audioCheck")), QStringLiteral("true"));

    m_view->rootObject()->setProperty("page", QStringLiteral("video"));
    item(QStringLiteral("videoCheck"))->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QCOMPARE(getVariable(QStringLiteral("_root.videoCheck")), QStringLiteral("false"));
    // Each change is told, for the estimate of the outputs' size.
    QCOMPARE(m_spy->size(), 3);
    for (const Sent &call : sent())
        QCOMPARE(call.command, QStringLiteral("IDC_FS_TRACKS"));
}

void TestMovie::pathFieldAnswersGetVariable()
{
    QCOMPARE(getVariable(QStringLiteral("_root.path")), QStringLiteral("/home/user/Converted Videos"));
    setVariable(QStringLiteral("_root.path"), QStringLiteral("/srv/a|b/ö"));
    QCOMPARE(getVariable(QStringLiteral("_root.path")), QStringLiteral("/srv/a|b/ö"));
    QCOMPARE(item(QStringLiteral("pathField"))->property("text").toString(),
             QStringLiteral("/srv/a|b/ö"));

    click(QStringLiteral("otherFolderRadio"));
    m_spy->clear();
    QQuickItem *field = item(QStringLiteral("pathField"));
    QVERIFY(field->isEnabled());
    field->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(m_view.get(), Qt::Key_A, Qt::ControlModifier);
    for (const char c : QByteArrayLiteral("/tmp/out"))
        QTest::keyClick(m_view.get(), c);
    QCOMPARE(getVariable(QStringLiteral("_root.path")), QStringLiteral("/tmp/out"));
    QVERIFY(m_spy->isEmpty());

    // Finishing the edit tells the program to read the folder again.
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    QList<Sent> calls = sent();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0).command, QStringLiteral("IDC_FS_OTHERDIRECTORY"));
    QCOMPARE(calls.at(0).args, QString());

    // The program's write replaces the edit.
    setVariable(QStringLiteral("_root.path"), QStringLiteral("/media/chosen"));
    QCOMPARE(getVariable(QStringLiteral("_root.path")), QStringLiteral("/media/chosen"));
    m_spy->clear();
    item(QStringLiteral("browseButton"))->forceActiveFocus(Qt::TabFocusReason);
    QVERIFY(m_spy->isEmpty()); // leaving an unedited field sends nothing
}

void TestMovie::unknownVariablesReadEmpty()
{
    QCOMPARE(getVariable(QStringLiteral("_root.nothing")), QString(""));
    QCOMPARE(getVariable(QString()), QString(""));
    setVariable(QStringLiteral("_root.something"), QStringLiteral("kept"));
    QCOMPARE(getVariable(QStringLiteral("_root.something")), QStringLiteral("kept"));
    QCOMPARE(getVariable(QStringLiteral("_root.version")), QStringLiteral("5.0.0.0"));
}

void TestMovie::fileAreaIsFree_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("idle") << false;
    QTest::newRow("batch running") << true;
}

void TestMovie::fileAreaIsFree()
{
    QFETCH(bool, running);
    click(QStringLiteral("otherFolderRadio"));
    if (running) {
        startBatch();
        setVariable(QStringLiteral("_root.showProgress"), QStringLiteral("true"));
        setVariable(QStringLiteral("_root.progressValue"), QStringLiteral("40"));
    }
    int interactive = 0;
    bool framed = false;
    QList<QQuickItem *> pending{m_view->contentItem()};
    while (!pending.isEmpty()) {
        QQuickItem *it = pending.takeLast();
        pending.append(it->childItems());
        if (!it->isVisible() || it->width() <= 0 || it->height() <= 0)
            continue;
        const QRectF rect = it->mapRectToScene(QRectF(0, 0, it->width(), it->height()));
        // Controls, mouse areas, editors and anything in the Tab chain; plain
        // text accepts mouse buttons only for links and does not count.
        const bool takesInput = it->inherits("QQuickControl") || it->inherits("QQuickMouseArea") ||
                                it->inherits("QQuickTextInput") || it->inherits("QQuickTextEdit") ||
                                it->activeFocusOnTab();
        if (takesInput) {
            ++interactive;
            QVERIFY2(!rect.intersects(kFileArea),
                     qPrintable(QStringLiteral("%1 (%2) lies on the file list at %3,%4 %5x%6")
                                    .arg(it->objectName(),
                                         QString::fromLatin1(it->metaObject()->className()))
                                    .arg(rect.x()).arg(rect.y()).arg(rect.width())
                                    .arg(rect.height())));
        } else if (rect.contains(kFileArea) && rect != kFileArea && rect.width() < 500) {
            framed = true; // something of the page's own drawn around the list
        }
    }
    QVERIFY2(interactive >= 15, "too few controls found: the walk is wrong");
    QVERIFY(framed);
}

QTEST_MAIN(TestMovie)
#include "tst_movie.moc"
