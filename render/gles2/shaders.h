// The shaders that do on OpenGL ES 2.0 what OpenGL 1.1's fixed function does
// for this program: the vertex shader lights each vertex as OpenGL does
// (emission, global and per-light ambient, diffuse, specular with the
// infinite viewer, colour material, positional or directional lights) and
// generates eye-linear texture coordinates through the texture matrix; the
// fragment shader applies the texture environment (GL_MODULATE, GL_REPLACE;
// RGB or alpha textures), the polygon stipple and the alpha test.
//
// One source each, compiled into one program per state by the defines put in
// front of it (programs.h): a software rasteriser pays for every branch at
// every pixel, so a program carries only what its state needs.
#ifndef HALVORN_RENDER_GLES2_SHADERS_H
#define HALVORN_RENDER_GLES2_SHADERS_H

extern const char* const VertexShaderSource;
extern const char* const FragmentShaderSource;

// The vertex attributes, bound to these locations in every program.
enum Attribute { APosition, ALitPosition, ANormal, AColor, ATexCoord, AInherit, AttributeCount };
extern const char* const AttributeNames[AttributeCount];

#endif
