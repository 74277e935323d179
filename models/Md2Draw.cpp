// The OpenGL side of the model: immediate-mode triangles.
#include "models/Md2Model.h"

#include "models/Md2Normals.h"
#include "platform/GlApi.h"

void Md2Model::Animate(float speed, float now)
{
    if (isStatic) {
        RenderFrame(0.0f);
        return;
    }
    advanceAnimation(*this, speed, now);
    RenderFrame(static_cast<float>(currentFrame));
}

void Md2Model::RenderFrame(float frame)
{
    const int32_t f = renderableFrame(*this, frame);
    if (f < 0) return;

    // Handed on to whatever is drawn next, as the rest of the frame expects.
    glBindTexture(GL_TEXTURE_2D, skinTexture);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glCullFace(GL_FRONT);

    const Md2Frame& normalsFrom = frames[isStatic ? 0 : static_cast<size_t>(f)];
    const std::vector<Vec3>& positions = isStatic ? frames[0].positions : pose;
    glBegin(GL_TRIANGLES);
    for (const Md2Triangle& tri : triangles) {
        for (int k = 0; k < 3; ++k) {
            // Indices were checked against these arrays when the file was parsed.
            const size_t vi = static_cast<size_t>(tri.vertexIndices[k]);
            const Md2TexCoord& st = texCoords[static_cast<size_t>(tri.texCoordIndices[k])];
            glTexCoord2f(st.u, -st.v);
            glNormal3fv(kMd2Normals[normalsFrom.normalIndices[vi]]);
            const Vec3& p = positions[vi];
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
}
