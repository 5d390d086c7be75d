import QtQuick
import QtQuick.Controls.Basic

// A fixed choice whose entries are the values sent.
TCombo {
    property string command
    property string initial
    enabled: !Movie.busy
    Component.onCompleted: currentIndex = Math.max(0, model.indexOf(initial))
    onActivated: (index) => Movie.send(command, String(model[index]))
}
