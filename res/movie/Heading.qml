import QtQuick
import QtQuick.Controls.Basic

Text {
    Accessible.role: Accessible.Heading
    Accessible.name: text
    font.family: Theme.family
    font.pixelSize: 11
    font.bold: true
    font.letterSpacing: 0.8
    color: Theme.muted
}
