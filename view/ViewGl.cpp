// The view's only OpenGL calls; the arithmetic they feed lives in Camera.cpp and Frustum.cpp.
#include "platform/GlApi.h"
#include "view/Camera.h"
#include "view/Frustum.h"

void Camera::look() const
{
    gluLookAt(double(eye.x), double(eye.y), double(eye.z), double(target.x), double(target.y),
              double(target.z), double(up.x), double(up.y), double(up.z));
}

void Frustum::extract()
{
    float projection[16];
    float modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    planes = frustumPlanes(projection, modelview);
}
