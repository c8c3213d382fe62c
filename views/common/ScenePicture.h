#pragma once
// `--render` for the 3D views: their scene drawn offscreen with OpenGL at the request's size
// and written as PNG, BMP or DDS.

#include "views/common/CommandLineModules.h"

class GlSceneView;

// Gives the document the request's selection (the whole sound without one).
bool TakeSelection(const ModuleContext& context, const ScriptRequest& request);
// The view's picture into request.outFile; false when OpenGL failed (the user was told) or the
// file cannot be written.
bool WriteScenePicture(const ModuleContext& context, const ScriptRequest& request, GlSceneView& view);
