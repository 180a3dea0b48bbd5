#include "hook/HookTableRules.h"

#include <new>

#include "veko.h"

std::unique_ptr<uint8_t[]> TableFromFile(std::unique_ptr<uint8_t[]> file, size_t length,
                                         size_t size, size_t* held) {
    if (file && length >= size) {
        *held = length;
        return file;
    }
    std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[size + 2]());
    *held = table ? size : 0;
    return table;
}

int ChooseInstallEntry(const HookTableEntry* entries, uint32_t window, uint32_t processId,
                       const std::function<bool(uint32_t)>& isAlive) {
    int chosen = -1;
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        const uint32_t listed = entries[i].window;
        const bool alive = isAlive(listed);
        if (chosen < 0 && !alive) chosen = i;
        if (listed == window) return -1;
        if (entries[i].processId == processId && alive) return -1;
    }
    return chosen;
}

int FindProcessEntry(const HookTableEntry* entries, uint32_t processId) {
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        if (entries[i].processId == processId) return i;
    }
    return -1;
}
