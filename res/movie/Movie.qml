// What the parts of the movie share with its root: the root binds busy and
// page here and passes the commands sent here on through fsCommand.
pragma Singleton
import QtQuick

QtObject {
    property bool busy: false
    property string page: "convert"

    signal command(string name, string args)
    signal pageAsked(string name)
    // A shortcut presses a button without taking the focus: edits still
    // open are handed in first, as a click would.
    signal editsDue()

    function send(name, args) {
        command(name, args === undefined ? "" : String(args))
    }

    function showPage(name) {
        pageAsked(name)
    }
}
