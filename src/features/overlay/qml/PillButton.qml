import QtQuick

// A rounded button with an optional leading symbol. It takes the keyboard
// focus with Tab and is pressed with Space, Return or Enter; a ring shows
// where the focus is. It never takes the focus by itself: a key typed as the
// overlay appears must not press anything.
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
    activeFocusOnTab: true

    Accessible.role: Accessible.Button
    Accessible.name: button.text
    Accessible.focusable: true
    Accessible.onPressAction: button.clicked()

    // One press per key press: holding a key down does not repeat the action.
    Keys.onPressed: (event) => {
        if (event.key !== Qt.Key_Space && event.key !== Qt.Key_Return && event.key !== Qt.Key_Enter)
            return;
        event.accepted = true;
        if (!event.isAutoRepeat)
            button.clicked();
    }

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 10
        Symbol { visible: button.symbol !== ""; name: button.symbol; color: button.textColor; size: button.textSize; anchors.verticalCenter: parent.verticalCenter }
        Text { text: button.text; color: button.textColor; font.pixelSize: button.textSize; font.bold: button.bold; anchors.verticalCenter: parent.verticalCenter }
    }
    Rectangle {
        objectName: "focusRing"
        visible: button.activeFocus
        anchors.fill: parent
        anchors.margins: -4
        radius: height / 2
        color: "transparent"
        border.width: 2
        border.color: "#64d2ff"
    }
    MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; cursorShape: Qt.PointingHandCursor; onClicked: button.clicked() }
}
