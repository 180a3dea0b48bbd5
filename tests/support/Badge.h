// What a person does with the badge and its pop-up in a browser of another process, and what
// they must see: shared by the tests in our stand-in browser and in Wine's Internet Explorer.
#pragma once

#include <windows.h>

// A click at a point of the screen, through the platform's input.
void ClickAt(POINT screen);

// The pop-up once it shows; null when none showed within a few seconds.
HWND WaitForPopUp();

// The message box with which the pop-up asks before it hides the badge (in whatever process);
// null when none came within a few seconds.
HWND WaitForConfirmation();

// A click on the badge opens the pop-up; it lies above the browser that owns it, and each of its
// elements, clicked where it lies, starts the main program with its command; its close button
// closes it.
void ExpectClickOpensPopUpWhoseElementsWork(HWND badge);

// Presses on the compact badge start the main program (from the library's directory) once each;
// resting on it opens nothing.
void ExpectPressesStartTheMainProgram(HWND badge);
