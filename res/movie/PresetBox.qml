import QtQuick
import QtQuick.Controls.Basic

// A catalogue list: filled from the program's "|"-separated text exactly,
// empty entries included; the chosen entry's text goes back unchanged.
TCombo {
    id: preset
    property string command
    model: [""]
    function fill(text) {
        model = String(text).split("|")
        currentIndex = 0
    }
    function selectFirst() {
        currentIndex = count > 0 ? 0 : -1
    }
    enabled: !Movie.busy
    onActivated: (index) => Movie.send(command, String(model[index]))
}
