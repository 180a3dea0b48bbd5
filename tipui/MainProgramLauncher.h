// Starts the product's main program from this library's directory, hidden.
#pragma once

#include <string>

// The main program's full path: this library's directory and "koxQNMain.exe".
std::wstring MainProgramPath();
// ShellExecuteW "open" of the main program with `parameters`; the result is not looked at.
void StartMainProgram(const wchar_t* parameters);
