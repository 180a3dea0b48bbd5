// The product's switches and Internet Explorer's build, read from the registry on every call.
#include <gtest/gtest.h>

#include "hook/EnvProbes.h"
#include "support/ChildProcess.h"
#include "support/Registry.h"
#include "toolkit/Scoped.h"
#include "veko.h"

namespace {

struct SwitchCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;  // empty with type 0: value missing
    bool readsAsZero;        // alert off, monitor off
};

TEST(EnvProbes, SwitchesCountAsOffOnlyWhenTheyReadZero) {
    const SwitchCase cases[] = {
        {"missing", 0, {}, false},
        {"zero", REG_DWORD, {0, 0, 0, 0}, true},
        {"one", REG_DWORD, {1, 0, 0, 0}, false},
        {"any other number", REG_DWORD, {7, 1, 0, 0}, false},
        {"too long for four bytes", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}, false},
        {"one zero byte reads as zero", REG_BINARY, {0}, true},
        {"one non-zero byte", REG_BINARY, {5}, false},
    };
    const struct {
        const wchar_t* value;
        BOOL (*probe)();
        bool offMeansTrue;
    } probes[] = {{veko::kAddressBarAlertValue, IsAddressBarAlertOn, false},
                  {veko::kSpoofingMonitorValue, IsSpoofingMonitorOff, true},
                  {veko::kMalwareMonitorValue, IsMalwareMonitorOff, true}};
    for (const auto& probe : probes) {
        for (const SwitchCase& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " " << probe.offMeansTrue);
            auto value =
                c.data.empty()
                    ? ScopedRegistryValue::Deleted(veko::kSwitchesKey, probe.value)
                    : ScopedRegistryValue::Raw(veko::kSwitchesKey, probe.value, c.type,
                                               c.data.data(), static_cast<DWORD>(c.data.size()));
            EXPECT_EQ(probe.probe() != FALSE, c.readsAsZero == probe.offMeansTrue);
        }
    }
}

TEST(EnvProbes, NoProductKeyAtAll) {
    ScopedMissingKey missing(veko::kSwitchesKey);
    EXPECT_TRUE(IsAddressBarAlertOn());
    EXPECT_FALSE(IsSpoofingMonitorOff());
    EXPECT_FALSE(IsMalwareMonitorOff());
}

TEST(EnvProbes, BuildMajorIsTheFirstOfAtLeastTwoCharacters) {
    const struct {
        const wchar_t* build;  // null: missing
        const wchar_t* major;
    } cases[] = {{L"8001", L"8"}, {L"7000", L"7"}, {L"6029", L"6"}, {L"99600", L"9"},
                 {L"8", L""},     {L"", L""},      {nullptr, L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.build ? "set" : "missing");
        auto value = ScopedRegistryValue::StringOrMissing(
            veko::kInternetExplorerKey, veko::kInternetExplorerBuildValue, c.build);
        EXPECT_EQ(ReadIEBuildMajor(), c.major);
    }
}

TEST(EnvProbes, ModuleDirectoryEndsWithABackslash) {
    EXPECT_EQ(GetModuleDirectory(ThisModule()), BinaryDirectory());
}

}  // namespace
