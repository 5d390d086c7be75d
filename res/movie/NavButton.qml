import QtQuick
import QtQuick.Controls.Basic

// A tab to a screen reader, the current page's selected.
TabButton {
    id: nav
    property string pageName
    property string glyph
    readonly property bool current: Movie.page === pageName
    width: 184
    height: 40
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    enabled: !Movie.busy
    checkable: false
    Accessible.selectable: true
    Accessible.selected: current
    font.family: Theme.family
    font.pixelSize: 13
    font.bold: current
    onClicked: Movie.showPage(pageName)
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.onPressAction: if (enabled) clicked()
    // Up and Down go from tab to tab, as in any list of tabs.
    Keys.onUpPressed: step(-1)
    Keys.onDownPressed: step(1)
    function step(by) {
        const tabs = parent.children
        for (let i = 0; i < tabs.length; ++i) {
            if (tabs[i] === nav && i + by >= 0 && i + by < tabs.length)
                tabs[i + by].forceActiveFocus(Qt.TabFocusReason)
        }
    }
    readonly property color foreground: !enabled ? (current ? "#8E827E" : "#625754")
                                        : current ? "#FFFFFF" : Theme.sideText
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
        color: nav.current ? Theme.sideCurrent
                           : nav.down ? "#362D2B" : nav.hovered && nav.enabled ? Theme.sideHover : "transparent"
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
