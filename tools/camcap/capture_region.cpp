#include "capture_region.h"

#include <stdexcept>
#include <string>

#include "camera/sensor_geometry.h"
#include "integer_args.h"

namespace {

constexpr long kMinimumSide = 8;  // the driver's output width steps by 8

std::string describe(const CaptureRegion& r) {
    return std::to_string(r.width) + " x " + std::to_string(r.height) + " at (" +
           std::to_string(r.x) + "," + std::to_string(r.y) + ")";
}

}  // namespace

CaptureRegion parseCaptureRegion(std::string_view text) {
    const auto v = parseIntegerList("--roi", text, 4, 0, kSensorWidth);
    const CaptureRegion region{static_cast<long>(v[0]), static_cast<long>(v[1]),
                               static_cast<long>(v[2]), static_cast<long>(v[3])};
    if (region.width < kMinimumSide || region.height < kMinimumSide) {
        throw std::runtime_error("--roi: " + describe(region) + " is smaller than 8 x 8");
    }
    if (region.x + region.width > static_cast<long>(kSensorWidth) ||
        region.y + region.height > static_cast<long>(kSensorHeight)) {
        throw std::runtime_error("--roi: " + describe(region) +
                                 " does not fit the 1280 x 960 sensor");
    }
    return region;
}

PropertyRequest regionRequest(const CaptureRegion& region) {
    return {findCameraProperty("ROI"), true, {region.x, region.y, region.width, region.height}};
}
