// The convert page: the file area the program's list lies over, where the
// files go, and the batch's progress and end.
import QtQuick
import QtQuick.Controls.Basic

Item {
    id: convertPage
    required property Item host
    property alias otherFolderRadio: otherFolderRadio
    property alias pathField: pathField
    objectName: "convertPage"
    anchors.fill: parent
    visible: host.page === "convert"

    function focusFromList(forward) {
        const next = listStop.nextItemInFocusChain(forward)
        if (next)
            next.forceActiveFocus(forward ? Qt.TabFocusReason : Qt.BacktabFocusReason)
    }

    Card {
        id: filesCard
        x: 212
        y: 60
        width: host.width - 220
        height: host.height - 194 - host.statusHeight

        // Where the program's file list lies; visible only while the
        // list itself is hidden.
        Rectangle {
            x: host.fileArea.x - filesCard.x - 1
            y: host.fileArea.y - filesCard.y - 1
            width: host.fileArea.width + 2
            height: host.fileArea.height + 2
            color: "#FFFFFF"
            border.color: Theme.control
            Text {
                anchors.fill: parent
                anchors.margins: 12
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                wrapMode: Text.WordWrap
                // The list is hidden with files in it while Options is open.
                visible: host.readyText === ""
                text: "Add the videos to convert with Add files, or drop them here."
                font.family: Theme.family
                font.pixelSize: 12
                color: Theme.faint
            }
        }

        // Their tooltips show above the file area: anywhere beside them they
        // would fall under the program's file list.
        Column {
            x: filesCard.width - 48
            y: 10
            spacing: 6
            TButton {
                objectName: "upButton"
                command: "IDC_FS_UP"
                glyph: "up"
                width: 40
                height: 40
                enabled: !host.busy
                tip: "Move the selected files up"
                tipBottom: host.fileArea.y - 2
            }
            TButton {
                objectName: "downButton"
                command: "IDC_FS_DOWN"
                glyph: "down"
                width: 40
                height: 40
                enabled: !host.busy
                tip: "Move the selected files down"
                tipBottom: host.fileArea.y - 2
            }
            TButton {
                objectName: "optionsButton"
                glyph: "gear"
                width: 40
                height: 40
                onClicked: host.optionsPopup.openFrom(this)
                Accessible.name: "Options"
                tip: "Options: what a batch does while nobody watches it"
                tipBottom: host.fileArea.y - 2
            }
        }

        // The program's file list is a window of its own over the file
        // area; Tab passes through here, between the buttons above and
        // those below, to reach it. Nothing of this lies on the list.
        Control {
            id: listStop
            objectName: "fileListStop"
            focusPolicy: Qt.TabFocus
            Accessible.ignored: true
            // Once the focus has settled here.
            onActiveFocusChanged: {
                if (activeFocus && (focusReason === Qt.TabFocusReason || focusReason === Qt.BacktabFocusReason))
                    Qt.callLater(Movie.send, "IDC_FS_FOCUSLIST")
            }
        }
        // Around the list while it, or its place here, has the focus.
        Item {
            x: host.fileArea.x - filesCard.x
            y: host.fileArea.y - filesCard.y
            width: host.fileArea.width
            height: host.fileArea.height
            FocusRing {
                radiusBase: 0
                visible: listStop.visualFocus || host.listFocused
            }
        }

        Row {
            x: 8
            y: filesCard.height - 46
            spacing: 8
            TButton {
                objectName: "addButton"
                command: "IDC_FS_ADD"
                glyph: "plus"
                text: "Add files…"
                enabled: !host.busy
                tip: "Add video files to the list"
                shortcuts: ["Ctrl+O"]
            }
            TButton {
                objectName: "removeButton"
                command: "IDC_FS_REMOVE"
                glyph: "minus"
                text: "Remove"
                enabled: !host.busy
                tip: "Remove the selected files"
                shortcuts: ["Delete"]
            }
            TButton {
                objectName: "removeAllButton"
                command: "IDC_FS_REMOVEALL"
                glyph: "trash"
                text: "Remove all"
                enabled: !host.busy
                tip: "Remove every file from the list"
            }
        }
    }

    Card {
        id: saveCard
        x: 212
        y: filesCard.y + filesCard.height + 10
        width: host.width - 220
        height: 106

        Heading { x: 16; y: 14; text: "SAVE CONVERTED FILES" }

        Row {
            x: 14
            y: 34
            spacing: 24
            TRadio {
                id: sameFolderRadio
                objectName: "sameFolderRadio"
                command: "IDC_FS_SAMEDIRECTORY"
                text: "In the same folder as the source"
                checked: true
            }
            TRadio {
                id: otherFolderRadio
                objectName: "otherFolderRadio"
                command: "IDC_FS_OTHERDIRECTORY"
                text: "In this folder:"
            }
        }

        TextField {
            id: pathField
            objectName: "pathField"
            x: 16
            y: 64
            width: saveCard.width - 130
            height: 32
            enabled: !host.busy && otherFolderRadio.checked
            hoverEnabled: true
            selectByMouse: true
            font.family: Theme.family
            font.pixelSize: 12
            color: enabled ? Theme.text : Theme.disabledText
            selectionColor: Theme.accent
            selectedTextColor: "#FFFFFF"
            leftPadding: 10
            rightPadding: 10
            placeholderText: "Output folder"
            Accessible.name: "Output folder"
            placeholderTextColor: Theme.faint
            onTextEdited: host.pathEdited = true
            onEditingFinished: host.commitPath()
            background: Rectangle {
                radius: 6
                color: pathField.enabled ? Theme.card : Theme.disabledFill
                border.width: pathField.activeFocus ? 2 : 1
                border.color: !pathField.enabled ? Theme.border
                              : pathField.activeFocus ? Theme.accent
                              : pathField.hovered ? Theme.accentLine : Theme.control
            }
        }

        TButton {
            objectName: "browseButton"
            command: "IDC_FS_BROWSE"
            glyph: "folder"
            text: "Browse…"
            x: saveCard.width - 106
            y: 63
            width: 92
            enabled: !host.busy && otherFolderRadio.checked
        }
    }

    Card {
        id: progressPanel
        objectName: "progressPanel"
        x: 212
        y: host.height - 8 - height
        width: host.width - 220
        height: host.statusHeight

        Heading { x: 16; y: 14; text: host.running ? "CONVERTING" : "STATUS" }

        Announcer { id: announcer }

        // The batch at a glance: files through, time spent and left.
        Text {
            objectName: "batchStatusText"
            x: 120
            y: 12
            width: parent.width - 16 - x
            horizontalAlignment: Text.AlignRight
            visible: host.running
            text: host.batchStatus
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            elide: Text.ElideLeft
            font.family: Theme.family
            font.pixelSize: 11
            color: Theme.muted
        }

        // After the batch: where its files went.
        TButton {
            objectName: "openFolderButton"
            command: "IDC_FS_OPENFOLDER"
            glyph: "folder"
            text: "Open folder"
            x: parent.width - 12 - width
            y: 7
            height: 26
            visible: !host.running && host.summary !== "" && host.openFolder !== ""
            tip: host.openFolder
        }

        Text {
            id: statusLine
            objectName: "statusLine"
            x: 16
            y: 32
            width: parent.width - 32
            height: 20
            verticalAlignment: Text.AlignVCenter
            text: host.statusText !== "" ? host.statusText
                  : host.running ? "Starting…"
                  : host.summary !== "" ? host.summaryHead
                  : host.readyText !== "" ? host.readyText
                  : "Ready. Add files, choose where to save them, then press Convert."
            // File names are shown as they are, never read as markup.
            textFormat: Text.PlainText
            Accessible.role: Accessible.StatusBar
            Accessible.name: text
            onTextChanged: announcer.say(statusLine.text)
            elide: Text.ElideMiddle
            font.family: Theme.family
            font.pixelSize: 12
            readonly property bool strong: host.statusText !== "" || (!host.running && (host.summary !== "" || host.readyText !== ""))
            font.bold: strong
            color: strong ? Theme.text : Theme.muted
        }

        // Before Convert: where the files go and how much room they take.
        Text {
            objectName: "outputPlanText"
            x: 16
            y: 52
            width: parent.width - 32
            height: 18
            verticalAlignment: Text.AlignVCenter
            visible: !host.busy && host.summaryRest === "" && host.outputPlan !== ""
            text: host.outputPlan
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            elide: Text.ElideMiddle
            font.family: Theme.family
            font.pixelSize: 11
            color: Theme.muted
        }

        Item {
            id: progressDisplay
            objectName: "progressDisplay"
            x: 16
            y: 54
            width: parent.width - 32
            height: 16
            visible: host.progressShown && !host.batchOver
            ProgressBar {
                id: progressBar
                objectName: "progressBar"
                width: parent.width - 52 - fileLeftText.width
                height: 10
                anchors.verticalCenter: parent.verticalCenter
                from: 0
                to: 100
                value: host.progressValue
                Accessible.name: "File progress"
                background: Rectangle {
                    radius: 5
                    color: "#EFE6E3"
                }
                contentItem: Item {
                    Rectangle {
                        width: progressBar.visualPosition * parent.width
                        height: parent.height
                        radius: 5
                        color: Theme.accent
                    }
                }
            }
            Text {
                objectName: "progressText"
                x: progressBar.width + 4
                width: 44
                anchors.verticalCenter: parent.verticalCenter
                horizontalAlignment: Text.AlignRight
                text: host.progressValue + " %"
                font.family: Theme.family
                font.pixelSize: 12
                font.bold: true
                color: Theme.accent
            }
            Text {
                id: fileLeftText
                objectName: "fileTimeLeftText"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                width: host.fileTimeLeft !== "" ? 96 : 0
                horizontalAlignment: Text.AlignRight
                text: host.fileTimeLeft
                textFormat: Text.PlainText
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 11
                color: Theme.muted
            }
        }

        // The whole batch, under the file's bar.
        Item {
            objectName: "batchProgressDisplay"
            x: 16
            y: 72
            width: parent.width - 32
            height: 12
            visible: progressDisplay.visible && host.batchStatus !== ""
            Text {
                id: allLabel
                anchors.verticalCenter: parent.verticalCenter
                text: "All files"
                font.family: Theme.family
                font.pixelSize: 10
                color: Theme.muted
            }
            ProgressBar {
                id: batchBar
                objectName: "batchProgressBar"
                x: allLabel.width + 8
                width: parent.width - x - 48
                height: 4
                anchors.verticalCenter: parent.verticalCenter
                from: 0
                to: 100
                value: host.batchProgress
                Accessible.name: "All files"
                background: Rectangle {
                    radius: 2
                    color: "#EFE6E3"
                }
                contentItem: Item {
                    Rectangle {
                        width: batchBar.visualPosition * parent.width
                        height: parent.height
                        radius: 2
                        color: "#7A5A52"
                    }
                }
            }
            Text {
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: host.batchProgress + " %"
                font.family: Theme.family
                font.pixelSize: 10
                font.bold: true
                color: Theme.muted
            }
        }

        // After the batch: each file that failed or was skipped, with its
        // reason, as many as there are.
        ListView {
            id: summaryLines
            objectName: "summaryLines"
            x: 16
            y: 54
            width: parent.width - 32
            height: parent.height - 16 - 40 - 6 - y
            visible: (!host.busy || host.batchOver) && host.summaryRest !== ""
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: host.summaryRest === "" ? [] : host.summaryRest.split("\n")
            // Reached by Tab when it holds more than it shows, to scroll
            // with the arrows.
            activeFocusOnTab: contentHeight > height
            keyNavigationEnabled: true
            Accessible.role: Accessible.List
            Accessible.name: "Files not converted"
            ScrollBar.vertical: ScrollBar {
                objectName: "summaryScrollBar"
                policy: summaryLines.contentHeight > summaryLines.height ? ScrollBar.AlwaysOn
                                                                        : ScrollBar.AsNeeded
            }
            delegate: Text {
                required property string modelData
                objectName: "summaryLine"
                width: summaryLines.width - 12
                text: modelData
                textFormat: Text.PlainText
                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.family: Theme.family
                font.pixelSize: 11
                lineHeight: 1.1
                color: modelData.indexOf(" — failed") >= 0 ? "#A4261B" : "#8A5A00"
            }
        }
        Item {
            x: summaryLines.x
            y: summaryLines.y
            width: summaryLines.width
            height: summaryLines.height
            FocusRing { radiusBase: 2; visible: summaryLines.activeFocus && summaryLines.visible }
        }

        Row {
            x: parent.width - 16 - width
            y: parent.height - 16 - height
            spacing: 10
            TButton {
                objectName: "retryButton"
                command: "IDC_FS_RETRYFAILED"
                glyph: "retry"
                text: "Retry failed"
                width: 132
                height: 40
                visible: !host.busy && host.failedCount > 0
                enabled: host.convertEnabled && host.allButtonsEnabled
            }
            TButton {
                objectName: "stopAfterButton"
                command: "IDC_FS_STOPAFTER"
                text: host.stopAfterAsked ? "Stopping…" : "After this file"
                width: 132
                height: 40
                visible: host.busy || host.failedCount <= 0
                enabled: host.stopEnabled && !host.stopAfterAsked && !host.batchOver
                onClicked: host.stopAfterAsked = true
                tip: "Stop when the files being converted are done"
            }
            TButton {
                objectName: "stopButton"
                command: "IDC_FS_CANCEL"
                glyph: "stop"
                text: "Stop"
                width: 96
                height: 40
                enabled: host.stopEnabled && !host.batchOver
                tip: "Stop the batch now"
                shortcuts: ["Escape"]
                // Escape closes the options first.
                shortcutsEnabled: !host.optionsPopup.opened
            }
            TButton {
                objectName: "convertButton"
                command: "IDC_FS_CONVERT"
                kind: "primary"
                glyph: "play"
                text: "Convert"
                width: 150
                height: 40
                enabled: host.convertEnabled && host.allButtonsEnabled
                tip: "Convert the files in the list"
                shortcuts: ["Ctrl+Return", "Ctrl+Enter"]
            }
        }
    }
}
