#pragma once

#include <QString>

namespace valmir {

// Hand-over values, set by a window right before it opens another.
inline int OpenMode = 0; // -1 cancelled, 0 new, 1 edit the selected, 2 new for its customer
inline bool PickConfirmed = false;
inline double SelectedTS1 = 0;
inline int CalendarTarget = 0; // 0 the invoice editor, 1 the purge dialog
inline int RtfFileNumber = 0;
inline QString RtfFileName = QStringLiteral("racun.rtf");

} // namespace valmir
