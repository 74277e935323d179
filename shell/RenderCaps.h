#pragma once

// What the driver offers, decided once by InitRenderState.
struct RenderCaps {
    bool vboUsable = false;          // "GL_ARB_vertex_buffer_object" listed
    bool multitextureUsable = false; // multitexture + env_combine listed, 4 or more units
};
