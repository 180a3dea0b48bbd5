// digest, push, dump and serve: what a main program does with the library's result windows,
// written against the public header only. The digest comes from the platform's own MD5, so the
// library's digest is checked against an implementation that is not ours.
#include "ChannelCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ForeignResultWindow.h"
#include "PlatformMd5.h"
#include "veko.h"

namespace {

// The key of an address: MD5 of its UTF-16LE code units, without terminator.
std::string AddressDigest(const std::wstring& address) {
    return PlatformMd5Hex(address.data(), DWORD(address.size() * sizeof(wchar_t)));
}

ResultRecord MakeRecord(const std::string& digest, UrlVerdict verdict) {
    ResultRecord record = {};
    std::memcpy(record.digest, digest.data(), std::min<size_t>(digest.size(), 32));
    for (int i = 0; i < 4; ++i) record.verdict[i] = uint8_t(verdict >> (8 * i));
    return record;
}

UrlVerdict VerdictOf(const ResultRecord& record) {
    return UrlVerdict(record.verdict[0]) | UrlVerdict(record.verdict[1]) << 8 |
           UrlVerdict(record.verdict[2]) << 16 | UrlVerdict(record.verdict[3]) << 24;
}

std::wstring TempFile(const wchar_t* pattern, long long first, int second = 0) {
    wchar_t directory[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, directory);
    wchar_t name[64] = {};
    std::swprintf(name, 64, pattern, first, second);
    return std::wstring(directory) + name;
}

bool WriteBytes(const std::wstring& path, const void* data, DWORD size) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = size == 0 || ::WriteFile(file, data, size, &written, nullptr);
    ::CloseHandle(file);
    return ok && written == size;
}

std::vector<uint8_t> ReadAndDelete(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size = {};
        ::GetFileSizeEx(file, &size);
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && ::ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr)) {
            bytes.resize(got);
        } else {
            bytes.clear();
        }
        ::CloseHandle(file);
    }
    ::DeleteFileW(path.c_str());
    return bytes;
}

BOOL CALLBACK CollectResultWindow(HWND hwnd, LPARAM param) {
    wchar_t className[128] = {};
    ::GetClassNameW(hwnd, className, 128);
    if (std::wcscmp(className, veko::kResultWindowClass) == 0)
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ResultWindows(const Arguments& args) {
    std::vector<HWND> windows;
    const std::wstring to = args.Value(L"--to");
    if (!to.empty()) {
        windows.push_back(HandleArgument(to));
    } else {
        ::EnumWindows(CollectResultWindow, reinterpret_cast<LPARAM>(&windows));
    }
    return windows;
}

UINT Registered(const wchar_t* name) { return ::RegisterWindowMessageW(name); }

// Sends and waits for the window's answer; -1 when it gave none.
long Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result))
        return -1;
    return long(result);
}

long PushByFile(HWND window, const ResultRecord& record, uint32_t first, int32_t second) {
    const std::wstring path = TempFile(veko::kResultFilePattern, first, second);
    if (!WriteBytes(path, &record, sizeof(record))) return -1;
    const long result = Send(window, Registered(veko::kNewUrlResultMessage), first, second);
    if (result < 0) ::DeleteFileW(path.c_str());  // nobody will read it
    return result;
}

long PushByCopyData(HWND window, const ResultRecord& record, const Arguments& args) {
    // The record with room for a byte more, so that a size of 37 can be sent too.
    uint8_t payload[sizeof(ResultRecord) + 4] = {};
    std::memcpy(payload, &record, sizeof(record));
    COPYDATASTRUCT data = {};
    data.dwData = ParseNumber(args.Value(L"--magic", L"0x6B6F716E"));
    data.cbData = std::min<DWORD>(ParseNumber(args.Value(L"--size", L"36")), sizeof(payload));
    data.lpData = args.Has(L"--null-data") ? nullptr : payload;
    return Send(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

std::string Printable(const char* bytes, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        char escape[8];
        std::snprintf(escape, sizeof(escape), c > 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
        text += escape;
    }
    return text;
}

// "record=<digest> verdict=0x..." for every record (or only for those of the digests `only`),
// then "records=N" with the number of all records.
void PrintRecords(const std::vector<uint8_t>& bytes, const std::vector<std::string>& only) {
    size_t count = bytes.size() / sizeof(ResultRecord);
    for (size_t i = 0; i < count; ++i) {
        ResultRecord record;
        std::memcpy(&record, bytes.data() + i * sizeof(record), sizeof(record));
        if (!only.empty() &&
            std::find(only.begin(), only.end(), std::string(record.digest, 32)) == only.end())
            continue;
        std::printf("record=%s verdict=0x%08X\n", Printable(record.digest, 32).c_str(),
                    unsigned(VerdictOf(record)));
    }
    std::printf("records=%u\n", unsigned(count));
}

// Waits up to `timeoutMs` for a posted message `msg` to this thread; its wParam, or 0.
WPARAM WaitForPosted(UINT msg, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == msg) return m.wParam;
            ::DispatchMessageW(&m);
        }
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return 0;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

// "<address> <verdict>" per line; "#" starts a comment line.
std::map<std::string, UrlVerdict> ReadVerdictList(const std::wstring& path) {
    std::map<std::string, UrlVerdict> verdicts;
    std::wifstream in(path.c_str());
    std::wstring line;
    while (std::getline(in, line)) {
        std::wistringstream words(line);
        std::wstring address, verdict;
        if (!(words >> address >> verdict) || address[0] == L'#') continue;
        verdicts[AddressDigest(address)] = ParseNumber(verdict);
    }
    return verdicts;
}

std::wstring g_servedList;

LRESULT CALLBACK ServeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != Registered(veko::kNeedYourResultMessage))
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    std::vector<uint8_t> bytes;
    for (const auto& entry : ReadVerdictList(g_servedList)) {  // ascending digest order
        const ResultRecord record = MakeRecord(entry.first, entry.second);
        const auto* raw = reinterpret_cast<const uint8_t*>(&record);
        bytes.insert(bytes.end(), raw, raw + sizeof(record));
    }
    WriteBytes(TempFile(veko::kCacheFilePattern, static_cast<int32_t>(veko::HandleToField(hwnd))),
               bytes.data(), DWORD(bytes.size()));
    ::PostMessageW(reinterpret_cast<HWND>(wParam), Registered(veko::kThisMyScanResultMessage),
                   reinterpret_cast<WPARAM>(hwnd), 0);
    std::printf("asked-by=%s records=%u\n", HandleText(reinterpret_cast<HWND>(wParam)).c_str(),
                unsigned(bytes.size() / sizeof(ResultRecord)));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int DigestCommand(const Arguments& args) {
    std::printf("%s\n", AddressDigest(args.Positional(0)).c_str());
    return 0;
}

int PushCommand(const Arguments& args) {
    const std::wstring address = args.Positional(0);
    const std::string digest = args.Has(L"--digest") ? std::string(address.begin(), address.end())
                                                     : AddressDigest(address);
    const ResultRecord record = MakeRecord(digest, ParseNumber(args.Positional(1)));
    const bool byFile = args.Value(L"--by", L"copydata") == L"file";
    // The result file's numbers: --numbers FIRST SECOND, or this process and a count.
    const bool chosenNumbers = !args.Value(L"--numbers").empty();
    const uint32_t first =
        chosenNumbers ? ParseNumber(args.Value(L"--numbers")) : ::GetCurrentProcessId();
    int32_t second = chosenNumbers ? int32_t(ParseNumber(args.ValueAfter(L"--numbers", 1))) : 0;
    int pushed = 0;
    for (HWND window : ResultWindows(args)) {
        if (!chosenNumbers) ++second;
        const long result = byFile ? PushByFile(window, record, first, second)
                                   : PushByCopyData(window, record, args);
        std::printf("window=%s result=%ld\n", HandleText(window).c_str(), result);
        if (result >= 0) ++pushed;
    }
    std::printf("pushed=%d\n", pushed);
    return pushed ? 0 : 1;
}

// The asker is a window of the result class, as every asker is (result windows answer no other),
// but a message-only one: no peer finds it and asks it in turn.
HWND CreateAskingWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = veko::kResultWindowClass;
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, veko::kResultWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
}

int DumpCommand(const Arguments& args) {
    const HWND target = HandleArgument(args.Positional(0));
    const HWND own = CreateAskingWindow();
    const UINT answer = Registered(veko::kThisMyScanResultMessage);
    ::PostMessageW(target, Registered(veko::kNeedYourResultMessage), reinterpret_cast<WPARAM>(own),
                   0);
    const WPARAM answering = WaitForPosted(answer, 10000);
    ::DestroyWindow(own);
    if (!answering) {
        std::printf("answer=none\n");
        return 1;
    }
    // --only ADDRESS, or with --digest a comma-separated list of digests.
    const std::wstring only = args.Value(L"--only");
    std::vector<std::string> onlyDigests;
    if (args.Has(L"--digest")) {
        std::wistringstream list(only);
        for (std::wstring digest; std::getline(list, digest, L',');)
            onlyDigests.push_back(std::string(digest.begin(), digest.end()));
    } else if (!only.empty()) {
        onlyDigests.push_back(AddressDigest(only));
    }
    PrintRecords(ReadAndDelete(TempFile(veko::kCacheFilePattern, static_cast<int32_t>(answering))),
                 onlyDigests);
    return 0;
}

int ServeCommand(const Arguments& args) {
    g_servedList = args.Positional(0);
    const HWND window = CreateForeignResultWindow(ServeProc);
    if (!window) return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
