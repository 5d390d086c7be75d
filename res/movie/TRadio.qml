import QtQuick
import QtQuick.Controls.Basic

RadioButton {
    id: radio
    property string command
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    enabled: !Movie.busy
    font.family: Theme.family
    font.pixelSize: 12
    spacing: 8
    padding: 2
    onClicked: Movie.send(command)
    Keys.onReturnPressed: if (enabled) { checked = true; clicked() }
    Keys.onEnterPressed: if (enabled) { checked = true; clicked() }
    Accessible.onPressAction: if (enabled) { checked = true; clicked() }
    indicator: Rectangle {
        x: radio.leftPadding
        y: (radio.height - height) / 2
        width: 18
        height: 18
        radius: 9
        color: radio.enabled ? Theme.card : Theme.disabledFill
        border.width: radio.checked && radio.enabled ? 2 : 1
        border.color: !radio.enabled ? Theme.border
                      : radio.checked || radio.hovered ? Theme.accent : Theme.control
        Rectangle {
            anchors.centerIn: parent
            width: 8
            height: 8
            radius: 4
            visible: radio.checked
            color: radio.enabled ? Theme.accent : Theme.disabledText
        }
        FocusRing { target: radio; radiusBase: 9 }
    }
    contentItem: Text {
        leftPadding: radio.indicator.width + radio.spacing
        text: radio.text
        font: radio.font
        color: radio.enabled ? Theme.text : Theme.disabledText
        verticalAlignment: Text.AlignVCenter
    }
}
