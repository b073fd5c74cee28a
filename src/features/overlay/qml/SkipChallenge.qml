import QtQuick

// The skip panel: its friction follows today's skip tier.
Rectangle {
    id: panel
    property var vm
    property var skip
    radius: 12
    color: skip.tint
    implicitHeight: content.implicitHeight + 24
    height: implicitHeight
    onVisibleChanged: if (visible && skip.showExplanation) skip.explanationShown()

    Column {
        id: content
        anchors.centerIn: parent
        width: parent.width - 24
        spacing: 10
        Row {
            visible: skip.showExplanation
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 6
            Symbol { name: "lightbulb.fill"; color: "#ffd60a"; size: 14; anchors.verticalCenter: parent.verticalCenter }
            Text { text: "Skipping gets progressively harder to help you build the habit."; color: "#ccffffff"; font.pixelSize: 12 }
        }
        Row {
            visible: skip.showStreakAtRisk
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 6
            Symbol { name: "exclamationmark.triangle.fill"; color: "#ffd60a"; size: 14; anchors.verticalCenter: parent.verticalCenter }
            Text { text: skip.streakAtRiskText; color: "#ffd60a"; font.pixelSize: 12 }
        }
        Rectangle {
            visible: skip.showStreakLoss
            anchors.horizontalCenter: parent.horizontalCenter
            radius: 8; color: "#26ff453a"
            width: lossRow.implicitWidth + 16; height: lossRow.implicitHeight + 16
            Row {
                id: lossRow
                anchors.centerIn: parent
                spacing: 6
                Symbol {
                    id: flame; name: "flame.fill"; color: "#ff453a"; size: 14; anchors.verticalCenter: parent.verticalCenter
                    SequentialAnimation on opacity { loops: Animation.Infinite; running: flame.visible
                        NumberAnimation { to: 0.4; duration: 700 } NumberAnimation { to: 1; duration: 700 } }
                }
                Text { text: skip.streakLossText; color: "#ff453a"; font.pixelSize: 12 }
            }
        }
        Column {
            visible: skip.showTypingChallenge
            width: parent.width
            spacing: 6
            Text { text: "Type to confirm:"; color: "#80ffffff"; font.pixelSize: 12; anchors.horizontalCenter: parent.horizontalCenter }
            Text { text: vm.typingChallenge; color: "#b3ffffff"; font.italic: true; font.pixelSize: 14; width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap }
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                width: Math.min(400, parent.width); height: 32; radius: 6
                color: "#1affffff"; border.color: input.activeFocus ? "#8030d158" : "#33ffffff"
                TextInput {
                    id: input
                    objectName: "skipInput"
                    anchors.fill: parent; anchors.margins: 7
                    color: "white"; font.pixelSize: 14; clip: true
                    selectByMouse: true
                    activeFocusOnTab: true
                    Accessible.role: Accessible.EditableText
                    Accessible.name: "Type to confirm"
                    text: vm.typingInput
                    onTextEdited: vm.typingInput = text
                    // Return confirms what was typed, as the button would.
                    Keys.onReturnPressed: (event) => { if (!event.isAutoRepeat) skip.skip(); }
                    Keys.onEnterPressed: (event) => { if (!event.isAutoRepeat) skip.skip(); }
                }
            }
            Text { visible: vm.skipValidationError; text: "Doesn't match. Type it exactly."; color: "#ff453a"; font.pixelSize: 12; anchors.horizontalCenter: parent.horizontalCenter }
        }
        PillButton {
            objectName: "skipButton"
            anchors.horizontalCenter: parent.horizontalCenter
            fill: "#0dffffff"; textColor: "#66ffffff"; textSize: 12; bold: false
            text: skip.buttonLabel
            onClicked: skip.skip()
        }
    }
}
