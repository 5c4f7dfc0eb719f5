// Per-frame trace of the battle as JSON Lines, one object per frame:
//   {"frame":k,"rng":R,"count":C,"shots":S,"hits":H,"view":V,
//    "ships":[[side,state,x,y,z,qx,qy,qz,qw,maneuver],...]}
// Floats are written with "%.9g", which reads back to the same float. A float
// that is not finite (a battle gone wrong) is written as null so that every
// line stays valid JSON.
#ifndef HALVORN_HOST_HEADLESS_TRACE_H
#define HALVORN_HOST_HEADLESS_TRACE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One ship of one frame.
struct TraceShip {
    int side = 0;                  // fleet side, 0 or 1
    int state = 0;                 // the ship's state flags
    float x = 0, y = 0, z = 0;     // position, world units
    float qx = 0, qy = 0, qz = 0;  // orientation quaternion, w last
    float qw = 1;
    int maneuver = 0;  // the autopilot's current manoeuvre
};

// The numbers of one frame, taken after the frame has been drawn.
struct TraceFrame {
    std::int64_t frame = 0;  // 0 = the state right after the first battle build
    std::uint32_t rng = 0;   // random generator state
    int count = 0;           // ships in the world
    int shots = 0;           // shots in flight
    int hits = 0;            // hits found
    int view = 0;            // camera view mode
    std::vector<TraceShip> ships;
};

// The float as "%.9g", or "null" when it is infinite or NaN.
std::string formatTraceFloat(float value);

// One trace line, without the newline.
std::string formatTraceLine(const TraceFrame& frame);

// Appends trace lines to a file, or to standard output for the name "-".
class TraceWriter {
public:
    TraceWriter() = default;
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // Opens (truncates) path; false with *error set ("trace: ...") on failure.
    bool open(const std::string& path, std::string* error);
    // Writes the line and a newline; false with *error set on a write failure.
    bool write(const TraceFrame& frame, std::string* error);
    // Flushes and closes; false with *error set when buffered data was lost.
    bool close(std::string* error);
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    std::string path_;
};

#endif
