// The hook table's rules on any file: the table held for the file's bytes, and the install and
// process lookups on it, against a plain reading of the rules. Windows count as alive by a rule
// taken from the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hook/HookTableRules.h"
#include "veko.h"

namespace {

constexpr size_t kSize = veko::kHookTableBytes;

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    uint32_t window = 0, processId = 0;
    std::memcpy(&window, data, 4);
    std::memcpy(&processId, data + 4, 4);
    const uint8_t aliveMask = data[8];
    data += 9;
    size -= 9;

    // As ReadWholeFile leaves it: the bytes and two zero bytes.
    std::unique_ptr<uint8_t[]> file(new uint8_t[size + 2]());
    if (size) std::memcpy(file.get(), data, size);
    size_t held = 0;
    const std::unique_ptr<uint8_t[]> table = TableFromFile(std::move(file), size, kSize, &held);
    Check(table != nullptr);
    if (size >= kSize) {
        Check(held == size && std::memcmp(table.get(), data, size) == 0);
    } else {
        Check(held == kSize);
        for (size_t i = 0; i < kSize; ++i) Check(table[i] == 0);
    }
    Check(table[held] == 0 && table[held + 1] == 0);

    HookTableEntry entries[veko::kHookTableEntries];
    std::memcpy(entries, table.get(), sizeof(entries));
    const auto alive = [aliveMask](uint32_t w) { return w != 0 && ((aliveMask >> (w % 8)) & 1); };

    bool listed = false, liveSibling = false;
    int firstFree = -1, ownFirst = -1;
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        listed = listed || entries[i].window == window;
        liveSibling =
            liveSibling || (entries[i].processId == processId && alive(entries[i].window));
        if (firstFree < 0 && !alive(entries[i].window)) firstFree = i;
        if (ownFirst < 0 && entries[i].processId == processId) ownFirst = i;
    }
    const int chosen = ChooseInstallEntry(entries, window, processId, alive);
    Check(chosen == (listed || liveSibling ? -1 : firstFree));
    Check(FindProcessEntry(entries, processId) == ownFirst);
    return 0;
}
