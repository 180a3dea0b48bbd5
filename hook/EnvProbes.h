// The product's switches and the environment, read afresh on every call.
#pragma once

#include <windows.h>

#include <string>

// FALSE only when "IEAddrBarAlert" reads as 0.
BOOL IsAddressBarAlertOn();
// TRUE only when "MonitoringSpoofing" reads as 0.
BOOL IsSpoofingMonitorOff();
// TRUE only when "MonitoringMalware" reads as 0.
BOOL IsMalwareMonitorOff();
// The first character of Internet Explorer's "Build" value; empty when it is missing or shorter
// than two characters.
std::wstring ReadIEBuildMajor();
// FALSE when the process `processId` is known to run with another bitness than this one, so that
// no hook of this library can ever be mapped into it; TRUE when it has the same, or when that
// cannot be told.
BOOL IsProcessOfOwnBitness(DWORD processId);
// The directory of `module`'s file, with a trailing backslash.
std::wstring GetModuleDirectory(HMODULE module);
