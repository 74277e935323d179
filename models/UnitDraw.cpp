// The OpenGL side of units: matrix set-up around the model drawing.
#include "models/Units.h"

#include "platform/GlApi.h"
#include "view/Frustum.h"

void UnitPreset::Draw()
{
    model.Animate(0.0f, 0.0f);
}

void Unit::Draw() const
{
    // A unit whose model did not load has no frames to read: nothing to draw.
    if (preset == nullptr || !preset->drawable()) return;

    // The terrain hands on the active unit's texture matrix scaled by 0.1 for
    // its tiles; skins use their own coordinates, so draw with identity and put
    // the terrain's matrix back afterwards.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glScalef(0.5f, 0.5f, 0.5f);
    preset->Draw();
    glPopMatrix();

    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void Unit::DrawCulled(const Frustum& frustum) const
{
    if (preset == nullptr || !preset->drawable()) return;
    // Frame 0's box unscaled: twice the drawn size, so the test is conservative.
    const Vec3 lo = position + preset->model.frameMin[0];
    const Vec3 hi = position + preset->model.frameMax[0];
    if (!frustum.boxVisible(lo.x, lo.y, lo.z, hi.x, hi.y, hi.z)) return;
    Draw();
}

void DrawFoliage(const FoliageList& foliage, const Frustum& frustum)
{
    for (const Unit& tree : foliage)
        tree.DrawCulled(frustum);
}
