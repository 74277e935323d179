#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "image/Tga.h"
#include "models/Md2Model.h"
#include "tools/data/Canvas.h"
#include "tools/data/DataSet.h"
#include "tools/data/Random.h"
#include "tools/data/TankModel.h"
#include "tools/data/TreeModel.h"

namespace {

const std::vector<datagen::DataFile>& dataSet()
{
    static const std::vector<datagen::DataFile> files = datagen::makeDataSet(1);
    return files;
}

const std::vector<uint8_t>& file(const std::string& path)
{
    for (const auto& f : dataSet())
        if (f.path == path) return f.bytes;
    static const std::vector<uint8_t> none;
    ADD_FAILURE() << "no file " << path;
    return none;
}

} // namespace

TEST(ReaderRoundTrip, TheProgramsTgaReaderSeesThePaintedPixels)
{
    for (const char* n : {"map/test/tile1.tga", "map/test/tile2.tga", "map/test/tile3.tga",
                          "map/test/lightmap.tga", "cliff.tga", "tank/tank.tga", "Tree/tree.tga"}) {
        const auto ours = decodeTga(file(n));
        const auto rules = testing_support::decodeTgaByRules(file(n));
        ASSERT_TRUE(ours.has_value()) << n;
        ASSERT_TRUE(rules.has_value()) << n;
        EXPECT_EQ(ours->channels, 3) << n;
        EXPECT_EQ(ours->width, rules->width) << n;
        EXPECT_EQ(ours->pixels, rules->pixels) << n;
    }
    // And they are the pixels that were painted, row 0 first.
    const auto tree = decodeTga(file("Tree/tree.tga"));
    ASSERT_TRUE(tree.has_value());
    EXPECT_EQ(tree->pixels, datagen::paintTreeSkin(datagen::stageSeed(1, datagen::kTreeSkin)).pixels);
}

TEST(ReaderRoundTrip, TheProgramsMd2ReaderLoadsBothModels)
{
    for (const char* n : {"tank/tank.md2", "Tree/Tree_low.md2"}) {
        Md2Model model;
        ASSERT_TRUE(parseMd2(file(n), model)) << n;
        testing_support::Md2Facts facts;
        std::string problem;
        ASSERT_TRUE(testing_support::checkMd2(file(n), facts, problem)) << problem;
        ASSERT_EQ(static_cast<int>(model.triangles.size()), facts.numTris);
        ASSERT_EQ(static_cast<int>(model.frames.size()), facts.numFrames);
        ASSERT_EQ(static_cast<int>(model.texCoords.size()), facts.numSt);
        for (int i = 0; i < facts.numSt; ++i) {
            EXPECT_FLOAT_EQ(model.texCoords[static_cast<size_t>(i)].u,
                            static_cast<float>(facts.st[static_cast<size_t>(i)].first) /
                                static_cast<float>(facts.skinWidth));
            EXPECT_FLOAT_EQ(model.texCoords[static_cast<size_t>(i)].v,
                            1.0f - static_cast<float>(facts.st[static_cast<size_t>(i)].second) /
                                       static_cast<float>(facts.skinHeight));
        }
        for (int f = 0; f < facts.numFrames; ++f)
            for (int v = 0; v < facts.numXyz; ++v) {
                const Vec3 p = model.frames[static_cast<size_t>(f)].positions[static_cast<size_t>(v)];
                const auto& q = facts.frames[static_cast<size_t>(f)][static_cast<size_t>(v)];
                EXPECT_FLOAT_EQ(p.x, q[0]);
                EXPECT_FLOAT_EQ(p.z, q[2]);
                EXPECT_EQ(model.frames[static_cast<size_t>(f)].normalIndices[static_cast<size_t>(v)],
                          facts.normals[static_cast<size_t>(f)][static_cast<size_t>(v)]);
            }
        // Models stand on z = 0 at the origin: the frame-0 box's floor is the ground.
        EXPECT_NEAR(model.frameMin[0].z, 0.0f, 0.01f);
    }
}

TEST(ReaderRoundTrip, SkinsAreSampledWhereTheyWerePainted)
{
    // The drawing sends (u, -v) = (s / w, t / h - 1); with repeat wrapping that
    // is texture row t of the rows as the reader delivers them, which must be
    // picture row t counted from the top as painted.
    Md2Model model;
    ASSERT_TRUE(parseMd2(file("Tree/Tree_low.md2"), model));
    const auto skin = decodeTga(file("Tree/tree.tga"));
    ASSERT_TRUE(skin.has_value());
    const datagen::Md2Mesh mesh = datagen::makeTreeMesh();
    for (size_t i = 0; i < model.texCoords.size(); ++i) {
        const double glS = model.texCoords[i].u - std::floor(model.texCoords[i].u);
        const double glT = -model.texCoords[i].v - std::floor(-model.texCoords[i].v);
        const int col = static_cast<int>(std::lround(glS * skin->width)) % skin->width;
        const int row = static_cast<int>(std::lround(glT * skin->height)) % skin->height;
        EXPECT_EQ(col, mesh.texCoords[i].s % skin->width);
        EXPECT_EQ(row, mesh.texCoords[i].t % skin->height);
    }
}
