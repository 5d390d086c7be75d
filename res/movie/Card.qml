import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    color: Theme.card
    radius: 10
    border.color: Theme.border
    border.width: 1
}
