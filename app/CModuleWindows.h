#pragma once
// The module windows of the program: which exist, which are open, and the commands that
// open, close and show them. A module joins by registering how its frame is made; modules
// that are not registered do not appear anywhere.

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "document/IModuleFrame.h"

class CKalvoApp;
class CKalvoDoc;
class CModuleFrame;
class QMdiArea;

class CModuleWindows {
public:
    struct Registration {
        Module module;
        int toggleCommand;  // menu command id; its string is the menu text
        int showCommand;    // 0 when the module has none
        int titleString;    // window title
        int slot;           // WindowSlot of its placement
        // Makes the frame (a new CModuleFrame holding the view and its control bar).
        std::function<CModuleFrame*(CKalvoApp&, CKalvoDoc&)> create;
    };

    CModuleWindows(CKalvoApp& app, CKalvoDoc& doc);
    ~CModuleWindows();

    // The MDI area the frames go into.
    void SetArea(QMdiArea* area) { m_area = area; }

    static void Register(Registration registration);
    static void Unregister(Module module);
    static const std::vector<Registration>& Registered();
    static const Registration* Find(Module module);
    static const Registration* FindByCommand(int commandId);

    bool IsOpen(Module module) const;
    CModuleFrame* Frame(Module module) const;
    // Opens a closed module, closes an open one. In kids mode, opening one of score, 3D FFT,
    // 3D reconstruction or sonogram closes the other three.
    void Toggle(Module module);
    void Open(Module module);
    void Close(Module module);
    // Brings an open module to the front; does nothing for a closed one.
    void Show(Module module);
    void CloseAll();
    // Every open frame stores its placement, or re-applies it.
    void StorePlacements();
    void ApplyPlacements();
    std::vector<CModuleFrame*> OpenFrames() const;

private:
    void SetOpenFlag(Module module, bool open);

    CKalvoApp& m_app;
    CKalvoDoc& m_doc;
    QMdiArea* m_area = nullptr;
    std::array<std::unique_ptr<CModuleFrame>, static_cast<std::size_t>(Module::Count)> m_frames;
};
