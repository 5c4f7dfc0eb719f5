// What a painter made in its context is given back when it stops: after a
// busy battle (ship lists, textures, debris masks, streamed vertices, and on
// OpenGL ES the shader programs), the context holds no object of ours. A
// screen saver's web page or a host that starts over keeps its context, so
// anything left behind would pile up. Skipped where no context can be made.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "egl_context.h"
#include "gl_painter.h"
#include "saver.h"

namespace {

using IsFn = unsigned char (*)(unsigned);

// Names among the first `upTo` that `is` (glIsTexture and the like) knows.
int alive(const char* is, unsigned upTo) {
    const IsFn fn = reinterpret_cast<IsFn>(eglProc(is));
    if (fn == nullptr) return 0;
    int n = 0;
    for (unsigned name = 1; name <= upTo; ++name) n += fn(name) ? 1 : 0;
    return n;
}

struct Objects {
    int lists, textures, buffers, programs;
};
Objects count(bool gles2) {
    return {gles2 ? 0 : alive("glIsList", 64), alive("glIsTexture", 512), alive("glIsBuffer", 4096),
            gles2 ? alive("glIsProgram", 256) : 0};
}

class Release : public ::testing::TestWithParam<bool> {};

TEST_P(Release, StopLeavesNoObjectInTheContext) {
    const bool gles2 = GetParam();
    std::string error;
    std::unique_ptr<EglContext> context =
        EglContext::create(320, 240, &error, EglTarget::Any, gles2 ? EglApi::Gles2 : EglApi::DesktopGl);
    if (!context) GTEST_SKIP() << error;
    GlPainter painter(gles2 ? gles2Backend() : gl11Backend());
    painter.procLoader = eglProc;
    SaverConfig config;
    config.settings.HVNumberAdditionalShips = 300;
    config.seed = 7;
    config.width = 320;
    config.height = 240;
    config.fixedFrameMs = 31;
    config.painter = &painter;
    saverInit(config);
    std::uint32_t clock = 0;
    for (int k = 0; k < 240; ++k) saverDraw(clock += 31);  // past the first explosions: their debris makes the masks
    const Objects before = count(gles2);
    EXPECT_GE(before.textures, 8 + 32) << "the pictures and the debris masks";
    EXPECT_GT(gles2 ? before.programs : before.lists, 0);
    saverFree();
    const Objects after = count(gles2);
    EXPECT_EQ(after.lists, 0);
    EXPECT_EQ(after.textures, 0);
    EXPECT_EQ(after.buffers, 0);
    EXPECT_EQ(after.programs, 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, Release, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "gles2" : "gl11"; });

}  // namespace
