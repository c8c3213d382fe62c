#include "views/common/ScenePicture.h"

#include "document/SoundDocument.h"
#include "platform/UserInterface.h"
#include "render3d/DdsWriter.h"
#include "render3d/GlSceneView.h"

namespace {
constexpr int kMsgNoOpenGL = 64300;
}

bool TakeSelection(const ModuleContext& context, const ScriptRequest& request) {
    const auto [first, last] =
        request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
    return context.doc.OnSelectionChanged(first, last);
}

bool WriteScenePicture(const ModuleContext& context, const ScriptRequest& request, GlSceneView& view) {
    if (view.HasFailed()) return false;
    QString error;
    const std::optional<QImage> picture = view.RenderOffscreen(request.size, &error);
    if (!picture) {
        context.ui.Message(kMsgNoOpenGL, MessageIcon::Error, error);
        return false;
    }
    return WritePicture3D(request.outFile, *picture);
}
