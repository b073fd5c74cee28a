#pragma once

#include "platform/linux/browsers/SessionSummary.h"

#include <QByteArray>

namespace stirwell {

// Reads the session command files of the Chromium family (Sessions/Session_*
// and the older "Current Session") in memory.
//
// The file is "SNSS", a version, then records of {uint16 size, uint8 id,
// payload}. The browser appends commands and rewrites the file now and then;
// replaying them rebuilds the open windows and tabs. A torn last record (the
// browser was writing) ends the replay; what came before still counts.
namespace ChromiumSessionFile {

// Command ids of the session service.
enum Command : quint8 {
    SetTabWindow = 0,
    SetTabIndexInWindow = 2,
    UpdateTabNavigation = 6,
    SetSelectedNavigationIndex = 7,
    SetSelectedTabInIndex = 8,
    TabClosed = 16,
    WindowClosed = 17,
    SetActiveWindow = 20,
    LastActiveTime = 21,
    TabNavigationPathPruned = 24,
};

inline constexpr qint32 kPlainVersion = 3;
inline constexpr qint32 kLegacyVersion = 1;
inline constexpr qint32 kEncryptedVersion = 5;

[[nodiscard]] SessionSummary summarise(const QByteArray &file, const SessionAddressPredicate &predicate);

} // namespace ChromiumSessionFile

} // namespace stirwell
