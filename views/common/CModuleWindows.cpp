#include "views/common/CModuleWindows.h"

#include <QMdiArea>
#include <algorithm>

#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"
#include "settings/CKalvoSettings.h"
#include "views/common/CModuleFrame.h"
#include "views/common/IViewCommands.h"

namespace {

std::vector<CModuleWindows::Registration>& Table() {
    static std::vector<CModuleWindows::Registration> table;
    return table;
}

constexpr std::size_t Index(Module m) {
    return static_cast<std::size_t>(m);
}

// Modules of which kids mode keeps only one open: the big pictures fill the same place.
bool IsKidsExclusive(Module m) {
    return m == Module::Notenbild || m == Module::FFT3D || m == Module::Reko || m == Module::Sono;
}

}  // namespace

CModuleWindows::CModuleWindows(const ModuleContext& context) : m_context(context) {}

CModuleWindows::~CModuleWindows() {
    CloseAll();
}

void CModuleWindows::Register(Registration registration) {
    auto& table = Table();
    std::erase_if(table, [&](const Registration& r) { return r.module == registration.module; });
    table.push_back(std::move(registration));
}

void CModuleWindows::Unregister(Module module) {
    std::erase_if(Table(), [&](const Registration& r) { return r.module == module; });
}

const std::vector<CModuleWindows::Registration>& CModuleWindows::Registered() {
    return Table();
}

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

bool CModuleWindows::IsOpen(Module module) const {
    return m_frames[Index(module)] != nullptr;
}

CModuleFrame* CModuleWindows::Frame(Module module) const {
    return m_frames[Index(module)].get();
}

std::vector<CModuleFrame*> CModuleWindows::OpenFrames() const {
    std::vector<CModuleFrame*> frames;
    for (const auto& f : m_frames)
        if (f) frames.push_back(f.get());
    return frames;
}

void CModuleWindows::SetOpenFlag(Module module, bool open) {
    int* flag = nullptr;
    switch (module) {
        case Module::FFT:
            flag = &m_context.settings.IniFensterFFT;
            break;
        case Module::FFT3D:
            flag = &m_context.settings.IniFensterFFT3D;
            break;
        case Module::Analyse:
            flag = &m_context.settings.IniFensterAnalyse;
            break;
        case Module::Notenbild:
            flag = &m_context.settings.IniFensterNotenbild;
            break;
        case Module::Reko:
            flag = &m_context.settings.IniFensterReko;
            break;
        case Module::Sono:
            flag = &m_context.settings.IniFensterSono;
            break;
        case Module::Wavelet:
            flag = &m_context.settings.IniFensterWavelet;
            break;
        case Module::Zeitreihe:
            flag = &m_context.settings.IniFensterZeitreihe;
            break;
        case Module::Info:
        case Module::Count:
            break;
    }
    if (flag) *flag = open ? 1 : 0;
}

void CModuleWindows::Open(Module module) {
    if (IsOpen(module)) return;
    const Registration* r = Find(module);
    if (!r || !r->create) return;
    CKalvoDoc& doc = m_context.doc;
    std::unique_ptr<CModuleFrame> frame = r->create(m_context);
    if (!frame) return;
    frame->setWindowTitle(Str(r->titleString));
    frame->SetCloseHandler([this, module] { CloseByUser(module); });
    if (m_area) m_area->addSubWindow(frame.get());
    // Kids mode hides the control bars of the big pictures: the profile holds their settings.
    const bool kids = m_context.settings.IsKidsMode();
    if (kids && (module == Module::FFT || IsKidsExclusive(module))) frame->SetControlBarVisible(false);
    // The document reaches the module through its frame from now on; the view takes its settings.
    doc.SetModuleFrame(module, frame.get());
    if (IModuleView* view = frame->ModuleView()) view->OnInitialUpdate();
    if (!frame->IsResizable()) {
        const QSize size =
            r->fixedSize.isValid() ? r->fixedSize.expandedTo(frame->sizeHint()) : frame->sizeHint();
        frame->setFixedSize(size);
    }
    if (r->slot >= kSlotUebersicht)
        frame->ApplyStoredPlacement();
    else
        frame->move(r->position);
    frame->show();
    m_frames[Index(module)] = std::move(frame);
    SetOpenFlag(module, true);
    if (kids && IsKidsExclusive(module)) {
        for (Module other : {Module::Notenbild, Module::FFT3D, Module::Reko, Module::Sono})
            if (other != module) Close(other);
    }
}

void CModuleWindows::Close(Module module) {
    Release(module, false);
}

void CModuleWindows::CloseByUser(Module module) {
    Release(module, true);
}

void CModuleWindows::Release(Module module, bool later) {
    std::unique_ptr<CModuleFrame>& frame = m_frames[Index(module)];
    if (!frame) return;
    frame->StorePlacement();
    m_context.doc.SetModuleFrame(module, nullptr);
    SetOpenFlag(module, false);
    if (m_area) m_area->removeSubWindow(frame.get());
    if (later) {
        // The frame is still in its close event: it goes when that is over.
        frame->hide();
        frame.release()->deleteLater();
    } else {
        frame.reset();
    }
}

void CModuleWindows::Toggle(Module module) {
    if (IsOpen(module)) {
        Close(module);
        return;
    }
    // The user asks for a 3D window again: OpenGL is tried anew. (Opening both from a profile
    // keeps a failure of the first, so that the user is told once.)
    if (module == Module::FFT3D || module == Module::Reko) m_context.doc.m_bClose3DWindows = 0;
    Open(module);
}

void CModuleWindows::Show(Module module) {
    if (CModuleFrame* frame = Frame(module)) {
        if (frame->isHidden()) frame->show();
        if (frame->isMinimized()) frame->showNormal();
        frame->raise();
        if (m_area) m_area->setActiveSubWindow(frame);
    }
}

void CModuleWindows::CloseAll() {
    // The order in which profiles open them, so that closing and reopening keeps the stacking.
    for (Module m : {Module::Reko, Module::Zeitreihe, Module::FFT, Module::Sono, Module::FFT3D,
                     Module::Analyse, Module::Notenbild, Module::Wavelet, Module::Info})
        Close(m);
}

void CModuleWindows::StorePlacements() {
    for (CModuleFrame* f : OpenFrames()) f->StorePlacement();
}

void CModuleWindows::ApplyPlacements() {
    for (CModuleFrame* f : OpenFrames()) f->ApplyStoredPlacement();
}
