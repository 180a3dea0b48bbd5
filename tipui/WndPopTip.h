// The panel that drops down from the badge: a layered window with a background that says safe,
// dangerous or unprotected, one message line, and the close, tool, report and hide elements. It
// asks its owner, the badge, to close it as soon as the pointer is over neither of them.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/LayeredWindow.h"
#include "toolkit/TimerNotify.h"

class PngDecoder;

class CWndPopTip : public FCLayeredWindow, public FCTimerNotify {
  public:
    // (x, y): the window's top-left corner on the screen.
    CWndPopTip(HWND hwndOwner, int x, int y, int backgroundId, int textId);
    ~CWndPopTip() override;

    // The address the badge was showing; the report element sends it.
    void SetAddress(const std::wstring& address) { m_strAddress = address; }
    const std::wstring& GetAddress() const { return m_strAddress; }

    void OnTimer() override;

  protected:
    void OnObjectClick(int id, FCLayeredObject* obj) override;

  private:
    void AddElement(FCLayeredObject* obj, int imageId, int left, int top, SIZE size);
    void AddButton(int imageId, int left, int top, bool hand, const wchar_t* tip,
                   const PngDecoder& decoder);
    void Report() const;
    void RaiseAboveOwnerFrame();

    HWND m_hWndOwner;
    std::wstring m_strAddress;
};

// The report page's link for an address: the report server's path with the address
// percent-encoded in the process's ANSI code page.
std::wstring ReportLink(const std::wstring& address);
