// An address tip over an edit of this process's own: the badge, its result window and its timers
// all run on the test's thread, and the screen shows them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/Input.h"
#include "support/Registry.h"
#include "support/Screen.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "tipui/WndAddressTip.h"
#include "toolkit/RawWindow.h"
#include "veko.h"

class TipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ShortenHoverTime();
        MovePointerTo(kAway);
        host.Create(0, nullptr, WS_POPUP | WS_VISIBLE, RECT{150, 200, 570, 240}, nullptr, nullptr);
        edit = ::CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 9, 320, 22,
                                 host.GetHwnd(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(edit);
        tip = std::make_unique<CWndAddressTip>(host.GetHwnd(), edit, BrowserIE8);
        ASSERT_TRUE(tip->GetHwnd());
        PumpFor(150);
    }
    void TearDown() override {
        MovePointerTo(kAway);
        tip.reset();
        if (edit) ::DestroyWindow(edit);
    }

    CWndTipBtn& Badge() { return tip->GetTipButton(); }
    HWND BadgeWindow() { return Badge().GetHwnd(); }
    RECT BadgeRect() {
        RECT rc = {};
        ::GetWindowRect(BadgeWindow(), &rc);
        return rc;
    }
    POINT BadgeCentre() {
        const RECT rc = BadgeRect();
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    char Look() {
        PumpFor(30);
        return LookOf(BadgeWindow());
    }

    // One verdict into the badge's own result window, as the main program sends it.
    void Deliver(const wchar_t* address, UrlVerdict verdict) {
        const UrlDigest digest = ComputeUrlDigest(address);
        ResultRecord record = {};
        for (int i = 0; i < 32; ++i) record.digest[i] = char(digest[i]);
        for (int i = 0; i < 4; ++i) record.verdict[i] = uint8_t(verdict >> (8 * i));
        COPYDATASTRUCT data = {veko::kCopyDataMagic, sizeof(record), &record};
        ::SendMessageW(Badge().GetScanResult().GetHwnd(), WM_COPYDATA, 0,
                       reinterpret_cast<LPARAM>(&data));
    }
    // The address in the bar, and one tick of the address tip.
    void Show(const wchar_t* address) {
        ::SetWindowTextW(edit, address);
        tip->OnTimer();
    }

    static constexpr POINT kAway = {5, 5};
    ScopedTempDir temp;
    ScopedRegistryValue alert =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kAddressBarAlertValue);
    ScopedRegistryValue malware =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kMalwareMonitorValue);
    ScopedRegistryValue spoofing =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kSpoofingMonitorValue);
    FCRawWindow host;
    HWND edit = nullptr;
    std::unique_ptr<CWndAddressTip> tip;
};
