// The decoder beside the library and the three loaders, on the configuration's own pictures.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/PngResource.h"
#include "image/PixelEffects.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

// ---- a tiny PNG writer: stored deflate blocks, so any colour type can be made exactly ----------

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0xFFFFFFFFu) {
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc;
}

void PutBig(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBig(png, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBig(png, ~Crc32(body.data(), body.size()));
}

// `rows`: each row's bytes without the filter byte.
std::vector<uint8_t> MakePng(int width, int height, uint8_t colorType,
                             const std::vector<std::vector<uint8_t>>& rows,
                             const std::vector<uint8_t>& palette = {}) {
    std::vector<uint8_t> raw;
    for (const auto& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> z = {0x78,
                              0x01,
                              0x01,
                              uint8_t(raw.size()),
                              uint8_t(raw.size() >> 8),
                              uint8_t(~raw.size()),
                              uint8_t(~raw.size() >> 8)};
    z.insert(z.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(z, b << 16 | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig(header, uint32_t(width));
    PutBig(header, uint32_t(height));
    header.insert(header.end(), {8, colorType, 0, 0, 0});
    Chunk(png, "IHDR", header);
    if (!palette.empty()) Chunk(png, "PLTE", palette);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

// ---- the decoder as the library binds it ------------------------------------------------------

class Decoder {
  public:
    Decoder() : m_module(::LoadLibraryW((BinaryDirectory() + veko::kDecoderFileName).c_str())) {}
    ~Decoder() { Free(); }
    void Free() {
        if (m_module) ::FreeLibrary(m_module);
        m_module = nullptr;
    }
    HBITMAP operator()(const void* data, int size) const {
        auto decode = reinterpret_cast<DecodePngFn>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DecodePNG")));
        return decode ? decode(data, size) : nullptr;
    }

  private:
    HMODULE m_module;
};

struct Decoded {
    DIBSECTION dib = {};
    std::vector<uint8_t> bytes;  // in memory order
};

Decoded Inspect(HBITMAP bitmap) {
    Decoded out;
    if (!bitmap || !::GetObjectW(bitmap, sizeof(out.dib), &out.dib) || !out.dib.dsBm.bmBits)
        return out;
    const auto* bits = static_cast<const uint8_t*>(out.dib.dsBm.bmBits);
    out.bytes.assign(bits, bits + out.dib.dsBm.bmWidthBytes * out.dib.dsBm.bmHeight);
    return out;
}

TEST(Decoder, GivesTopRowFirstStraightBgraDibSections) {
    Decoder decode;
    const std::vector<uint8_t> rgba =
        MakePng(2, 2, 6, {{255, 0, 0, 255, 0, 255, 0, 128}, {0, 0, 255, 0, 10, 20, 30, 40}});
    const std::vector<uint8_t> rgb = MakePng(2, 1, 2, {{1, 2, 3, 200, 100, 50}});
    const std::vector<uint8_t> grey = MakePng(1, 2, 0, {{7}, {250}});
    const std::vector<uint8_t> indexed = MakePng(2, 1, 3, {{1, 0}}, {9, 8, 7, 60, 50, 40});
    const struct {
        const char* what;
        const std::vector<uint8_t>& png;
        std::vector<uint8_t> expected;  // blue, green, red, alpha; top row first
    } cases[] = {
        {"rgba", rgba, {0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0, 30, 20, 10, 40}},
        {"rgb", rgb, {3, 2, 1, 255, 50, 100, 200, 255}},
        {"grey", grey, {7, 7, 7, 255, 250, 250, 250, 255}},
        {"indexed", indexed, {40, 50, 60, 255, 7, 8, 9, 255}},
    };
    for (const auto& c : cases) {
        HBITMAP bitmap = decode(c.png.data(), int(c.png.size()));
        const Decoded d = Inspect(bitmap);
        ASSERT_TRUE(bitmap) << c.what;
        EXPECT_EQ(d.dib.dsBmih.biBitCount, 32) << c.what;
        EXPECT_EQ(d.dib.dsBmih.biCompression, DWORD(BI_RGB)) << c.what;
        EXPECT_EQ(d.bytes, c.expected) << c.what;
        ::DeleteObject(bitmap);
    }
}

TEST(Decoder, RefusesWhatItCannotDecode) {
    Decoder decode;
    std::vector<uint8_t> png = MakePng(2, 1, 2, {{1, 2, 3, 4, 5, 6}});
    std::vector<uint8_t> badCrcFree = png;
    badCrcFree[16] = 0xFF;  // width of 4 thousand million pixels
    const std::vector<uint8_t> truncated(png.begin(), png.begin() + 40);
    const std::string text = "not a picture at all";
    EXPECT_FALSE(decode(nullptr, 100));
    EXPECT_FALSE(decode(png.data(), 0));
    EXPECT_FALSE(decode(png.data(), -5));
    EXPECT_FALSE(decode(truncated.data(), int(truncated.size())));
    EXPECT_FALSE(decode(badCrcFree.data(), int(badCrcFree.size())));
    EXPECT_FALSE(decode(text.data(), int(text.size())));
}

// The input is only read (a read-only page would fault on a write), and the bitmap outlives the
// decoder.
TEST(Decoder, ReadsOnlyAndItsBitmapOutlivesIt) {
    const std::vector<uint8_t> png = MakePng(1, 1, 6, {{10, 20, 30, 40}});
    void* page = ::VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(page);
    std::memcpy(page, png.data(), png.size());
    DWORD old = 0;
    ::VirtualProtect(page, 4096, PAGE_READONLY, &old);
    Decoder decode;
    HBITMAP bitmap = decode(page, int(png.size()));
    decode.Free();
    ::VirtualFree(page, 0, MEM_RELEASE);
    EXPECT_EQ(Inspect(bitmap).bytes, std::vector<uint8_t>({30, 20, 10, 40}));
    EXPECT_TRUE(::DeleteObject(bitmap));
}

// ---- the loaders, on the pictures of this configuration -----------------------------------------

struct Picture {
    unsigned id;
    int width, height;
};

#ifdef VEKO_COMPACT
const Picture kPictures[] = {{350, 102, 14}, {351, 102, 14}, {352, 102, 14}, {353, 90, 14},
                             {355, 90, 14},  {356, 90, 14},  {357, 90, 14}};
const unsigned kAbsent[] = {300, 310, 320, 330, 340, 354, 370, 380, 999};
#else
const Picture kPictures[] = {{300, 216, 14},  {301, 180, 14},  {302, 144, 14},  {303, 144, 14},
                             {310, 340, 216}, {311, 340, 216}, {312, 340, 216}, {320, 207, 13},
                             {321, 207, 13},  {322, 245, 13},  {323, 200, 13},  {324, 200, 13},
                             {325, 156, 13},  {326, 230, 13},  {327, 245, 13},  {328, 255, 13},
                             {330, 57, 20},   {340, 90, 90},   {350, 90, 14},   {351, 90, 14},
                             {352, 90, 14},   {353, 90, 14},   {355, 90, 14},   {356, 90, 14},
                             {357, 90, 14},   {370, 144, 13},  {371, 468, 13},  {380, 6, 6}};
const unsigned kAbsent[] = {299, 304, 354, 381, 999};
#endif

TEST(PngResource, EveryPictureOfTheConfigurationLoads) {
    for (const Picture& p : kPictures) {
        HBITMAP bitmap = LoadPngResource(p.id);
        const Decoded d = Inspect(bitmap);
        ASSERT_TRUE(bitmap) << p.id;
        EXPECT_EQ(d.dib.dsBm.bmWidth, p.width) << p.id;
        EXPECT_EQ(d.dib.dsBm.bmHeight, p.height) << p.id;
        EXPECT_EQ(d.dib.dsBmih.biBitCount, 32) << p.id;
        ::DeleteObject(bitmap);
        HBITMAP high = LoadPngResource(p.id + 0x10000);  // only the low 16 bits count
        EXPECT_EQ(Inspect(high).bytes, d.bytes) << p.id;
        ::DeleteObject(high);
    }
    for (unsigned id : kAbsent) EXPECT_FALSE(LoadPngResource(id)) << id;
}

TEST(PngResource, LoadPngImageIsUprightAndStraight) {
    const Picture& p = kPictures[0];
    HBITMAP bitmap = LoadPngResource(p.id);
    const Decoded d = Inspect(bitmap);
    ::DeleteObject(bitmap);
    FCObjImage image;
    LoadPngImage(image, p.id);
    ASSERT_TRUE(image.HasPixels());
    EXPECT_EQ(image.GetBitsPerPixel(), 32);
    for (int y : {0, p.height / 2, p.height - 1}) {
        EXPECT_EQ(std::memcmp(image.GetRow(y), d.bytes.data() + y * d.dib.dsBm.bmWidthBytes,
                              size_t(p.width) * 4),
                  0)
            << "row " << y << " is the picture's row " << y;
    }

    FCObjImage missing;
    missing.userX = 5;
    LoadPngImage(missing, 999);
    EXPECT_FALSE(missing.HasPixels());
}

TEST(PngResource, PrepareResourceImageIsUprightAndPremultiplied) {
    for (const Picture& p : kPictures) {
        FCObjImage straight;
        LoadPngImage(straight, p.id);
        FCObjImage prepared;
        PrepareResourceImage(prepared, p.id);
        ASSERT_TRUE(prepared.HasPixels()) << p.id;
        ASSERT_EQ(prepared.GetBitsPerPixel(), 32);
        FCPixelPremultipleAlpha premultiply;
        straight.RunEffect(premultiply, nullptr);
        for (int y = 0; y < p.height; ++y) {
            ASSERT_EQ(std::memcmp(prepared.GetRow(y), straight.GetRow(y), size_t(p.width) * 4), 0)
                << p.id << " row " << y;
        }
    }
}

// Loading, using and freeing the decoder again and again, as every badge start and pop-up does,
// leaves the process as it was: no thread-local slot, handle or memory per load. (A slot lost per
// load ends the process after about a thousand loads, when the slots run out.)
TEST(Decoder, ThousandsOfLoadsLeaveNothingBehind) {
    const std::vector<uint8_t> png = MakePng(2, 1, 6, {{1, 2, 3, 4, 5, 6, 7, 8}});
    const auto cycle = [&] {
        Decoder decode;
        HBITMAP bitmap = decode(png.data(), int(png.size()));
        if (bitmap) ::DeleteObject(bitmap);
        return bitmap != nullptr;
    };
    const auto freeSlot = [] {
        const DWORD slot = ::TlsAlloc();
        if (slot != TLS_OUT_OF_INDEXES) ::TlsFree(slot);
        return slot;
    };
    const auto handles = [] {
        DWORD count = 0;
        ::GetProcessHandleCount(::GetCurrentProcess(), &count);
        return count;
    };
    const auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof(counters);
        ::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof(counters));
        return counters.PrivateUsage;
    };
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(cycle());  // whatever the first loads set up once
    const DWORD slotBefore = freeSlot();
    const DWORD handlesBefore = handles();
    const SIZE_T memoryBefore = privateBytes();
    constexpr int kCycles = 3000;
    int decoded = 0;
    for (int i = 0; i < kCycles; ++i) decoded += cycle();
    EXPECT_EQ(decoded, kCycles);
    EXPECT_NE(freeSlot(), TLS_OUT_OF_INDEXES);
    EXPECT_EQ(freeSlot(), slotBefore) << "thread-local slots were left taken";
    EXPECT_LE(handles(), handlesBefore + 8) << "handles were left open";
    EXPECT_LE(privateBytes(), memoryBefore + (4u << 20)) << "memory grew per load";
}

// Without qorpng.dll beside the module, nothing loads and nothing breaks. The check runs in a
// copy of this program in a directory of its own.
TEST(PngResource, NothingLoadsWithoutTheDecoderBesideTheModule) {
    if (::GetEnvironmentVariableW(L"VEKO_NO_DECODER_PROBE", nullptr, 0)) {
        EXPECT_FALSE(LoadPngResource(kPictures[0].id));
        FCObjImage image;
        LoadPngImage(image, kPictures[0].id);
        EXPECT_FALSE(image.HasPixels());
        PrepareResourceImage(image, kPictures[0].id);
        EXPECT_FALSE(image.HasPixels());
        return;
    }
    ScopedTempDir temp;
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = temp.File(L"alone.exe");
    ASSERT_TRUE(::CopyFileW(self, copy.c_str(), FALSE));
    ::SetEnvironmentVariableW(L"VEKO_NO_DECODER_PROBE", L"1");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring commandLine =
        L"\"" + copy +
        L"\" --gtest_filter=PngResource.NothingLoadsWithoutTheDecoderBesideTheModule";
    const BOOL started = ::CreateProcessW(copy.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                          nullptr, nullptr, &startup, &info);
    ::SetEnvironmentVariableW(L"VEKO_NO_DECODER_PROBE", nullptr);
    ASSERT_TRUE(started);
    ::WaitForSingleObject(info.hProcess, 60000);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(info.hProcess, &exitCode);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
