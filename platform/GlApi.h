#pragma once

// The one way the project reaches OpenGL: libepoxy's headers resolve every entry
// point (core and extension) on first use; GLU comes after them so its own
// include of GL/gl.h is a no-op.
#include <epoxy/gl.h>

#include <GL/glu.h>
