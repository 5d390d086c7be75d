import QtQuick
import QtQuick.Controls.Basic

CheckBox {
    id: check
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    enabled: !Movie.busy
    checked: true
    font.family: Theme.family
    font.pixelSize: 12
    font.bold: true
    spacing: 8
    padding: 2
    Keys.onReturnPressed: if (enabled) { toggle(); toggled() }
    Keys.onEnterPressed: if (enabled) { toggle(); toggled() }
    Accessible.onPressAction: if (enabled) { toggle(); toggled() }
    Accessible.onToggleAction: if (enabled) { toggle(); toggled() }
    indicator: Rectangle {
        x: check.leftPadding
        y: (check.height - height) / 2
        width: 18
        height: 18
        radius: 4
        color: !check.enabled ? Theme.disabledFill : check.checked ? Theme.accent : Theme.card
        border.width: 1
        border.color: !check.enabled ? Theme.border
                      : check.checked ? Theme.accent : check.hovered ? Theme.accent : Theme.control
        Glyph {
            anchors.centerIn: parent
            width: 14
            height: 14
            kind: "check"
            visible: check.checked
            color: check.enabled ? "#FFFFFF" : Theme.disabledText
        }
        FocusRing { target: check; radiusBase: 4 }
    }
    contentItem: Text {
        leftPadding: check.indicator.width + check.spacing
        text: check.text
        font: check.font
        color: check.enabled ? Theme.text : Theme.disabledText
        verticalAlignment: Text.AlignVCenter
    }
}
