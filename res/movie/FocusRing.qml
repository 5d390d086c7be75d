import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    property Item target
    property real radiusBase: 6
    anchors.fill: parent
    anchors.margins: -3
    radius: radiusBase + 3
    color: "transparent"
    border.color: Theme.focus
    border.width: 2
    visible: target ? target.visualFocus : false
}
