// The drawers through gdi32 against the same scenes over the QPainter stand-in (written by the
// Linux side), pixel for pixel.
#include "scenes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// A frame of the video's colour in a memory device context, the drawer's painting on it.
std::vector<std::uint32_t> drawnByGdi(const scenes::Scene &scene)
{
    auto record = std::make_unique<ChannelPictureRecord>();
    area::Drawing drawing;
    drawing.record = record.get();
    scene.setUp(*record, drawing);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = scenes::Width;
    info.bmiHeader.biHeight = -scenes::Height; // top-down, as the stand-in's image
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP frame = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, frame);
    RECT all{0, 0, scenes::Width, scenes::Height};
    HBRUSH video = CreateSolidBrush(scenes::Video);
    FillRect(dc, &all, video);
    DeleteObject(video);
    scene.drawer(0, reinterpret_cast<intptr_t>(dc), &drawing);
    GdiFlush();
    std::vector<std::uint32_t> pixels(std::size_t(scenes::Width * scenes::Height));
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(dc, old);
    DeleteObject(frame);
    DeleteDC(dc);
    return pixels;
}

// The video's colour as a pixel of the frame (0xRRGGBB), where a COLORREF is 0xBBGGRR.
constexpr std::uint32_t VideoPixel =
    std::uint32_t(GetRValue(scenes::Video)) << 16 | GetGValue(scenes::Video) << 8 | GetBValue(scenes::Video);

TEST(GdiDrawers, EverySceneAsTheStandInPaintsIt)
{
    for (const scenes::Scene &scene : scenes::All) {
        std::ifstream in(std::string(DVR_LINUX_SIDE "/scene-") + scene.name + ".bgra", std::ios::binary);
        ASSERT_TRUE(in) << scene.name;
        const std::vector<char> raw{std::istreambuf_iterator<char>(in), {}};
        const std::vector<std::uint32_t> gdi = drawnByGdi(scene);
        ASSERT_EQ(raw.size(), gdi.size() * 4) << scene.name;
        int differ = 0, painted = 0;
        std::ostringstream first;
        for (std::size_t i = 0; i < gdi.size(); ++i) {
            std::uint32_t linux;
            std::memcpy(&linux, raw.data() + 4 * i, 4);
            // Blue, green, red; the fourth byte is unused on both sides.
            painted += (gdi[i] & 0xFFFFFF) != VideoPixel;
            if ((linux & 0xFFFFFF) != (gdi[i] & 0xFFFFFF) && ++differ <= 8)
                first << " (" << i % scenes::Width << "," << i / scenes::Width << ") gdi " << std::hex
                      << (gdi[i] & 0xFFFFFF) << " stand-in " << (linux & 0xFFFFFF) << std::dec;
        }
        EXPECT_EQ(differ, 0) << scene.name << ":" << first.str();
        EXPECT_EQ(painted == 0, scene.blank) << scene.name << ": " << painted << " pixels painted";
    }
}

} // namespace
