// Finding the control in which the user types the address, one short recipe per browser.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "hook/BrowserKind.h"

// Collects the descendants of a window whose class matches, case-insensitively, in the order the
// platform enumerates them (each window before its own descendants).
class AddressBarFinder {
  public:
    const std::vector<HWND>& FindChildrenByClass(const wchar_t* className, HWND parent);

  private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM finder);

    std::wstring m_className;
    std::vector<HWND> m_results;
};

// The address edit of `frame` for a browser of `kind`, or null (always null for BrowserUnknown).
HWND FindAddressEdit(BrowserKind kind, HWND frame);
