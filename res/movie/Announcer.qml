import QtQuick

// Tells a screen reader that a status changed: the reader speaks a
// notification as it is shown, which stands in for a live region. It hides
// again soon, so that the tree holds the status once, in its own line.
Item {
    id: announcer
    width: 1
    height: 1
    visible: false
    Accessible.role: Accessible.Notification
    function say(text) {
        visible = false
        Accessible.name = text
        visible = text !== ""
        shown.restart()
    }
    Timer {
        id: shown
        interval: 3000
        onTriggered: announcer.visible = false
    }
}
