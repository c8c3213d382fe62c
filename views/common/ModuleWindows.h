#pragma once
// The module windows of the program: which exist, which are open, and the commands that
// open, close and show them. A module joins by registering how its frame is made, where the
// main window shows it (menu, tool bars, icon), where its placement is kept and its profile
// keys; modules that are not registered do not appear anywhere.

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "document/IModuleFrame.h"
#include "settings/SettingDescriptor.h"
#include "views/common/ModuleContext.h"

class ModuleFrame;
class QMdiArea;

class ModuleWindows {
public:
    struct Registration {
        Module module;
        int toggleCommand;  // menu command id; its string is the menu text
        int showCommand;    // 0 when the module has none
        int titleString;    // window title
        // WindowSlot of its placement (a new module asks ProfileSettings::AddPlacementSlot for
        // one); below 1: no stored placement.
        int slot;
        // Makes the frame holding the view and its control bar. The view's initial update runs
        // after the document knows the frame.
        std::function<std::unique_ptr<ModuleFrame>(const ModuleContext&)> create;
        // A fixed-size frame gets this size (at least what its content needs); ignored for a
        // resizable one.
        QSize fixedSize;
        // Where a frame without a stored placement opens.
        QPoint position;
        // Places of its toggle among the modules' toggles of the View menu, the standard bar
        // and the kids bar; 0: not there. The kids bar's modules are its big pictures, of
        // which kids mode keeps one open.
        int menuOrder = 0;
        int toolBarOrder = 0;
        int kidsBarOrder = 0;
        QString icon;  // the toggle's icon, resources/icons/<icon>.svg
        // A profile opens the windows it remembers open in this order, lowest first.
        int openOrder = 0;
        const char* openFlag = nullptr;  // the profile key that remembers the window open
        // The module's profile keys; they join ProfileSettings' key table.
        std::vector<SettingTable> settings;
    };

    explicit ModuleWindows(const ModuleContext& context);
    ~ModuleWindows();
    ModuleWindows(const ModuleWindows&) = delete;
    ModuleWindows& operator=(const ModuleWindows&) = delete;

    // The MDI area the frames go into.
    void SetArea(QMdiArea* area) { m_area = area; }

    // Registering a module again replaces its registration (its profile keys only when the new
    // one brings keys). Unregistering takes its keys and a slot it added along.
    static void Register(Registration registration);
    static void Unregister(Module module);
    // A module number for a module the document does not compute for: the first one above
    // the document's own modules that no registration holds.
    static Module FreeModule();
    // The registrations in the order of one of the places above, leaving out those not there.
    static std::vector<const Registration*> InOrder(int Registration::*order);
    static const std::vector<Registration>& Registered();
    static const Registration* Find(Module module);
    static const Registration* FindByCommand(int commandId);

    bool IsOpen(Module module) const;
    ModuleFrame* Frame(Module module) const;
    // Opens a closed module, closes an open one. In kids mode, opening one of score, 3D FFT,
    // 3D reconstruction or sonogram closes the other three.
    void Toggle(Module module);
    void Open(Module module);
    void Close(Module module);
    // Brings an open module to the front, shown and not minimised; does nothing for a closed one.
    void Show(Module module);
    void CloseAll();
    // Every open frame stores its placement, or re-applies it.
    void StorePlacements();
    void ApplyPlacements();
    std::vector<ModuleFrame*> OpenFrames() const;

private:
    void SetOpenFlag(Module module, bool open);
    // Closing from the window's own close button: the frame goes once its close event is over.
    void CloseByUser(Module module);
    void Release(Module module, bool later);

    ModuleContext m_context;
    QMdiArea* m_area = nullptr;
    std::map<Module, std::unique_ptr<ModuleFrame>> m_frames;
};
