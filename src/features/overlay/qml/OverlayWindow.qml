import QtQuick
import QtQuick.Window

// One break overlay panel: a dark full-screen window showing the screen that
// matches the break engine's state (nudge, block, break, completion) with
// the snooze and skip controls below it.
Window {
    id: window
    required property var vm
    required property var skip
    required property var scheduler
    required property var panel
    property bool instant: false
    property string healthFact: panel.healthFact
    readonly property string stateName: scheduler.stateName
    readonly property string screen: stateName === "nudge" ? "nudge"
        : (stateName === "softBlock" || stateName === "firmBlock") ? "block"
        : (stateName === "hardBlock" || stateName === "breakActive") ? "active"
        : stateName === "completed" ? "completion" : "none"
    readonly property bool controlsShown: stateName === "nudge" || stateName === "softBlock"
        || stateName === "firmBlock" || stateName === "hardBlock"
    property bool showContent: false
    property bool showControls: false
    signal fadedOut()

    color: "#070b14"
    title: "Stirwell break"

    function fadeIn() {
        if (instant) { root.opacity = 1; showContent = true; showControls = true; return; }
        fadeInAnimation.start();
        contentTimer.start();
    }
    function fadeOut() {
        fadeInAnimation.stop();
        if (instant) { root.opacity = 0; fadedOut(); return; }
        fadeOutAnimation.start();
    }

    NumberAnimation { id: fadeInAnimation; target: root; property: "opacity"; from: 0; to: 1; duration: 1500; easing.type: Easing.InQuad }
    SequentialAnimation {
        id: fadeOutAnimation
        NumberAnimation { target: root; property: "opacity"; to: 0; duration: 300; easing.type: Easing.OutQuad }
        ScriptAction { script: window.fadedOut() }
    }
    // Content slides in after the window, controls 0.3 s later.
    Timer { id: contentTimer; interval: 150; onTriggered: { window.showContent = true; controlsTimer.start(); } }
    Timer { id: controlsTimer; interval: 300; onTriggered: window.showControls = true }

    onStateNameChanged: {
        if (stateName === "breakActive")
            vm.beginBreakSession();
        if (stateName === "nudge")
            healthFact = panel.nextHealthFact();
        if (stateName === "completed") {
            checkBounce.restart();
            if (vm.milestoneText !== "")
                confetti.burst();
        }
        iconBounce.restart();
    }

    Item {
        id: root
        anchors.fill: parent
        opacity: 0

        // Backdrop: a deep night gradient with two soft colour pools, painted
        // once per size.
        Canvas {
            anchors.fill: parent
            onWidthChanged: requestPaint()
            onHeightChanged: requestPaint()
            onPaint: {
                var ctx = getContext("2d");
                var w = width, h = height;
                var base = ctx.createLinearGradient(0, 0, 0, h);
                base.addColorStop(0, "#0e1628");
                base.addColorStop(0.6, "#0a1620");
                base.addColorStop(1, "#05080e");
                ctx.fillStyle = base;
                ctx.fillRect(0, 0, w, h);
                var pools = [[w * 0.18, h * 0.12, Math.max(w, h) * 0.75, "rgba(48,209,88,0.16)"],
                             [w * 0.88, h * 0.95, Math.max(w, h) * 0.7, "rgba(100,210,255,0.13)"]];
                for (var i = 0; i < pools.length; ++i) {
                    var p = pools[i];
                    var g = ctx.createRadialGradient(p[0], p[1], 0, p[0], p[1], p[2]);
                    g.addColorStop(0, p[3]);
                    g.addColorStop(1, "rgba(0,0,0,0)");
                    ctx.fillStyle = g;
                    ctx.fillRect(0, 0, w, h);
                }
            }
        }

        Column {
            id: column
            width: Math.min(500, parent.width - 40)
            anchors.centerIn: parent
            spacing: 28

            // Break-type badge.
            Rectangle {
                visible: window.screen !== "none"
                anchors.horizontalCenter: parent.horizontalCenter
                height: 34; radius: 17
                width: badgeRow.implicitWidth + 28
                color: "#1fffffff"
                border.color: "#26ffffff"
                opacity: window.showContent ? 1 : 0
                transform: Translate { y: window.showContent ? 0 : -10; Behavior on y { NumberAnimation { duration: window.instant ? 0 : 450; easing.type: Easing.OutBack } } }
                Behavior on opacity { NumberAnimation { duration: window.instant ? 0 : 450 } }
                Row {
                    id: badgeRow
                    anchors.centerIn: parent
                    spacing: 8
                    Symbol { name: vm.breakTypeIcon; color: "#30d158"; size: 16; anchors.verticalCenter: parent.verticalCenter }
                    Text { text: vm.breakTypeLabel; color: "white"; font.pixelSize: 14; font.bold: true; anchors.verticalCenter: parent.verticalCenter }
                }
            }

            // The state screen.
            Item {
                id: stateScreen
                width: parent.width
                height: Math.max(nudgeScreen.visible ? nudgeScreen.implicitHeight : 0,
                                 blockScreen.visible ? blockScreen.implicitHeight : 0,
                                 activeScreen.visible ? activeScreen.implicitHeight : 0,
                                 completionScreen.visible ? completionScreen.implicitHeight : 0)
                opacity: window.showContent ? 1 : 0
                transform: Translate { y: window.showContent ? 0 : 20; Behavior on y { NumberAnimation { duration: window.instant ? 0 : 500; easing.type: Easing.OutCubic } } }
                Behavior on opacity { NumberAnimation { duration: window.instant ? 0 : 500 } }

                Column {
                    id: nudgeScreen
                    visible: window.screen === "nudge"
                    width: parent.width
                    spacing: 14
                    Symbol {
                        id: nudgeIcon
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: vm.breakTypeIcon; color: "#30d158"; size: 64
                        SequentialAnimation {
                            id: iconBounce
                            NumberAnimation { target: nudgeIcon; property: "scale"; to: 1.18; duration: 160; easing.type: Easing.OutQuad }
                            NumberAnimation { target: nudgeIcon; property: "scale"; to: 1.0; duration: 320; easing.type: Easing.OutBounce }
                        }
                    }
                    Text { text: "Time to move"; color: "white"; font.pixelSize: 40; font.bold: true; anchors.horizontalCenter: parent.horizontalCenter }
                    Text { text: vm.breakDescription; color: "#b3ffffff"; font.pixelSize: 18; width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap }
                    Text { text: window.healthFact; color: "#8cffffff"; font.pixelSize: 13; width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap }
                    Text { visible: vm.hasCurrentExercise; text: vm.currentExercise.name || ""; color: "white"; font.pixelSize: 16; font.italic: true; anchors.horizontalCenter: parent.horizontalCenter }
                    Item { width: 1; height: 6 }
                    PillButton {
                        objectName: "startButton"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "Start " + vm.breakTypeLabel; symbol: "play.fill"
                        onClicked: panel.startBreak()
                    }
                    Text {
                        visible: scheduler.escalationTimeRemaining > 0
                        text: "Auto-starts in " + vm.formatTime(scheduler.escalationTimeRemaining)
                        color: "#80ffffff"; font.pixelSize: 13; anchors.horizontalCenter: parent.horizontalCenter
                    }
                }

                Column {
                    id: blockScreen
                    visible: window.screen === "block"
                    width: parent.width
                    spacing: 18
                    Activity { vm: window.vm; anchors.horizontalCenter: parent.horizontalCenter; width: parent.width }
                    PillButton {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "Start " + vm.breakTypeLabel; symbol: "play.fill"
                        onClicked: panel.startBreak()
                    }
                    Text {
                        text: scheduler.escalationTimeRemaining > 0
                              ? "Auto-starts in " + vm.formatTime(scheduler.escalationTimeRemaining)
                              : "Or just wait \u2014 the session will begin automatically"
                        color: "#80ffffff"; font.pixelSize: 13; anchors.horizontalCenter: parent.horizontalCenter
                    }
                }

                Column {
                    id: activeScreen
                    visible: window.screen === "active"
                    width: parent.width
                    spacing: 24
                    CountdownRing {
                        anchors.horizontalCenter: parent.horizontalCenter
                        progress: scheduler.breakDurationSeconds > 0 ? scheduler.breakTimeRemaining / scheduler.breakDurationSeconds : 0
                        timeText: vm.formatTime(scheduler.breakTimeRemaining)
                    }
                    Activity { vm: window.vm; anchors.horizontalCenter: parent.horizontalCenter; width: parent.width }
                    Row {
                        anchors.horizontalCenter: parent.horizontalCenter
                        spacing: 8
                        Repeater {
                            model: vm.exercises.length
                            Rectangle {
                                readonly property bool current: index === vm.currentExerciseIndex
                                width: current ? 10 : 8; height: width; radius: width / 2
                                anchors.verticalCenter: parent.verticalCenter
                                color: current ? "#30d158" : index < vm.currentExerciseIndex ? "#6630d158" : "#4dffffff"
                                MouseArea { anchors.fill: parent; anchors.margins: -6; onClicked: vm.goToExercise(index) }
                            }
                        }
                    }
                }

                Column {
                    id: completionScreen
                    visible: window.screen === "completion"
                    width: parent.width
                    spacing: 18
                    Symbol {
                        id: check
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: "checkmark.circle.fill"; color: "#30d158"; size: 88
                        SequentialAnimation {
                            id: checkBounce
                            NumberAnimation { target: check; property: "scale"; from: 0.6; to: 1.15; duration: 220; easing.type: Easing.OutQuad }
                            NumberAnimation { target: check; property: "scale"; to: 1.0; duration: 380; easing.type: Easing.OutBounce }
                        }
                    }
                    QtObject { id: completionMessage; property var lines: (window.screen === "completion" ? vm.getCompletionMessage() : "").split("\n") }
                    Text {
                        text: completionMessage.lines[0] || ""
                        color: "white"; font.pixelSize: 34; font.bold: true
                        width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap
                    }
                    Text {
                        text: completionMessage.lines[1] || ""
                        color: "#b3ffffff"; font.pixelSize: 20
                        width: parent.width; horizontalAlignment: Text.AlignHCenter; wrapMode: Text.WordWrap
                    }
                    Rectangle {
                        visible: vm.milestoneText !== ""
                        anchors.horizontalCenter: parent.horizontalCenter
                        height: 36; radius: 18; width: capsuleRow.implicitWidth + 30
                        color: "#ff9f0a"
                        Row {
                            id: capsuleRow
                            anchors.centerIn: parent
                            spacing: 8
                            Symbol { name: vm.milestoneIcon || "figure.walk"; color: "white"; size: 18; anchors.verticalCenter: parent.verticalCenter }
                            Text { text: vm.milestoneText; color: "white"; font.pixelSize: 15; font.bold: true; anchors.verticalCenter: parent.verticalCenter }
                        }
                    }
                }
            }

            // Snooze and skip.
            Column {
                id: controls
                visible: window.controlsShown
                width: parent.width
                spacing: 14
                opacity: window.showControls ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: window.instant ? 0 : 450 } }

                PillButton {
                    visible: vm.canSnooze
                    anchors.horizontalCenter: parent.horizontalCenter
                    fill: "#1fffffff"; textSize: 14; bold: false
                    symbol: "clock.arrow.circlepath"
                    text: "Snooze 10 min  (" + vm.snoozesRemaining + " left)"
                    onClicked: panel.snooze()
                }
                Text {
                    visible: vm.canSkip && !vm.showSkipControls
                    text: "Skip available in " + vm.skipWaitRemaining + "s"
                    color: "#66ffffff"; font.pixelSize: 12; anchors.horizontalCenter: parent.horizontalCenter
                }
                SkipChallenge {
                    visible: vm.canSkip && vm.showSkipControls
                    width: parent.width
                    vm: window.vm
                    skip: window.skip
                }
            }
        }

        Confetti { id: confetti }
    }
}
