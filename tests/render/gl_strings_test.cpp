// What the renderer reads from an implementation's own strings.
#include <gtest/gtest.h>

#include "render/gl/gl_strings.h"

TEST(GlStrings, VersionAtLeastReadsOpenGlAndOpenGlEsVersions) {
    struct Case {
        const char* version;
        int major, minor;
        bool atLeast;
    } const cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 1, 5, true},
        {"1.4 Mesa", 1, 5, false},
        {"OpenGL ES 3.2 Mesa 22.3.6", 3, 0, true},
        {"OpenGL ES 3.0 (WebGL 2.0)", 3, 0, true},
        {"OpenGL ES 2.0 (WebGL 1.0)", 3, 0, false},
        {"OpenGL ES", 2, 0, false},
        {nullptr, 1, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(versionAtLeast(c.version, c.major, c.minor), c.atLeast) << (c.version ? c.version : "null");
    }
}
