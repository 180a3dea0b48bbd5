// The registered messages of the result windows, each registered on first use and kept for the
// life of the process.
#pragma once

#include <windows.h>

UINT NeedYourResultMessage();
UINT ThisMyScanResultMessage();
UINT NewUrlResultMessage();
