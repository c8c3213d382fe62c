#pragma once
// A module window with an empty view (and optionally an empty control bar), standing in for
// the analysis modules in tests of the module windows. It keeps the rest of the module's own
// registration (menu and bar places, icon, profile keys), as the program registers it.

#include <QWidget>
#include <memory>

#include "views/Modules.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"

namespace test {

inline ModuleWindows::Registration StandInModule(Module module, int slot, int command, bool withBar = false,
                                                 bool resizable = true, int title = 130) {
    RegisterModules();
    const ModuleWindows::Registration* own = ModuleWindows::Find(module);
    ModuleWindows::Registration r = own ? *own : ModuleWindows::Registration{};
    r.module = module;
    r.toggleCommand = command;
    r.showCommand = 0;
    r.titleString = title;
    r.slot = slot;
    r.create = [slot, withBar, resizable](const ModuleContext& context) {
        return std::make_unique<ModuleFrame>(context.settings, slot, new QWidget,
                                             withBar ? new QWidget : nullptr, resizable);
    };
    return r;
}

}  // namespace test
