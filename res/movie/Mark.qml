import QtQuick
import QtQuick.Controls.Basic

// The program's mark: a play sign inside a turning arrow.
Item {
    id: mark
    property real size: 28
    width: size
    height: size
    Rectangle {
        anchors.fill: parent
        radius: mark.size * 0.24
        gradient: Gradient {
            GradientStop { position: 0; color: "#C8360E" }
            GradientStop { position: 1; color: "#9A2003" }
        }
    }
    Canvas {
        anchors.fill: parent
        onWidthChanged: requestPaint()
        onPaint: {
            const s = width
            const c = getContext("2d")
            c.reset()
            c.strokeStyle = "white"
            c.fillStyle = "white"
            c.lineCap = "round"
            c.lineWidth = s * 0.08
            const r = s * 0.30
            const cx = s / 2, cy = s / 2
            const a0 = -Math.PI * 0.30, a1 = Math.PI * 1.45
            c.beginPath()
            c.arc(cx, cy, r, a0, a1, false)
            c.stroke()
            // arrow head at the end of the arc, pointing along it
            const ex = cx + r * Math.cos(a1), ey = cy + r * Math.sin(a1)
            const h = s * 0.15
            c.beginPath()
            c.moveTo(ex + h * 0.95, ey - h * 0.05)
            c.lineTo(ex - h * 0.15, ey - h * 0.75)
            c.lineTo(ex - h * 0.35, ey + h * 0.55)
            c.closePath()
            c.fill()
            c.beginPath()
            c.moveTo(s * 0.43, s * 0.36)
            c.lineTo(s * 0.66, s * 0.50)
            c.lineTo(s * 0.43, s * 0.64)
            c.closePath()
            c.fill()
        }
    }
}
