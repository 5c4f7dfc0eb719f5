// The fixed-function shaders' sources; see shaders.h.
#include "render/gles2/shaders.h"

// Each program is built for the state it serves (the defines before the
// source): a software rasteriser pays for every branch at every pixel.
//   LIGHTS n     lighting on with n lights (0: lighting off)
//   COLOR_MATERIAL the vertex colour as the material's ambient and diffuse
//   TEXTURE      texturing on; ALPHA_TEXTURE an alpha texture; REPLACE GL_REPLACE
//   TEXGEN       eye-linear coordinate generation for some of s, t, r, q
//   PROJECTIVE   coordinates with a q of their own (generated, or a texture
//                matrix whose last row is not 0 0 0 1); otherwise q is 1 and
//                the fragment shader spares the division of texture2DProj
//   ALPHA_TEST   the alpha test
//   STIPPLE      the polygon stipple
//   FLAT_COLOR   flat shading where the colour need not be interpolated: GLSL
//                ES 3.00 (the defines begin with its #version), whose flat
//                varyings take the provoking vertex's colour, so a vertex
//                shared by several triangles is lit once; the sources keep
//                GLSL ES 1.00's words and the macros below translate them
const char* const VertexShaderSource = R"(
#ifdef FLAT_COLOR
#define attribute in
#define varying out
#define COLOR_VARYING flat out
#else
#define COLOR_VARYING varying
#endif
attribute vec3 aPosition;
attribute vec3 aLitPosition;
attribute vec3 aNormal;
attribute vec4 aColor;
attribute vec2 aTexCoord;
attribute float aInherit;
uniform mat4 uMvp;
uniform vec4 uCurrentColor;
COLOR_VARYING vec4 vColor;
#if LIGHTS > 0
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform vec3 uCurrentNormal;
// What does not change from vertex to vertex is summed and multiplied
// before the draw: the emission and every ambient term (times the material's
// ambient, or the vertex's colour with COLOR_MATERIAL) in uLitBase, with the
// material's diffuse alpha; each light's diffuse and specular colour times
// the material's (its diffuse alone with COLOR_MATERIAL).
uniform vec4 uLitBase;
#ifdef COLOR_MATERIAL
uniform vec3 uAmbientSum;
#endif
uniform float uShininess;
uniform vec4 uLightDiffuse[LIGHTS];
uniform vec4 uLightSpecular[LIGHTS];
uniform vec4 uLightPosition[LIGHTS];
#endif
#ifdef TEXTURE
uniform mat4 uTextureMatrix;
#if defined(TEXGEN) || defined(PROJECTIVE)
#define TEXCOORD vec4
#else
#define TEXCOORD vec2
#endif
varying TEXCOORD vTexCoord;
#ifdef TEXGEN
#if LIGHTS == 0
uniform mat4 uModelView;
#endif
uniform vec4 uTexGenOn;
uniform vec4 uPlaneS;
uniform vec4 uPlaneT;
uniform vec4 uPlaneR;
uniform vec4 uPlaneQ;
#endif
#endif

void main() {
    gl_Position = uMvp * vec4(aPosition, 1.0);
    bool inheritColor = mod(aInherit, 2.0) >= 1.0;
    vec4 color = inheritColor ? uCurrentColor : aColor;
#if LIGHTS > 0
    bool inheritNormal = aInherit >= 2.0;
    vec3 n = uNormalMatrix * (inheritNormal ? uCurrentNormal : aNormal);
    vec3 eye = (uModelView * vec4(aLitPosition, 1.0)).xyz;
#ifdef COLOR_MATERIAL
    vec3 lit = uLitBase.rgb + uAmbientSum * color.rgb;
    float alpha = color.a;
#else
    vec3 lit = uLitBase.rgb;
    float alpha = uLitBase.a;
#endif
    for (int i = 0; i < LIGHTS; ++i) {
        vec4 p = uLightPosition[i];
        vec3 l = normalize(p.w != 0.0 ? p.xyz - eye : p.xyz);
        float nDotL = dot(n, l);
        if (nDotL > 0.0) {
#ifdef COLOR_MATERIAL
            lit += nDotL * uLightDiffuse[i].rgb * color.rgb;
#else
            lit += nDotL * uLightDiffuse[i].rgb;
#endif
            vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
            float nDotH = max(dot(n, h), 0.0);
            lit += pow(nDotH, uShininess) * uLightSpecular[i].rgb;
        }
    }
    color = clamp(vec4(lit, alpha), 0.0, 1.0);
#endif
    vColor = color;
#ifdef TEXTURE
    vec4 t = vec4(aTexCoord, 0.0, 1.0);
#ifdef TEXGEN
    vec4 e = uModelView * vec4(aPosition, 1.0);
    t = mix(t, vec4(dot(uPlaneS, e), dot(uPlaneT, e), dot(uPlaneR, e), dot(uPlaneQ, e)), uTexGenOn);
#endif
#if defined(TEXGEN) || defined(PROJECTIVE)
    vTexCoord = uTextureMatrix * t;
#else
    vTexCoord = (uTextureMatrix * t).xy;
#endif
#endif
}
)";

const char* const FragmentShaderSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
#ifdef FLAT_COLOR
#define varying in
#define texture2D texture
#define texture2DProj textureProj
#define COLOR_VARYING flat in
out vec4 fragColor;
#define FRAG_COLOR fragColor
#else
#define COLOR_VARYING varying
#define FRAG_COLOR gl_FragColor
#endif
COLOR_VARYING vec4 vColor;
#ifdef TEXTURE
uniform sampler2D uTexture;
#if defined(TEXGEN) || defined(PROJECTIVE)
varying vec4 vTexCoord;
#else
varying vec2 vTexCoord;
#endif
#endif
#ifdef STIPPLE
uniform sampler2D uStipple;
#endif
#ifdef ALPHA_TEST
// 1 greater, 2 greater or equal, 3 less, 4 less or equal, 5 equal, 6 not equal, 7 never.
uniform int uAlphaFunc;
uniform float uAlphaRef;
#endif

void main() {
#ifdef STIPPLE
    if (texture2D(uStipple, gl_FragCoord.xy / 32.0).a < 0.5) discard;
#endif
    vec4 c = vColor;
#ifdef TEXTURE
#if defined(TEXGEN) || defined(PROJECTIVE)
    vec4 t = texture2DProj(uTexture, vTexCoord);
#else
    vec4 t = texture2D(uTexture, vTexCoord);
#endif
#if defined(ALPHA_TEXTURE) && defined(REPLACE)
    c.a = t.a;
#elif defined(ALPHA_TEXTURE)
    c.a *= t.a;
#elif defined(REPLACE)
    c.rgb = t.rgb;
#else
    c *= t;
#endif
#endif
#ifdef ALPHA_TEST
    bool pass = uAlphaFunc == 1 ? c.a > uAlphaRef : uAlphaFunc == 2 ? c.a >= uAlphaRef
              : uAlphaFunc == 3 ? c.a < uAlphaRef : uAlphaFunc == 4 ? c.a <= uAlphaRef
              : uAlphaFunc == 5 ? c.a == uAlphaRef : uAlphaFunc == 6 ? c.a != uAlphaRef : false;
    if (!pass) discard;
#endif
    FRAG_COLOR = c;
}
)";

const char* const AttributeNames[AttributeCount] = {"aPosition", "aLitPosition", "aNormal",
                                                    "aColor",    "aTexCoord",    "aInherit"};
