#include "trace.h"

#include <cerrno>
#include <cmath>
#include <cstring>

std::string formatTraceFloat(float value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
    return buffer;
}

std::string formatTraceLine(const TraceFrame& f) {
    std::string line;
    line.reserve(96 + f.ships.size() * 120);
    line += "{\"frame\":" + std::to_string(f.frame);
    line += ",\"rng\":" + std::to_string(f.rng);
    line += ",\"count\":" + std::to_string(f.count);
    line += ",\"shots\":" + std::to_string(f.shots);
    line += ",\"hits\":" + std::to_string(f.hits);
    line += ",\"view\":" + std::to_string(f.view);
    line += ",\"ships\":[";
    bool first = true;
    for (const TraceShip& s : f.ships) {
        if (!first) line += ',';
        first = false;
        line += '[';
        line += std::to_string(s.side);
        line += ',';
        line += std::to_string(s.state);
        for (float v : {s.x, s.y, s.z, s.qx, s.qy, s.qz, s.qw}) {
            line += ',';
            line += formatTraceFloat(v);
        }
        line += ',';
        line += std::to_string(s.maneuver);
        line += ']';
    }
    line += "]}";
    return line;
}

TraceWriter::~TraceWriter() {
    std::string ignored;
    close(&ignored);
}

bool TraceWriter::open(const std::string& path, std::string* error) {
    std::string ignored;
    close(&ignored);
    path_ = path;
    if (path == "-") {
        file_ = stdout;
        ownsFile_ = false;
        return true;
    }
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        *error = "trace: cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    ownsFile_ = true;
    return true;
}

bool TraceWriter::write(const TraceFrame& frame, std::string* error) {
    if (!file_) {
        *error = "trace: no file open";
        return false;
    }
    std::string line = formatTraceLine(frame);
    line += '\n';
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) {
        *error = "trace: cannot write '" + path_ + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

bool TraceWriter::close(std::string* error) {
    if (!file_) return true;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    if (ownsFile_ && std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    ownsFile_ = false;
    if (!ok) *error = "trace: cannot write '" + path_ + "'";
    return ok;
}
