import QtQuick
import QtQuick.Controls.Basic

Text {
    font.family: Theme.family
    font.pixelSize: 12
    color: enabled ? Theme.text : Theme.disabledText
    verticalAlignment: Text.AlignVCenter
}
