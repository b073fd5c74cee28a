import QtQuick

// Fifty pieces of confetti thrown up and falling, fired by burst().
Item {
    id: confetti
    anchors.fill: parent
    property var colors: ["#30d158", "#64d2ff", "#ff9f0a", "#ffd60a"]
    function burst() {
        for (var i = 0; i < pieces.count; ++i)
            pieces.itemAt(i).fly();
    }
    Repeater {
        id: pieces
        model: 50
        Rectangle {
            id: piece
            width: 8; height: 14; radius: 2
            color: confetti.colors[index % 4]
            opacity: 0
            x: confetti.width / 2
            y: confetti.height / 2
            function fly() {
                flight.stop();
                dx.to = confetti.width / 2 + (Math.random() - 0.5) * confetti.width * 0.9;
                up.to = confetti.height * (0.1 + Math.random() * 0.3);
                down.to = confetti.height + 40;
                spin.to = 360 + Math.random() * 720;
                flight.start();
            }
            SequentialAnimation {
                id: flight
                PropertyAction { target: piece; property: "opacity"; value: 1 }
                PropertyAction { target: piece; property: "x"; value: confetti.width / 2 }
                PropertyAction { target: piece; property: "y"; value: confetti.height / 2 }
                ParallelAnimation {
                    NumberAnimation { id: dx; target: piece; property: "x"; duration: 2600; easing.type: Easing.OutQuad }
                    NumberAnimation { id: spin; target: piece; property: "rotation"; from: 0; duration: 2600 }
                    SequentialAnimation {
                        NumberAnimation { id: up; target: piece; property: "y"; duration: 700; easing.type: Easing.OutQuad }
                        NumberAnimation { id: down; target: piece; property: "y"; duration: 1900; easing.type: Easing.InQuad }
                    }
                }
                PropertyAction { target: piece; property: "opacity"; value: 0 }
            }
        }
    }
}
