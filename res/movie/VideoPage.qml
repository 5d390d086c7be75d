// The video settings page: format, container, codec, bitrate and scale.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: videoPage
    required property Item host
    property alias videoCodecBox: videoCodecBox
    property alias videoBitrateBox: videoBitrateBox
    property alias containerBox: containerBox
    property alias formatBox: formatBox
    property alias videoCheck: videoCheck
    objectName: "videoPage"
    anchors.fill: parent
    visible: host.page === "video"

    Card {
        x: host.pageX
        y: 60
        width: host.pageWidth
        height: 124
        Heading { x: 16; y: 14; text: "TARGET" }
        Column {
            x: 16
            y: 36
            spacing: 8
            SettingRow {
                label: "Format"
                PresetBox {
                    id: formatBox
                    objectName: "formatBox"
                    command: "ID-FS-convertTo"
                    anchors.fill: parent
                }
            }
            SettingRow {
                label: "Container"
                PresetBox {
                    id: containerBox
                    objectName: "containerBox"
                    command: "ID-FS-container"
                    anchors.fill: parent
                }
            }
        }
    }

    Card {
        x: host.pageX
        y: 194
        width: host.pageWidth
        height: 176
        TCheck {
            id: videoCheck
            objectName: "videoCheck"
            // The estimate before Convert counts only the tracks kept.
            onToggled: Movie.send("IDC_FS_TRACKS")
            text: "Video"
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
                    id: videoCodecBox
                    objectName: "videoCodecBox"
                    command: "ID-FS-videoCodec"
                    anchors.fill: parent
                }
            }
            SettingRow {
                label: "Bitrate"
                hint: "kbit/s"
                ValueBox {
                    id: videoBitrateBox
                    objectName: "videoBitrateBox"
                    command: "ID-FS-videoBitrate"
                    model: ["256", "512", "768", "1024", "1536", "2048", "3072", "4096", "6144", "8192"]
                    initial: "1024"
                    anchors.fill: parent
                }
            }
            SettingRow {
                label: "Scale"
                hint: "× size"
                ValueBox {
                    id: scaleBox
                    objectName: "scaleBox"
                    command: "ID-FS-videoScale"
                    model: ["0.25", "0.5", "0.75", "1", "1.5", "2"]
                    initial: "1"
                    anchors.fill: parent
                }
            }
        }
    }

    Text {
        x: host.pageX + 8
        y: 382
        width: host.pageWidth - 16
        wrapMode: Text.WordWrap
        text: "The containers come with the format, and the codecs with the container. "
              + "Bitrate and scale stay as you set them when you choose another format."
        font.family: Theme.family
        font.pixelSize: 11
        lineHeight: 1.2
        color: Theme.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
