// The caption strip: drag, maximise, help, support, minimise, maximise and
// exit. The title follows the window's, which shows a batch's progress.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: caption
    required property Item host
    objectName: "caption"
    x: 0
    y: 0
    width: host.width
    height: 48

    // The window manager moves the window once the pointer has moved: a
    // move begun at the press would take the second click of a double-click.
    MouseArea {
        objectName: "dragArea"
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        property point pressedAt
        property bool moving: false
        onPressed: mouse => {
            pressedAt = Qt.point(mouse.x, mouse.y)
            moving = false
        }
        onPositionChanged: mouse => {
            if (moving || !pressed)
                return
            if (Math.abs(mouse.x - pressedAt.x) + Math.abs(mouse.y - pressedAt.y)
                    >= Qt.styleHints.startDragDistance) {
                moving = true
                host.send("IDC_FS_DRAG")
            }
        }
        onDoubleClicked: host.send("IDC_FS_MAXIMIZE")
    }

    Mark { x: 18; y: 11; size: 26 }
    Text {
        objectName: "windowTitle"
        x: 54
        width: 144
        height: 48
        verticalAlignment: Text.AlignVCenter
        text: host.windowTitle
        textFormat: Text.PlainText
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: 11
        font.family: Theme.family
        font.pixelSize: 16
        font.bold: true
        color: "#FFFFFF"
    }

    Text {
        objectName: "pageTitle"
        x: 220
        height: 48
        verticalAlignment: Text.AlignVCenter
        text: ({ "convert": "Files to convert", "video": "Video settings",
                 "audio": "Audio settings", "about": "About Tarnwick" })[host.page]
        Accessible.role: Accessible.Heading
        Accessible.name: text
        font.family: Theme.family
        font.pixelSize: 16
        font.bold: true
        color: Theme.text
    }

    Row {
        x: host.width - 8 - width
        y: 9
        spacing: 2
        TButton {
            objectName: "helpButton"
            command: "IDC_FS_HELP"
            kind: "caption"
            glyph: "help"
            text: "Help"
            height: 30
            // F1 is the program's own key.
            tip: "Open the user guide (F1)"
        }
        TButton {
            objectName: "supportButton"
            command: "IDC_FS_support"
            kind: "caption"
            glyph: "mail"
            text: "Support"
            height: 30
            tip: "Write to us"
        }
        Item { width: 6; height: 30 }
        TButton {
            objectName: "minimiseButton"
            command: "IDC_FS_MINI"
            kind: "caption"
            glyph: "minimise"
            width: 34
            height: 30
            Accessible.name: "Minimise"
        }
        TButton {
            objectName: "maximiseButton"
            command: "IDC_FS_MAXIMIZE"
            kind: "caption"
            glyph: host.maximized ? "restore" : "maximise"
            width: 34
            height: 30
            Accessible.name: host.maximized ? "Restore" : "Maximise"
        }
        TButton {
            objectName: "exitButton"
            command: "IDC_FS_EXIT"
            kind: "close"
            glyph: "close"
            width: 34
            height: 30
            Accessible.name: "Exit"
            tip: "Exit"
            shortcuts: ["Ctrl+Q"]
        }
    }
}
