import QtQuick

// A symbol of Stirwell's icon set, drawn in one colour.
Image {
    property string name: "figure.walk"
    property color color: "white"
    property real size: 24
    width: size
    height: size
    sourceSize.width: Math.ceil(size * 2)
    sourceSize.height: Math.ceil(size * 2)
    smooth: true
    source: "image://symbol/" + name + "/" + color.toString().substring(1)
}
