// The movie's colours and font, shared by every part.
pragma Singleton
import QtQuick

QtObject {
    readonly property string family: "DejaVu Sans"
    readonly property color accent: "#AE2504"
    readonly property color accentHover: "#C42D08"
    readonly property color accentPressed: "#8A1D03"
    readonly property color accentSoft: "#FBEDE9"
    readonly property color accentLine: "#E3B3A6"
    readonly property color canvas: "#F4F1EF"
    readonly property color card: "#FFFFFF"
    readonly property color border: "#E3DCD9"
    readonly property color control: "#D5CBC7"
    readonly property color text: "#2A2221"
    readonly property color muted: "#6F6462"
    readonly property color faint: "#9A8F8C"
    readonly property color disabledText: "#B8AEAB"
    readonly property color disabledFill: "#F2EEEC"
    readonly property color side: "#241E1D"
    readonly property color sideHover: "#2F2826"
    readonly property color sideCurrent: "#3A2F2C"
    readonly property color sideText: "#EDE7E5"
    readonly property color sideMuted: "#A0948F"
    readonly property color focus: "#AE2504"
}
