import QtQuick
import QtQuick.Controls.Basic

ComboBox {
    id: combo
    // A screen reader hears the row's label with the value: "Format: .mp4".
    property string label
    property string hint
    // While the list is open, the entry the arrows are on.
    Accessible.name: (label !== "" ? label + ": " : "")
                     + (popup.visible && highlightedIndex >= 0 ? textAt(highlightedIndex) || "(none)" : displayText)
    Accessible.description: hint
    // The value changes only from the open list: keys that would step a
    // closed box open the list instead, and letters do nothing until then.
    Keys.onPressed: (event) => {
        if (popup.visible || (event.modifiers & (Qt.ControlModifier | Qt.AltModifier)))
            return
        const stepping = [Qt.Key_Up, Qt.Key_Down, Qt.Key_Home, Qt.Key_End, Qt.Key_PageUp, Qt.Key_PageDown]
        if (stepping.indexOf(event.key) >= 0) {
            popup.open()
            event.accepted = true
        } else if (event.text.length === 1 && event.text > " ") {
            event.accepted = true
        }
    }
    implicitWidth: 220
    implicitHeight: 34
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    font.family: Theme.family
    font.pixelSize: 12
    displayText: currentText === "" ? "(none)" : currentText
    delegate: ItemDelegate {
        id: entry
        required property var modelData
        required property int index
        width: ListView.view ? ListView.view.width : combo.width
        height: 30
        hoverEnabled: true
        highlighted: combo.highlightedIndex === index
        readonly property string label: combo.textRole !== "" ? String(entry.modelData[combo.textRole])
                                                               : String(entry.modelData)
        text: label === "" ? "(none)" : label
        contentItem: Text {
            leftPadding: 4
            text: entry.text
            font.family: Theme.family
            font.pixelSize: 12
            font.italic: entry.label === ""
            font.bold: entry.index === combo.currentIndex
            color: entry.highlighted ? "#FFFFFF" : Theme.text
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 4
            color: entry.highlighted ? Theme.accent
                                     : entry.index === combo.currentIndex ? Theme.accentSoft : "transparent"
        }
    }
    indicator: Glyph {
        kind: "down"
        x: combo.width - width - 10
        y: (combo.height - height) / 2
        width: 14
        height: 14
        color: combo.enabled ? Theme.accent : Theme.disabledText
    }
    contentItem: Text {
        leftPadding: 10
        rightPadding: 30
        text: combo.displayText
        font.family: Theme.family
        font.pixelSize: 12
        font.italic: combo.currentText === ""
        color: !combo.enabled ? Theme.disabledText : combo.currentText === "" ? Theme.faint : Theme.text
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 6
        color: combo.enabled ? (combo.down ? "#FBF3F1" : Theme.card) : Theme.disabledFill
        border.width: 1
        border.color: !combo.enabled ? Theme.border
                      : combo.popup.visible ? Theme.accent
                      : combo.hovered ? Theme.accentLine : Theme.control
        FocusRing { target: combo }
    }
    popup: Popup {
        y: combo.height + 3
        width: combo.width
        implicitHeight: Math.min(contentItem.implicitHeight + 10, 250)
        padding: 5
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: combo.popup.visible ? combo.delegateModel : null
            currentIndex: combo.highlightedIndex
            boundsBehavior: Flickable.StopAtBounds
            ScrollIndicator.vertical: ScrollIndicator {}
        }
        background: Rectangle {
            radius: 7
            color: Theme.card
            border.color: Theme.control
        }
    }
}
