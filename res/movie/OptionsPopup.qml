// The choices for a batch that runs unattended, beside the button that
// opens it. The program's file list lies over the movie and would cover
// it: the list is hidden while it is open.
import QtQuick
import QtQuick.Controls.Basic

Popup {
    id: optionsPopup
    required property Item host
    objectName: "optionsPopup"
    padding: 16
    modal: false
    focus: true
    // Inside the window, whatever its size.
    margins: 8
    // Escape (handled below, not by the popup) and a press outside close it;
    // the focus goes back to the button that opened it.
    closePolicy: Popup.CloseOnPressOutside
    property Item opener: null
    property bool escaped: false
    function openFrom(button) {
        opener = button
        // Left of the button, its top level with the button's.
        const at = button.mapToItem(host, 0, 0)
        x = Math.max(8, Math.min(at.x - implicitWidth - 8, host.width - implicitWidth - 8))
        y = Math.max(8, Math.min(at.y, host.height - implicitHeight - 8))
        open()
    }
    onOpened: Movie.send("ID_FS_Slider2")
    onClosed: {
        if (host.page === "convert")
            Movie.send("ID_FS_Slider")
        // From the keyboard, with its focus ring.
        if (opener)
            opener.forceActiveFocus(escaped ? Qt.TabFocusReason : Qt.OtherFocusReason)
        escaped = false
    }
    Component.onCompleted: contentItem.parent.Accessible.name = "Options"
    background: Rectangle {
        radius: 10
        color: Theme.card
        border.color: Theme.control
    }
    contentItem: Column {
        // Holds the focus in the popup, so that Escape reaches it.
        focus: true
        Keys.onEscapePressed: {
            optionsPopup.escaped = true
            optionsPopup.close()
        }
        spacing: 8
        Heading { text: "WHEN NOBODY WATCHES THE BATCH" }
        SettingRow {
            label: "Output exists"
            ChoiceBox {
                objectName: "onExistingBox"
                command: "ID-FS-onExisting"
                value: host.onExisting
                anchors.fill: parent
                model: [{ text: "Ask me", value: "ask" }, { text: "Overwrite it", value: "overwrite" },
                        { text: "Keep both", value: "keepboth" }, { text: "Skip the file", value: "skip" }]
            }
        }
        SettingRow {
            label: "File fails"
            ChoiceBox {
                objectName: "onFailureBox"
                command: "ID-FS-onFailure"
                value: host.onFailure
                anchors.fill: parent
                model: [{ text: "Tell me at once", value: "tell" },
                        { text: "Note it, go on", value: "note" }]
            }
        }
        SettingRow {
            label: "No progress"
            ChoiceBox {
                objectName: "stallBox"
                command: "ID-FS-stall"
                value: host.stall
                anchors.fill: parent
                model: {
                    const list = [{ text: "Wait", value: "0" }, { text: "Give up after 1 min", value: "60" },
                                  { text: "Give up after 5 min", value: "300" },
                                  { text: "Give up after 15 min", value: "900" },
                                  { text: "Give up after 1 hour", value: "3600" }]
                    if (!list.some(e => e.value === host.stall) && host.stall !== "")
                        list.push({ text: "Give up after " + host.stall + " s", value: host.stall })
                    return list
                }
            }
        }
        SettingRow {
            label: "Jobs at once"
            ChoiceBox {
                objectName: "jobsBox"
                command: "ID-FS-jobs"
                value: host.jobs
                anchors.fill: parent
                model: [{ text: "Auto", value: "auto" }, { text: "1", value: "1" }, { text: "2", value: "2" },
                        { text: "3", value: "3" }, { text: "4", value: "4" }, { text: "5", value: "5" },
                        { text: "6", value: "6" }, { text: "7", value: "7" }, { text: "8", value: "8" }]
            }
        }
    }
}
