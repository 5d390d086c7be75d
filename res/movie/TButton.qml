import QtQuick
import QtQuick.Controls.Basic

// kind: "secondary", "primary", "caption" (window strip) or "close"
Button {
    id: button
    property string command: ""
    property string glyph: ""
    property string kind: "secondary"
    // What the button does, for its tooltip and a screen reader, and the
    // keys that press it from anywhere in the window while it is shown.
    property string tip: ""
    property var shortcuts: []
    property bool shortcutsEnabled: true
    // Where the tooltip's bottom goes, in the window, in place of below the
    // button; its right edge is then the button's.
    property real tipBottom: NaN
    readonly property string tipText: shortcuts.length === 0 ? tip
                                      : (tip !== "" ? tip : text) + " (" + keys.nativeText + ")"
    readonly property bool primary: kind === "primary"
    readonly property color foreground: {
        if (!enabled)
            return primary ? "#FFFFFF" : Theme.disabledText
        if (primary)
            return "#FFFFFF"
        if (kind === "close" && (hovered || down))
            return "#FFFFFF"
        if (kind === "caption" || kind === "close")
            return Theme.muted
        return Theme.text
    }
    readonly property color glyphColour: {
        if (!enabled || primary || kind !== "secondary")
            return foreground
        return Theme.accent
    }
    implicitHeight: 34
    leftPadding: text === "" ? 8 : 12
    rightPadding: text === "" ? 8 : 14
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    font.family: Theme.family
    font.pixelSize: 12
    font.bold: primary
    onClicked: if (command !== "") Movie.send(command)
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    // A screen reader's Press, which Qt Quick before 6.5 leaves undone.
    Accessible.onPressAction: if (enabled) clicked()
    Accessible.name: text !== "" ? text : tip
    Accessible.description: tipText
    // Below the button where there is room: above, it could fall under the
    // program's file list, which lies over the movie.
    ToolTip {
        id: tipBox
        y: button.height + 3
        visible: button.hovered && button.tipText !== ""
        delay: 600
        text: button.tipText
        onAboutToShow: {
            if (isNaN(button.tipBottom))
                return
            x = button.width - width
            y = button.tipBottom - height - button.mapToItem(null, 0, 0).y
        }
    }
    Shortcut {
        id: keys
        sequence: button.shortcuts.length > 0 ? button.shortcuts[0] : ""
        sequences: button.shortcuts.slice(1)
        enabled: button.shortcuts.length > 0 && button.shortcutsEnabled && button.enabled
                 && button.visible
        onActivated: {
            Movie.editsDue()
            button.clicked()
        }
    }
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
                return !button.enabled ? "#DCC9C4" : button.down ? Theme.accentPressed
                                       : button.hovered ? Theme.accentHover : Theme.accent
            if (button.kind === "close")
                return button.down ? Theme.accentPressed : button.hovered ? Theme.accent : "transparent"
            if (button.kind === "caption")
                return button.down ? "#DED6D3" : button.hovered ? "#E9E3E0" : "transparent"
            if (!button.enabled)
                return Theme.disabledFill
            return button.down ? "#F6E0DA" : button.hovered ? Theme.accentSoft : Theme.card
        }
        border.width: button.kind === "secondary" ? 1 : 0
        border.color: !button.enabled ? Theme.border
                      : button.hovered || button.down ? Theme.accentLine : Theme.control
        FocusRing { target: button }
    }
}
