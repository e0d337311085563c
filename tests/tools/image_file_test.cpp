#include "image_file.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "atomic_file.h"
#include "scratch_dir.h"
#include "support/ledger_test.h"

namespace {

class ImageFileTest : public LedgerTest {
  protected:
    ScratchDir scratch;
};

TEST_F(ImageFileTest, FormatFollowsTheExtensionInAnyCase) {
    EXPECT_EQ(imageFormatForPath("a/frame.bgrx"), ImageFormat::kBgrx);
    EXPECT_EQ(imageFormatForPath("frame.BMP"), ImageFormat::kBmp);
    EXPECT_EQ(imageFormatForPath("frame.Png"), ImageFormat::kPng);
    EXPECT_EQ(imageFormatForPath("frame.jpg"), std::nullopt);
    EXPECT_EQ(imageFormatForPath("frame"), std::nullopt);
    EXPECT_EQ(imageFormatForPath("png"), std::nullopt);
}

TEST_F(ImageFileTest, BgrxIsTheBufferAsIs) {
    const std::vector<std::uint8_t> pixels{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(encodeImage(ImageFormat::kBgrx, {pixels.data(), 2, 1}), pixels);
    EXPECT_EQ(encodeImage(ImageFormat::kBgrx, {pixels.data(), 1, 2}), pixels);
}

TEST_F(ImageFileTest, AtomicWriteReplacesTheTargetAndLeavesNothingElse) {
    const auto target = scratch / "out.bgrx";
    writeBytes(target, {9, 9, 9});
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4};
    writeFileAtomically(target, bytes);
    EXPECT_EQ(readBytes(target), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"out.bgrx"});
}

TEST_F(ImageFileTest, AtomicWriteIntoAMissingDirectoryFailsNamingThePath) {
    const auto target = scratch / "missing" / "out.png";
    const std::vector<std::uint8_t> bytes{1};
    try {
        writeFileAtomically(target, bytes);
        FAIL() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
    }
    EXPECT_TRUE(scratch.entries().empty());
}

}  // namespace
