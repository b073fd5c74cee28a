import QtQuick

// An exercise's looping animation, or its category's icon breathing gently.
Item {
    id: root
    property var exercise: ({})
    property real size: 80
    width: size
    height: size
    Loader {
        anchors.fill: parent
        active: root.exercise.animation !== undefined && root.exercise.animation !== ""
        source: "LottiePlayer.qml"
        onLoaded: item.path = root.exercise.animation
    }
    Symbol {
        visible: !(root.exercise.animation !== undefined && root.exercise.animation !== "")
        anchors.centerIn: parent
        name: root.exercise.icon || "figure.walk"
        color: root.exercise.color || "#30d158"
        size: root.size * 0.8
        SequentialAnimation on scale {
            loops: Animation.Infinite
            NumberAnimation { from: 0.92; to: 1.06; duration: 1600; easing.type: Easing.InOutSine }
            NumberAnimation { from: 1.06; to: 0.92; duration: 1600; easing.type: Easing.InOutSine }
        }
    }
}
