#pragma once

#include "view/Vec3.h"

// Free look-at camera in the z-up world frame. World units; angles in radians.
// Nothing clamps the camera to the terrain, and `up` is used as given (neither
// normalised nor kept orthogonal to the view direction).
//
// Invariant: every operation keeps the length of the horizontal (x, y) offset
// between eye and target. Operations that normalise a horizontal direction
// require eye and target not to share both x and y (the result is undefined
// otherwise; the scene's placement never creates that state).
class Camera {
public:
    Vec3 eye{0.0f, 0.0f, 0.0f};
    Vec3 target{0.0f, 1.0f, 0.0f};
    Vec3 up{0.0f, 0.0f, 1.0f};

    void set(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float upX,
             float upY, float upZ);

    // Moves only the eye. A non-zero heightStep lowers the eye by heightStep * 100
    // (a negative step raises it), refused once the view direction points down
    // steeper than -0.95 (raising) or flatter than -0.2 (lowering); the limits are
    // tested on the direction before the step, so one step may carry past them.
    // A non-zero angle then rotates the eye about the vertical line through
    // `centre` by -angle (positive turns clockwise seen from above).
    void orbit(Vec3 centre, float heightStep, float angle);
    // Along the horizontal direction from target to eye: negative moves forward.
    void moveHorizontal(float amount);
    // Sideways along normalize(cross(eye - target, up)): positive moves left when up is +z.
    void strafe(float amount);
    // Along `up` (not normalised).
    void moveVertical(float amount);

    // gluLookAt with eye, target and up; expects a current, reset modelview matrix.
    void look() const;
};
