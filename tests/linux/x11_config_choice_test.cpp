#include "x11_config_choice.h"

#include <gtest/gtest.h>

namespace {

EglConfigTraits config(unsigned long visual, int visualDepth, int depthBits = 24) {
    EglConfigTraits c;
    c.visualId = visual;
    c.visualDepth = visualDepth;
    c.depthBits = depthBits;
    return c;
}

constexpr auto Foreign = VisualMatch::ExactOrSameDepth;

}  // namespace

TEST(ChooseEglConfig, TheWindowsOwnVisualWinsOverABetterOneOfTheSameDepth) {
    // EGL lists the configuration with the window's visual last and with a
    // mere 16-bit depth buffer: it is still the one that can draw there.
    const std::vector<EglConfigTraits> configs = {config(0x21, 24), config(0x22, 24), config(0x389, 24, 16)};
    EXPECT_EQ(chooseEglConfig(configs, 0x389, 24, Foreign), 2);
    EXPECT_EQ(chooseEglConfig(configs, 0x21, 24, Foreign), 0);
}

TEST(ChooseEglConfig, FallsBackToTheWindowsDepthOnlyForeignWindows) {
    const std::vector<EglConfigTraits> configs = {config(0x21, 24), config(0x40, 32)};
    // No configuration for visual 0x77: one of its depth will do.
    EXPECT_EQ(chooseEglConfig(configs, 0x77, 32, Foreign), 1);
    EXPECT_EQ(chooseEglConfig(configs, 0x77, 24, Foreign), 0);
    // Neither visual nor depth: someone else's window cannot take any of them,
    // a window of our own can be made with any.
    EXPECT_EQ(chooseEglConfig(configs, 0x77, 16, Foreign), -1);
    EXPECT_EQ(chooseEglConfig(configs, 0x77, 16, VisualMatch::Any), 0);
    // A visual of unknown depth never counts as the window's depth.
    EXPECT_EQ(chooseEglConfig({config(0x50, 0)}, 0x77, 0, Foreign), -1);
}

TEST(ChooseEglConfig, NeedsAnXVisualAndADepthBuffer) {
    const std::vector<EglConfigTraits> configs = {config(0, 24), config(0x21, 24, 0), config(0x21, 24, 15)};
    EXPECT_EQ(chooseEglConfig(configs, 0x21, 24, VisualMatch::Any), -1);
    EXPECT_EQ(chooseEglConfig({}, 0x21, 24, VisualMatch::Any), -1);
    EXPECT_EQ(chooseEglConfig({config(0x21, 24, 15), config(0x21, 24, 16)}, 0x21, 24, Foreign), 1);
}

TEST(ChooseEglConfig, PrefersNoCaveatThenDeepDepthThenNoMultisamplingThenLeastStencil) {
    EglConfigTraits slow = config(0x21, 24, 32);
    slow.slow = true;
    EglConfigTraits shallow = config(0x21, 24, 16);
    EglConfigTraits multisampled = config(0x21, 24, 24);
    multisampled.samples = 4;
    EglConfigTraits stencil = config(0x21, 24, 24);
    stencil.stencilBits = 8;
    const EglConfigTraits plain = config(0x21, 24, 24);

    EXPECT_EQ(chooseEglConfig({slow, shallow}, 0x21, 24, Foreign), 1);
    EXPECT_EQ(chooseEglConfig({shallow, multisampled}, 0x21, 24, Foreign), 1);
    EXPECT_EQ(chooseEglConfig({multisampled, stencil}, 0x21, 24, Foreign), 1);
    EXPECT_EQ(chooseEglConfig({stencil, plain}, 0x21, 24, Foreign), 1);
    // Equal ones: EGL's own order decides.
    EXPECT_EQ(chooseEglConfig({plain, plain, stencil}, 0x21, 24, Foreign), 0);
    // The visual outranks everything else.
    EglConfigTraits sameDepth = config(0x22, 24, 24);
    EXPECT_EQ(chooseEglConfig({sameDepth, slow}, 0x21, 24, Foreign), 1);
}
