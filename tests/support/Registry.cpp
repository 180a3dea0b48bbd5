#include "support/Registry.h"

#include <utility>

namespace {

// The product's switches live in the 32-bit view, where its 32-bit main program writes them.
// Internet Explorer's own keys are in both views on a 64-bit system, and a test changes both, so
// that browsers of either bitness see the same; everything else is in the test program's view.
std::vector<REGSAM> ViewsOf(const std::wstring& key) {
    if (::lstrcmpiW(key.c_str(), veko::kSwitchesKey) == 0) return {KEY_WOW64_32KEY};
    if (::lstrcmpiW(key.c_str(), veko::kInternetExplorerKey) == 0)
        return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

REGSAM ViewOf(const std::wstring& key) { return ViewsOf(key).back(); }

HKEY OpenKey(const std::wstring& key, REGSAM view) {
    HKEY hkey = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                          nullptr, &hkey, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return hkey;
}

HKEY OpenKey(const std::wstring& key) { return OpenKey(key, ViewOf(key)); }

void Write(const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
           DWORD size) {
    for (REGSAM view : ViewsOf(key)) {
        if (HKEY hkey = OpenKey(key, view)) {
            ::RegSetValueExW(hkey, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
            ::RegCloseKey(hkey);
        }
    }
}

void Delete(const std::wstring& key, const std::wstring& name) {
    for (REGSAM view : ViewsOf(key)) {
        if (HKEY hkey = OpenKey(key, view)) {
            ::RegDeleteValueW(hkey, name.c_str());
            ::RegCloseKey(hkey);
        }
    }
}

}  // namespace

ScopedRegistryValue::ScopedRegistryValue(const wchar_t* key, const wchar_t* name)
    : m_key(key), m_name(name) {
    HKEY hkey = OpenKey(m_key);
    if (!hkey) return;
    DWORD size = 0;
    if (::RegQueryValueExW(hkey, name, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
        m_old.resize(size);
        m_existed =
            ::RegQueryValueExW(hkey, name, nullptr, &m_type, m_old.data(), &size) == ERROR_SUCCESS;
    }
    ::RegCloseKey(hkey);
}

ScopedRegistryValue ScopedRegistryValue::Raw(const wchar_t* key, const wchar_t* name, DWORD type,
                                             const void* data, DWORD size) {
    ScopedRegistryValue value(key, name);
    Write(key, name, type, data, size);
    return value;
}

ScopedRegistryValue ScopedRegistryValue::Dword(const wchar_t* key, const wchar_t* name,
                                               DWORD value) {
    return Raw(key, name, REG_DWORD, &value, sizeof(value));
}

ScopedRegistryValue ScopedRegistryValue::String(const wchar_t* key, const wchar_t* name,
                                                const std::wstring& value) {
    return Raw(key, name, REG_SZ, value.c_str(),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

ScopedRegistryValue ScopedRegistryValue::Deleted(const wchar_t* key, const wchar_t* name) {
    ScopedRegistryValue value(key, name);
    Delete(key, name);
    return value;
}

ScopedRegistryValue ScopedRegistryValue::StringOrMissing(const wchar_t* key, const wchar_t* name,
                                                         const wchar_t* value) {
    return value ? String(key, name, value) : Deleted(key, name);
}

ScopedRegistryValue::ScopedRegistryValue(ScopedRegistryValue&& other) noexcept
    : m_key(std::move(other.m_key)),
      m_name(std::move(other.m_name)),
      m_existed(other.m_existed),
      m_active(other.m_active),
      m_type(other.m_type),
      m_old(std::move(other.m_old)) {
    other.m_active = false;
}

ScopedRegistryValue::~ScopedRegistryValue() {
    if (!m_active) return;
    if (m_existed) {
        Write(m_key, m_name, m_type, m_old.data(), static_cast<DWORD>(m_old.size()));
    } else {
        Delete(m_key, m_name);
    }
}

ScopedMissingKey::ScopedMissingKey(const wchar_t* key) : m_key(key) {
    HKEY hkey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | ViewOf(key), &hkey) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        DWORD type = 0;
        BYTE data[1024];
        DWORD size = sizeof(data);
        if (::RegEnumValueW(hkey, i, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        m_values.push_back({name, {type, std::vector<BYTE>(data, data + size)}});
    }
    ::RegCloseKey(hkey);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, ViewOf(key), 0);
}

ScopedMissingKey::~ScopedMissingKey() {
    for (const auto& [name, value] : m_values) {
        Write(m_key, name, value.first, value.second.data(),
              static_cast<DWORD>(value.second.size()));
    }
}
