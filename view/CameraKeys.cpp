#include "view/CameraKeys.h"

#include "platform/VirtualKeys.h"
#include "view/Camera.h"

void applyCameraKeys(Camera& camera, const uint8_t keyState[256], float step)
{
    if (keyState[vk::letter('W')]) camera.moveVertical(-step);
    if (keyState[vk::letter('S')]) camera.moveVertical(step);

    const bool control = keyState[vk::Control] != 0;
    if (control) {
        // The centre is a copy of the target taken at each call.
        if (keyState[vk::Up]) camera.orbit(camera.target, -0.01f * step, 0.0f);
        if (keyState[vk::Down]) camera.orbit(camera.target, 0.01f * step, 0.0f);
        if (keyState[vk::Left]) camera.orbit(camera.target, 0.0f, -0.01f * step);
        if (keyState[vk::Right]) camera.orbit(camera.target, 0.0f, 0.01f * step);
    } else {
        if (keyState[vk::Up]) camera.moveHorizontal(-step);
        if (keyState[vk::Down]) camera.moveHorizontal(step);
        if (keyState[vk::Left]) camera.strafe(step);
        if (keyState[vk::Right]) camera.strafe(-step);
    }
}
