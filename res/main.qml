import QtQuick

Rectangle {
    id: root
    width: 656; height: 536
    color: "#f4f1ee"
    signal fsCommand(string command, string args)
    signal flashCall(string request)
    property var vars: ({})
    function setVariable(name, value) { var v = vars; v[name] = String(value); vars = v }
    function getVariable(name) { return vars[name] === undefined ? "" : vars[name] }
}
