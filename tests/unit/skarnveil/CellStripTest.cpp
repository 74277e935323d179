// The row walk of the coarse strip drawing.
#include "skarnveil/CliffTerrain.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CellStripRow walk(const std::vector<uint8_t>& row)
{
    return walkCellStripRow(row.data(), static_cast<int>(row.size()));
}

TEST(CellStripRow, MarkedCellsReachingTheLastColumn)
{
    // Walked from the first marked cell to the row's end; closed by the last
    // cell's right edge: 4 cells + 1.
    const CellStripRow row = walk({0, 1, 1, 1, 1});
    EXPECT_EQ(row.first, 1);
    EXPECT_EQ(row.walked, 4);
    EXPECT_EQ(row.count(), 5);
}

TEST(CellStripRow, AGapEndsTheWalkAfterItsLeftEdge)
{
    // Cells 1 and 2 marked, 3 not: cell 3's left edge is sent, the marked
    // cell 4 after the gap is not walked.
    const CellStripRow row = walk({0, 1, 1, 0, 1, 0});
    EXPECT_EQ(row.first, 1);
    EXPECT_EQ(row.walked, 3);
    EXPECT_EQ(row.count(), 4);
}

TEST(CellStripRow, EmptyRowSendsNothing)
{
    const CellStripRow row = walk({0, 0, 0, 0});
    EXPECT_EQ(row.walked, 0);
    EXPECT_EQ(row.count(), 0);
}

TEST(CellStripRow, FirstCellMarkedAndBytesOtherThanOne)
{
    const CellStripRow row = walk({1, 0, 0});
    EXPECT_EQ(row.first, 0);
    EXPECT_EQ(row.walked, 2);
    // A byte of 2 is not a mark: it neither starts a walk nor continues one.
    const CellStripRow two = walk({2, 1, 2, 1});
    EXPECT_EQ(two.first, 1);
    EXPECT_EQ(two.walked, 2);
    EXPECT_EQ(walk({2, 2}).walked, 0);
}

TEST(CellStripRow, QuadTreeLikeRowNeverMarksTheLastColumn)
{
    // The tree never marks the last column, so a full row stops there with
    // its left edge and is closed by its right edge: no elongated quad.
    std::vector<uint8_t> bytes(128, 1);
    bytes[127] = 0;
    const CellStripRow row = walk(bytes);
    EXPECT_EQ(row.first, 0);
    EXPECT_EQ(row.walked, 128);
    EXPECT_EQ(row.count(), 129);
}

} // namespace
