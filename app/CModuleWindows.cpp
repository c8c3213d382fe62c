#include "app/CModuleWindows.h"

#include <QMdiArea>
#include <algorithm>

#include "app/CKalvoApp.h"
#include "app/CModuleFrame.h"
#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"

namespace {

std::vector<CModuleWindows::Registration>& Table() {
    static std::vector<CModuleWindows::Registration> table;
    return table;
}

constexpr std::size_t Index(Module m) { return static_cast<std::size_t>(m); }

// Modules of which kids mode keeps only one open: the big pictures fill the same place.
bool IsKidsExclusive(Module m) {
    return m == Module::Notenbild || m == Module::FFT3D || m == Module::Reko || m == Module::Sono;
}

}  // namespace

CModuleWindows::CModuleWindows(CKalvoApp& app, CKalvoDoc& doc) : m_app(app), m_doc(doc) {}

CModuleWindows::~CModuleWindows() { CloseAll(); }

void CModuleWindows::Register(Registration registration) {
    auto& table = Table();
    std::erase_if(table, [&](const Registration& r) { return r.module == registration.module; });
    table.push_back(std::move(registration));
}

void CModuleWindows::Unregister(Module module) {
    std::erase_if(Table(), [&](const Registration& r) { return r.module == module; });
}

const std::vector<CModuleWindows::Registration>& CModuleWindows::Registered() { return Table(); }

const CModuleWindows::Registration* CModuleWindows::Find(Module module) {
    for (const Registration& r : Table())
        if (r.module == module) return &r;
    return nullptr;
}

const CModuleWindows::Registration* CModuleWindows::FindByCommand(int commandId) {
    for (const Registration& r : Table())
        if (r.toggleCommand == commandId || (r.showCommand != 0 && r.showCommand == commandId)) return &r;
    return nullptr;
}

bool CModuleWindows::IsOpen(Module module) const { return m_frames[Index(module)] != nullptr; }

CModuleFrame* CModuleWindows::Frame(Module module) const { return m_frames[Index(module)].get(); }

std::vector<CModuleFrame*> CModuleWindows::OpenFrames() const {
    std::vector<CModuleFrame*> frames;
    for (const auto& f : m_frames)
        if (f) frames.push_back(f.get());
    return frames;
}

void CModuleWindows::SetOpenFlag(Module module, bool open) {
    int* flag = nullptr;
    switch (module) {
        case Module::FFT: flag = &m_app.IniFensterFFT; break;
        case Module::FFT3D: flag = &m_app.IniFensterFFT3D; break;
        case Module::Analyse: flag = &m_app.IniFensterAnalyse; break;
        case Module::Notenbild: flag = &m_app.IniFensterNotenbild; break;
        case Module::Reko: flag = &m_app.IniFensterReko; break;
        case Module::Sono: flag = &m_app.IniFensterSono; break;
        case Module::Wavelet: flag = &m_app.IniFensterWavelet; break;
        case Module::Zeitreihe: flag = &m_app.IniFensterZeitreihe; break;
        case Module::Info:
        case Module::Count: break;
    }
    if (flag) *flag = open ? 1 : 0;
}

void CModuleWindows::Open(Module module) {
    if (IsOpen(module)) return;
    const Registration* r = Find(module);
    if (!r || !r->create) return;
    if (module == Module::FFT3D || module == Module::Reko) m_doc.m_bClose3DWindows = 0;
    std::unique_ptr<CModuleFrame> frame(r->create(m_app, m_doc));
    if (!frame) return;
    frame->setWindowTitle(Str(r->titleString));
    if (m_area) m_area->addSubWindow(frame.get());
    // Kids mode hides the control bars of the big pictures: the profile holds their settings.
    if (m_app.IsKidsMode() && (module == Module::FFT || IsKidsExclusive(module))) frame->SetControlBarVisible(false);
    frame->ApplyStoredPlacement();
    frame->show();
    m_frames[Index(module)] = std::move(frame);
    SetOpenFlag(module, true);
    if (m_app.IsKidsMode() && IsKidsExclusive(module)) {
        for (Module other : {Module::Notenbild, Module::FFT3D, Module::Reko, Module::Sono})
            if (other != module) Close(other);
    }
}

void CModuleWindows::Close(Module module) {
    std::unique_ptr<CModuleFrame>& frame = m_frames[Index(module)];
    if (!frame) return;
    frame->StorePlacement();
    if (m_area) m_area->removeSubWindow(frame.get());
    m_doc.SetModuleFrame(module, nullptr);
    frame.reset();
    SetOpenFlag(module, false);
}

void CModuleWindows::Toggle(Module module) {
    if (IsOpen(module)) Close(module);
    else Open(module);
}

void CModuleWindows::Show(Module module) {
    if (CModuleFrame* frame = Frame(module)) {
        frame->raise();
        if (m_area) m_area->setActiveSubWindow(frame);
    }
}

void CModuleWindows::CloseAll() {
    // The order in which profiles open them, so that closing and reopening keeps the stacking.
    for (Module m : {Module::Reko, Module::Zeitreihe, Module::FFT, Module::Sono, Module::FFT3D, Module::Analyse,
                     Module::Notenbild, Module::Wavelet, Module::Info})
        Close(m);
}

void CModuleWindows::StorePlacements() {
    for (CModuleFrame* f : OpenFrames()) f->StorePlacement();
}

void CModuleWindows::ApplyPlacements() {
    for (CModuleFrame* f : OpenFrames()) f->ApplyStoredPlacement();
}
