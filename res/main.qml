// Tarnwick's user interface. The program drives it through setVariable and
// getVariable and hears every user action through fsCommand; the movie keeps
// no program state beyond what it shows.
import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    id: root
    width: 656
    height: 536
    color: theme.canvas

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

    QtObject {
        id: theme
        readonly property string family: "DejaVu Sans"
        readonly property color accent: "#AE2504"
        readonly property color accentHover: "#C42D08"
        readonly property color accentPressed: "#8A1D03"
        readonly property color accentSoft: "#FBEDE9"
        readonly property color accentLine: "#E3B3A6"
        readonly property color canvas: "#F4F1EF"
        readonly property color card: "#FFFFFF"
        readonly property color border: "#E3DCD9"
        readonly property color control: "#D5CBC7"
        readonly property color text: "#2A2221"
        readonly property color muted: "#6F6462"
        readonly property color faint: "#9A8F8C"
        readonly property color disabledText: "#B8AEAB"
        readonly property color disabledFill: "#F2EEEC"
        readonly property color side: "#241E1D"
        readonly property color sideHover: "#2F2826"
        readonly property color sideCurrent: "#3A2F2C"
        readonly property color sideText: "#EDE7E5"
        readonly property color sideMuted: "#A0948F"
        readonly property color focus: "#AE2504"
    }

    // ---------------------------------------------------------------- parts

    // Small line icons drawn on a 16 x 16 grid.
    component Glyph: Canvas {
        id: glyph
        property string kind: ""
        property color color: theme.text
        implicitWidth: 16
        implicitHeight: 16
        onColorChanged: requestPaint()
        onKindChanged: requestPaint()
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        onPaint: {
            const c = getContext("2d")
            c.reset()
            c.scale(width / 16, height / 16)
            c.strokeStyle = glyph.color
            c.fillStyle = glyph.color
            c.lineWidth = 1.6
            c.lineCap = "round"
            c.lineJoin = "round"
            c.beginPath()
            switch (kind) {
            case "plus":
                c.moveTo(3, 8); c.lineTo(13, 8); c.moveTo(8, 3); c.lineTo(8, 13); c.stroke(); break
            case "minus":
                c.moveTo(3.5, 8); c.lineTo(12.5, 8); c.stroke(); break
            case "trash":
                c.moveTo(2.5, 4.5); c.lineTo(13.5, 4.5)
                c.moveTo(6, 4.5); c.lineTo(6, 2.5); c.lineTo(10, 2.5); c.lineTo(10, 4.5)
                c.moveTo(4, 4.5); c.lineTo(4.8, 13.5); c.lineTo(11.2, 13.5); c.lineTo(12, 4.5)
                c.moveTo(6.8, 7); c.lineTo(6.8, 11); c.moveTo(9.2, 7); c.lineTo(9.2, 11)
                c.stroke(); break
            case "up":
                c.moveTo(3.5, 10.5); c.lineTo(8, 6); c.lineTo(12.5, 10.5); c.stroke(); break
            case "down":
                c.moveTo(3.5, 6); c.lineTo(8, 10.5); c.lineTo(12.5, 6); c.stroke(); break
            case "folder":
                c.moveTo(2, 4); c.lineTo(6.5, 4); c.lineTo(8, 5.8); c.lineTo(14, 5.8)
                c.lineTo(14, 13); c.lineTo(2, 13); c.closePath(); c.stroke(); break
            case "play":
                c.lineWidth = 1.2
                c.moveTo(5, 3); c.lineTo(13, 8); c.lineTo(5, 13); c.closePath(); c.fill(); c.stroke(); break
            case "stop":
                c.lineWidth = 1.2
                c.rect(4, 4, 8, 8); c.fill(); c.stroke(); break
            case "files":
                c.moveTo(5, 1.8); c.lineTo(10, 1.8); c.lineTo(13, 4.8); c.lineTo(13, 14.2)
                c.lineTo(3, 14.2); c.lineTo(3, 1.8); c.lineTo(5, 1.8)
                c.moveTo(10, 1.8); c.lineTo(10, 4.8); c.lineTo(13, 4.8)
                c.moveTo(5.6, 8); c.lineTo(10.4, 8); c.moveTo(5.6, 10.8); c.lineTo(10.4, 10.8)
                c.stroke(); break
            case "video":
                c.moveTo(1.8, 4); c.lineTo(10.2, 4); c.lineTo(10.2, 12); c.lineTo(1.8, 12); c.closePath()
                c.moveTo(10.2, 7); c.lineTo(14.2, 4.6); c.lineTo(14.2, 11.4); c.lineTo(10.2, 9)
                c.stroke(); break
            case "audio":
                c.moveTo(2, 6); c.lineTo(4.8, 6); c.lineTo(8.2, 3); c.lineTo(8.2, 13); c.lineTo(4.8, 10)
                c.lineTo(2, 10); c.closePath(); c.stroke()
                c.beginPath(); c.arc(8.4, 8, 3, -0.9, 0.9, false); c.stroke()
                c.beginPath(); c.arc(8.4, 8, 5.8, -0.9, 0.9, false); c.stroke(); break
            case "info":
                c.arc(8, 8, 6.3, 0, Math.PI * 2, false); c.stroke()
                c.beginPath(); c.moveTo(8, 7.2); c.lineTo(8, 11.2); c.stroke()
                c.beginPath(); c.arc(8, 4.9, 0.5, 0, Math.PI * 2, false); c.fill(); c.stroke(); break
            case "help":
                c.arc(8, 8, 6.3, 0, Math.PI * 2, false); c.stroke()
                c.beginPath(); c.arc(8, 6.4, 1.9, Math.PI * 1.05, Math.PI * 2.35, false)
                c.lineTo(8, 9.4); c.stroke()
                c.beginPath(); c.arc(8, 11.6, 0.45, 0, Math.PI * 2, false); c.fill(); c.stroke(); break
            case "mail":
                c.moveTo(2, 4); c.lineTo(14, 4); c.lineTo(14, 12); c.lineTo(2, 12); c.closePath()
                c.moveTo(2.4, 4.6); c.lineTo(8, 8.8); c.lineTo(13.6, 4.6); c.stroke(); break
            case "minimise":
                c.moveTo(4, 8.5); c.lineTo(12, 8.5); c.stroke(); break
            case "close":
                c.moveTo(4.5, 4.5); c.lineTo(11.5, 11.5); c.moveTo(11.5, 4.5); c.lineTo(4.5, 11.5)
                c.stroke(); break
            case "retry":
                c.arc(8, 8, 5.2, -Math.PI * 0.35, Math.PI * 1.45, false); c.stroke()
                c.beginPath(); c.moveTo(12.6, 1.8); c.lineTo(12.4, 5.4); c.lineTo(8.8, 5.0); c.stroke(); break
            case "gear":
                c.arc(8, 8, 2.2, 0, Math.PI * 2, false); c.stroke()
                for (let i = 0; i < 8; ++i) {
                    const a = i * Math.PI / 4
                    c.beginPath()
                    c.moveTo(8 + 4.2 * Math.cos(a), 8 + 4.2 * Math.sin(a))
                    c.lineTo(8 + 6.4 * Math.cos(a), 8 + 6.4 * Math.sin(a))
                    c.stroke()
                }
                c.beginPath(); c.arc(8, 8, 4.4, 0, Math.PI * 2, false); c.stroke(); break
            case "check":
                c.lineWidth = 2
                c.moveTo(3.6, 8.4); c.lineTo(6.6, 11.3); c.lineTo(12.4, 4.9); c.stroke(); break
            }
        }
    }

    // The program's mark: a play sign inside a turning arrow.
    component Mark: Item {
        id: mark
        property real size: 28
        width: size
        height: size
        Rectangle {
            anchors.fill: parent
            radius: mark.size * 0.24
            gradient: Gradient {
                GradientStop { position: 0; color: "#C8360E" }
                GradientStop { position: 1; color: "#9A2003" }
            }
        }
        Canvas {
            anchors.fill: parent
            onWidthChanged: requestPaint()
            onPaint: {
                const s = width
                const c = getContext("2d")
                c.reset()
                c.strokeStyle = "white"
                c.fillStyle = "white"
                c.lineCap = "round"
                c.lineWidth = s * 0.08
                const r = s * 0.30
                const cx = s / 2, cy = s / 2
                const a0 = -Math.PI * 0.30, a1 = Math.PI * 1.45
                c.beginPath()
                c.arc(cx, cy, r, a0, a1, false)
                c.stroke()
                // arrow head at the end of the arc, pointing along it
                const ex = cx + r * Math.cos(a1), ey = cy + r * Math.sin(a1)
                const h = s * 0.15
                c.beginPath()
                c.moveTo(ex + h * 0.95, ey - h * 0.05)
                c.lineTo(ex - h * 0.15, ey - h * 0.75)
                c.lineTo(ex - h * 0.35, ey + h * 0.55)
                c.closePath()
                c.fill()
                c.beginPath()
                c.moveTo(s * 0.43, s * 0.36)
                c.lineTo(s * 0.66, s * 0.50)
                c.lineTo(s * 0.43, s * 0.64)
                c.closePath()
                c.fill()
            }
        }
    }

    component FocusRing: Rectangle {
        property Item target
        property real radiusBase: 6
        anchors.fill: parent
        anchors.margins: -3
        radius: radiusBase + 3
        color: "transparent"
        border.color: theme.focus
        border.width: 2
        visible: target ? target.visualFocus : false
    }

    component Card: Rectangle {
        color: theme.card
        radius: 10
        border.color: theme.border
        border.width: 1
    }

    component Heading: Text {
        font.family: theme.family
        font.pixelSize: 11
        font.bold: true
        font.letterSpacing: 0.8
        color: theme.muted
    }

    component FieldLabel: Text {
        font.family: theme.family
        font.pixelSize: 12
        color: enabled ? theme.text : theme.disabledText
        verticalAlignment: Text.AlignVCenter
    }

    // kind: "secondary", "primary", "caption" (window strip) or "close"
    component TButton: Button {
        id: button
        property string command: ""
        property string glyph: ""
        property string kind: "secondary"
        readonly property bool primary: kind === "primary"
        readonly property color foreground: {
            if (!enabled)
                return primary ? "#FFFFFF" : theme.disabledText
            if (primary)
                return "#FFFFFF"
            if (kind === "close" && (hovered || down))
                return "#FFFFFF"
            if (kind === "caption" || kind === "close")
                return theme.muted
            return theme.text
        }
        readonly property color glyphColour: {
            if (!enabled || primary || kind !== "secondary")
                return foreground
            return theme.accent
        }
        implicitHeight: 34
        leftPadding: text === "" ? 8 : 12
        rightPadding: text === "" ? 8 : 14
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        font.family: theme.family
        font.pixelSize: 12
        font.bold: primary
        onClicked: if (command !== "") root.send(command)
        Keys.onReturnPressed: if (enabled) clicked()
        Keys.onEnterPressed: if (enabled) clicked()
        contentItem: Item {
            implicitWidth: children[0].implicitWidth
            implicitHeight: children[0].implicitHeight
            Row {
                anchors.centerIn: parent
                spacing: 7
                Glyph {
                    kind: button.glyph
                    color: button.glyphColour
                    visible: button.glyph !== ""
                    width: 14
                    height: 14
                    anchors.verticalCenter: parent.verticalCenter
                }
                Text {
                    text: button.text
                    visible: button.text !== ""
                    font: button.font
                    color: button.foreground
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
        background: Rectangle {
            implicitWidth: 34
            implicitHeight: 34
            radius: 6
            color: {
                if (button.primary)
                    return !button.enabled ? "#DCC9C4" : button.down ? theme.accentPressed
                                           : button.hovered ? theme.accentHover : theme.accent
                if (button.kind === "close")
                    return button.down ? theme.accentPressed : button.hovered ? theme.accent : "transparent"
                if (button.kind === "caption")
                    return button.down ? "#DED6D3" : button.hovered ? "#E9E3E0" : "transparent"
                if (!button.enabled)
                    return theme.disabledFill
                return button.down ? "#F6E0DA" : button.hovered ? theme.accentSoft : theme.card
            }
            border.width: button.kind === "secondary" ? 1 : 0
            border.color: !button.enabled ? theme.border
                          : button.hovered || button.down ? theme.accentLine : theme.control
            FocusRing { target: button }
        }
    }

    component NavButton: AbstractButton {
        id: nav
        property string pageName
        property string glyph
        readonly property bool current: root.page === pageName
        width: 184
        height: 40
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        enabled: !root.busy
        font.family: theme.family
        font.pixelSize: 13
        font.bold: current
        onClicked: root.showPage(pageName)
        Keys.onReturnPressed: if (enabled) clicked()
        Keys.onEnterPressed: if (enabled) clicked()
        readonly property color foreground: !enabled ? (current ? "#8E827E" : "#625754")
                                            : current ? "#FFFFFF" : theme.sideText
        contentItem: Item {
            Glyph {
                kind: nav.glyph
                color: nav.current && nav.enabled ? "#F08A6C" : nav.foreground
                width: 16
                height: 16
                x: 14
                anchors.verticalCenter: parent.verticalCenter
            }
            Text {
                x: 42
                anchors.verticalCenter: parent.verticalCenter
                text: nav.text
                font: nav.font
                color: nav.foreground
            }
        }
        background: Rectangle {
            radius: 7
            color: nav.current ? theme.sideCurrent
                               : nav.down ? "#362D2B" : nav.hovered && nav.enabled ? theme.sideHover : "transparent"
            Rectangle {
                visible: nav.current
                x: 0
                width: 3
                height: 20
                radius: 1.5
                anchors.verticalCenter: parent.verticalCenter
                color: nav.enabled ? "#E2542C" : "#7C6F6B"
            }
            FocusRing { target: nav; radiusBase: 7; border.color: "#F08A6C" }
        }
    }

    component TCombo: ComboBox {
        id: combo
        implicitWidth: 220
        implicitHeight: 34
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        font.family: theme.family
        font.pixelSize: 12
        displayText: currentText === "" ? "(none)" : currentText
        delegate: ItemDelegate {
            id: entry
            required property var modelData
            required property int index
            width: ListView.view ? ListView.view.width : combo.width
            height: 30
            hoverEnabled: true
            highlighted: combo.highlightedIndex === index
            readonly property string label: combo.textRole !== "" ? String(entry.modelData[combo.textRole])
                                                                   : String(entry.modelData)
            contentItem: Text {
                leftPadding: 4
                text: entry.label === "" ? "(none)" : entry.label
                font.family: theme.family
                font.pixelSize: 12
                font.italic: entry.label === ""
                font.bold: entry.index === combo.currentIndex
                color: entry.highlighted ? "#FFFFFF" : theme.text
                elide: Text.ElideRight
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: 4
                color: entry.highlighted ? theme.accent
                                         : entry.index === combo.currentIndex ? theme.accentSoft : "transparent"
            }
        }
        indicator: Glyph {
            kind: "down"
            x: combo.width - width - 10
            y: (combo.height - height) / 2
            width: 14
            height: 14
            color: combo.enabled ? theme.accent : theme.disabledText
        }
        contentItem: Text {
            leftPadding: 10
            rightPadding: 30
            text: combo.displayText
            font.family: theme.family
            font.pixelSize: 12
            font.italic: combo.currentText === ""
            color: !combo.enabled ? theme.disabledText : combo.currentText === "" ? theme.faint : theme.text
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            radius: 6
            color: combo.enabled ? (combo.down ? "#FBF3F1" : theme.card) : theme.disabledFill
            border.width: 1
            border.color: !combo.enabled ? theme.border
                          : combo.popup.visible ? theme.accent
                          : combo.hovered ? theme.accentLine : theme.control
            FocusRing { target: combo }
        }
        popup: Popup {
            y: combo.height + 3
            width: combo.width
            implicitHeight: Math.min(contentItem.implicitHeight + 10, 250)
            padding: 5
            contentItem: ListView {
                clip: true
                implicitHeight: contentHeight
                model: combo.popup.visible ? combo.delegateModel : null
                currentIndex: combo.highlightedIndex
                boundsBehavior: Flickable.StopAtBounds
                ScrollIndicator.vertical: ScrollIndicator {}
            }
            background: Rectangle {
                radius: 7
                color: theme.card
                border.color: theme.control
            }
        }
    }

    // A catalogue list: filled from the program's "|"-separated text exactly,
    // empty entries included; the chosen entry's text goes back unchanged.
    component PresetBox: TCombo {
        id: preset
        property string command
        model: [""]
        function fill(text) {
            model = String(text).split("|")
            currentIndex = 0
        }
        function selectFirst() {
            currentIndex = count > 0 ? 0 : -1
        }
        enabled: !root.busy
        onActivated: (index) => root.send(command, String(model[index]))
    }

    // A fixed choice whose entries are the values sent.
    component ValueBox: TCombo {
        property string command
        property string initial
        enabled: !root.busy
        Component.onCompleted: currentIndex = Math.max(0, model.indexOf(initial))
        onActivated: (index) => root.send(command, String(model[index]))
    }

    // A stored choice: entries of { text, value }; the value goes to the
    // program, which answers with the choice in force.
    component ChoiceBox: TCombo {
        id: choice
        property string command
        property string value
        textRole: "text"
        valueRole: "value"
        function sync() {
            const i = indexOfValue(value)
            currentIndex = i
        }
        onValueChanged: sync()
        onModelChanged: sync()
        Component.onCompleted: sync()
        onActivated: (index) => root.send(command, String(model[index].value))
    }

    component TRadio: RadioButton {
        id: radio
        property string command
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        enabled: !root.busy
        font.family: theme.family
        font.pixelSize: 12
        spacing: 8
        padding: 2
        onClicked: root.send(command)
        Keys.onReturnPressed: if (enabled) { checked = true; clicked() }
        Keys.onEnterPressed: if (enabled) { checked = true; clicked() }
        indicator: Rectangle {
            x: radio.leftPadding
            y: (radio.height - height) / 2
            width: 18
            height: 18
            radius: 9
            color: radio.enabled ? theme.card : theme.disabledFill
            border.width: radio.checked && radio.enabled ? 2 : 1
            border.color: !radio.enabled ? theme.border
                          : radio.checked || radio.hovered ? theme.accent : theme.control
            Rectangle {
                anchors.centerIn: parent
                width: 8
                height: 8
                radius: 4
                visible: radio.checked
                color: radio.enabled ? theme.accent : theme.disabledText
            }
            FocusRing { target: radio; radiusBase: 9 }
        }
        contentItem: Text {
            leftPadding: radio.indicator.width + radio.spacing
            text: radio.text
            font: radio.font
            color: radio.enabled ? theme.text : theme.disabledText
            verticalAlignment: Text.AlignVCenter
        }
    }

    component TCheck: CheckBox {
        id: check
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        enabled: !root.busy
        checked: true
        font.family: theme.family
        font.pixelSize: 12
        font.bold: true
        spacing: 8
        padding: 2
        Keys.onReturnPressed: if (enabled) { toggle(); toggled() }
        Keys.onEnterPressed: if (enabled) { toggle(); toggled() }
        indicator: Rectangle {
            x: check.leftPadding
            y: (check.height - height) / 2
            width: 18
            height: 18
            radius: 4
            color: !check.enabled ? theme.disabledFill : check.checked ? theme.accent : theme.card
            border.width: 1
            border.color: !check.enabled ? theme.border
                          : check.checked ? theme.accent : check.hovered ? theme.accent : theme.control
            Glyph {
                anchors.centerIn: parent
                width: 14
                height: 14
                kind: "check"
                visible: check.checked
                color: check.enabled ? "#FFFFFF" : theme.disabledText
            }
            FocusRing { target: check; radiusBase: 4 }
        }
        contentItem: Text {
            leftPadding: check.indicator.width + check.spacing
            text: check.text
            font: check.font
            color: check.enabled ? theme.text : theme.disabledText
            verticalAlignment: Text.AlignVCenter
        }
    }

    // A labelled row of a settings card.
    component SettingRow: Item {
        id: settingRow
        property string label
        property string hint
        default property alias content: holder.data
        width: 404
        height: 34
        FieldLabel {
            x: 0
            width: 126
            height: parent.height
            text: settingRow.label
            enabled: !root.busy
        }
        Item {
            id: holder
            x: 126
            width: 204
            height: parent.height
        }
        Text {
            x: 342
            width: 62
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            text: settingRow.hint
            font.family: theme.family
            font.pixelSize: 11
            color: theme.faint
        }
    }

    // ------------------------------------------------------------ navigation

    Rectangle {
        id: sidebar
        x: 0
        y: 0
        width: 204
        height: root.height
        color: theme.side

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
                font.family: theme.family
                font.pixelSize: 10
                font.bold: true
                font.letterSpacing: 1.2
                color: theme.sideMuted
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
                        font.family: theme.family
                        font.pixelSize: 11
                        color: theme.sideMuted
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Text {
                        x: 66
                        width: 94
                        text: modelData.value
                        elide: Text.ElideRight
                        font.family: theme.family
                        font.pixelSize: 11
                        font.bold: true
                        color: theme.sideText
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
            }
        }

        Text {
            x: 24
            y: root.height - 30
            text: root.busy ? "Converting…" : (root.version !== "" ? "Version " + root.version : "")
            font.family: theme.family
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
                border.color: theme.control
                Text {
                    anchors.centerIn: parent
                    text: "Add the videos to convert with Add files."
                    font.family: theme.family
                    font.pixelSize: 12
                    color: theme.faint
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
                font.family: theme.family
                font.pixelSize: 12
                color: enabled ? theme.text : theme.disabledText
                selectionColor: theme.accent
                selectedTextColor: "#FFFFFF"
                leftPadding: 10
                rightPadding: 10
                placeholderText: "Output folder"
                placeholderTextColor: theme.faint
                onTextEdited: root.pathEdited = true
                onEditingFinished: root.commitPath()
                background: Rectangle {
                    radius: 6
                    color: pathField.enabled ? theme.card : theme.disabledFill
                    border.width: pathField.activeFocus ? 2 : 1
                    border.color: !pathField.enabled ? theme.border
                                  : pathField.activeFocus ? theme.accent
                                  : pathField.hovered ? theme.accentLine : theme.control
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
                font.family: theme.family
                font.pixelSize: 11
                color: theme.muted
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
                font.family: theme.family
                font.pixelSize: 12
                font.bold: root.statusText !== "" || (!root.busy && root.summary !== "")
                color: root.statusText !== "" || (!root.busy && root.summary !== "") ? theme.text : theme.muted
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
                            color: theme.accent
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
                    font.family: theme.family
                    font.pixelSize: 12
                    font.bold: true
                    color: theme.accent
                }
                Text {
                    id: fileLeftText
                    objectName: "fileTimeLeftText"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    width: root.fileTimeLeft !== "" ? 96 : 0
                    horizontalAlignment: Text.AlignRight
                    text: root.fileTimeLeft
                    font.family: theme.family
                    font.pixelSize: 11
                    color: theme.muted
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
                    font.family: theme.family
                    font.pixelSize: 10
                    color: theme.muted
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
                    font.family: theme.family
                    font.pixelSize: 10
                    font.bold: true
                    color: theme.muted
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
                font.family: theme.family
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
            color: theme.card
            border.color: theme.control
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
            font.family: theme.family
            font.pixelSize: 11
            lineHeight: 1.2
            color: theme.muted
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
            font.family: theme.family
            font.pixelSize: 11
            lineHeight: 1.2
            color: theme.muted
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
                    font.family: theme.family
                    font.pixelSize: 24
                    font.bold: true
                    color: theme.text
                }
                Text {
                    objectName: "versionText"
                    text: "Version " + (root.version !== "" ? root.version : "—")
                    font.family: theme.family
                    font.pixelSize: 12
                    color: theme.accent
                    font.bold: true
                }
                Item { width: 1; height: 8 }
                Text {
                    width: 306
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                    text: "A batch video converter. Put your videos in the list, pick a format, "
                          + "and Tarnwick converts them one after another with the VLC engine."
                    font.family: theme.family
                    font.pixelSize: 12
                    color: theme.text
                }
                Text {
                    width: 306
                    wrapMode: Text.WordWrap
                    lineHeight: 1.25
                    text: "Free software, provided as is, without any warranty. "
                          + "Press Help for the user guide, or Support to write to us."
                    font.family: theme.family
                    font.pixelSize: 12
                    color: theme.muted
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
            font.family: theme.family
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
            font.family: theme.family
            font.pixelSize: 16
            font.bold: true
            color: theme.text
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
