#include "support/AllocationFaults.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);

volatile DWORD g_failingThread = 0;
volatile LONG g_countdown = 0;  // allocations left until the one that fails
volatile LONG g_refused = 0;

HMODULE Runtime() { return ::GetModuleHandleW(L"msvcrt.dll"); }

template <typename Fn>
Fn Real(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(Runtime(), name)));
}

bool Refuse() {
    if (g_failingThread == 0 || g_failingThread != ::GetCurrentThreadId()) return false;
    if (--g_countdown != 0) return false;
    g_refused = 1;
    return true;
}

// Resolved before any import is redirected: the replacements themselves must not allocate.
MallocFn g_realMalloc = nullptr;
CallocFn g_realCalloc = nullptr;
ReallocFn g_realRealloc = nullptr;

void* __cdecl FailingMalloc(size_t size) { return Refuse() ? nullptr : g_realMalloc(size); }

void* __cdecl FailingCalloc(size_t count, size_t size) {
    return Refuse() ? nullptr : g_realCalloc(count, size);
}

void* __cdecl FailingRealloc(void* block, size_t size) {
    return Refuse() ? nullptr : g_realRealloc(block, size);
}

void* ReplacementFor(const char* name) {
    if (std::strcmp(name, "malloc") == 0) return reinterpret_cast<void*>(FailingMalloc);
    if (std::strcmp(name, "calloc") == 0) return reinterpret_cast<void*>(FailingCalloc);
    if (std::strcmp(name, "realloc") == 0) return reinterpret_cast<void*>(FailingRealloc);
    return nullptr;
}

void Replace(IMAGE_THUNK_DATA* slot, void* replacement) {
    DWORD old = 0;
    ::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &old);
    slot->u1.Function = reinterpret_cast<uintptr_t>(replacement);
    ::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), old, &old);
}

}  // namespace

bool RedirectAllocators(HMODULE module) {
    if (!g_realMalloc) {
        g_realMalloc = Real<MallocFn>("malloc");
        g_realCalloc = Real<CallocFn>("calloc");
        g_realRealloc = Real<ReallocFn>("realloc");
    }
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;
    int replaced = 0;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         desc->Name; ++desc) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), "msvcrt.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (void* replacement = ReplacementFor(reinterpret_cast<const char*>(byName->Name))) {
                Replace(slots, replacement);
                ++replaced;
            }
        }
    }
    return replaced > 0;
}

FailingAllocations::FailingAllocations(long nth) {
    g_refused = 0;
    g_countdown = nth;
    g_failingThread = ::GetCurrentThreadId();
}

FailingAllocations::~FailingAllocations() { g_failingThread = 0; }

bool FailingAllocations::Refused() const { return g_refused != 0; }
