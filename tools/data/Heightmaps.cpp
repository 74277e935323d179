#include "tools/data/Heightmaps.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/data/Erosion.h"
#include "tools/data/Noise.h"
#include "tools/data/Random.h"
#include "tools/data/StartView.h"

namespace datagen {

namespace {

float smoothstep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Erosion parameters are in world units (a byte is 1/8 unit), so the talus and
// capacities mean the same slopes the viewer shows.
constexpr float kWorldPerByte = 0.125f;

// Start-view quads an unweathered landscape must reach at the smaller
// programs' top coefficient (3) to be kept as framed. Weathering takes up to a
// third off the estimate and the programs draw a fifth or more above it, so
// this leaves them their 32,000 to 35,000 below that coefficient.
constexpr long kFramedQuads = 48000;

} // namespace

void weather(Grid& g, uint32_t seed, int droplets)
{
    for (float& v : g.values)
        v *= kWorldPerByte;
    HydraulicParams hp;
    hp.droplets = droplets;
    // Gentle rates: the grid is coarse (one sample per world unit), and strong
    // rates dig pits and bury whole valleys.
    hp.capacity = 0.6f;
    hp.erodeRate = 0.15f;
    hp.depositRate = 0.2f;
    hp.seed = seed;
    hydraulicErosion(g, hp);
    thermalErosion(g, 1.1f, 0.5f, 20);
    for (float& v : g.values)
        v /= kWorldPerByte;
}

LatticeOffset frameStartView(const std::function<long(LatticeOffset)>& score, long target)
{
    LatticeOffset best;
    long bestScore = -1;
    for (int i = 0; i < 16 && bestScore < target; ++i) {
        const LatticeOffset candidate{static_cast<float>(i % 4) * 0.25f, static_cast<float>(i / 4) * 0.25f};
        const long s = score(candidate);
        if (s > bestScore) {
            bestScore = s;
            best = candidate;
        }
    }
    return best;
}

Grid mainLandscapeBase(uint32_t seed, LatticeOffset offset)
{
    Grid g(kMapSize, kMapSize);
    const FractalParams hills{3, 3, 6, 0.6f, seed};
    const FractalParams warp{2, 2, 3, 0.5f, seed + 101u};
    const FractalParams ridges{2, 2, 5, 0.55f, seed + 202u};
    const FractalParams mask{2, 2, 2, 0.5f, seed + 303u};
    const FractalParams outcrops{16, 16, 2, 0.5f, seed + 505u};
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const float u = static_cast<float>(x) / kMapSize + offset.u;
            const float v = static_cast<float>(y) / kMapSize + offset.v;
            // Domain warp bends the ridge lines so they do not follow the lattice.
            const float wu = u + 0.08f * fractalNoise(u, v, warp);
            const float wv = v + 0.08f * fractalNoise(u + 0.37f, v + 0.71f, warp);
            const float base = 0.5f + 0.5f * fractalNoise(wu, wv, hills);
            const float ridge = ridgedNoise(wu, wv, ridges);
            const float ridgeMask = smoothstep(-0.3f, 0.5f, fractalNoise(u, v, mask));
            float h = 0.55f * base + 0.6f * ridge * (0.35f + 0.65f * ridgeMask);
            // Rocky knolls and gullies a few grid steps across: the small-scale
            // roughness that makes near terrain worth drawing in detail.
            // Sampled rotated and warped, so their crests do not line up with the lattice.
            const float ru = 0.866f * wu - 0.5f * wv;
            const float rv = 0.5f * wu + 0.866f * wv;
            h += 0.5f * ridgedNoise(ru + 0.3f, rv + 0.7f, outcrops);
            // Flatter valley floors, steeper upper slopes.
            h = std::pow(std::max(h, 0.0f), 1.4f);
            g.at(x, y) = h;
        }
    }
    stretch(g, 0.0f, 255.0f);
    return g;
}

Grid makeMainLandscape(uint32_t seed)
{
    // Framed for the cliff programs, which see this map with its rock field at
    // half the height: the hardest of the quad budgets to meet.
    const LatticeOffset framing = frameStartView(
        [seed](LatticeOffset candidate) {
            Grid g = mainLandscapeBase(seed, candidate);
            sharpenRockField(g);
            return startViewQuads(toBytes(g), 3.0, kCliffQuads);
        },
        kFramedQuads);
    Grid g = mainLandscapeBase(seed, framing);
    weather(g, seed + 404u, 12000);
    stretch(g, 2.0f, 253.0f);
    return g;
}

Grid terraceLandscapeBase(uint32_t seed, LatticeOffset offset)
{
    Grid g(kMapSize, kMapSize);
    const FractalParams broad{2, 2, 5, 0.5f, seed};
    const FractalParams detail{8, 8, 3, 0.5f, seed + 11u};
    const FractalParams crags{16, 16, 2, 0.5f, seed + 33u};
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const float u = static_cast<float>(x) / kMapSize + offset.u;
            const float v = static_cast<float>(y) / kMapSize + offset.v;
            float h = 0.5f + 0.5f * fractalNoise(u, v, broad);
            // Terraces: each step band keeps a flat top and a steep riser.
            const float steps = 8.0f;
            const float s = h * steps;
            const float band = std::floor(s);
            h = (band + smoothstep(0.6f, 0.9f, s - band)) / steps;
            h += 0.04f * fractalNoise(u, v, detail);
            // Crags break the terraces up, most of all in front of the start
            // point, where the tiles program's quad budget is met.
            const float craggy =
                0.35f + 0.65f * startViewWeight(static_cast<float>(x), static_cast<float>(y));
            h += 0.3f * craggy * ridgedNoise(u + 0.13f, v + 0.29f, crags);
            g.at(x, y) = h;
        }
    }
    stretch(g, 0.0f, 255.0f);
    return g;
}

Grid makeTerraceLandscape(uint32_t seed)
{
    const LatticeOffset framing = frameStartView(
        [seed](LatticeOffset candidate) {
            return startViewQuads(toBytes(terraceLandscapeBase(seed, candidate)), 3.0, kTilesQuads);
        },
        kFramedQuads);
    Grid g = terraceLandscapeBase(seed, framing);
    // Light weathering: the crags are meant to stay sharp.
    weather(g, seed + 22u, 2000);
    stretch(g, 3.0f, 252.0f);
    return g;
}

MapEdits chooseEdits(uint32_t seed, const Grid& map)
{
    Random r(seed);
    MapEdits e{};
    e.plateauX = static_cast<float>(r.range(80.0, 104.0));
    e.plateauY = static_cast<float>(r.range(14.0, 28.0));
    e.plateauRadius = 13.0f;
    // The crater goes on the highest of a few candidate spots, so its bowl has
    // room to sink below the surrounding ground.
    e.craterRadius = 10.0f;
    float best = -1.0f;
    for (int k = 0; k < 12; ++k) {
        const float x = static_cast<float>(r.range(16.0, 60.0));
        const float y = static_cast<float>(r.range(96.0, 114.0));
        const float level = map.sample(x, y);
        if (level > best) {
            best = level;
            e.craterX = x;
            e.craterY = y;
        }
    }
    e.riverY = static_cast<float>(r.range(58.0, 70.0));
    e.riverWidth = 3.0f;
    return e;
}

float riverCentre(const MapEdits& edits, float x)
{
    return edits.riverY + 9.0f * std::sin(x * 0.085f) + 4.0f * std::sin(x * 0.23f + 1.3f);
}

void sharpenRockField(Grid& g)
{
    // Unsharp masking against a 7 x 7 mean triples the small-scale relief, so
    // the rocks still stand out at the cliff programs' half height scale.
    const Grid original = g;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            const float w = startViewWeight(static_cast<float>(x), static_cast<float>(y));
            if (w <= 0.0f) continue;
            float sum = 0.0f;
            for (int j = -3; j <= 3; ++j)
                for (int i = -3; i <= 3; ++i)
                    sum += original.clamped(x + i, y + j);
            const float detail = original.at(x, y) - sum / 49.0f;
            g.at(x, y) = std::clamp(original.at(x, y) + 2.0f * w * detail, 0.0f, 255.0f);
        }
    }
}

Grid applyEdits(const Grid& original, const MapEdits& e)
{
    Grid g = original;
    sharpenRockField(g);

    // Plateau: level ground at the height of its centre, blending into the hills
    // over the outer third of the radius.
    const float plateauLevel = original.sample(e.plateauX, e.plateauY);
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            const float d =
                std::hypot(static_cast<float>(x) - e.plateauX, static_cast<float>(y) - e.plateauY);
            const float w = 1.0f - smoothstep(0.65f * e.plateauRadius, e.plateauRadius, d);
            g.at(x, y) += (plateauLevel - g.at(x, y)) * w;
        }
    }

    // Crater: a parabolic bowl below the surrounding ground with a raised rim.
    const float depth = 60.0f;
    const float rim = 24.0f;
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            const float d = std::hypot(static_cast<float>(x) - e.craterX, static_cast<float>(y) - e.craterY);
            const float q = d / e.craterRadius;
            float dh = rim * std::exp(-(q - 1.0f) * (q - 1.0f) / 0.04f);
            if (q < 1.0f) dh -= depth * (1.0f - q * q);
            g.at(x, y) += dh;
        }
    }

    // River bed: a channel whose floor never rises downstream (so water could
    // flow along it from x = 0 to the last column), with banks of a fixed slope.
    std::vector<float> floorLevel(static_cast<size_t>(g.width));
    float level = 1e9f;
    for (int x = 0; x < g.width; ++x) {
        const float cy = riverCentre(e, static_cast<float>(x));
        level = std::min(level, g.sample(static_cast<float>(x), cy) - 16.0f);
        floorLevel[static_cast<size_t>(x)] = std::max(level, 0.0f);
    }
    const float bankSlope = 10.0f; // bytes per grid step
    for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
            const float d = std::fabs(static_cast<float>(y) - riverCentre(e, static_cast<float>(x)));
            const float bed =
                floorLevel[static_cast<size_t>(x)] + bankSlope * std::max(0.0f, d - e.riverWidth * 0.5f);
            g.at(x, y) = std::min(g.at(x, y), bed);
        }
    }

    for (float& v : g.values)
        v = std::clamp(v, 0.0f, 255.0f);
    return g;
}

} // namespace datagen
