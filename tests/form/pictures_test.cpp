// The drawn pictures are in the program's resources at the sizes and colour depths the form's
// buttons and lists expect, and each shows something on its white ground.

#include "form/pictures.h"

#include <gtest/gtest.h>

#include <string>

namespace tavo::form {
namespace {

struct Named {
    const char* name;
    int width, height, bits;
};

// Counts the pixels that are not white in a bitmap, read back as 32-bit pixels.
int DrawnPixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::string pixels(static_cast<size_t>(width * height * 4), '\0');
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(rows, height);
    int drawn = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        drawn += (pixels.compare(i, 3, "\xff\xff\xff") != 0) ? 1 : 0;
    return drawn;
}

TEST(Pictures, NamedBitmapsHaveTheirSizesAndDepthsAndShowSomething) {
    // By name, and two by number: the toolbox picture and the delete buttons' own cross.
    const char* const toolbox = MAKEINTRESOURCEA(1);
    const char* const cross = MAKEINTRESOURCEA(DeletePictureId);
    const Named named[] = {
        {"CONNECT", 16, 16, 8},    {"RECONNECT", 17, 18, 24}, {"UPLOAD", 16, 17, 24},
        {"SAVE", 16, 16, 8},       {"SHARE", 16, 17, 24},     {"CUT", 16, 18, 24},
        {"SENDSHARE", 16, 18, 24}, {"FOLDER", 20, 16, 24},    {"UP", 17, 19, 24},
        {"NEWDIR", 17, 18, 24},    {"DOWNLOAD", 17, 17, 24},  {"DISCON", 16, 16, 24},
        {"DEL", 16, 18, 24},       {"DIR", 16, 16, 24},       {toolbox, 16, 15, 4},
        {cross, 16, 16, 24},
    };
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const Named& picture : named) {
        std::string name = IS_INTRESOURCE(picture.name)
                               ? "#" + std::to_string(reinterpret_cast<uintptr_t>(picture.name))
                               : picture.name;
        SCOPED_TRACE(name);
        // The resource's own header says what was drawn, before any conversion to the screen.
        HRSRC found = FindResourceA(instance, picture.name, MAKEINTRESOURCEA(2));
        ASSERT_NE(found, nullptr);
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(instance, found)));
        EXPECT_EQ(header->biWidth, picture.width);
        EXPECT_EQ(header->biHeight, picture.height);
        EXPECT_EQ(header->biBitCount, picture.bits);
        HBITMAP bitmap = LoadNamedBitmap(instance, picture.name);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_GT(DrawnPixels(bitmap, picture.width, picture.height), 20);
        DeleteObject(bitmap);
    }
    // The connect button asks in lower case.
    HBITMAP reconnect = LoadNamedBitmap(instance, "reconnect");
    EXPECT_NE(reconnect, nullptr);
    DeleteObject(reconnect);
    EXPECT_EQ(LoadNamedBitmap(instance, "NOSUCHPICTURE"), nullptr);
}

TEST(Pictures, ListsHoldEighteenIconsAndOneSharePicture) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HIMAGELIST remote = RemoteListIcons(instance);
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(remote), 18);
    // Each icon differs from the one before it: the strip was cut at the right places.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
    std::string previous;
    for (int i = 0; i < 18; ++i) {
        HGDIOBJ old = SelectObject(dc, canvas);
        ImageList_Draw(remote, i, dc, 0, 0, ILD_NORMAL);
        SelectObject(dc, old);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::string pixels(16 * 16 * 4, '\0');
        GetDIBits(dc, canvas, 0, 16, pixels.data(), &info, DIB_RGB_COLORS);
        EXPECT_NE(pixels, previous) << "icon " << i;
        previous = pixels;
    }
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ImageList_Destroy(remote);
    HIMAGELIST share = ShareListPictures(instance);
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(share), 1);
    ImageList_Destroy(share);
}

} // namespace
} // namespace tavo::form
