import QtQuick
import Qt.labs.lottieqt 1.0

LottieAnimation {
    property string path
    anchors.fill: parent
    source: path === "" ? "" : "file://" + path
    loops: LottieAnimation.Infinite
    autoPlay: true
}
