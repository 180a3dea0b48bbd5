// Values under HKEY_LOCAL_MACHINE set for one test and put back afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "veko.h"

class ScopedRegistryValue {
  public:
    static ScopedRegistryValue Dword(const wchar_t* key, const wchar_t* name, DWORD value);
    static ScopedRegistryValue String(const wchar_t* key, const wchar_t* name,
                                      const std::wstring& value);
    static ScopedRegistryValue Raw(const wchar_t* key, const wchar_t* name, DWORD type,
                                   const void* data, DWORD size);
    static ScopedRegistryValue Deleted(const wchar_t* key, const wchar_t* name);
    // A string value, or none when `value` is null.
    static ScopedRegistryValue StringOrMissing(const wchar_t* key, const wchar_t* name,
                                               const wchar_t* value);
    ScopedRegistryValue(ScopedRegistryValue&& other) noexcept;
    ~ScopedRegistryValue();

  private:
    ScopedRegistryValue(const wchar_t* key, const wchar_t* name);

    std::wstring m_key;
    std::wstring m_name;
    bool m_existed = false;
    bool m_active = true;
    DWORD m_type = 0;
    std::vector<BYTE> m_old;
};

// Deletes a whole key (and its values) under HKEY_LOCAL_MACHINE for one test.
class ScopedMissingKey {
  public:
    explicit ScopedMissingKey(const wchar_t* key);
    ~ScopedMissingKey();

  private:
    std::wstring m_key;
    std::vector<std::pair<std::wstring, std::pair<DWORD, std::vector<BYTE>>>> m_values;
};

// Internet Explorer 8, with the address-bar switch and both monitors at their defaults (on), for
// one test.
struct BrowserSettings {
    ScopedRegistryValue build = ScopedRegistryValue::String(
        veko::kInternetExplorerKey, veko::kInternetExplorerBuildValue, L"8001");
    ScopedRegistryValue alert =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kAddressBarAlertValue);
    ScopedRegistryValue malware =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kMalwareMonitorValue);
    ScopedRegistryValue spoofing =
        ScopedRegistryValue::Deleted(veko::kSwitchesKey, veko::kSpoofingMonitorValue);
};
