#include "png_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

namespace {
// A file in the temporary folder, which other runs of the suite on this
// machine share: the process id keeps this run's files apart.
std::string tempPath(const char* name) { return ::testing::TempDir() + std::to_string(::getpid()) + "_" + name; }
}  // namespace

TEST(Png, WriteThenReadGivesTheSamePixels) {
    // An odd width, so rows are not a multiple of four bytes.
    RgbImage image(37, 23);
    std::mt19937 random(7);
    for (auto& byte : image.pixels) byte = static_cast<std::uint8_t>(random());
    const std::string path = tempPath("halvorn_png_round_trip.png");
    std::string error;
    ASSERT_TRUE(writePng(path, image, &error)) << error;
    RgbImage back;
    ASSERT_TRUE(readPng(path, &back, &error)) << error;
    EXPECT_EQ(back.width, 37);
    EXPECT_EQ(back.height, 23);
    EXPECT_EQ(back.pixels, image.pixels);
    std::remove(path.c_str());
}

TEST(Png, FailuresAreReportedNotCrashed) {
    std::string error;
    EXPECT_FALSE(writePng("/nonexistent-dir/x.png", RgbImage(4, 4), &error));
    EXPECT_EQ(error.rfind("png: ", 0), 0u) << error;
    error.clear();
    EXPECT_FALSE(writePng(tempPath("halvorn_empty.png"), RgbImage(), &error));
    EXPECT_EQ(error.rfind("png: ", 0), 0u) << error;
    RgbImage inconsistent(4, 4);
    inconsistent.pixels.resize(5);
    EXPECT_FALSE(writePng(tempPath("halvorn_bad.png"), inconsistent, &error));

    const std::string notPng = tempPath("halvorn_not_a.png");
    std::FILE* f = std::fopen(notPng.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("not a picture", f);
    std::fclose(f);
    RgbImage image(2, 2, 9, 9, 9);
    EXPECT_FALSE(readPng(notPng, &image, &error));
    EXPECT_EQ(image.width, 2) << "the target is left alone on failure";
    std::remove(notPng.c_str());
}

TEST(Png, FrameFileNames) {
    EXPECT_EQ(framePngPath("out", 0), "out/frame-00000.png");
    EXPECT_EQ(framePngPath("out/", 42), "out/frame-00042.png");
    EXPECT_EQ(framePngPath("a/b", 99999), "a/b/frame-99999.png");
    EXPECT_EQ(framePngPath("a", 123456), "a/frame-123456.png");
}

TEST(ContactSheet, FramesAreSpreadEvenlyOverTheRun) {
    std::vector<std::int64_t> frames = contactSheetFrames(7200, 12);
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_EQ(frames.front(), 1);
    EXPECT_EQ(frames.back(), 7200);
    EXPECT_EQ(frames[1], 1 + 7199 / 11);
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LT(frames[i - 1], frames[i]);

    EXPECT_EQ(contactSheetFrames(13, 12), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}));
    EXPECT_EQ(contactSheetFrames(12, 12).size(), 12u);
    EXPECT_EQ(contactSheetFrames(5, 12), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(contactSheetFrames(0, 12).empty());
    EXPECT_TRUE(contactSheetFrames(10, 0).empty());
    EXPECT_EQ(contactSheetFrames(10, 1), (std::vector<std::int64_t>{1}));

    // No overflow on the longest runs.
    const std::int64_t huge = 9000000000000000000LL;
    frames = contactSheetFrames(huge, 12);
    EXPECT_EQ(frames.back(), huge);
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LT(frames[i - 1], frames[i]);
}

TEST(ContactSheet, BoxFilterAveragesCoveredPixels) {
    RgbImage src(4, 2);
    // Left 2x2 block: 0, 10, 20, 30 in red; right block all 200 in blue.
    src.at(0, 0)[0] = 0;
    src.at(1, 0)[0] = 10;
    src.at(0, 1)[0] = 20;
    src.at(1, 1)[0] = 30;
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x) src.at(x, y)[2] = 200;
    RgbImage half = scaleBox(src, 2, 1);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(half.at(0, 0)[0], 15);
    EXPECT_EQ(half.at(0, 0)[2], 0);
    EXPECT_EQ(half.at(1, 0)[2], 200);

    // Enlarging repeats pixels; degenerate sizes give an empty picture.
    RgbImage big = scaleBox(src, 8, 4);
    EXPECT_EQ(big.at(7, 3)[2], 200);
    EXPECT_EQ(big.at(1, 1)[0], 0);
    EXPECT_EQ(scaleBox(src, 0, 5).width, 0);
    EXPECT_EQ(scaleBox(RgbImage(), 5, 5).width, 0);
}

TEST(ContactSheet, TwelveTilesInAFourByThreeGrid) {
    ContactSheet sheet(7200, 1280, 720);
    EXPECT_EQ(sheet.tileWidth(), 320);
    EXPECT_EQ(sheet.tileHeight(), 180);
    const int gap = ContactSheet::Gap;
    EXPECT_EQ(sheet.image().width, 4 * 320 + 5 * gap);
    EXPECT_EQ(sheet.image().height, 3 * 180 + 4 * gap);
    EXPECT_EQ(sheet.tileX(0), gap);
    EXPECT_EQ(sheet.tileY(0), gap);
    EXPECT_EQ(sheet.tileX(5), gap + 320 + gap);
    EXPECT_EQ(sheet.tileY(5), gap + 180 + gap);
    EXPECT_EQ(sheet.tileX(11), gap + 3 * (320 + gap));
    EXPECT_EQ(sheet.tileY(11), gap + 2 * (180 + gap));

    // Frame 7200 (the last) lands in the bottom-right tile, frame 2 nowhere.
    EXPECT_TRUE(sheet.wants(7200));
    EXPECT_FALSE(sheet.wants(2));
    sheet.add(7200, RgbImage(1280, 720, 10, 200, 30));
    sheet.add(2, RgbImage(1280, 720, 255, 255, 255));
    const RgbImage& img = sheet.image();
    const std::uint8_t* inside = img.at(sheet.tileX(11) + 319, sheet.tileY(11) + 179);
    EXPECT_EQ(inside[0], 10);
    EXPECT_EQ(inside[1], 200);
    EXPECT_EQ(inside[2], 30);
    const std::uint8_t* border = img.at(sheet.tileX(11) - 1, sheet.tileY(11));
    EXPECT_EQ(border[0], 64);
    const std::uint8_t* empty = img.at(sheet.tileX(0), sheet.tileY(0));
    EXPECT_EQ(empty[0] + empty[1] + empty[2], 0) << "tiles not yet filled are black";
}

TEST(ContactSheet, SmallFramesAreNotEnlarged) {
    ContactSheet sheet(3, 100, 37);
    EXPECT_EQ(sheet.tileWidth(), 100);
    EXPECT_EQ(sheet.tileHeight(), 37);
    EXPECT_EQ(sheet.frames().size(), 3u);
    ContactSheet flat(12, 16384, 16);
    EXPECT_EQ(flat.tileWidth(), 320);
    EXPECT_EQ(flat.tileHeight(), 1) << "at least one row";
}
