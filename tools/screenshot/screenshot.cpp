#include "tools/screenshot/screenshot.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace tavo::screenshot {
namespace {

uint32_t Crc32(const std::string& bytes, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (unsigned char b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    PutBigEndian(png, static_cast<uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;
    png += typed;
    PutBigEndian(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(raw.size() - at, 65535);
        bool last = at + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(n & 0xFF));
        out.push_back(static_cast<char>(n >> 8));
        out.push_back(static_cast<char>(~n & 0xFF));
        out.push_back(static_cast<char>((~n >> 8) & 0xFF));
        out.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

void PumpFor(int milliseconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<LONG>(left, 20)),
                                  QS_ALLINPUT);
    }
}

TScreenshot CaptureClient(HWND window, int settleMs) {
    UpdateWindow(window);
    PumpFor(settleMs);
    RECT client{};
    GetClientRect(window, &client);
    TScreenshot picture;
    picture.Width = client.right;
    picture.Height = client.bottom;
    if (picture.Width <= 0 || picture.Height <= 0)
        return picture;
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof info.bmiHeader, picture.Width, -picture.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDc, dib);
    BitBlt(memoryDc, 0, 0, picture.Width, picture.Height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    picture.Pixels.assign(pixels, pixels + picture.Width * picture.Height);
    for (uint32_t& p : picture.Pixels)
        p &= 0xFFFFFF;
    SelectObject(memoryDc, old);
    DeleteObject(dib);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return picture;
}

bool WritePng(const TScreenshot& picture, const std::string& path) {
    std::string raw;
    raw.reserve(static_cast<size_t>(picture.Height * (picture.Width * 3 + 1)));
    for (int y = 0; y < picture.Height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < picture.Width; ++x) {
            uint32_t p = picture.At(x, y);
            raw.push_back(static_cast<char>(p >> 16));
            raw.push_back(static_cast<char>(p >> 8));
            raw.push_back(static_cast<char>(p));
        }
    }
    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(picture.Width));
    PutBigEndian(header, static_cast<uint32_t>(picture.Height));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", "");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

std::string ScreenshotFolder() {
    const char* folder = std::getenv("TAVO_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0')
        return {};
    // Make every level: the results folder may not exist yet.
    std::string path = folder;
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/' || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    return path;
}

std::string SaveScreenshot(const TScreenshot& picture, const std::string& name) {
    std::string folder = ScreenshotFolder();
    if (folder.empty())
        return {};
    std::string path = folder + "/" + name + ".png";
    return WritePng(picture, path) ? path : std::string();
}

int DistinctColours(const TScreenshot& picture, RECT region) {
    std::set<uint32_t> colours;
    for (int y = std::max<LONG>(0, region.top); y < std::min<LONG>(picture.Height, region.bottom);
         ++y)
        for (int x = std::max<LONG>(0, region.left);
             x < std::min<LONG>(picture.Width, region.right); ++x)
            colours.insert(picture.At(x, y));
    return static_cast<int>(colours.size());
}

double ShareOfColour(const TScreenshot& picture, RECT region, uint32_t colour, int tolerance) {
    int matching = 0, all = 0;
    for (int y = std::max<LONG>(0, region.top); y < std::min<LONG>(picture.Height, region.bottom);
         ++y)
        for (int x = std::max<LONG>(0, region.left);
             x < std::min<LONG>(picture.Width, region.right); ++x) {
            uint32_t p = picture.At(x, y);
            bool within = true;
            for (int shift : {0, 8, 16})
                within =
                    within && std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                       static_cast<int>((colour >> shift) & 0xFF)) <= tolerance;
            matching += within ? 1 : 0;
            ++all;
        }
    return all == 0 ? 0.0 : static_cast<double>(matching) / all;
}

RECT RectIn(HWND ancestor, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, ancestor, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace tavo::screenshot
