import QtQuick

// The exercise being shown: animation, name, instruction and duration, or
// a plain invitation to move when the session has none.
Column {
    property var vm
    spacing: 10
    Column {
        visible: !vm.hasCurrentExercise
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10
        Symbol { anchors.horizontalCenter: parent.horizontalCenter; name: "figure.walk"; color: "#30d158"; size: 40 }
        Text { text: "Stand up and move around"; color: "white"; font.pixelSize: 22; font.bold: true }
    }
    Column {
        visible: vm.hasCurrentExercise
        width: parent.width
        spacing: 10
        ExerciseAnimation { anchors.horizontalCenter: parent.horizontalCenter; exercise: vm.currentExercise; size: 80 }
        Text { text: vm.currentExercise.name || ""; color: "white"; font.pixelSize: 26; font.weight: Font.DemiBold; anchors.horizontalCenter: parent.horizontalCenter }
        Text { text: vm.currentExercise.instruction || ""; color: "#ccffffff"; font.pixelSize: 16; width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap }
        Text { text: vm.currentExercise.durationText || ""; color: "#99ffffff"; font.pixelSize: 14; anchors.horizontalCenter: parent.horizontalCenter }
    }
}
