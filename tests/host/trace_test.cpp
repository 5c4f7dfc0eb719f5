#include "trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>

TEST(Trace, ExactLine) {
    TraceFrame f;
    f.frame = 17;
    f.rng = 4294967295u;
    f.count = 2;
    f.shots = 31;
    f.hits = 1;
    f.view = 3;
    TraceShip a;
    a.side = 0;
    a.state = 8;
    a.x = 1.5f;
    a.y = -250.0f;
    a.z = 0.1f;
    a.qx = 0.0f;
    a.qy = -0.0f;
    a.qz = 1e-20f;
    a.qw = 1.0f;
    a.maneuver = 4;
    TraceShip b;
    b.side = 1;
    b.state = 16;
    b.x = 123456789.0f;
    b.maneuver = -1;
    f.ships = {a, b};
    EXPECT_EQ(formatTraceLine(f),
              "{\"frame\":17,\"rng\":4294967295,\"count\":2,\"shots\":31,\"hits\":1,\"view\":3,\"ships\":["
              "[0,8,1.5,-250,0.100000001,0,-0,9.99999968e-21,1,4],"
              "[1,16,123456792,0,0,0,0,0,1,-1]]}");
}

TEST(Trace, NoShipsGivesAnEmptyArray) {
    TraceFrame f;
    EXPECT_EQ(formatTraceLine(f), "{\"frame\":0,\"rng\":0,\"count\":0,\"shots\":0,\"hits\":0,\"view\":0,\"ships\":[]}");
}

TEST(Trace, NonFiniteFloatsAreNull) {
    EXPECT_EQ(formatTraceFloat(std::numeric_limits<float>::infinity()), "null");
    EXPECT_EQ(formatTraceFloat(-std::numeric_limits<float>::infinity()), "null");
    EXPECT_EQ(formatTraceFloat(std::numeric_limits<float>::quiet_NaN()), "null");
    TraceFrame f;
    TraceShip s;
    s.y = std::nanf("");
    f.ships = {s};
    EXPECT_NE(formatTraceLine(f).find("[0,0,0,null,0,0,0,0,1,0]"), std::string::npos);
}

// Every finite float, written and read back, is the same float, bit for bit.
TEST(Trace, FloatsReadBackExactly) {
    std::mt19937 random(12345);
    auto check = [](float v) {
        const std::string text = formatTraceFloat(v);
        const float back = std::strtof(text.c_str(), nullptr);
        std::uint32_t a, b;
        std::memcpy(&a, &v, 4);
        std::memcpy(&b, &back, 4);
        EXPECT_EQ(a, b) << text;
    };
    for (float v :
         {0.0f, -0.0f, 1.0f / 3.0f, std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min(),
          std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), 16777217.0f, 0.1f}) {
        check(v);
    }
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = static_cast<std::uint32_t>(random());
        float v;
        std::memcpy(&v, &bits, 4);
        if (std::isfinite(v)) check(v);
    }
}

TEST(Trace, WriterWritesOneLinePerFrame) {
    const std::string path = ::testing::TempDir() + "halvorn_trace_test_" + std::to_string(::getpid()) + ".jsonl";
    std::string error;
    {
        TraceWriter writer;
        ASSERT_TRUE(writer.open(path, &error)) << error;
        TraceFrame f;
        ASSERT_TRUE(writer.write(f, &error)) << error;
        f.frame = 1;
        ASSERT_TRUE(writer.write(f, &error)) << error;
        ASSERT_TRUE(writer.close(&error)) << error;
        EXPECT_FALSE(writer.isOpen());
    }
    std::ifstream in(path);
    std::string line1, line2, line3;
    ASSERT_TRUE(std::getline(in, line1));
    ASSERT_TRUE(std::getline(in, line2));
    EXPECT_FALSE(std::getline(in, line3));
    EXPECT_EQ(line1.rfind("{\"frame\":0,", 0), 0u);
    EXPECT_EQ(line2.rfind("{\"frame\":1,", 0), 0u);
    std::remove(path.c_str());
}

TEST(Trace, WriterReportsAnUnopenableFile) {
    TraceWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open("/nonexistent-dir/for/trace.jsonl", &error));
    EXPECT_EQ(error.rfind("trace: ", 0), 0u) << error;
    EXPECT_FALSE(writer.write(TraceFrame(), &error));
}
