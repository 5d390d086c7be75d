// The navigation column and what the next conversion will produce.
import QtQuick
import QtQuick.Controls.Basic

Rectangle {
    id: sidebar
    required property Item host
    x: 0
    y: 0
    width: 204
    height: host.height
    color: Theme.side

    Column {
        x: 10
        y: 64
        spacing: 4
        Accessible.role: Accessible.PageTabList
        Accessible.name: "Pages"
        NavButton { objectName: "navConvert"; pageName: "convert"; glyph: "files"; text: "Convert" }
        NavButton { objectName: "navVideo"; pageName: "video"; glyph: "video"; text: "Video settings" }
        NavButton { objectName: "navAudio"; pageName: "audio"; glyph: "audio"; text: "Audio settings" }
        NavButton { objectName: "navAbout"; pageName: "about"; glyph: "info"; text: "About" }
    }

    // What the next conversion will produce, above the version.
    Column {
        x: 24
        anchors.bottom: versionText.top
        anchors.bottomMargin: 18
        width: 160
        spacing: 5
        // Read as one text: "Output: Format .mp4, Container mp4, ..."
        Accessible.role: Accessible.StaticText
        Accessible.name: "Output: " + rows.model.map(row => row.key + " " + row.value).join(", ")
        Text {
            text: "OUTPUT"
            font.family: Theme.family
            font.pixelSize: 10
            font.bold: true
            font.letterSpacing: 1.2
            color: Theme.sideMuted
            bottomPadding: 4
        }
        Repeater {
            id: rows
            model: [
                { key: "Format", value: host.formatBox.displayText },
                { key: "Container", value: host.containerBox.displayText },
                { key: "Video", value: host.videoCodecBox.displayText + "  " + host.videoBitrateBox.currentText + "k" },
                { key: "Audio", value: host.audioCodecBox.displayText + "  " + host.audioBitrateBox.currentText + "k" }
            ]
            delegate: Item {
                required property var modelData
                width: 160
                height: 18
                Text {
                    text: modelData.key
                    font.family: Theme.family
                    font.pixelSize: 11
                    color: Theme.sideMuted
                    anchors.verticalCenter: parent.verticalCenter
                }
                Text {
                    x: 66
                    width: 94
                    text: modelData.value
                    elide: Text.ElideRight
                    font.family: Theme.family
                    font.pixelSize: 11
                    font.bold: true
                    color: Theme.sideText
                    anchors.verticalCenter: parent.verticalCenter
                }
            }
        }
    }

    Text {
        id: versionText
        x: 24
        y: host.height - 30
        text: host.running ? "Converting…" : (host.version !== "" ? "Version " + host.version : "")
        Accessible.role: Accessible.StaticText
        Accessible.name: text
        font.family: Theme.family
        font.pixelSize: 10
        color: host.running ? "#F08A6C" : "#7D716D"
    }
}
