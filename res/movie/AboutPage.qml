// The about page.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: aboutPage
    required property Item host
    objectName: "aboutPage"
    anchors.fill: parent
    visible: host.page === "about"

    Card {
        x: host.pageX
        y: 60
        width: host.pageWidth
        height: Math.max(140, aboutText.height + 52)

        Mark { x: 24; y: 26; size: 64 }
        Column {
            id: aboutText
            x: 108
            y: 26
            width: parent.width - x - 24
            spacing: 6
            Text {
                text: "Tarnwick"
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 24
                font.bold: true
                color: Theme.text
            }
            Text {
                objectName: "versionText"
                text: "Version " + (host.version !== "" ? host.version : "—")
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.accent
                font.bold: true
            }
            Item { width: 1; height: 8 }
            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                lineHeight: 1.25
                text: "A batch video converter. Put your videos in the list, pick a format, "
                      + "and Tarnwick converts them with the VLC engine, several at once: "
                      + "one more than the machine has cores, up to four, or as many as "
                      + "Options says."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.text
            }
            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                lineHeight: 1.25
                text: "Before Convert a quiet mark beside a file says when its output will "
                      + "replace a file, be renamed or be skipped. During a batch each file "
                      + "shows waiting, its percent, converted, failed or skipped. After this "
                      + "file lets the files in hand finish; Retry failed converts the failed "
                      + "files again; Options says what a batch does while nobody watches it."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.text
            }
            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                lineHeight: 1.25
                text: "Free software, provided as is, without any warranty. "
                      + "Press Help for the user guide, or Support to write to us."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.muted
            }
        }
    }
}
