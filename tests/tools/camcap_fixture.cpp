#include "camcap_fixture.h"

#include "atomic_file.h"
#include "png_writer.h"

std::string CamcapTest::writeScene(const std::string& name, std::vector<std::uint8_t> top,
                                   std::vector<std::uint8_t> bottom, std::uint32_t split) {
    constexpr std::uint32_t kWidth = 1280, kHeight = 960;
    std::vector<std::uint8_t> bgrx;
    bgrx.reserve(std::size_t{kWidth} * kHeight * 4);
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        const std::vector<std::uint8_t>& rgb = y < split ? top : bottom;
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            bgrx.insert(bgrx.end(), {rgb[2], rgb[1], rgb[0], 0});
        }
    }
    const std::string file = path(name);
    writeFileAtomically(file, encodePng({bgrx.data(), kWidth, kHeight}));
    return file;
}
