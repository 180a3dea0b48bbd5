// The address behind the safety-information page, for any text: no fault, never longer than
// the text, and a text that is no safety page passes unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/Latin1CodePage.h"
#include "tipui/AddressRepair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CodePage page = Latin1CodePage();
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(&text[0], data, text.size() * 2);
    // Half the inputs start as the page does, so that the parameter is reached.
    if (size && (data[0] & 1)) text = u"http://h/cl/koxtarvel.html?" + text;
    const std::u16string cut = CutAtFirstSpace(text);
    if (cut.size() > text.size() || cut.find(u' ') != std::u16string::npos) std::abort();
    const std::u16string target = SafetyPageTarget(cut, page);
    if (target.size() > cut.size()) std::abort();
    if (cut.find(u"&url=http") == std::u16string::npos && target != cut) std::abort();
    IsSafetyPageAddress(cut, u"h");
    return 0;
}
