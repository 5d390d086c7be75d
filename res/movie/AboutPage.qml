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
        x: 212
        y: 60
        width: host.width - 220
        height: 250

        Mark { x: 24; y: 26; size: 64 }
        Column {
            x: 108
            y: 26
            width: 306
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
                width: 306
                wrapMode: Text.WordWrap
                lineHeight: 1.25
                text: "A batch video converter. Put your videos in the list, pick a format, "
                      + "and Tarnwick converts them one after another with the VLC engine."
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.text
            }
            Text {
                width: 306
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
