#include "tipui/AddressRepair.h"

#include <vector>

#include "channel/PercentCoding.h"

std::u16string CutAtFirstSpace(const std::u16string& text) {
    return text.substr(0, text.find(u' '));
}

bool IsSafetyPageAddress(const std::u16string& text, const std::u16string& host) {
    const std::u16string prefix = u"http://" + host + u"/cl/koxtarvel.html?";
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::u16string SafetyPageTarget(const std::u16string& text, const CodePage& codePage) {
    const size_t marker = text.find(u"&url=http");
    if (marker == std::u16string::npos) return text;
    const size_t start = marker + 5;  // just after "&url="
    const size_t end = text.find(u'&', marker + 1);
    const std::string encoded =
        codePage.narrow(text.substr(start, end == std::u16string::npos ? end : end - start));
    // Decoding never makes a text longer; the room is that of the decoded text anyway.
    std::vector<char> decoded(2 * encoded.size() + 2, '\0');
    uint32_t needed = 0;
    PercentDecodeUrl(encoded.c_str(), decoded.data(), &needed, uint32_t(decoded.size()));
    return codePage.widen(decoded.data());
}
