// The battle's numbers for the trace: what every host that writes a trace
// (the headless run, the web page) reads of the running battle. Needs no GL.
#ifndef HALVORN_HOST_HEADLESS_BATTLE_TRACE_H
#define HALVORN_HOST_HEADLESS_BATTLE_TRACE_H

#include <cstdint>

#include "trace.h"

// Fills *f with the numbers of the frame just drawn (frame 0: right after the
// first battle build): generator, ship count, shots, hits, view and every ship.
void snapshotBattle(std::int64_t frame, TraceFrame* f);

#endif
