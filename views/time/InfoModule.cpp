#include "views/time/InfoModule.h"

#include <memory>

#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/time/InfoView.h"

namespace {

constexpr int kCmdWaveInfo = 32797;
constexpr int kTitleInfo = 157;
constexpr int kNoSlot = -1;  // the profiles keep no placement for this window

}  // namespace

void RegisterInfoModule() {
    ModuleWindows::Registration info{};
    info.module = Module::Info;
    info.toggleCommand = kCmdWaveInfo;
    info.showCommand = 0;
    info.titleString = kTitleInfo;
    info.slot = kNoSlot;
    info.create = [](const ModuleContext& context) {
        auto* view = new InfoView(context.doc);  // owned by the frame
        return std::make_unique<ModuleFrame>(context.settings, kNoSlot, view, nullptr, false);
    };
    // A fixed window that holds the whole form, at the top left of the work area.
    info.fixedSize = QSize(510, 360);
    info.position = QPoint(0, 0);
    // No place in the menus; its button follows the other modules' on the standard bar.
    info.toolBarOrder = 90;
    info.icon = QStringLiteral("info");
    ModuleWindows::Register(std::move(info));
}
