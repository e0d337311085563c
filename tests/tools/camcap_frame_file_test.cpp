// camcap's frame files: the delivered bottom-up buffer turned into upright
// images, their names, and the writer thread.
#include "frame_file.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "frame_writer.h"
#include "png_reader.h"
#include "scratch_dir.h"
#include "support/ledger_test.h"

namespace {

// A width x height bottom-up frame whose every byte names its row: row r of
// the buffer (image row height - 1 - r) is all r + 1.
std::vector<std::uint8_t> deliveredFrame(FrameSize size) {
    std::vector<std::uint8_t> frame;
    for (std::uint32_t row = 0; row < size.height; ++row) {
        frame.insert(frame.end(), std::size_t{size.width} * 4, static_cast<std::uint8_t>(row + 1));
    }
    return frame;
}

class FrameFileTest : public LedgerTest {
  protected:
    ScratchDir scratch;
};

TEST_F(FrameFileTest, NamesSortInCaptureOrder) {
    EXPECT_EQ(frameFileName(0, ImageFormat::kPng), "frame_0000.png");
    EXPECT_EQ(frameFileName(42, ImageFormat::kBmp), "frame_0042.bmp");
    EXPECT_EQ(frameFileName(12345, ImageFormat::kBgrx), "frame_12345.bgrx");
}

TEST_F(FrameFileTest, TopRowFirstReversesTheRows) {
    const FrameSize size{2, 3};
    const auto image = topRowFirst(deliveredFrame(size), size);
    ASSERT_EQ(image.size(), size.bytes());
    EXPECT_EQ(image.front(), 3) << "the buffer's last row is the picture's top";
    EXPECT_EQ(image[8], 2);
    EXPECT_EQ(image.back(), 1);
}

TEST_F(FrameFileTest, ABitmapCarriesTheDeliveredRowsAsTheyCame) {
    const FrameSize size{3, 4};
    const auto frame = deliveredFrame(size);
    const auto bmp = encodeFrame(frame, size, ImageFormat::kBmp);
    ASSERT_EQ(bmp.size(), 54 + frame.size());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), bmp.begin() + 54));
}

TEST_F(FrameFileTest, APngShowsThePictureUpright) {
    const FrameSize size{2, 2};
    const RgbImage png =
        decodePng(encodeFrame(deliveredFrame(size), size, ImageFormat::kPng), 2, 2);
    EXPECT_EQ(png.rgb, (std::vector<std::uint8_t>{2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1}));
}

TEST_F(FrameFileTest, TheWriterWritesEveryFrameItIsGiven) {
    const FrameSize size{2, 2};
    FrameWriter writer(scratch.path(), size, ImageFormat::kBgrx);
    for (std::uint32_t i = 0; i < 6; ++i) {
        writer.add(i, deliveredFrame(size));
    }
    writer.finish();
    EXPECT_EQ(writer.written(), 6u);
    EXPECT_EQ(scratch.entries().size(), 6u);
    EXPECT_EQ(readBytes(scratch / "frame_0005.bgrx"), topRowFirst(deliveredFrame(size), size));
}

TEST_F(FrameFileTest, TheWritersFirstFailureEndsTheWriting) {
    const FrameSize size{2, 2};
    FrameWriter writer(scratch / "missing", size, ImageFormat::kBgrx);
    writer.add(0, deliveredFrame(size));
    EXPECT_THROW(
        {
            for (std::uint32_t i = 1; i < 100; ++i) {
                writer.add(i, deliveredFrame(size));
            }
        },
        std::runtime_error);
    EXPECT_THROW(writer.finish(), std::runtime_error);
    EXPECT_EQ(writer.written(), 0u);
}

}  // namespace
