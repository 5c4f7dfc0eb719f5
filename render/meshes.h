// The hard-coded ship, bolt and beam meshes, written into a MeshSink.
//
// Units are world units; noses point along +x; the origin is the centre of the
// body. Colours are set inside the emitters (grey v means (v, v, v)), except
// for the prism, which takes the shot's colour. Emitters that translate do not
// undo it: the next emitter of the same list is drawn under the moved matrix,
// and the caller's push/pop around the list call restores it.
#ifndef HALVORN_RENDER_MESHES_H
#define HALVORN_RENDER_MESHES_H

#include "render/mesh_sink.h"
#include "sim/display_lists.h"

// HexWingFighter's upper wing plate (z 16.5 to 18): ridges, panels, rim, underside. 135 vertices.
void emitWingPlate(MeshSink& sink);
// Upper plate, then the lower plate as its exact mirror in z. 270 vertices.
void emitWingPlates(MeshSink& sink);
// HexWingFighter's two struts, the pod sphere (radius 10) and the front window. 28 vertices + sphere.
void emitPodAndStruts(MeshSink& sink);

// FourWingFighter's fuselage from x = -30 to 68; ends translated by (-28, 0, 0). 118 vertices.
void emitFuselage(MeshSink& sink);
// Four wing blades, tip spars and four engines around the current origin; ends
// translated by (0, 7, -7). 96 vertices + 4 pods + 4 nozzles.
void emitWings(MeshSink& sink);
// Closed pentagonal engine pod along x from 0 to 25. 48 vertices.
void emitEnginePod(MeshSink& sink);
// Triangular nozzle along -x from 0 to -length (units), glowing end cap, open front. 21 vertices.
void emitNozzle(MeshSink& sink, float length);
// The twelve tip-spar triangles, translated by (-8, 0, 0) first. 36 vertices.
void emitWingSpars(MeshSink& sink);
// The cockpit view's canopy frame. 21 vertices.
void emitCanopyFrame(MeshSink& sink);

// Closed triangular prism along +x from 0 to length (units), its inside facing
// front, no colour of its own. 24 vertices.
void emitPrism(MeshSink& sink, float length);

// Compiles ship, bolt or beam list `id` (ListHexWingFighter, ListFourWingFighter,
// their cockpit forms, ListBolt or ListBeam) into the sink, framed by
// beginList/endList. False, and nothing written, for any other id.
bool compileShipList(int id, MeshSink& sink);

#endif
