import QtQuick
import QtQuick.Controls.Basic

// A stored choice: entries of { text, value }; the value goes to the
// program, which answers with the choice in force.
TCombo {
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
    onActivated: (index) => Movie.send(command, String(model[index].value))
}
