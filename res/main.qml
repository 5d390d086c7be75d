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

    // Window geometry shared with the program: its file list lies over this
    // rectangle of the convert page, so nothing of ours may sit on it. It
    // grows with the window; the program reads it as "_root.fileArea".
    readonly property rect fileArea: Qt.rect(220, 70, width - 284, height - 406)

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
    // The batch at a glance, and its summary once it is over.
    property int batchProgress: 0
    property string batchStatus: ""
    property string fileTimeLeft: ""
    property string summary: ""
    readonly property string summaryHead: summary.split("\n")[0]
    readonly property string summaryRest: summary.indexOf("\n") < 0 ? "" : summary.slice(summary.indexOf("\n") + 1)
    property int failedCount: 0
    // The choices for a batch that runs unattended, as the program stores them.
    property string onExisting: "ask"
    property string onFailure: "tell"
    property string stall: "0"
    property string jobs: "auto"
    property var store: ({})

    // The parts in movie/ reach the root through the Movie singleton.
    Binding { target: Movie; property: "busy"; value: root.busy }
    Binding { target: Movie; property: "page"; value: root.page }
    Connections {
        target: Movie
        function onCommand(name, args) { root.send(name, args) }
        function onPageAsked(name) { root.showPage(name) }
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
        case "_root.onExisting": onExisting = text; break
        case "_root.onFailure": onFailure = text; break
        case "_root.stall": stall = text; break
        case "_root.jobs": jobs = text; break
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

    // ------------------------------------------------------------ navigation

    Rectangle {
        id: sidebar
        x: 0
        y: 0
        width: 204
        height: root.height
        color: Theme.side

        Column {
            x: 10
            y: 64
            spacing: 4
            NavButton { objectName: "navConvert"; pageName: "convert"; glyph: "files"; text: "Convert" }
            NavButton { objectName: "navVideo"; pageName: "video"; glyph: "video"; text: "Video settings" }
            NavButton { objectName: "navAudio"; pageName: "audio"; glyph: "audio"; text: "Audio settings" }
            NavButton { objectName: "navAbout"; pageName: "about"; glyph: "info"; text: "About" }
        }

        // What the next conversion will produce.
        Column {
            x: 24
            y: 362
            width: 160
            spacing: 5
            Text {
                text: "OUTPUT"
                font.family: Theme.family
                font.pixelSize: 10
                font.bold: true
                font.letterSpacing: 1.2
                color: Theme.sideMuted
                bottomPadding: 4
            }
            Repeater {
                model: [
                    { key: "Format", value: formatBox.displayText },
                    { key: "Container", value: containerBox.displayText },
                    { key: "Video", value: videoCodecBox.displayText + "  " + videoBitrateBox.currentText + "k" },
                    { key: "Audio", value: audioCodecBox.displayText + "  " + audioBitrateBox.currentText + "k" }
                ]
                delegate: Item {
                    required property var modelData
                    width: 160
                    height: 18
                    Text {
                        text: modelData.key
                        font.family: Theme.family
                        font.pixelSize: 11
                        color: Theme.sideMuted
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Text {
                        x: 66
                        width: 94
                        text: modelData.value
                        elide: Text.ElideRight
                        font.family: Theme.family
                        font.pixelSize: 11
                        font.bold: true
                        color: Theme.sideText
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
            }
        }

        Text {
            x: 24
            y: root.height - 30
            text: root.busy ? "Converting…" : (root.version !== "" ? "Version " + root.version : "")
            font.family: Theme.family
            font.pixelSize: 10
            color: root.busy ? "#F08A6C" : "#7D716D"
        }
    }

    // ----------------------------------------------------------- convert page

    Item {
        id: convertPage
        objectName: "convertPage"
        anchors.fill: parent
        visible: root.page === "convert"

        Card {
            id: filesCard
            x: 212
            y: 60
            width: root.width - 220
            height: root.height - 338

            // Where the program's file list lies; visible only while the
            // list itself is hidden.
            Rectangle {
                x: root.fileArea.x - filesCard.x - 1
                y: root.fileArea.y - filesCard.y - 1
                width: root.fileArea.width + 2
                height: root.fileArea.height + 2
                color: "#FFFFFF"
                border.color: Theme.control
                Text {
                    anchors.centerIn: parent
                    text: "Add the videos to convert with Add files."
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.faint
                }
            }

            Column {
                x: filesCard.width - 48
                y: 10
                spacing: 6
                TButton {
                    objectName: "upButton"
                    command: "IDC_FS_UP"
                    glyph: "up"
                    width: 40
                    height: 40
                    enabled: !root.busy
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    ToolTip.text: "Move the selected files up"
                }
                TButton {
                    objectName: "downButton"
                    command: "IDC_FS_DOWN"
                    glyph: "down"
                    width: 40
                    height: 40
                    enabled: !root.busy
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    ToolTip.text: "Move the selected files down"
                }
                TButton {
                    objectName: "optionsButton"
                    glyph: "gear"
                    width: 40
                    height: 40
                    onClicked: optionsPopup.open()
                    Accessible.name: "Options"
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    ToolTip.text: "Options: what a batch does while nobody watches it"
                }
            }

            Row {
                x: 8
                y: filesCard.height - 46
                spacing: 8
                TButton {
                    objectName: "addButton"
                    command: "IDC_FS_ADD"
                    glyph: "plus"
                    text: "Add files…"
                    enabled: !root.busy
                }
                TButton {
                    objectName: "removeButton"
                    command: "IDC_FS_REMOVE"
                    glyph: "minus"
                    text: "Remove"
                    enabled: !root.busy
                }
                TButton {
                    objectName: "removeAllButton"
                    command: "IDC_FS_REMOVEALL"
                    glyph: "trash"
                    text: "Remove all"
                    enabled: !root.busy
                }
            }
        }

        Card {
            id: saveCard
            x: 212
            y: filesCard.y + filesCard.height + 10
            width: root.width - 220
            height: 106

            Heading { x: 16; y: 14; text: "SAVE CONVERTED FILES" }

            Row {
                x: 14
                y: 34
                spacing: 24
                TRadio {
                    id: sameFolderRadio
                    objectName: "sameFolderRadio"
                    command: "IDC_FS_SAMEDIRECTORY"
                    text: "In the same folder as the source"
                    checked: true
                }
                TRadio {
                    id: otherFolderRadio
                    objectName: "otherFolderRadio"
                    command: "IDC_FS_OTHERDIRECTORY"
                    text: "In this folder:"
                }
            }

            TextField {
                id: pathField
                objectName: "pathField"
                x: 16
                y: 64
                width: saveCard.width - 130
                height: 32
                enabled: !root.busy && otherFolderRadio.checked
                hoverEnabled: true
                selectByMouse: true
                font.family: Theme.family
                font.pixelSize: 12
                color: enabled ? Theme.text : Theme.disabledText
                selectionColor: Theme.accent
                selectedTextColor: "#FFFFFF"
                leftPadding: 10
                rightPadding: 10
                placeholderText: "Output folder"
                placeholderTextColor: Theme.faint
                onTextEdited: root.pathEdited = true
                onEditingFinished: root.commitPath()
                background: Rectangle {
                    radius: 6
                    color: pathField.enabled ? Theme.card : Theme.disabledFill
                    border.width: pathField.activeFocus ? 2 : 1
                    border.color: !pathField.enabled ? Theme.border
                                  : pathField.activeFocus ? Theme.accent
                                  : pathField.hovered ? Theme.accentLine : Theme.control
                }
            }

            TButton {
                objectName: "browseButton"
                command: "IDC_FS_BROWSE"
                glyph: "folder"
                text: "Browse…"
                x: saveCard.width - 106
                y: 63
                width: 92
                enabled: !root.busy && otherFolderRadio.checked
            }
        }

        Card {
            id: progressPanel
            objectName: "progressPanel"
            x: 212
            y: root.height - 152
            width: root.width - 220
            height: 144

            Heading { x: 16; y: 14; text: root.busy ? "CONVERTING" : "STATUS" }

            // The batch at a glance: files through, time spent and left.
            Text {
                objectName: "batchStatusText"
                x: 120
                y: 12
                width: parent.width - 16 - x
                horizontalAlignment: Text.AlignRight
                visible: root.busy
                text: root.batchStatus
                elide: Text.ElideLeft
                font.family: Theme.family
                font.pixelSize: 11
                color: Theme.muted
            }

            Text {
                id: statusLine
                objectName: "statusLine"
                x: 16
                y: 32
                width: parent.width - 32
                height: 20
                verticalAlignment: Text.AlignVCenter
                text: root.statusText !== "" ? root.statusText
                      : root.busy ? "Starting…"
                      : root.summary !== "" ? root.summaryHead
                      : "Ready. Add files, choose where to save them, then press Convert."
                elide: Text.ElideMiddle
                font.family: Theme.family
                font.pixelSize: 12
                font.bold: root.statusText !== "" || (!root.busy && root.summary !== "")
                color: root.statusText !== "" || (!root.busy && root.summary !== "") ? Theme.text : Theme.muted
            }

            Item {
                id: progressDisplay
                objectName: "progressDisplay"
                x: 16
                y: 54
                width: parent.width - 32
                height: 16
                visible: root.progressShown
                ProgressBar {
                    id: progressBar
                    objectName: "progressBar"
                    width: parent.width - 52 - fileLeftText.width
                    height: 10
                    anchors.verticalCenter: parent.verticalCenter
                    from: 0
                    to: 100
                    value: root.progressValue
                    background: Rectangle {
                        radius: 5
                        color: "#EFE6E3"
                    }
                    contentItem: Item {
                        Rectangle {
                            width: progressBar.visualPosition * parent.width
                            height: parent.height
                            radius: 5
                            color: Theme.accent
                        }
                    }
                }
                Text {
                    objectName: "progressText"
                    x: progressBar.width + 4
                    width: 44
                    anchors.verticalCenter: parent.verticalCenter
                    horizontalAlignment: Text.AlignRight
                    text: root.progressValue + " %"
                    font.family: Theme.family
                    font.pixelSize: 12
                    font.bold: true
                    color: Theme.accent
                }
                Text {
                    id: fileLeftText
                    objectName: "fileTimeLeftText"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    width: root.fileTimeLeft !== "" ? 96 : 0
                    horizontalAlignment: Text.AlignRight
                    text: root.fileTimeLeft
                    font.family: Theme.family
                    font.pixelSize: 11
                    color: Theme.muted
                }
            }

            // The whole batch, under the file's bar.
            Item {
                objectName: "batchProgressDisplay"
                x: 16
                y: 72
                width: parent.width - 32
                height: 12
                visible: root.progressShown && root.batchStatus !== ""
                Text {
                    id: allLabel
                    anchors.verticalCenter: parent.verticalCenter
                    text: "All files"
                    font.family: Theme.family
                    font.pixelSize: 10
                    color: Theme.muted
                }
                Rectangle {
                    id: batchTrack
                    x: allLabel.width + 8
                    width: parent.width - x - 48
                    height: 4
                    radius: 2
                    anchors.verticalCenter: parent.verticalCenter
                    color: "#EFE6E3"
                    Rectangle {
                        width: parent.width * root.batchProgress / 100
                        height: parent.height
                        radius: 2
                        color: "#7A5A52"
                    }
                }
                Text {
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: root.batchProgress + " %"
                    font.family: Theme.family
                    font.pixelSize: 10
                    font.bold: true
                    color: Theme.muted
                }
            }

            // After the batch: each failed file with its reason.
            Text {
                id: failureLines
                objectName: "summaryFailures"
                x: 16
                y: 54
                width: parent.width - 32
                height: parent.height - 16 - 40 - 6 - y
                visible: !root.busy && !root.progressShown && root.summaryRest !== ""
                text: root.summaryRest
                wrapMode: Text.NoWrap
                elide: Text.ElideRight
                font.family: Theme.family
                font.pixelSize: 11
                color: "#A4261B"
                MouseArea {
                    id: failureHover
                    anchors.fill: parent
                    hoverEnabled: true
                    acceptedButtons: Qt.NoButton
                }
                ToolTip.visible: failureHover.containsMouse
                ToolTip.delay: 400
                ToolTip.text: root.summary
            }

            Row {
                x: parent.width - 16 - width
                y: parent.height - 16 - height
                spacing: 10
                TButton {
                    objectName: "retryButton"
                    command: "IDC_FS_RETRYFAILED"
                    glyph: "retry"
                    text: "Retry failed"
                    width: 132
                    height: 40
                    visible: !root.busy && root.failedCount > 0
                    enabled: root.convertEnabled && root.allButtonsEnabled
                }
                TButton {
                    objectName: "stopAfterButton"
                    command: "IDC_FS_STOPAFTER"
                    text: root.stopAfterAsked ? "Stopping…" : "After this file"
                    width: 132
                    height: 40
                    visible: root.busy || root.failedCount <= 0
                    enabled: root.stopEnabled && !root.stopAfterAsked
                    onClicked: root.stopAfterAsked = true
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    ToolTip.text: "Stop when the files being converted are done"
                }
                TButton {
                    objectName: "stopButton"
                    command: "IDC_FS_CANCEL"
                    glyph: "stop"
                    text: "Stop"
                    width: 96
                    height: 40
                    enabled: root.stopEnabled
                }
                TButton {
                    objectName: "convertButton"
                    command: "IDC_FS_CONVERT"
                    kind: "primary"
                    glyph: "play"
                    text: "Convert"
                    width: 150
                    height: 40
                    enabled: root.convertEnabled && root.allButtonsEnabled
                }
            }
        }
    }

    // Kept below the file list, which lies over the movie.
    Popup {
        id: optionsPopup
        objectName: "optionsPopup"
        x: 212
        width: root.width - 220
        y: root.height - 8 - height
        padding: 16
        modal: false
        focus: true
        background: Rectangle {
            radius: 10
            color: Theme.card
            border.color: Theme.control
        }
        contentItem: Column {
            spacing: 8
            Heading { text: "WHEN NOBODY WATCHES THE BATCH" }
            SettingRow {
                label: "Output exists"
                ChoiceBox {
                    objectName: "onExistingBox"
                    command: "ID-FS-onExisting"
                    value: root.onExisting
                    anchors.fill: parent
                    model: [{ text: "Ask me", value: "ask" }, { text: "Overwrite it", value: "overwrite" },
                            { text: "Keep both", value: "keepboth" }, { text: "Skip the file", value: "skip" }]
                }
            }
            SettingRow {
                label: "File fails"
                ChoiceBox {
                    objectName: "onFailureBox"
                    command: "ID-FS-onFailure"
                    value: root.onFailure
                    anchors.fill: parent
                    model: [{ text: "Tell me at once", value: "tell" },
                            { text: "Note it, go on", value: "note" }]
                }
            }
            SettingRow {
                label: "No progress"
                ChoiceBox {
                    objectName: "stallBox"
                    command: "ID-FS-stall"
                    value: root.stall
                    anchors.fill: parent
                    model: {
                        const list = [{ text: "Wait", value: "0" }, { text: "Give up after 1 min", value: "60" },
                                      { text: "Give up after 5 min", value: "300" },
                                      { text: "Give up after 15 min", value: "900" },
                                      { text: "Give up after 1 hour", value: "3600" }]
                        if (!list.some(e => e.value === root.stall) && root.stall !== "")
                            list.push({ text: "Give up after " + root.stall + " s", value: root.stall })
                        return list
                    }
                }
            }
            SettingRow {
                label: "Jobs at once"
                ChoiceBox {
                    objectName: "jobsBox"
                    command: "ID-FS-jobs"
                    value: root.jobs
                    anchors.fill: parent
                    model: [{ text: "Auto", value: "auto" }, { text: "1", value: "1" }, { text: "2", value: "2" },
                            { text: "3", value: "3" }, { text: "4", value: "4" }, { text: "5", value: "5" },
                            { text: "6", value: "6" }, { text: "7", value: "7" }, { text: "8", value: "8" }]
                }
            }
        }
    }

    // ------------------------------------------------------------ video page

    Item {
        id: videoPage
        objectName: "videoPage"
        anchors.fill: parent
        visible: root.page === "video"

        Card {
            x: 212
            y: 60
            width: root.width - 220
            height: 124
            Heading { x: 16; y: 14; text: "TARGET" }
            Column {
                x: 16
                y: 36
                spacing: 8
                SettingRow {
                    label: "Format"
                    PresetBox {
                        id: formatBox
                        objectName: "formatBox"
                        command: "ID-FS-convertTo"
                        anchors.fill: parent
                    }
                }
                SettingRow {
                    label: "Container"
                    PresetBox {
                        id: containerBox
                        objectName: "containerBox"
                        command: "ID-FS-container"
                        anchors.fill: parent
                    }
                }
            }
        }

        Card {
            x: 212
            y: 194
            width: root.width - 220
            height: 176
            TCheck {
                id: videoCheck
                objectName: "videoCheck"
                text: "Video"
                x: 12
                y: 9
            }
            Column {
                x: 16
                y: 44
                spacing: 8
                SettingRow {
                    label: "Codec"
                    PresetBox {
                        id: videoCodecBox
                        objectName: "videoCodecBox"
                        command: "ID-FS-videoCodec"
                        anchors.fill: parent
                    }
                }
                SettingRow {
                    label: "Bitrate"
                    hint: "kbit/s"
                    ValueBox {
                        id: videoBitrateBox
                        objectName: "videoBitrateBox"
                        command: "ID-FS-videoBitrate"
                        model: ["256", "512", "768", "1024", "1536", "2048", "3072", "4096", "6144", "8192"]
                        initial: "1024"
                        anchors.fill: parent
                    }
                }
                SettingRow {
                    label: "Scale"
                    hint: "× size"
                    ValueBox {
                        id: scaleBox
                        objectName: "scaleBox"
                        command: "ID-FS-videoScale"
                        model: ["0.25", "0.5", "0.75", "1", "1.5", "2"]
                        initial: "1"
                        anchors.fill: parent
                    }
                }
            }
        }

        Text {
            x: 220
            y: 382
            width: root.width - 236
            wrapMode: Text.WordWrap
            text: "The containers come with the format, and the codecs with the container. "
                  + "Bitrate and scale stay as you set them when you choose another format."
            font.family: Theme.family
            font.pixelSize: 11
            lineHeight: 1.2
            color: Theme.muted
        }
    }

    // ------------------------------------------------------------ audio page

    Item {
        id: audioPage
        objectName: "audioPage"
        anchors.fill: parent
        visible: root.page === "audio"

        Card {
            x: 212
            y: 60
            width: root.width - 220
            height: 176
            TCheck {
                id: audioCheck
                objectName: "audioCheck"
                text: "Audio"
                x: 12
                y: 9
            }
            Column {
                x: 16
                y: 44
                spacing: 8
                SettingRow {
                    label: "Codec"
                    PresetBox {
                        id: audioCodecBox
                        objectName: "audioCodecBox"
                        command: "ID-FS-audioCodec"
                        anchors.fill: parent
                    }
                }
                SettingRow {
                    label: "Bitrate"
                    hint: "kbit/s"
                    ValueBox {
                        id: audioBitrateBox
                        objectName: "audioBitrateBox"
                        command: "ID-FS-audioBitrate"
                        model: ["32", "48", "64", "96", "128", "160", "192", "256", "320"]
                        initial: "128"
                        anchors.fill: parent
                    }
                }
                SettingRow {
                    label: "Channels"
                    hint: channelsBox.currentText === "1" ? "mono" : channelsBox.currentText === "2" ? "stereo" : ""
                    ValueBox {
                        id: channelsBox
                        objectName: "channelsBox"
                        command: "ID-FS-audioChannnel"
                        model: ["1", "2"]
                        initial: "2"
                        anchors.fill: parent
                    }
                }
            }
        }

        Text {
            x: 220
            y: 248
            width: root.width - 236
            wrapMode: Text.WordWrap
            text: "The audio codecs offered depend on the container chosen on the Video settings page."
            font.family: Theme.family
            font.pixelSize: 11
            lineHeight: 1.2
            color: Theme.muted
        }
    }

    // ------------------------------------------------------------ about page

    Item {
        id: aboutPage
        objectName: "aboutPage"
        anchors.fill: parent
        visible: root.page === "about"

        Card {
            x: 212
            y: 60
            width: root.width - 220
            height: 250

            Mark { x: 24; y: 26; size: 64 }
            Column {
                x: 108
                y: 26
                width: 306
                spacing: 6
                Text {
                    text: "Tarnwick"
                    font.family: Theme.family
                    font.pixelSize: 24
                    font.bold: true
                    color: Theme.text
                }
                Text {
                    objectName: "versionText"
                    text: "Version " + (root.version !== "" ? root.version : "—")
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.accent
                    font.bold: true
                }
                Item { width: 1; height: 8 }
                Text {
                    width: 306
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                    text: "A batch video converter. Put your videos in the list, pick a format, "
                          + "and Tarnwick converts them one after another with the VLC engine."
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.text
                }
                Text {
                    width: 306
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                    text: "Free software, provided as is, without any warranty. "
                          + "Press Help for the user guide, or Support to write to us."
                    font.family: Theme.family
                    font.pixelSize: 12
                    color: Theme.muted
                }
            }
        }
    }

    // ---------------------------------------------------------- caption strip

    Item {
        id: caption
        objectName: "caption"
        x: 0
        y: 0
        width: root.width
        height: 48

        MouseArea {
            objectName: "dragArea"
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton
            onPressed: root.send("IDC_FS_DRAG")
            onDoubleClicked: root.send("IDC_FS_MAXIMIZE")
        }

        Mark { x: 18; y: 11; size: 26 }
        Text {
            x: 54
            height: 48
            verticalAlignment: Text.AlignVCenter
            text: "Tarnwick"
            font.family: Theme.family
            font.pixelSize: 16
            font.bold: true
            color: "#FFFFFF"
        }

        Text {
            objectName: "pageTitle"
            x: 220
            height: 48
            verticalAlignment: Text.AlignVCenter
            text: ({ "convert": "Files to convert", "video": "Video settings",
                     "audio": "Audio settings", "about": "About Tarnwick" })[root.page]
            font.family: Theme.family
            font.pixelSize: 16
            font.bold: true
            color: Theme.text
        }

        Row {
            x: root.width - 8 - width
            y: 9
            spacing: 2
            TButton {
                objectName: "helpButton"
                command: "IDC_FS_HELP"
                kind: "caption"
                glyph: "help"
                text: "Help"
                height: 30
            }
            TButton {
                objectName: "supportButton"
                command: "IDC_FS_support"
                kind: "caption"
                glyph: "mail"
                text: "Support"
                height: 30
            }
            Item { width: 6; height: 30 }
            TButton {
                objectName: "minimiseButton"
                command: "IDC_FS_MINI"
                kind: "caption"
                glyph: "minimise"
                width: 34
                height: 30
                Accessible.name: "Minimise"
            }
            TButton {
                objectName: "exitButton"
                command: "IDC_FS_EXIT"
                kind: "close"
                glyph: "close"
                width: 34
                height: 30
                Accessible.name: "Exit"
            }
        }
    }
}
