#include "views/spectral/LandscapeModule.h"

#include <memory>

#include "document/SoundDocument.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/common/ScenePicture.h"
#include "views/spectral/LandscapeFrame.h"
#include "views/spectral/LandscapeView.h"
#include "views/spectral/LandscapeViewSettings.h"

namespace {

constexpr int kCmdFFT3D = 32806;
// Its own command: 32825 is the cancel command (Escape).
constexpr int kCmdShowFFT3D = 32835;
constexpr int kTitleFFT3D = 135;

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    if (!TakeSelection(context, request)) return false;
    auto view = std::make_unique<LandscapeView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    view->OnInitialUpdate();
    view->RebuildNow();  // too little sound: the message is in the picture
    return WriteScenePicture(context, request, *view);
}

}  // namespace

void RegisterFFT3DModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Landscape;
    window.toggleCommand = kCmdFFT3D;
    window.showCommand = kCmdShowFFT3D;
    window.titleString = kTitleFFT3D;
    window.slot = kSlotLandscape;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<LandscapeFrame>(context.settings, context.doc);
    };
    window.menuOrder = 30;
    window.toolBarOrder = 30;
    window.kidsBarOrder = 10;
    window.icon = QStringLiteral("fft3d");
    window.openOrder = 5;
    window.openFlag = "IniFensterFFT3D";
    window.settings = {
        {kPlaceWindowFlags + 2, {{"Fenster", "IniFensterFFT3D", &ProfileSettings::IniFensterFFT3D}}},
        {kPlaceModuleSettings + 3, LandscapeViewSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule fft3d;
    fft3d.name = QStringLiteral("fft3d");
    fft3d.module = Module::Landscape;
    fft3d.defaultSize = QSize(1000, 700);
    fft3d.renderNeedsOpenGL = true;
    fft3d.render = Render;
    CommandLineModules::Register(std::move(fft3d));
}
