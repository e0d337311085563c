// testframe: writes the built-in synthetic test scene as a raw Bayer frame.
// See `testframe --help`.
#include <cstdint>
#include <vector>

#include "atomic_file.h"
#include "test_scene.h"
#include "testframe_options.h"
#include "tool_main.h"

namespace {

int run(int argc, const char* const* argv) {
    const std::optional<TestframeOptions> options = parseTestframeOptions(argc, argv);
    if (!options) {
        return 0;  // help printed
    }
    const int width = static_cast<int>(options->width);
    const int height = static_cast<int>(options->height);
    std::vector<std::uint8_t> frame(std::size_t{options->width} * options->height);
    fillBayerFrame(frame.data(), width, height, width, options->phase);
    writeFileAtomically(options->output, frame);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("testframe", [&] { return run(argc, argv); });
}
