#include "scene/LodControl.h"

void adjustLodCoefficient(LodControl& lod)
{
    const int32_t budgetUnits = lod.quadsDrawn / 5000;
    if (budgetUnits > lod.lodRange + 1) {
        lod.lodCoefficient *= 0.9f;
        if (lod.lodCoefficient < 0.2f) lod.lodCoefficient = 0.2f;
    }
    if (budgetUnits < lod.lodRange - 1) {
        lod.lodCoefficient *= 1.1f;
        if (lod.lodCoefficient > 9.0f) lod.lodCoefficient = 9.0f;
    }
}

void adjustLodRange(LodControl& lod, double smoothedFrameRate)
{
    if (!lod.autoRangeAdjust) return;
    lod.rangeCountdown -= 1;
    if (lod.rangeCountdown >= 0) return;
    if (smoothedFrameRate > 150.0) {
        if (lod.lodRange < 20) lod.lodRange += 1;
        lod.rangeCountdown = 10;
    } else if (smoothedFrameRate < 40.0) {
        if (lod.lodRange > 1) lod.lodRange -= 1;
        lod.rangeCountdown = 10;
    }
}

void toggleAutoRangeAdjust(LodControl& lod)
{
    lod.autoRangeAdjust = !lod.autoRangeAdjust;
    if (!lod.autoRangeAdjust) lod.lodRange = 7;
}

void adjustLodCoefficientToBand(float& lodCoefficient, int32_t quadsDrawn, int32_t high, int32_t low,
                                float lowest, float highest)
{
    if (quadsDrawn > high) {
        lodCoefficient *= 0.9f;
        if (lodCoefficient < lowest) lodCoefficient = lowest;
    }
    if (quadsDrawn < low) {
        lodCoefficient *= 1.1f;
        if (lodCoefficient > highest) lodCoefficient = highest;
    }
}
