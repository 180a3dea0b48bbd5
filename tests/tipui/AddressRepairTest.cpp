#include <gtest/gtest.h>

#include <string>

#include "support/Latin1CodePage.h"
#include "tipui/AddressRepair.h"

namespace {

const std::u16string kPage = u"http://safe.koxquenda.com/cl/koxtarvel.html?";

TEST(AddressRepair, TakesTheAddressOutOfTheSafetyPage) {
    const struct {
        std::u16string text;
        std::u16string target;
    } cases[] = {
        {kPage + u"t=1&url=http%3A%2F%2Fbad.example%2Fx%3Fq%3D1&b=2", u"http://bad.example/x?q=1"},
        {kPage + u"t=1&url=http%3a%2f%2fbad.example%2F", u"http://bad.example/"},
        {kPage + u"url=http%3A%2F%2Fnot.first%2F", kPage + u"url=http%3A%2F%2Fnot.first%2F"},
        {kPage + u"t=1&url=ftp%3A%2F%2Fx", kPage + u"t=1&url=ftp%3A%2F%2Fx"},
        {kPage + u"t=1", kPage + u"t=1"},
        {kPage + u"a&url=http://plain.example/p+q&z", u"http://plain.example/p+q"},
        {kPage + u"a&url=http%3A%2F%2Fcut.example%2F%zz%2F&z", u"http://cut.example/"},
        {kPage + u"a&url=http%3A%2F%2Fhalf.example%2", u"http://half.example"},
        {kPage + u"a&url=http%E4%B8", u"http\u00E4\u00B8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafetyPageTarget(c.text, Latin1CodePage()), c.target)
            << std::string(c.text.begin(), c.text.end());
    }
}

TEST(AddressRepair, RecognisesOnlyTheExactPrefixAndCutsAtTheFirstSpace) {
    EXPECT_TRUE(IsSafetyPageAddress(kPage + u"x", u"safe.koxquenda.com"));
    EXPECT_TRUE(IsSafetyPageAddress(kPage, u"safe.koxquenda.com"));
    EXPECT_FALSE(IsSafetyPageAddress(u"http://SAFE.koxquenda.com/cl/koxtarvel.html?x",
                                     u"safe.koxquenda.com"));
    EXPECT_FALSE(IsSafetyPageAddress(u"https://safe.koxquenda.com/cl/koxtarvel.html?x",
                                     u"safe.koxquenda.com"));
    EXPECT_FALSE(
        IsSafetyPageAddress(u"http://safe.koxquenda.com/cl/koxtarvel.html", u"safe.koxquenda.com"));
    EXPECT_EQ(CutAtFirstSpace(u"http://a.example/ b c"), u"http://a.example/");
    EXPECT_EQ(CutAtFirstSpace(u" lead"), u"");
    EXPECT_EQ(CutAtFirstSpace(u"none"), u"none");
    EXPECT_EQ(CutAtFirstSpace(u"tab\there"), u"tab\there");
}

}  // namespace
