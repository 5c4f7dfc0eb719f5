// Explosion effect state and life cycle; see explosion.h.
#include "view/explosion.h"

#include "sim/gfx.h"
#include "sim/random.h"

Explosion::Explosion()
    : frame(0),
      firstShell(0),
      stippleIndex(0),
      holdFrames(0),
      style(0),
      fragmentAngle(),
      flashAlpha(0.9f),
      flashFade(0.0f),
      flashSize(0.5f),
      color() {
    for (int i = 0; i < ExplosionShells; ++i) {
        shellSpeed[i] = 20.5f;
        shellRadius[i] = 0.0f;
        shellAlpha[i] = 0.0f;
        shellFade[i] = 0.0f;
        shellTilt[i] = Vector3{0.0f, 0.0f, 0.0f};
    }
    flashFade = static_cast<float>(randomFraction() * 0.3);
    if (flashFade < 0.06) {
        flashFade = 0.06f;
    }
}

void Explosion::start(int hold) {
    holdFrames = hold;
    frame = 0;
    firstShell = 0;
    stippleIndex = static_cast<int>(randomFraction() * 32.0f);
    for (int i = 0; i < ExplosionShells; ++i) {
        for (int k = 0; k < ExplosionFragments; ++k) {
            fragmentAngle[i][k] = randomFraction() * 360.0f;
        }
        shellAlpha[i] = 1.0f;
        shellFade[i] = static_cast<float>(randomFraction() * 0.5);
        shellRadius[i] = 0.0f;
        shellTilt[i].x = randomFraction() * 360.0f;
        shellTilt[i].y = randomFraction() * 360.0f;
        shellTilt[i].z = randomFraction() * 360.0f;
    }
}

void Explosion::randomizeShellSpeeds() {
    for (int i = 0; i < ExplosionShells; ++i) {
        shellSpeed[i] = static_cast<float>(randomFraction() * 30.0 + 10.5);
    }
}

void Explosion::setShellSpeeds() {
    for (int i = 0; i < ExplosionShells; ++i) {
        shellSpeed[i] = 10.5f;
    }
}

int Explosion::draw() {
    Gfx& g = gfx();
    frame += 1;
    g.color3fv(color);
    if ((style & ExplosionStyleDebris) != 0) {
        g.debrisBegin();
        for (int i = firstShell; i < ExplosionShells && i < frame; ++i) {
            g.pushMatrix();
            shellRadius[i] += shellSpeed[i];
            g.rotate(shellTilt[i].x, 1.0f, 0.0f, 0.0f);
            g.rotate(shellTilt[i].y, 0.0f, 1.0f, 0.0f);
            g.rotate(shellTilt[i].z, 0.0f, 0.0f, 1.0f);
            g.debrisShell(*this, i);
            // One mask per fragment: the painter replayed them from the old value.
            for (int k = 0; k < ExplosionFragments; ++k) {
                stippleIndex = nextStippleIndex(stippleIndex);
            }
            g.popMatrix();
        }
        g.debrisEnd();
    } else if ((style & ExplosionStyleGlow) != 0) {
        g.glowBegin();
        flashAlpha -= flashFade;
        if (!(flashAlpha < 0.0f)) {
            g.flash(*this);
            flashSize += 15.0f;
        }
        g.glowShellsBegin();
        for (int i = firstShell; i < ExplosionShells && i < frame; ++i) {
            shellAlpha[i] -= shellFade[i];
            g.color4f(color[0], color[1], color[2], shellAlpha[i]);
            if (shellAlpha[i] > 0.0f) {
                shellRadius[i] += shellSpeed[i];
                g.pushMatrix();
                g.rotate(shellTilt[i].x, 1.0f, 0.0f, 0.0f);
                g.rotate(shellTilt[i].y, 0.0f, 1.0f, 0.0f);
                g.rotate(shellTilt[i].z, 0.0f, 0.0f, 1.0f);
                g.glowShell(*this, i);
                g.popMatrix();
            }
        }
        g.glowEnd();
    }
    if (frame > holdFrames) {
        // Stop at 5: a finished effect drawn again keeps reporting 0.
        if (firstShell < ExplosionShells) {
            firstShell += 1;
        }
        if (firstShell >= ExplosionShells) {
            return 0;
        }
    }
    return 1;
}
