import QtQuick
import QtQuick.Controls.Basic

// Small line icons drawn on a 16 x 16 grid.
Canvas {
    id: glyph
    property string kind: ""
    property color color: Theme.text
    implicitWidth: 16
    implicitHeight: 16
    onColorChanged: requestPaint()
    onKindChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()
    onPaint: {
        const c = getContext("2d")
        c.reset()
        c.scale(width / 16, height / 16)
        c.strokeStyle = glyph.color
        c.fillStyle = glyph.color
        c.lineWidth = 1.6
        c.lineCap = "round"
        c.lineJoin = "round"
        c.beginPath()
        switch (kind) {
        case "plus":
            c.moveTo(3, 8); c.lineTo(13, 8); c.moveTo(8, 3); c.lineTo(8, 13); c.stroke(); break
        case "minus":
            c.moveTo(3.5, 8); c.lineTo(12.5, 8); c.stroke(); break
        case "trash":
            c.moveTo(2.5, 4.5); c.lineTo(13.5, 4.5)
            c.moveTo(6, 4.5); c.lineTo(6, 2.5); c.lineTo(10, 2.5); c.lineTo(10, 4.5)
            c.moveTo(4, 4.5); c.lineTo(4.8, 13.5); c.lineTo(11.2, 13.5); c.lineTo(12, 4.5)
            c.moveTo(6.8, 7); c.lineTo(6.8, 11); c.moveTo(9.2, 7); c.lineTo(9.2, 11)
            c.stroke(); break
        case "up":
            c.moveTo(3.5, 10.5); c.lineTo(8, 6); c.lineTo(12.5, 10.5); c.stroke(); break
        case "down":
            c.moveTo(3.5, 6); c.lineTo(8, 10.5); c.lineTo(12.5, 6); c.stroke(); break
        case "folder":
            c.moveTo(2, 4); c.lineTo(6.5, 4); c.lineTo(8, 5.8); c.lineTo(14, 5.8)
            c.lineTo(14, 13); c.lineTo(2, 13); c.closePath(); c.stroke(); break
        case "play":
            c.lineWidth = 1.2
            c.moveTo(5, 3); c.lineTo(13, 8); c.lineTo(5, 13); c.closePath(); c.fill(); c.stroke(); break
        case "stop":
            c.lineWidth = 1.2
            c.rect(4, 4, 8, 8); c.fill(); c.stroke(); break
        case "files":
            c.moveTo(5, 1.8); c.lineTo(10, 1.8); c.lineTo(13, 4.8); c.lineTo(13, 14.2)
            c.lineTo(3, 14.2); c.lineTo(3, 1.8); c.lineTo(5, 1.8)
            c.moveTo(10, 1.8); c.lineTo(10, 4.8); c.lineTo(13, 4.8)
            c.moveTo(5.6, 8); c.lineTo(10.4, 8); c.moveTo(5.6, 10.8); c.lineTo(10.4, 10.8)
            c.stroke(); break
        case "video":
            c.moveTo(1.8, 4); c.lineTo(10.2, 4); c.lineTo(10.2, 12); c.lineTo(1.8, 12); c.closePath()
            c.moveTo(10.2, 7); c.lineTo(14.2, 4.6); c.lineTo(14.2, 11.4); c.lineTo(10.2, 9)
            c.stroke(); break
        case "audio":
            c.moveTo(2, 6); c.lineTo(4.8, 6); c.lineTo(8.2, 3); c.lineTo(8.2, 13); c.lineTo(4.8, 10)
            c.lineTo(2, 10); c.closePath(); c.stroke()
            c.beginPath(); c.arc(8.4, 8, 3, -0.9, 0.9, false); c.stroke()
            c.beginPath(); c.arc(8.4, 8, 5.8, -0.9, 0.9, false); c.stroke(); break
        case "info":
            c.arc(8, 8, 6.3, 0, Math.PI * 2, false); c.stroke()
            c.beginPath(); c.moveTo(8, 7.2); c.lineTo(8, 11.2); c.stroke()
            c.beginPath(); c.arc(8, 4.9, 0.5, 0, Math.PI * 2, false); c.fill(); c.stroke(); break
        case "help":
            c.arc(8, 8, 6.3, 0, Math.PI * 2, false); c.stroke()
            c.beginPath(); c.arc(8, 6.4, 1.9, Math.PI * 1.05, Math.PI * 2.35, false)
            c.lineTo(8, 9.4); c.stroke()
            c.beginPath(); c.arc(8, 11.6, 0.45, 0, Math.PI * 2, false); c.fill(); c.stroke(); break
        case "mail":
            c.moveTo(2, 4); c.lineTo(14, 4); c.lineTo(14, 12); c.lineTo(2, 12); c.closePath()
            c.moveTo(2.4, 4.6); c.lineTo(8, 8.8); c.lineTo(13.6, 4.6); c.stroke(); break
        case "minimise":
            c.moveTo(4, 8.5); c.lineTo(12, 8.5); c.stroke(); break
        case "maximise":
            c.rect(4, 4, 8, 8); c.stroke(); break
        case "restore":
            c.rect(3.5, 6, 6.5, 6.5); c.moveTo(6, 6); c.lineTo(6, 3.5); c.lineTo(12.5, 3.5)
            c.lineTo(12.5, 10); c.lineTo(10, 10); c.stroke(); break
        case "close":
            c.moveTo(4.5, 4.5); c.lineTo(11.5, 11.5); c.moveTo(11.5, 4.5); c.lineTo(4.5, 11.5)
            c.stroke(); break
        case "retry":
            c.arc(8, 8, 5.2, -Math.PI * 0.35, Math.PI * 1.45, false); c.stroke()
            c.beginPath(); c.moveTo(12.6, 1.8); c.lineTo(12.4, 5.4); c.lineTo(8.8, 5.0); c.stroke(); break
        case "gear":
            c.arc(8, 8, 2.2, 0, Math.PI * 2, false); c.stroke()
            for (let i = 0; i < 8; ++i) {
                const a = i * Math.PI / 4
                c.beginPath()
                c.moveTo(8 + 4.2 * Math.cos(a), 8 + 4.2 * Math.sin(a))
                c.lineTo(8 + 6.4 * Math.cos(a), 8 + 6.4 * Math.sin(a))
                c.stroke()
            }
            c.beginPath(); c.arc(8, 8, 4.4, 0, Math.PI * 2, false); c.stroke(); break
        case "check":
            c.lineWidth = 2
            c.moveTo(3.6, 8.4); c.lineTo(6.6, 11.3); c.lineTo(12.4, 4.9); c.stroke(); break
        }
    }
}
