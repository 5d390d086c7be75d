import QtQuick

// A movie that records what the host does: "name=value" for each write and
// "?name" for each read, in order. Reads answer from `answers`.
Item {
    width: 656; height: 536
    signal fsCommand(string command, string args)
    signal flashCall(string request)
    property var log: []
    property var answers: ({})
    function setVariable(name, value) { log.push(name + "=" + value) }
    function getVariable(name) {
        log.push("?" + name)
        return answers[name] === undefined ? "" : answers[name]
    }
    function answer(name, value) { answers[name] = value }
}
