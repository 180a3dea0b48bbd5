// The hook table's rules, free of any platform call: the table a process holds for the bytes of
// its file, which entry an install may take, and which entry belongs to a process. Windows are
// 32-bit numbers here; whether one is alive is asked of the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

struct HookTableEntry {
    uint32_t window;
    uint32_t processId;
    uint32_t hook;
    uint32_t reserved;
};
static_assert(sizeof(HookTableEntry) == 16, "one table record is 16 bytes on disk");

// The table held for a file read whole into `file` (`length` bytes and two zero bytes after them;
// null: no file could be read). A file shorter than `size` gives `size` zero bytes; a longer one
// is kept whole, with its own length, so that saving writes back what it held. `*held` is the
// table's length; null and 0 when memory is short.
std::unique_ptr<uint8_t[]> TableFromFile(std::unique_ptr<uint8_t[]> file, size_t length,
                                         size_t size, size_t* held);

// The entry an install of `window` (owned by process `processId`) may take: the first entry whose
// window is not alive. -1 when the install must be refused: the window is listed already, a live
// listed window belongs to the same process, or no entry is free.
int ChooseInstallEntry(const HookTableEntry* entries, uint32_t window, uint32_t processId,
                       const std::function<bool(uint32_t)>& isAlive);

// The first entry of process `processId`, or -1.
int FindProcessEntry(const HookTableEntry* entries, uint32_t processId);
