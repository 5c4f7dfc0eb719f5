// Explosion debris painted late and grouped by stipple mask; see debris_batch.h.
#include "render/debris_batch.h"

#include "render/gl/gl_api.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "render/drawing_paths.h"
#include "sim/gfx.h"
#include "view/explosion.h"

namespace {

// Farthest a fragment vertex lies from its fragment's origin: every
// coordinate is within [-8, 8] units, so at most 8 sqrt(3) = 13.86.
constexpr float FragmentReach = 13.8565f;

// Extra room on the cone tests, radians: covers the rasteriser's snapping of
// vertices to its sub-pixel grid and the rounding of the bounds themselves
// (one pixel of a 55-degree view 1080 pixels high is about 0.0009).
constexpr double ConeSlack = 0.01;

// The sight cone, from the eye, of a sphere in eye coordinates.
struct Cone {
    double dir[3];  // unit direction of the centre
    double angle;   // half-angle, radians; >= pi when the eye is inside
};

// Sight cone of a sphere of `radius` units around the origin of model-view
// matrix m (radius scaled by the matrix's largest column length).
Cone coneOf(const float m[16], float radius) {
    double scale = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double x = m[4 * c], y = m[4 * c + 1], z = m[4 * c + 2];
        scale = std::fmax(scale, std::sqrt(x * x + y * y + z * z));
    }
    // 1 % and one unit more than the bound, against rounding in the matrices.
    const double r = (static_cast<double>(radius) * scale) * 1.01 + 1.0;
    const double cx = m[12], cy = m[13], cz = m[14];
    const double d = std::sqrt(cx * cx + cy * cy + cz * cz);
    Cone cone;
    if (!(d > r)) {
        cone.dir[0] = 0.0;
        cone.dir[1] = 0.0;
        cone.dir[2] = -1.0;
        cone.angle = 4.0;  // the eye is inside: everywhere
        return cone;
    }
    cone.dir[0] = cx / d;
    cone.dir[1] = cy / d;
    cone.dir[2] = cz / d;
    cone.angle = std::asin(r / d) + ConeSlack;
    return cone;
}

bool conesMeet(const Cone& a, const Cone& b) {
    const double sum = a.angle + b.angle;
    if (sum >= 3.14159) {
        return true;
    }
    const double dot = a.dir[0] * b.dir[0] + a.dir[1] * b.dir[1] + a.dir[2] * b.dir[2];
    return dot >= std::cos(sum);
}

// One recorded fragment: the model-view matrix it is drawn under, its three
// vertices, its stipple mask, the shell it belongs to and its sight cone.
struct Fragment {
    float matrix[16];
    const float* vertices;  // 9 floats in FragmentTriangles
    int mask;               // 0 to 31
    int shell;              // index into Batch::shells
    bool painted;           // painted early, under blended drawing
    Cone cone;
};

// What a shell's fragments share: the colour and normal current when it was
// drawn (debris gives no normal of its own, so lighting uses whatever normal
// the last drawing left), and the sight cone of the whole shell.
struct Shell {
    float colour[4];
    float normal[3];
    int firstFragment;  // index into Batch::fragments; 15 in a row
    int unpainted;      // fragments not yet painted
    Cone cone;
};

void triangle(const float* v) {
    glBegin(GL_TRIANGLES);
    glVertex3f(v[0], v[1], v[2]);
    glVertex3f(v[3], v[4], v[5]);
    glVertex3f(v[6], v[7], v[8]);
    glEnd();
}

// Both windings, so that the fragment shows from either side under back-face
// culling: exactly one of the two survives the cull.
void bothWindings(const float* v) {
    glFrontFace(GL_CW);
    triangle(v);
    glFrontFace(GL_CCW);
    triangle(v);
}

struct Batch {
    std::vector<Fragment> fragments;
    std::vector<Shell> shells;
    std::vector<int> picks;   // fragments chosen for a paint
    std::vector<int> sorted;  // the picks grouped by mask
    long unpainted = 0;       // recorded fragments not yet painted
    DebrisStats stats;

    Batch() {
        // Room for a busy frame (60 dying ships in view) from the start.
        const int room = 60 * ExplosionShells * ExplosionFragments;
        fragments.reserve(room);
        picks.reserve(room);
        sorted.reserve(room);
        shells.reserve(60 * ExplosionShells);
    }

    // The 32 masks as alpha textures (0 or 1 per pixel of the 32 x 32 mask).
    // Changing the polygon stipple makes llvmpipe finish all queued work (it
    // keeps the mask in a texture of its own and has to rewrite it), binding
    // another texture does not; the same mask looked up at each pixel's
    // window position with the alpha test paints exactly the same pixels.
    GLuint maskTextures[32] = {};
    bool maskTexturesMade = false;  // in the current context
    bool maskTexturesFailed = false;

    bool maskTexturesReady() {
        if (maskTexturesMade || maskTexturesFailed) {
            return maskTexturesMade;
        }
        // Errors left over from earlier calls must not count against the
        // textures (a bounded read: some drivers repeat an error forever).
        for (int k = 0; k < 16 && glGetError() != GL_NO_ERROR; ++k) {
        }
        glPushAttrib(GL_TEXTURE_BIT);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glGenTextures(32, maskTextures);
        unsigned char alpha[32 * 32];
        for (int m = 0; m < 32; ++m) {
            // Row y of a stipple mask is bytes 4y..4y+3, the first pixel in
            // the highest bit; row 0 is the bottom row, as texture row 0 is.
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const bool on = (StipplePatterns[m][4 * y + x / 8] & (0x80 >> (x % 8))) != 0;
                    alpha[32 * y + x] = on ? 255 : 0;
                }
            }
            glBindTexture(GL_TEXTURE_2D, maskTextures[m]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 32, 32, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
        }
        glPopClientAttrib();
        glPopAttrib();
        if (glGetError() != GL_NO_ERROR) {
            glDeleteTextures(32, maskTextures);
            maskTexturesFailed = true;  // the polygon stipple it is
            return false;
        }
        maskTexturesMade = true;
        return true;
    }

    // The context is going away: its textures go with it.
    void forgetMaskTextures() {
        maskTexturesMade = false;
        maskTexturesFailed = false;
    }

    // Texturing that looks the mask up at each pixel's window position:
    // texture coordinates (s, t, q) generated from the eye position so that
    // s/q = x / 32 and t/q = y / 32 (x, y window coordinates, pixel centres
    // land mid-texel), the texture repeating every 32 pixels, the fragment's
    // colour kept (GL_REPLACE takes only the alpha of an alpha texture) and
    // pixels whose mask bit is 0 dropped by the alpha test. Leaves the
    // model-view matrix at identity and the texture matrix pushed.
    void beginTexturedMasks() {
        GLint viewport[4] = {0, 0, 1, 1};
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLfloat p[16];
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        // clip = P eye; window x = vx + (clip.x / clip.w + 1) vw / 2, so
        // x clip.w = (vx + vw / 2) clip.w + (vw / 2) clip.x.
        const double cx = viewport[0] + viewport[2] / 2.0, hx = viewport[2] / 2.0;
        const double cy = viewport[1] + viewport[3] / 2.0, hy = viewport[3] / 2.0;
        GLfloat planeS[4], planeT[4], planeQ[4];
        for (int j = 0; j < 4; ++j) {
            const double row0 = p[4 * j], row1 = p[4 * j + 1], row3 = p[4 * j + 3];
            planeS[j] = static_cast<GLfloat>((cx * row3 + hx * row0) / 32.0);
            planeT[j] = static_cast<GLfloat>((cy * row3 + hy * row1) / 32.0);
            planeQ[j] = static_cast<GLfloat>(row3);
        }
        glLoadIdentity();  // eye planes are taken through the model-view matrix in force
        const GLenum coords[3] = {GL_S, GL_T, GL_Q};
        const GLfloat* planes[3] = {planeS, planeT, planeQ};
        for (int k = 0; k < 3; ++k) {
            glTexGeni(coords[k], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
            glTexGenfv(coords[k], GL_EYE_PLANE, planes[k]);
        }
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_Q);
        glDisable(GL_TEXTURE_GEN_R);
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_POLYGON_STIPPLE);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.5f);
    }

    void paintNow(const Explosion& e, int shell) {
        const float r = e.shellRadius[shell];
        int mask = e.stippleIndex;
        for (int k = 0; k < ExplosionFragments; ++k) {
            mask = nextStippleIndex(mask);
            glPolygonStipple(StipplePatterns[mask]);
            ++stats.stippleCalls;
            glRotatef(24.0f, 0.0f, 1.0f, 0.0f);
            glTranslatef(r, 0.0f, 0.0f);
            bothWindings(FragmentTriangles[shell][k]);
            glTranslatef(-r, 0.0f, 0.0f);
        }
        stats.fragments += ExplosionFragments;
    }

    void record(const Explosion& e, int shell) {
        float base[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, base);
        const float r = e.shellRadius[shell];
        Shell s;
        glGetFloatv(GL_CURRENT_COLOR, s.colour);
        glGetFloatv(GL_CURRENT_NORMAL, s.normal);
        s.firstFragment = static_cast<int>(fragments.size());
        s.unpainted = ExplosionFragments;
        s.cone = coneOf(base, std::fabs(r) + FragmentReach);
        const int shellIndex = static_cast<int>(shells.size());
        shells.push_back(s);

        // The same calls as the immediate painting, so that each matrix read
        // back is bit for bit the one OpenGL would have drawn the fragment with.
        int mask = e.stippleIndex;
        for (int k = 0; k < ExplosionFragments; ++k) {
            mask = nextStippleIndex(mask);
            glRotatef(24.0f, 0.0f, 1.0f, 0.0f);
            glTranslatef(r, 0.0f, 0.0f);
            Fragment f;
            glGetFloatv(GL_MODELVIEW_MATRIX, f.matrix);
            f.vertices = FragmentTriangles[shell][k];
            f.mask = mask;
            f.shell = shellIndex;
            f.painted = false;
            f.cone = coneOf(f.matrix, FragmentReach);
            fragments.push_back(f);
            glTranslatef(-r, 0.0f, 0.0f);
        }
        unpainted += ExplosionFragments;
        // Leave the winding as the painting would (later drawing, the glare
        // among it, may rely on it).
        glFrontFace(GL_CCW);
    }

    void beforeBlended(float radius) {
        if (unpainted == 0) {
            return;
        }
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const Cone blended = coneOf(m, std::fabs(radius));
        picks.clear();
        for (const Shell& s : shells) {
            if (s.unpainted == 0 || !conesMeet(s.cone, blended)) {
                continue;
            }
            for (int i = s.firstFragment; i < s.firstFragment + ExplosionFragments; ++i) {
                const Fragment& f = fragments[i];
                if (!f.painted && conesMeet(f.cone, blended)) {
                    picks.push_back(i);
                }
            }
        }
        if (!picks.empty()) {
            ++stats.earlyPaints;
            paint();
        }
    }

    void flush() {
        if (unpainted != 0) {
            picks.clear();
            for (int i = 0; i < static_cast<int>(fragments.size()); ++i) {
                if (!fragments[i].painted) {
                    picks.push_back(i);
                }
            }
            paint();
        }
        clear();
    }

    void clear() {
        fragments.clear();
        shells.clear();
        unpainted = 0;
    }

    // Paints the picked fragments grouped by mask, keeping the recorded order
    // within a mask (a counting sort: no allocation once the buffers have grown).
    void paint() {
        ++stats.paints;
        int first[33] = {};
        for (int i : picks) {
            ++first[fragments[i].mask + 1];
        }
        for (int m = 0; m < 32; ++m) {
            first[m + 1] += first[m];
        }
        sorted.resize(picks.size());
        int next[32];
        std::memcpy(next, first, sizeof next);
        for (int i : picks) {
            sorted[next[fragments[i].mask]++] = i;
        }

        // Save what is touched; set the state the debris was drawn in. One
        // draw without culling paints what the two windings paint with it:
        // the same corners in the same order, of which exactly one draw
        // passes the cull. Half the draws and no winding switches.
        glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT |
                     GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glShadeModel(GL_FLAT);
        const bool textured = maskTexturesReady();
        if (textured) {
            beginTexturedMasks();
        } else {
            glDisable(GL_TEXTURE_2D);
            glEnable(GL_POLYGON_STIPPLE);
        }

        int currentShell = -1;
        const Shell* current = nullptr;
        for (int m = 0; m < 32; ++m) {
            if (first[m] == first[m + 1]) {
                continue;
            }
            if (textured) {
                glBindTexture(GL_TEXTURE_2D, maskTextures[m]);
            } else {
                glPolygonStipple(StipplePatterns[m]);
            }
            ++stats.stippleCalls;
            for (int at = first[m]; at < first[m + 1]; ++at) {
                Fragment& f = fragments[sorted[at]];
                if (f.shell != currentShell) {
                    const Shell& s = shells[f.shell];
                    if (current == nullptr || std::memcmp(s.colour, current->colour, sizeof s.colour) != 0) {
                        glColor4fv(s.colour);
                    }
                    if (current == nullptr || std::memcmp(s.normal, current->normal, sizeof s.normal) != 0) {
                        glNormal3fv(s.normal);
                    }
                    current = &s;
                    currentShell = f.shell;
                }
                glLoadMatrixf(f.matrix);
                triangle(f.vertices);
                f.painted = true;
                shells[f.shell].unpainted -= 1;
            }
        }
        if (textured) {
            glMatrixMode(GL_TEXTURE);
            glPopMatrix();
            glMatrixMode(GL_MODELVIEW);
        }
        glPopMatrix();
        glPopAttrib();
        stats.fragments += static_cast<long>(picks.size());
        unpainted -= static_cast<long>(picks.size());
    }
};

Batch& batch() {
    static Batch b;
    return b;
}

}  // namespace

void debrisBegin() {
    if (!drawingPaths().lateDebris) {
        glEnable(GL_POLYGON_STIPPLE);
    }
}

void debrisEnd() {
    if (!drawingPaths().lateDebris) {
        glDisable(GL_POLYGON_STIPPLE);
    }
}

void debrisShell(const Explosion& e, int shell) {
    Batch& b = batch();
    ++b.stats.shells;
    if (drawingPaths().lateDebris) {
        b.record(e, shell);
    } else {
        b.paintNow(e, shell);
    }
}

void debrisBeforeBlended(float radius) { batch().beforeBlended(radius); }

void flushDebris() { batch().flush(); }

void discardDebris() {
    batch().clear();
    batch().forgetMaskTextures();
}

void releaseDebris() {
    if (batch().maskTexturesMade) glDeleteTextures(32, batch().maskTextures);
    discardDebris();
}

bool debrisMaskTexturesReady() { return batch().maskTexturesReady(); }

unsigned debrisMaskTexture(int mask) { return batch().maskTextures[mask & 31]; }

void beginDebrisMaskTexturing() { batch().beginTexturedMasks(); }

void endDebrisMaskTexturing() {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

DebrisStats debrisStats() { return batch().stats; }

void resetDebrisStats() { batch().stats = DebrisStats(); }
