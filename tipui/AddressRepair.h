// The address behind the product's safety-information page.
//
// When the browser has been sent to that page in place of a dangerous site, its address carries
// the site's own address, percent-encoded, in a "&url=http..." parameter. This part of the tip
// takes it out again. Plain C++ (the code page conversions are passed in), so that it can be
// exercised anywhere.
#pragma once

#include <functional>
#include <string>

struct CodePage {
    std::function<std::string(const std::u16string&)> narrow;
    std::function<std::u16string(const std::string&)> widen;
};

// The text up to its first space.
std::u16string CutAtFirstSpace(const std::u16string& text);

// True when `text` starts with "http://<host>/cl/koxtarvel.html?" (exact, case-sensitive).
bool IsSafetyPageAddress(const std::u16string& text, const std::u16string& host);

// The address a safety-information page is about: the "&url=http" parameter up to the next "&",
// percent-decoded in the given code page. A malformed escape ends the decoding there: what was
// decoded before it is used. Without the parameter the text comes back unchanged.
std::u16string SafetyPageTarget(const std::u16string& text, const CodePage& codePage);
