import QtQuick

// The break's time left: a ring filling with a green-to-cyan arc over a
// softly breathing circle.
Item {
    id: ring
    property real progress: 0
    property string timeText: "0:00"
    width: 200
    height: 200

    // The breathing circle: a full breath every six seconds.
    Item {
        anchors.centerIn: parent
        width: 200
        height: 200
        Rectangle {
            id: glow
            anchors.centerIn: parent
            width: 160; height: width; radius: width / 2
            color: "#1230d158"
        }
        Rectangle {
            id: breath
            anchors.centerIn: parent
            width: 160; height: width; radius: width / 2
            color: "#1a64d2ff"
        }
        SequentialAnimation {
            running: ring.visible
            loops: Animation.Infinite
            ParallelAnimation {
                NumberAnimation { target: breath; property: "width"; from: 160; to: 200; duration: 3000; easing.type: Easing.InOutSine }
                NumberAnimation { target: glow; property: "width"; from: 180; to: 260; duration: 3000; easing.type: Easing.InOutSine }
            }
            ParallelAnimation {
                NumberAnimation { target: breath; property: "width"; from: 200; to: 160; duration: 3000; easing.type: Easing.InOutSine }
                NumberAnimation { target: glow; property: "width"; from: 260; to: 180; duration: 3000; easing.type: Easing.InOutSine }
            }
        }
    }

    Canvas {
        id: canvas
        anchors.fill: parent
        property real shown: ring.progress
        Behavior on shown { NumberAnimation { duration: 900; easing.type: Easing.Linear } }
        onShownChanged: requestPaint()
        onPaint: {
            var ctx = getContext("2d");
            ctx.reset();
            var c = width / 2, r = width / 2 - 8;
            ctx.lineWidth = 10;
            ctx.lineCap = "round";
            ctx.strokeStyle = "rgba(255,255,255,0.12)";
            ctx.beginPath();
            ctx.arc(c, c, r, 0, 2 * Math.PI);
            ctx.stroke();
            if (shown <= 0)
                return;
            var g = ctx.createLinearGradient(0, 0, width, height);
            g.addColorStop(0, "#30d158");
            g.addColorStop(1, "#64d2ff");
            ctx.strokeStyle = g;
            ctx.beginPath();
            ctx.arc(c, c, r, -Math.PI / 2, -Math.PI / 2 + 2 * Math.PI * Math.min(1, shown));
            ctx.stroke();
        }
    }
    Text {
        anchors.centerIn: parent
        text: ring.timeText
        color: "white"
        font.pixelSize: 48
        font.weight: Font.Light
        font.family: "DejaVu Sans"
    }
}
