// Tarnwick's user interface. The program drives it through setVariable and
// getVariable and hears every user action through fsCommand; the movie keeps
// no program state beyond what it shows.
import QtQuick
import QtQuick.Controls.Basic
import "movie"

Rectangle {
    id: root
    width: 656
    height: 536
    color: Theme.canvas

    signal fsCommand(string command, string args)
    signal flashCall(string request)

    // Settings pages keep a width that reads well, centred in what there is.
    readonly property int pageWidth: Math.min(width - 220, 560)
    readonly property int pageX: 212 + Math.round((width - 220 - pageWidth) / 2)
    // The status card grows a little with a tall window, for the summary.
    readonly property int statusHeight: 144 + Math.min(120, Math.max(0, Math.round((height - 536) / 3)))
    // Window geometry shared with the program: its file list lies over this
    // rectangle of the convert page, so nothing of ours may sit on it. It
    // grows with the window; the program reads it as "_root.fileArea".
    readonly property rect fileArea: Qt.rect(220, 70, width - 284, height - 262 - statusHeight)

    property string page: "convert"
    property bool allButtonsEnabled: true
    property bool convertEnabled: true
    property bool stopEnabled: false
    // "Stop after this file" was pressed; over when the batch is.
    property bool stopAfterAsked: false
    onStopEnabledChanged: if (!stopEnabled) stopAfterAsked = false
    readonly property bool busy: !allButtonsEnabled || !convertEnabled
    property bool progressShown: false
    property int progressValue: 0
    property string statusText: ""
    property string version: ""
    property bool pathEdited: false
    // The program's file list has the keyboard focus.
    property bool listFocused: false
    // The batch at a glance, and its summary once it is over.
    property int batchProgress: 0
    property string batchStatus: ""
    property string fileTimeLeft: ""
    property string summary: ""
    readonly property string summaryHead: summary.split("\n")[0]
    readonly property string summaryRest: summary.indexOf("\n") < 0 ? "" : summary.slice(summary.indexOf("\n") + 1)
    property int failedCount: 0
    // Before Convert: the files ready, where they go and how big.
    property string readyText: ""
    property string outputPlan: ""
    // After a batch: where its outputs went. The batch is over from its
    // completion box on, before the controls are reset.
    property string openFolder: ""
    property bool batchOver: false
    readonly property bool running: busy && !batchOver
    property string windowTitle: "Tarnwick"
    property bool maximized: false
    // The choices for a batch that runs unattended, as the program stores them.
    property string onExisting: "ask"
    property string onFailure: "tell"
    property string stall: "0"
    property string jobs: "auto"
    property var store: ({})

    // Controls of the pages the root reads and sets.
    property alias formatBox: videoPage.formatBox
    property alias containerBox: videoPage.containerBox
    property alias videoCodecBox: videoPage.videoCodecBox
    property alias videoBitrateBox: videoPage.videoBitrateBox
    property alias videoCheck: videoPage.videoCheck
    property alias audioCodecBox: audioPage.audioCodecBox
    property alias audioBitrateBox: audioPage.audioBitrateBox
    property alias audioCheck: audioPage.audioCheck
    property alias pathField: convertPage.pathField
    property alias otherFolderRadio: convertPage.otherFolderRadio
    property alias optionsPopup: optionsPanel

    // The parts in movie/ reach the root through the Movie singleton.
    Binding { target: Movie; property: "busy"; value: root.busy }
    Binding { target: Movie; property: "page"; value: root.page }
    Connections {
        target: Movie
        function onCommand(name, args) { root.send(name, args) }
        function onPageAsked(name) { root.showPage(name) }
        function onEditsDue() { root.commitPath() }
    }

    function send(command, args) {
        fsCommand(command, args === undefined ? "" : String(args))
    }

    function raised(value) {
        return String(value).toLowerCase() !== "false"
    }

    function setVariable(name, value) {
        const text = value === undefined || value === null ? "" : String(value)
        store[String(name)] = text
        switch (String(name)) {
        case "_root.disablerAllBtns": allButtonsEnabled = !raised(text); break
        case "_root.enablerAllBtns": allButtonsEnabled = raised(text); break
        case "_root.disableConvert": convertEnabled = !raised(text); break
        case "_root.enableConvert": convertEnabled = raised(text); break
        case "_root.enableStop": stopEnabled = raised(text); break
        case "_root.disableStop": stopEnabled = !raised(text); break
        case "_root.showProgress": progressShown = raised(text); break
        case "_root.hideProgress": progressShown = !raised(text); break
        case "_root.progressValue": {
            const n = parseInt(text, 10)
            progressValue = isNaN(n) ? 0 : Math.max(0, Math.min(100, n))
            break
        }
        case "_root.convertOutput": statusText = text; break
        case "_root.path":
            pathField.text = text
            pathField.cursorPosition = 0 // show a long folder from its start
            pathEdited = false
            break
        case "_root.version": version = text; break
        case "_root.batchProgress": {
            const n = parseInt(text, 10)
            batchProgress = isNaN(n) ? 0 : Math.max(0, Math.min(100, n))
            break
        }
        case "_root.batchStatus": batchStatus = text; break
        case "_root.fileTimeLeft": fileTimeLeft = text; break
        case "_root.summary": summary = text; break
        case "_root.failedCount": {
            const n = parseInt(text, 10)
            failedCount = isNaN(n) ? 0 : n
            break
        }
        case "_root.readyText": readyText = text; break
        case "_root.outputPlan": outputPlan = text; break
        case "_root.openFolder": openFolder = text; break
        case "_root.batchOver": batchOver = raised(text); break
        case "_root.windowTitle": windowTitle = text !== "" ? text : "Tarnwick"; break
        case "_root.maximized": maximized = raised(text); break
        case "_root.onExisting": onExisting = text; break
        case "_root.onFailure": onFailure = text; break
        case "_root.stall": stall = text; break
        case "_root.jobs": jobs = text; break
        // Tab or Shift+Tab left the program's file list: on to the control
        // after it or before it.
        case "_root.focusFromList": convertPage.focusFromList(text !== "previous"); break
        case "_root.listFocused": listFocused = raised(text); break
        case "_root.audioCheck": audioCheck.checked = text.toLowerCase() === "true"; break
        case "_root.videoCheck": videoCheck.checked = text.toLowerCase() === "true"; break
        case "_root.convertToStr": formatBox.fill(text); break
        case "_root.convertToFlag": formatBox.selectFirst(); break
        case "_root.containerStr": containerBox.fill(text); break
        case "_root.containerFlag": containerBox.selectFirst(); break
        case "_root.videoCodecStr": videoCodecBox.fill(text); break
        case "_root.videoCodecFlag": videoCodecBox.selectFirst(); break
        case "_root.audioCodecStr": audioCodecBox.fill(text); break
        case "_root.audioCodecFlag": audioCodecBox.selectFirst(); break
        }
    }

    function getVariable(name) {
        switch (String(name)) {
        case "_root.audioCheck": return audioCheck.checked ? "true" : "false"
        case "_root.videoCheck": return videoCheck.checked ? "true" : "false"
        case "_root.path": return pathField.text
        case "_root.convertOutput": return statusText
        case "_root.progressValue": return String(progressValue)
        case "_root.fileArea":
            return [fileArea.x, fileArea.y, fileArea.width, fileArea.height].map(Math.round).join(",")
        }
        const value = store[String(name)]
        return value === undefined ? "" : value
    }

    function showPage(name) {
        if (busy || name === page)
            return
        page = name
        const commands = {
            "convert": "IDC_FS_CONVERTWINDOW",
            "video": "IDC_FS_VIDEOSETTING",
            "audio": "IDC_FS_AUDIOSETTING",
            "about": "IDC_FS_ABOUT"
        }
        send(commands[name])
    }

    function commitPath() {
        if (pathEdited && otherFolderRadio.checked)
            send("IDC_FS_OTHERDIRECTORY")
        pathEdited = false
    }

    // The pages and the window's strip, each in movie/; the root shows one
    // page at a time by its page property.
    Sidebar { id: sidebar; host: root }
    ConvertPage { id: convertPage; host: root }
    OptionsPopup { id: optionsPanel; host: root }
    VideoPage { id: videoPage; host: root }
    AudioPage { id: audioPage; host: root }
    AboutPage { id: aboutPage; host: root }
    Caption { id: caption; host: root }

    // A press anywhere outside Options closes them and goes on to what is
    // under it: the popup's own rule misses presses in an embedded movie.
    // Only there while they are open, when the program's file list is hidden.
    MouseArea {
        anchors.fill: parent
        z: 1000
        visible: optionsPanel.opened
        onPressed: mouse => {
            optionsPanel.close()
            mouse.accepted = false
        }
    }
}
