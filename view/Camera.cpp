#include "view/Camera.h"

#include <cmath>

void Camera::set(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
                 float upY, float upZ)
{
    eye = {eyeX, eyeY, eyeZ};
    target = {targetX, targetY, targetZ};
    up = {upX, upY, upZ};
}

void Camera::orbit(Vec3 centre, float heightStep, float angle)
{
    const float offsetX = eye.x - centre.x;
    const float offsetY = eye.y - centre.y;
    const Vec3 dir = normalize(target - eye);

    if (heightStep != 0.0f) {
        // Keeps the view between nearly straight down and a shallow look downwards.
        if ((dir.z < -0.2f && heightStep > 0.0f) || (dir.z > -0.95f && heightStep < 0.0f))
            eye.z = eye.z - heightStep * 100.0f;
    }

    if (angle != 0.0f) {
        const float c = std::cos(angle);
        const float s = std::sin(angle);
        eye.x = centre.x + c * offsetX + s * offsetY;
        eye.y = centre.y - s * offsetX + c * offsetY;
    }
}

void Camera::moveHorizontal(float amount)
{
    Vec3 d = normalize(eye - target);
    d.z = 0.0f;
    d = normalize(d);
    eye = eye + d * amount;
    target = target + d * amount;
}

void Camera::strafe(float amount)
{
    const Vec3 s = normalize(cross(eye - target, up));
    eye = eye + s * amount;
    target = target + s * amount;
}

void Camera::moveVertical(float amount)
{
    eye = eye + up * amount;
    target = target + up * amount;
}
