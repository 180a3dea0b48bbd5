// Private messages between the pop-up tip and the badge that owns it, and to the address tip.
#pragma once

#include <windows.h>

// Delete the open pop-up.
constexpr UINT UM_CLOSE_POP_TIP = WM_APP + 16;
// Hide the badge's parent window: the whole address tip.
constexpr UINT UM_HIDE_ADDRESS_TIP = WM_APP + 17;
// Open the pop-up (the badge posts it to itself when the open pop-up is tracking a press).
constexpr UINT UM_SHOW_POP_TIP = WM_APP + 18;
// Lay the address tip out against its edit again (the edit's thread asks the tip's thread).
constexpr UINT UM_LAYOUT_ADDRESS_TIP = WM_APP + 19;
// Verdicts came into the badge's result window: look the address shown up again at once.
constexpr UINT UM_NEW_VERDICTS = WM_APP + 20;
