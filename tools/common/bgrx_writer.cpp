#include "bgrx_writer.h"

std::vector<std::uint8_t> encodeBgrx(BgrxImageView image) {
    return {image.pixels, image.pixels + image.sizeBytes()};
}
