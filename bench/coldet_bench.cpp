// coldet_bench: throughput, hit rates, heap traffic and correctness of the
// collision library on the battle's own meshes, optionally against FCL.
//
//   coldet_bench                    Google Benchmark runs, then a summary table
//   coldet_bench --disagreements    every pose on which coldet, FCL and an exact
//                                   double-precision check do not all agree,
//                                   with the distance between the meshes
//   coldet_bench --grazing          the same listing on poses slid to first contact
//                                   (--poses=N: N pairs per set, default 500)
//   coldet_bench --profile=SET      only coldet's queries on one pose set, for
//                                   callgrind (SET as in the summary, e.g. A-B)
//   coldet_bench --poses=N          N poses per set instead of 10,000
//
// Google Benchmark's own flags (--benchmark_filter=...) pass through.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_geometry.h"
#include "coldet.h"
#include "heap_count.h"
#include "sim/hull_data.h"
#ifdef HAVE_FCL
#include "fcl_compare.h"
#endif

// Heap allocations are counted by the heap_count library's operator new: the
// number made by a stretch of code is the counter's difference across it.

namespace {

using bench::Matrix;
using bench::Mesh;
using bench::PosePair;

// ---- What is measured -----------------------------------------------------

constexpr int DefaultPosesPerSet = 10000;
constexpr std::uint64_t BaseSeed = 0x48616C766F726E00ull;  // "Halvorn\0"

// Tip of a bolt's shape, computed in float exactly as a gun does: a shot at
// 0.00108 units/us covers about 36 units in 33,333 us (one frame at 30 Hz),
// plus the 40-unit length of its mesh; about 75.99964.
constexpr float BoltShotSpeed = 0.00108f;
constexpr float BoltTip = BoltShotSpeed * 33333.0f + 40.0f;
static_assert(BoltTip > 75.9996f && BoltTip < 75.9997f, "bolt tip");

// Two bodies counted as touching rather than clearly apart or clearly crossed
// when their gap, or the penetration depth of their deepest crossing, is under
// this (world units; coordinates here reach ~350, where a float step is 3e-5).
constexpr double TouchTolerance = 1e-3;

// Grazing mode: random pairs per set by default, and printed lines per set.
constexpr int DefaultGrazingPairs = 500;
constexpr int GrazingLinesPerSet = 10;

using ModelPtr = std::unique_ptr<CollisionModel3D>;

ModelPtr buildModel(const Mesh& mesh) {
    ModelPtr model(newCollisionModel3D(false));
    if (!model) {
        std::fprintf(stderr, "coldet_bench: newCollisionModel3D returned null\n");
        std::exit(1);
    }
    for (const bench::Triangle& t : mesh) model->appendTriangle(&t[0], &t[3], &t[6]);
    model->buildTree();
    return model;
}

// FCL's two precisions, in the order used for arrays below.
constexpr int FclFloat = 0;
constexpr int FclDouble = 1;
const char* const FclNames[2] = {"float", "double"};

struct PoseSet {
    std::string name;  // e.g. "A-B": hull A queried against hull B
    const Mesh* ownMesh = nullptr;
    const Mesh* otherMesh = nullptr;
    ModelPtr own, other;
    std::vector<PosePair> poses;
#ifdef HAVE_FCL
    std::unique_ptr<bench::FclPoseSet> fcl;
#endif

    // Filled by the checking pass.
    int hits = 0;
    int exactAgreements = 0;
    double allocationsPerQuery = 0.0;
    bool fclChecked = false;
    int fclAgreements[2] = {0, 0};
    double fclAllocationsPerQuery[2] = {0.0, 0.0};

    bool ours(std::size_t i) {
        own->setModelMatrix(poses[i].own.data());
        other->setModelMatrix(poses[i].other.data());
        return own->testModel(other.get(), -1, 0, nullptr);
    }
};

enum class Probe { RaySegment, RayUnlimited, Sphere };

// One of the ray or sphere workloads on a single placed hull.
struct ProbeSet {
    std::string query;  // "ray segment", "ray unlimited", "sphere"
    std::string hull;
    Probe kind = Probe::Sphere;
    CollisionModel3D* model = nullptr;
    std::vector<std::array<float, 6>> probes;  // ray: origin, direction; sphere: centre, radius

    int hits = 0;
    double allocationsPerQuery = 0.0;

    bool run(std::size_t i) {
        const std::array<float, 6>& p = probes[i];
        switch (kind) {
        case Probe::RaySegment:  // from the origin to origin + direction, the second random point
            return model->testRay(&p[0], &p[3], false, 0.0f, 1.0f);
        case Probe::RayUnlimited:  // the same ray, going on past that point
            return model->testRay(&p[0], &p[3]);
        case Probe::Sphere:
            break;
        }
        return model->testSphere(&p[0], p[3]);
    }
};

struct Workload {
    Mesh hullA, hullB, bolt;
    std::vector<PoseSet> sets;
    ModelPtr probeA, probeB;
    std::vector<ProbeSet> probes;
    std::vector<int> buildSizes{1000, 10000, 100000};
    std::map<int, Mesh> buildMeshes;
};

void makeWorkload(Workload& w, int posesPerSet) {
    w.hullA = bench::meshFromRows(HullA, HullATriangleCount);
    w.hullB = bench::meshFromRows(HullB, HullBTriangleCount);
    w.bolt = bench::boltMesh(0.0f, BoltTip);

    struct Pairing {
        const char* name;
        const Mesh* own;
        const Mesh* other;
    };
    const Pairing pairings[] = {
        {"A-A", &w.hullA, &w.hullA}, {"A-B", &w.hullA, &w.hullB},   {"B-A", &w.hullB, &w.hullA},
        {"B-B", &w.hullB, &w.hullB}, {"bolt-A", &w.bolt, &w.hullA}, {"bolt-B", &w.bolt, &w.hullB},
    };
    std::uint64_t seed = BaseSeed;
    for (const Pairing& p : pairings) {
        PoseSet s;
        s.name = p.name;
        s.ownMesh = p.own;
        s.otherMesh = p.other;
        s.own = buildModel(*p.own);
        s.other = buildModel(*p.other);
        s.poses = bench::makePoseSet(seed++, posesPerSet);
#ifdef HAVE_FCL
        s.fcl = std::make_unique<bench::FclPoseSet>(*p.own, *p.other, s.poses);
#endif
        w.sets.push_back(std::move(s));
    }

    // Rays and spheres: each hull turned at random about the origin, probed
    // through the box of +-70 units around it.
    w.probeA = buildModel(w.hullA);
    w.probeB = buildModel(w.hullB);
    bench::SplitMix64 rng(seed++);
    for (int h = 0; h < 2; ++h) {
        CollisionModel3D* model = h == 0 ? w.probeA.get() : w.probeB.get();
        const Matrix pose = bench::randomPose(rng, 0.0, 0.0, 0.0);
        model->setModelMatrix(pose.data());
        std::vector<std::array<float, 6>> rays, spheres;
        for (int i = 0; i < posesPerSet; ++i) {
            std::array<float, 6> r{};
            double from[3], to[3];
            for (int k = 0; k < 3; ++k) {
                from[k] = rng.range(-70.0, 70.0);
                to[k] = rng.range(-70.0, 70.0);
            }
            for (int k = 0; k < 3; ++k) {
                r[static_cast<std::size_t>(k)] = static_cast<float>(from[k]);
                r[static_cast<std::size_t>(3 + k)] = static_cast<float>(to[k] - from[k]);
            }
            rays.push_back(r);
            std::array<float, 6> s{};
            for (int k = 0; k < 3; ++k) s[static_cast<std::size_t>(k)] = static_cast<float>(rng.range(-70.0, 70.0));
            s[3] = static_cast<float>(rng.range(5.0, 20.0));
            spheres.push_back(s);
        }
        const char* hull = h == 0 ? "A" : "B";
        const std::pair<Probe, const char*> kinds[] = {
            {Probe::RaySegment, "ray segment"}, {Probe::RayUnlimited, "ray unlimited"}, {Probe::Sphere, "sphere"}};
        for (const auto& kind : kinds) {
            ProbeSet p;
            p.query = kind.second;
            p.hull = hull;
            p.kind = kind.first;
            p.model = model;
            p.probes = kind.first == Probe::Sphere ? spheres : rays;
            w.probes.push_back(std::move(p));
        }
    }

    for (int n : w.buildSizes) w.buildMeshes[n] = bench::randomMesh(rng, n);
}

// ---- Checking pass: hit rates, agreement, allocations ----------------------

template <typename Query>
double allocationsPerQuery(std::size_t count, Query&& query) {
    for (std::size_t i = 0; i < count; ++i)  // warm: any lazily grown buffer is grown now
        benchmark::DoNotOptimize(query(i));
    const unsigned long long before = heapcount::allAllocations();
    for (std::size_t i = 0; i < count; ++i) benchmark::DoNotOptimize(query(i));
    const unsigned long long after = heapcount::allAllocations();
    return count != 0 ? static_cast<double>(after - before) / static_cast<double>(count) : 0.0;
}

void checkPoseSet(PoseSet& s) {
    const std::size_t n = s.poses.size();
    for (std::size_t i = 0; i < n; ++i) {
        const bool ours = s.ours(i);
        s.hits += ours;
        const PosePair& p = s.poses[i];
        s.exactAgreements += ours == bench::meshesCross(*s.ownMesh, p.own, *s.otherMesh, p.other);
#ifdef HAVE_FCL
        s.fclAgreements[FclFloat] += ours == s.fcl->collide(bench::FclPrecision::Float, i);
        s.fclAgreements[FclDouble] += ours == s.fcl->collide(bench::FclPrecision::Double, i);
#endif
    }
    s.allocationsPerQuery = allocationsPerQuery(n, [&](std::size_t i) { return s.ours(i); });
#ifdef HAVE_FCL
    s.fclChecked = true;
    s.fclAllocationsPerQuery[FclFloat] =
        allocationsPerQuery(n, [&](std::size_t i) { return s.fcl->collide(bench::FclPrecision::Float, i); });
    s.fclAllocationsPerQuery[FclDouble] =
        allocationsPerQuery(n, [&](std::size_t i) { return s.fcl->collide(bench::FclPrecision::Double, i); });
#endif
}

void checkProbeSet(ProbeSet& p) {
    for (std::size_t i = 0; i < p.probes.size(); ++i) p.hits += p.run(i);
    p.allocationsPerQuery = allocationsPerQuery(p.probes.size(), [&](std::size_t i) { return p.run(i); });
}

// ---- Google Benchmark registration ----------------------------------------

void registerBenchmarks(Workload& w) {
    for (PoseSet& s : w.sets) {
        PoseSet* set = &s;
        benchmark::RegisterBenchmark(("ours/" + s.name).c_str(), [set](benchmark::State& state) {
            const std::size_t n = set->poses.size();
            std::size_t i = 0;
            for (auto _ : state) {
                benchmark::DoNotOptimize(set->ours(i));
                if (++i == n) i = 0;
            }
            state.SetItemsProcessed(state.iterations());
        });
#ifdef HAVE_FCL
        for (int precision = 0; precision < 2; ++precision) {
            const bench::FclPrecision which =
                precision == FclFloat ? bench::FclPrecision::Float : bench::FclPrecision::Double;
            benchmark::RegisterBenchmark((std::string("fcl_") + FclNames[precision] + "/" + s.name).c_str(),
                                         [set, which](benchmark::State& state) {
                                             const std::size_t n = set->poses.size();
                                             std::size_t i = 0;
                                             for (auto _ : state) {
                                                 benchmark::DoNotOptimize(set->fcl->collide(which, i));
                                                 if (++i == n) i = 0;
                                             }
                                             state.SetItemsProcessed(state.iterations());
                                         });
        }
#endif
    }
    for (ProbeSet& p : w.probes) {
        ProbeSet* probe = &p;
        std::string name = p.query;
        std::replace(name.begin(), name.end(), ' ', '_');
        benchmark::RegisterBenchmark(("ours_" + name + "/" + p.hull).c_str(), [probe](benchmark::State& state) {
            const std::size_t n = probe->probes.size();
            std::size_t i = 0;
            for (auto _ : state) {
                benchmark::DoNotOptimize(probe->run(i));
                if (++i == n) i = 0;
            }
            state.SetItemsProcessed(state.iterations());
        });
    }
    for (int size : w.buildSizes) {
        const Mesh* mesh = &w.buildMeshes[size];
        benchmark::RegisterBenchmark(
            ("ours_buildTree/" + std::to_string(size)).c_str(),
            [mesh](benchmark::State& state) {
                for (auto _ : state) {
                    // Only buildTree is timed; filling the model is not.
                    ModelPtr model(newCollisionModel3D(false));
                    model->reserveTriangles(static_cast<int>(mesh->size()));
                    for (const bench::Triangle& t : *mesh) model->appendTriangle(&t[0], &t[3], &t[6]);
                    const auto start = std::chrono::steady_clock::now();
                    model->buildTree();
                    const auto stop = std::chrono::steady_clock::now();
                    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
                }
            })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// Keeps Google Benchmark's console output and remembers each benchmark's
// figures for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    // Plain text: the output is meant to be read in logs and READMEs.
    SummaryReporter() : ConsoleReporter(OO_Tabular) {}

    struct Figures {
        double queriesPerSecond = 0.0;     // iterations per CPU second
        double secondsPerIteration = 0.0;  // wall (or manual) time per iteration
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
            Figures& f = figures[r.run_name.function_name];
            const double iterations = static_cast<double>(r.iterations);
            if (r.cpu_accumulated_time > 0.0) f.queriesPerSecond = iterations / r.cpu_accumulated_time;
            f.secondsPerIteration = r.real_accumulated_time / iterations;
        }
    }

    const Figures* find(const std::string& name) const {
        const auto it = figures.find(name);
        return it == figures.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, Figures> figures;
};

// ---- Summary --------------------------------------------------------------

std::string rate(const SummaryReporter::Figures* f) {
    if (!f || f->queriesPerSecond <= 0.0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", f->queriesPerSecond);
    return text;
}

std::string percent(int part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", whole ? 100.0 * part / static_cast<double>(whole) : 0.0);
    return text;
}

std::string number(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printSummary(const Workload& w, const SummaryReporter& reporter, double elapsedSeconds) {
    const std::size_t poseCount = w.sets.empty() ? 0 : w.sets.front().poses.size();
    std::printf(
        "\nCollision benchmark summary: %zu poses per set, origins within +-70 units, "
        "rotations uniform.\n",
        poseCount);
    std::printf(
        "q/s = queries per CPU second (testModel including both setModelMatrix calls); "
        "ratio = ours / FCL;\n");
    std::printf(
        "agree = same answer as FCL; exact = same answer as a double-precision check of "
        "every triangle pair.\n\n");
    std::printf("%-8s %12s %7s %12s %-6s %7s %8s %8s %9s\n", "set", "ours q/s", "hit %", "FCL q/s", "FCL", "ratio",
                "agree %", "exact %", "allocs/q");

    double worstRatio = -1.0, worstAgreement = 101.0, worstAllocations = 0.0;
    std::string worstRatioSet, worstAgreementSet;
    bool ratioComplete = true;
    for (const PoseSet& s : w.sets) {
        const std::size_t n = s.poses.size();
        const SummaryReporter::Figures* ours = reporter.find("ours/" + s.name);
        const SummaryReporter::Figures* fcl[2] = {reporter.find("fcl_float/" + s.name),
                                                  reporter.find("fcl_double/" + s.name)};
        int best = -1;
        for (int k = 0; k < 2; ++k)
            if (fcl[k] && (best < 0 || fcl[k]->queriesPerSecond > fcl[best]->queriesPerSecond)) best = k;
        if (!s.fclChecked) best = -1;
        std::string ratioText = "-", agreeText = "-";
        if (best >= 0 && ours && fcl[best]->queriesPerSecond > 0.0) {
            const double r = ours->queriesPerSecond / fcl[best]->queriesPerSecond;
            ratioText = number(r, "%.2f");
            if (worstRatio < 0.0 || r < worstRatio) {
                worstRatio = r;
                worstRatioSet = s.name;
            }
        } else {
            ratioComplete = false;
        }
        if (s.fclChecked) {
            // Untimed (filtered out): the float variant's answers stand in.
            const int shown = best >= 0 ? best : FclFloat;
            agreeText = percent(s.fclAgreements[shown], n);
            const double a = n ? 100.0 * s.fclAgreements[shown] / static_cast<double>(n) : 100.0;
            if (a < worstAgreement) {
                worstAgreement = a;
                worstAgreementSet = s.name;
            }
        }
        worstAllocations = std::max(worstAllocations, s.allocationsPerQuery);
        std::printf("%-8s %12s %7s %12s %-6s %7s %8s %8s %9s\n", s.name.c_str(), rate(ours).c_str(),
                    percent(s.hits, n).c_str(), best >= 0 ? rate(fcl[best]).c_str() : "-",
                    best >= 0 ? FclNames[best] : "-", ratioText.c_str(), agreeText.c_str(),
                    percent(s.exactAgreements, n).c_str(), number(s.allocationsPerQuery, "%.2f").c_str());
    }

#ifdef HAVE_FCL
    std::printf(
        "\nFCL detail (BVHModel<OBBRSS>, one contact, no contact data; the faster precision "
        "is used above):\n");
    std::printf("%-8s %12s %12s %9s %9s %10s %10s\n", "set", "float q/s", "double q/s", "agree f%", "agree d%",
                "allocs/q f", "allocs/q d");
    for (const PoseSet& s : w.sets) {
        const std::size_t n = s.poses.size();
        std::printf(
            "%-8s %12s %12s %9s %9s %10s %10s\n", s.name.c_str(), rate(reporter.find("fcl_float/" + s.name)).c_str(),
            rate(reporter.find("fcl_double/" + s.name)).c_str(), percent(s.fclAgreements[FclFloat], n).c_str(),
            percent(s.fclAgreements[FclDouble], n).c_str(), number(s.fclAllocationsPerQuery[FclFloat], "%.2f").c_str(),
            number(s.fclAllocationsPerQuery[FclDouble], "%.2f").c_str());
    }
#else
    std::printf("\nBuilt without FCL (not installed, or HALVORN_BENCH_FCL=OFF): no comparison.\n");
#endif

    std::printf("\n%-14s %-5s %12s %7s %9s\n", "query", "hull", "q/s", "hit %", "allocs/q");
    double worstProbeAllocations = 0.0;
    for (const ProbeSet& p : w.probes) {
        std::string name = p.query;
        std::replace(name.begin(), name.end(), ' ', '_');
        worstProbeAllocations = std::max(worstProbeAllocations, p.allocationsPerQuery);
        std::printf("%-14s %-5s %12s %7s %9s\n", p.query.c_str(), p.hull.c_str(),
                    rate(reporter.find("ours_" + name + "/" + p.hull)).c_str(),
                    percent(p.hits, p.probes.size()).c_str(), number(p.allocationsPerQuery, "%.2f").c_str());
    }

    std::printf("\n%-10s %12s\n", "triangles", "buildTree ms");
    for (int size : w.buildSizes) {
        const SummaryReporter::Figures* f = reporter.find("ours_buildTree/" + std::to_string(size));
        std::printf("%-10d %12s\n", size, f ? number(f->secondsPerIteration * 1e3, "%.3f").c_str() : "-");
    }

    std::printf("\nGoals\n");
#ifdef HAVE_FCL
    if (worstRatio >= 0.0)
        std::printf("  at least 2x FCL's queries per second on every set: %s (lowest %.2fx, %s)%s\n",
                    worstRatio >= 2.0 ? "PASS" : "FAIL", worstRatio, worstRatioSet.c_str(),
                    ratioComplete ? "" : " [some sets not run]");
    else
        std::printf("  at least 2x FCL's queries per second on every set: not measured (filtered out)\n");
    std::printf("  agreement with FCL of at least 99.9%% on every set: %s (lowest %.2f%%, %s)\n",
                worstAgreement >= 99.9 ? "PASS" : "FAIL", worstAgreement, worstAgreementSet.c_str());
#else
    (void)ratioComplete;
    std::printf("  FCL goals: not measured (built without FCL)\n");
#endif
    const double allAllocations = std::max(worstAllocations, worstProbeAllocations);
    std::printf("  0 heap allocations per warm query: %s (model queries up to %.2f, ray/sphere up to %.2f)\n",
                allAllocations == 0.0 ? "PASS" : "FAIL", worstAllocations, worstProbeAllocations);
    std::printf("\nTotal run time %.1f s.\n", elapsedSeconds);
}

// ---- Disagreement listing ---------------------------------------------------

void printMatrix(const char* label, const Matrix& m) {
    std::printf("    %-5s = {", label);
    for (std::size_t k = 0; k < 16; ++k) std::printf("%.9g%s", static_cast<double>(m[k]), k + 1 < 16 ? ", " : "}\n");
}

const char* verdict(bool hit) { return hit ? "hit " : "miss"; }

int listDisagreements(Workload& w, bool grazing, int grazingCount) {
    std::printf("Poses on which coldet (ours), FCL and the exact double-precision check differ.\n");
    std::printf(
        "depth: the deepest crossing pair's penetration (shortest separating move), with the\n"
        "length of its common segment; gap: the distance between the meshes. \"touching\": depth\n"
        "or gap under %g units, where float rounding decides; \"clear\": whoever differs from\n"
        "the exact answer is wrong.\n"
        "Matrices: column-major, own placed by \"own\", other by \"other\" (printed exactly).\n",
        TouchTolerance);
    if (grazing)
        std::printf(
            "Grazing poses: %d random pairs per set, each slid to first contact and given as\n"
            "the last crossing and the first clear float position (even poses cross, odd do not);\n"
            "only the first %d touching disagreements per set are printed.\n",
            grazingCount, GrazingLinesPerSet);
    std::printf("\n");
    int clearOurs = 0;
    std::uint64_t grazingSeed = BaseSeed ^ 0x6772617A696E67ull;  // "grazing"
    for (PoseSet& s : w.sets) {
        if (grazing) {
            s.poses = bench::makeGrazingPoseSet(*s.ownMesh, *s.otherMesh, grazingSeed, grazingCount);
            grazingSeed += 0x10000;
#ifdef HAVE_FCL
            s.fcl = std::make_unique<bench::FclPoseSet>(*s.ownMesh, *s.otherMesh, s.poses);
#endif
        }
        // Per checker: ours, FCL float, FCL double.
        struct Tally {
            int missed = 0, falseHits = 0, clear = 0, agreeWithOurs = 0;
            double deepestMiss = 0.0, widestFalseHit = 0.0;
        };
        Tally tally[3];
        const char* const checkers[3] = {"ours", "fcl(f)", "fcl(d)"};
        int listed = 0, printed = 0, crossing = 0;
        for (std::size_t i = 0; i < s.poses.size(); ++i) {
            const PosePair& p = s.poses[i];
            const bool exact = bench::meshesCross(*s.ownMesh, p.own, *s.otherMesh, p.other);
            bool said[3] = {s.ours(i), exact, exact};
#ifdef HAVE_FCL
            said[1] = s.fcl->collide(bench::FclPrecision::Float, i);
            said[2] = s.fcl->collide(bench::FclPrecision::Double, i);
#endif
            crossing += exact;
            for (Tally& t : tally) t.agreeWithOurs += said[&t - tally] == said[0];
            if (said[0] == exact && said[1] == exact && said[2] == exact) continue;
            const bench::MeshRelation rel = bench::meshRelation(*s.ownMesh, p.own, *s.otherMesh, p.other);
            const double measure = rel.crossing ? rel.depth : rel.gap;
            const bool touching = measure < TouchTolerance;
            for (int k = 0; k < 3; ++k) {
                if (said[k] == exact) continue;
                Tally& t = tally[k];
                t.clear += !touching;
                if (exact) {
                    ++t.missed;
                    t.deepestMiss = std::max(t.deepestMiss, rel.depth);
                } else {
                    ++t.falseHits;
                    t.widestFalseHit = std::max(t.widestFalseHit, rel.gap);
                }
            }
            ++listed;
            if (grazing && touching && printed >= GrazingLinesPerSet) continue;
            ++printed;
#ifdef HAVE_FCL
            std::printf("%-7s pose %5zu  ours %s  fcl(f) %s  fcl(d) %s  exact %s  ", s.name.c_str(), i,
                        verdict(said[0]), verdict(said[1]), verdict(said[2]), verdict(exact));
#else
            std::printf("%-7s pose %5zu  ours %s  exact %s  ", s.name.c_str(), i, verdict(said[0]), verdict(exact));
#endif
            if (rel.crossing)
                std::printf("depth %.3g, segment %.3g", rel.depth, rel.segment);
            else
                std::printf("gap %.3g", rel.gap);
            std::printf(" (own tri %d, other tri %d)  %s\n", rel.ownTriangle, rel.otherTriangle,
                        touching ? "touching" : "clear");
            printMatrix("own", p.own);
            printMatrix("other", p.other);
        }
        const std::size_t n = s.poses.size();
        std::printf("%s: %zu poses, %d crossing (exact); %d differ somewhere, %d printed\n", s.name.c_str(), n,
                    crossing, listed, printed);
        std::printf("  %-7s %6s %7s %13s %10s %13s %6s %9s\n", "", "wrong", "missed", "deepest miss", "false hits",
                    "widest gap", "clear", "as ours %");
#ifdef HAVE_FCL
        const int checkerCount = 3;
#else
        const int checkerCount = 1;
#endif
        for (int k = 0; k < checkerCount; ++k) {
            const Tally& t = tally[k];
            std::printf("  %-7s %6d %7d %13.3g %10d %13.3g %6d %9s\n", checkers[k], t.missed + t.falseHits, t.missed,
                        t.deepestMiss, t.falseHits, t.widestFalseHit, t.clear, percent(t.agreeWithOurs, n).c_str());
        }
        clearOurs += tally[0].clear;
        std::printf("\n");
    }
    std::printf("Clear errors of ours over all sets: %d\n", clearOurs);
    return clearOurs == 0 ? 0 : 1;
}

// Only coldet's model queries on one set, repeated: a quiet target for callgrind.
int profile(Workload& w, const std::string& name) {
    for (PoseSet& s : w.sets) {
        if (s.name != name) continue;
        int hits = 0;
        for (int round = 0; round < 10; ++round)
            for (std::size_t i = 0; i < s.poses.size(); ++i) hits += s.ours(i);
        std::printf("%s: %d hits in %zu queries\n", name.c_str(), hits, 10 * s.poses.size());
        return 0;
    }
    std::fprintf(stderr, "coldet_bench: no pose set named %s\n", name.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    bool disagreements = false;
    bool grazing = false;
    bool posesGiven = false;
    std::string profileSet;
    int posesPerSet = DefaultPosesPerSet;

    // Take our own options out; leave the rest to Google Benchmark.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--disagreements") == 0) {
            disagreements = true;
        } else if (std::strcmp(a, "--grazing") == 0) {
            grazing = true;
        } else if (std::strncmp(a, "--profile=", 10) == 0) {
            profileSet = a + 10;
        } else if (std::strncmp(a, "--poses=", 8) == 0) {
            posesPerSet = std::atoi(a + 8);
            posesGiven = true;
            if (posesPerSet < 1) {
                std::fprintf(stderr, "coldet_bench: --poses needs a positive count\n");
                return 2;
            }
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;

    try {
        Workload w;
        makeWorkload(w, posesPerSet);
        if (!profileSet.empty()) return profile(w, profileSet);
        if (disagreements || grazing)
            return listDisagreements(w, grazing, posesGiven ? posesPerSet : DefaultGrazingPairs);

        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
        for (PoseSet& s : w.sets) checkPoseSet(s);
        for (ProbeSet& p : w.probes) checkProbeSet(p);
        registerBenchmarks(w);
        SummaryReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        printSummary(w, reporter, elapsed);
    } catch (const Inconsistency&) {
        std::fprintf(stderr, "coldet_bench: the collision library reported Inconsistency\n");
        return 1;
    } catch (const TimeoutExpired&) {
        std::fprintf(stderr, "coldet_bench: a model query ran past its time limit\n");
        return 1;
    }
    return 0;
}
