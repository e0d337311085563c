// camctl: reads and changes the camera's settings through the driver's
// property set, on the simulated camera. See `camctl --help`.
#include <iostream>

#include "camctl_options.h"
#include "driver_session.h"
#include "tool_main.h"

namespace {

constexpr int kRequestRefused = 1;

// Every plain setting that can be read without a side effect on the camera
// beyond a query.
std::vector<PropertyRequest> readableSettings() {
    std::vector<PropertyRequest> requests;
    for (const CameraPropertyInfo& property : cameraProperties()) {
        if (property.gettable && property.payload == PropertyPayload::kValue &&
            property.id != CAMPROP_REGISTER_WRITE) {
            requests.push_back(getRequest(property));
        }
    }
    return requests;
}

int run(int argc, const char* const* argv) {
    const std::optional<CamctlOptions> options = parseCamctlOptions(argc, argv);
    if (!options) {
        return 0;
    }
    DriverSession session(
        {.registryFile = options->registryFile, .driverImage = options->driverImage});
    bool allAccepted = true;
    for (const PropertyRequest& request : options->requests) {
        allAccepted &= sendPropertyRequest(session.filter(), request, std::cout, std::cerr);
    }
    if (options->list) {
        for (const PropertyRequest& request : readableSettings()) {
            allAccepted &= sendPropertyRequest(session.filter(), request, std::cout, std::cerr);
        }
    }
    session.finish();
    return allAccepted ? 0 : kRequestRefused;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("camctl", [&] { return run(argc, argv); });
}
