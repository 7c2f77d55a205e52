// Ids of the tool's texts in its string tables (LoadMessage).
#pragma once

#include <cstdint>

namespace devio::app {

inline constexpr uint32_t kTextTitle = 1024;        // window title, confirmation caption
inline constexpr uint32_t kTextIntroduction = 1025; // what the tool does
inline constexpr uint32_t kTextReleaseNotesHeading = 1026;
inline constexpr uint32_t kTextReleaseNoteScrolling = 1027;
inline constexpr uint32_t kTextReleaseNoteBluetooth = 1028;
inline constexpr uint32_t kTextNotFunctional = 1029; // the mouse does not work meanwhile
inline constexpr uint32_t kTextUpdating = 1030;
inline constexpr uint32_t kTextSucceeded = 1031;
inline constexpr uint32_t kTextClose = 1032;
inline constexpr uint32_t kTextStart = 1033;
inline constexpr uint32_t kTextContactSupport = 1034;
inline constexpr uint32_t kTextNoReceiver = 1035;
inline constexpr uint32_t kTextNotConnected = 1036;
inline constexpr uint32_t kTextBatteryLow = 1037;
inline constexpr uint32_t kTextUpToDate = 1038;
inline constexpr uint32_t kTextFailedRetrying = 1039;
inline constexpr uint32_t kTextPreparing = 1040;
inline constexpr uint32_t kTextClickStart = 1041;
inline constexpr uint32_t kTextTurnOffAndOn = 1042;
inline constexpr uint32_t kTextProfilesWillBeErased = 1043; // confirmation question
inline constexpr uint32_t kTextBluetoothPairingNote = 1044;
inline constexpr uint32_t kTextReleaseNoteOnBoardSettings = 1055;

} // namespace devio::app
