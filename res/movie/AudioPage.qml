// The audio settings page: codec, bitrate and channels.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: audioPage
    required property Item host
    property alias audioCodecBox: audioCodecBox
    property alias audioBitrateBox: audioBitrateBox
    property alias audioCheck: audioCheck
    objectName: "audioPage"
    anchors.fill: parent
    visible: host.page === "audio"

    Card {
        x: host.pageX
        y: 60
        width: host.pageWidth
        height: 176
        TCheck {
            id: audioCheck
            objectName: "audioCheck"
            // The estimate before Convert counts only the tracks kept.
            onToggled: Movie.send("IDC_FS_TRACKS")
            text: "Audio"
            x: 12
            y: 9
        }
        Column {
            x: 16
            y: 44
            spacing: 8
            SettingRow {
                label: "Codec"
                PresetBox {
                    id: audioCodecBox
                    objectName: "audioCodecBox"
                    command: "ID-FS-audioCodec"
                    anchors.fill: parent
                }
            }
            SettingRow {
                label: "Bitrate"
                hint: "kbit/s"
                ValueBox {
                    id: audioBitrateBox
                    objectName: "audioBitrateBox"
                    command: "ID-FS-audioBitrate"
                    model: ["32", "48", "64", "96", "128", "160", "192", "256", "320"]
                    initial: "128"
                    anchors.fill: parent
                }
            }
            SettingRow {
                label: "Channels"
                hint: channelsBox.currentText === "1" ? "mono" : channelsBox.currentText === "2" ? "stereo" : ""
                ValueBox {
                    id: channelsBox
                    objectName: "channelsBox"
                    command: "ID-FS-audioChannnel"
                    model: ["1", "2"]
                    initial: "2"
                    anchors.fill: parent
                }
            }
        }
    }

    Text {
        x: host.pageX + 8
        y: 248
        width: host.pageWidth - 16
        wrapMode: Text.WordWrap
        text: "The audio codecs offered depend on the container chosen on the Video settings page."
        font.family: Theme.family
        font.pixelSize: 11
        lineHeight: 1.2
        color: Theme.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
