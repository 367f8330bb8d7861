// Writes the Linux build's GBK table and the drawers' scenes over the QPainter stand-in into a
// folder, for the Windows tests to compare with code page 936 and gdi32.
#include "command/gbktext.h"
#include "scenes.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

// gbk-linux.bin: the decoded code units (two each, 0 when there is only one) of every byte
// 0x80..0xFF, then of every pair lead 0x81..0xFE, trail 0x40..0xFE.
bool writeTable(const std::filesystem::path &file)
{
    std::ofstream out(file, std::ios::binary);
    auto put = [&](const std::string &bytes) {
        const std::u16string text = gbk::decode(bytes);
        const char16_t units[2] = {text.size() > 0 ? text[0] : u'\0', text.size() > 1 ? text[1] : u'\0'};
        out.write(reinterpret_cast<const char *>(units), sizeof units);
    };
    for (int b = 0x80; b <= 0xFF; ++b)
        put(std::string(1, char(b)));
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            put(std::string{char(lead), char(trail)});
    return bool(out);
}

// scene-NAME.bgra: the frame as 352 x 288 pixels of blue, green, red, unused.
bool writeScene(const scenes::Scene &scene, const std::filesystem::path &file)
{
    auto record = std::make_unique<ChannelPictureRecord>();
    area::Drawing drawing;
    drawing.record = record.get();
    scene.setUp(*record, drawing);
    QImage frame(scenes::Width, scenes::Height, QImage::Format_RGB32);
    frame.fill(QColor(GetRValue(scenes::Video), GetGValue(scenes::Video), GetBValue(scenes::Video)));
    {
        QPainter painter(&frame);
        scene.drawer(0, reinterpret_cast<intptr_t>(&painter), &drawing);
    }
    std::ofstream out(file, std::ios::binary);
    for (int y = 0; y < frame.height(); ++y)
        out.write(reinterpret_cast<const char *>(frame.constScanLine(y)), scenes::Width * 4);
    return bool(out);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: linuxside FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    bool ok = writeTable(folder / "gbk-linux.bin");
    for (const scenes::Scene &scene : scenes::All)
        ok &= writeScene(scene, folder / (std::string("scene-") + scene.name + ".bgra"));
    std::printf("%s: GBK table and %zu scenes\n", ok ? "written" : "failed", std::size(scenes::All));
    return ok ? 0 : 1;
}
