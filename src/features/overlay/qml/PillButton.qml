import QtQuick

// A rounded button with an optional leading symbol.
Rectangle {
    id: button
    property string text
    property string symbol
    property color fill: "#30d158"
    property color textColor: "white"
    property real textSize: 17
    property bool bold: true
    signal clicked()
    implicitWidth: row.implicitWidth + 44
    implicitHeight: textSize * 2.7
    radius: height / 2
    color: area.pressed ? Qt.darker(fill, 1.25) : area.containsMouse ? Qt.lighter(fill, 1.12) : fill
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 10
        Symbol { visible: button.symbol !== ""; name: button.symbol; color: button.textColor; size: button.textSize; anchors.verticalCenter: parent.verticalCenter }
        Text { text: button.text; color: button.textColor; font.pixelSize: button.textSize; font.bold: button.bold; anchors.verticalCenter: parent.verticalCenter }
    }
    MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; cursorShape: Qt.PointingHandCursor; onClicked: button.clicked() }
}
