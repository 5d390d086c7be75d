import QtQuick
import QtQuick.Controls.Basic

// A labelled row of a settings card.
Item {
    id: settingRow
    property string label
    property string hint
    default property alias content: holder.data
    // The row's control takes its label and hint, for a screen reader.
    readonly property Item control: holder.children.length > 0 ? holder.children[0] : null
    Binding { target: settingRow.control; property: "label"; value: settingRow.label; when: settingRow.control }
    Binding { target: settingRow.control; property: "hint"; value: settingRow.hint; when: settingRow.control }
    width: 404
    height: 34
    FieldLabel {
        x: 0
        width: 126
        height: parent.height
        text: settingRow.label
        enabled: !Movie.busy
    }
    Item {
        id: holder
        x: 126
        width: 204
        height: parent.height
    }
    Text {
        x: 342
        width: 62
        height: parent.height
        verticalAlignment: Text.AlignVCenter
        text: settingRow.hint
        font.family: Theme.family
        font.pixelSize: 11
        color: Theme.faint
    }
}
