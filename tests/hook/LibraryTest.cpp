// The library as a file: its exports by name and its version block, per configuration.
#include <gtest/gtest.h>

#include <vector>

#include "support/ChildProcess.h"
#include "support/Library.h"
#include "support/TempDir.h"
#include "veko.h"

namespace {

TEST(Library, ExportsByUndecoratedName) {
    ScopedTempDir temp;
    LoadedLibrary library;
    ASSERT_TRUE(library.Module());
    EXPECT_TRUE(veko::GetExport<VekoInstallHookFn>(library.Module(), "InstallHook"));
    EXPECT_TRUE(veko::GetExport<VekoUninstallHookFn>(library.Module(), "UninstallHook"));
    auto showFirstTip = veko::GetExport<VekoShowFirstTipFn>(library.Module(), "ShowFirstTip");
#ifdef VEKO_COMPACT
    ASSERT_TRUE(showFirstTip);
    EXPECT_EQ(showFirstTip(), 0);
    EXPECT_EQ(showFirstTip(), 0);
    EXPECT_EQ(ListDirectory(temp.Path()), L"") << "and it changes nothing";
#else
    EXPECT_FALSE(showFirstTip);
#endif
}

TEST(Library, VersionBlockNamesTheConfiguration) {
    const std::wstring path = BinaryDirectory() + veko::kLibraryFileName;
    DWORD ignored = 0;
    std::vector<BYTE> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &size));
#ifdef VEKO_COMPACT
    const DWORD ms = MAKELONG(0, 1), ls = MAKELONG(1003, 1);
#else
    const DWORD ms = MAKELONG(0, 1), ls = MAKELONG(1012, 0);
#endif
    EXPECT_EQ(info->dwFileVersionMS, ms);
    EXPECT_EQ(info->dwFileVersionLS, ls);
    EXPECT_EQ(info->dwProductVersionMS, ms);
    EXPECT_EQ(info->dwProductVersionLS, ls);
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
    if (IS_INTRESOURCE(name)) {
        reinterpret_cast<std::vector<unsigned>*>(ids)->push_back(unsigned(uintptr_t(name)));
    }
    return TRUE;
}

// The pictures are "PNG" resources with integer ids in Simplified Chinese, one list per
// configuration.
TEST(Library, CarriesThePicturesOfItsConfiguration) {
    HMODULE dll = ::LoadLibraryExW((BinaryDirectory() + veko::kLibraryFileName).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(dll);
    std::vector<unsigned> ids;
    ::EnumResourceNamesW(dll, L"PNG", CollectId, reinterpret_cast<LONG_PTR>(&ids));
#ifdef VEKO_COMPACT
    const std::vector<unsigned> expected = {350, 351, 352, 353, 355, 356, 357};
#else
    const std::vector<unsigned> expected = {300, 301, 302, 303, 310, 311, 312, 320, 321, 322,
                                            323, 324, 325, 326, 327, 328, 330, 340, 350, 351,
                                            352, 353, 355, 356, 357, 370, 371, 380};
#endif
    EXPECT_EQ(ids, expected);
    const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    for (unsigned id : ids) {
        EXPECT_TRUE(::FindResourceExW(dll, L"PNG", MAKEINTRESOURCEW(id), chinese)) << id;
    }
    ::FreeLibrary(dll);
}

}  // namespace
