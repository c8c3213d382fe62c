#include "views/common/ModuleWindows.h"

#include <QMdiArea>
#include <algorithm>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "settings/ProfileSettings.h"
#include "views/common/IViewCommands.h"
#include "views/common/ModuleFrame.h"

namespace {

std::vector<ModuleWindows::Registration>& Table() {
    static std::vector<ModuleWindows::Registration> table;
    return table;
}

// Modules of which kids mode keeps only one open: the big pictures of the kids bar fill the
// same place.
bool IsKidsExclusive(Module m) {
    const ModuleWindows::Registration* r = ModuleWindows::Find(m);
    return r && r->kidsBarOrder > 0;
}

}  // namespace

ModuleWindows::ModuleWindows(const ModuleContext& context) : m_context(context) {}

ModuleWindows::~ModuleWindows() {
    CloseAll();
}

void ModuleWindows::Register(Registration registration) {
    if (!registration.settings.empty())
        ProfileSettings::AddKeys(static_cast<int>(registration.module), registration.settings);
    auto& table = Table();
    std::erase_if(table, [&](const Registration& r) { return r.module == registration.module; });
    table.push_back(std::move(registration));
}

void ModuleWindows::Unregister(Module module) {
    if (const Registration* r = Find(module); r && r->slot >= kSlotCount)
        ProfileSettings::RemovePlacementSlot(r->slot);
    ProfileSettings::RemoveKeys(static_cast<int>(module));
    std::erase_if(Table(), [&](const Registration& r) { return r.module == module; });
}

Module ModuleWindows::FreeModule() {
    int number = static_cast<int>(Module::Count);
    while (Find(static_cast<Module>(number))) ++number;
    return static_cast<Module>(number);
}

std::vector<const ModuleWindows::Registration*> ModuleWindows::InOrder(int Registration::*order) {
    std::vector<const Registration*> list;
    for (const Registration& r : Table())
        if (r.*order > 0) list.push_back(&r);
    std::stable_sort(list.begin(), list.end(),
                     [order](const Registration* a, const Registration* b) { return a->*order < b->*order; });
    return list;
}

const std::vector<ModuleWindows::Registration>& ModuleWindows::Registered() {
    return Table();
}

const ModuleWindows::Registration* ModuleWindows::Find(Module module) {
    for (const Registration& r : Table())
        if (r.module == module) return &r;
    return nullptr;
}

const ModuleWindows::Registration* ModuleWindows::FindByCommand(int commandId) {
    for (const Registration& r : Table())
        if (r.toggleCommand == commandId || (r.showCommand != 0 && r.showCommand == commandId)) return &r;
    return nullptr;
}

bool ModuleWindows::IsOpen(Module module) const {
    return Frame(module) != nullptr;
}

ModuleFrame* ModuleWindows::Frame(Module module) const {
    const auto it = m_frames.find(module);
    return it != m_frames.end() ? it->second.get() : nullptr;
}

std::vector<ModuleFrame*> ModuleWindows::OpenFrames() const {
    std::vector<ModuleFrame*> frames;
    for (const auto& [module, f] : m_frames)
        if (f) frames.push_back(f.get());
    return frames;
}

void ModuleWindows::SetOpenFlag(Module module, bool open) {
    const Registration* r = Find(module);
    if (!r || !r->openFlag) return;
    if (const ProfileSettings::SettingKey* flag = ProfileSettings::FindKey(QLatin1String(r->openFlag)))
        m_context.settings.SetValue(*flag, open ? 1 : 0);
}

void ModuleWindows::Open(Module module) {
    if (IsOpen(module)) return;
    const Registration* r = Find(module);
    if (!r || !r->create) return;
    SoundDocument& doc = m_context.doc;
    std::unique_ptr<ModuleFrame> frame = r->create(m_context);
    if (!frame) return;
    frame->setWindowTitle(Str(r->titleString));
    frame->SetCloseHandler([this, module] { CloseByUser(module); });
    if (m_area) m_area->addSubWindow(frame.get());
    // Kids mode hides the control bars of the big pictures: the profile holds their settings.
    const bool kids = m_context.settings.IsKidsMode();
    if (kids && (module == Module::Fft || IsKidsExclusive(module))) frame->SetControlBarVisible(false);
    // The document reaches the module through its frame from now on; the view takes its settings.
    if (IsDocumentModule(module)) doc.SetModuleFrame(module, frame.get());
    if (IModuleView* view = frame->ModuleView()) view->OnInitialUpdate();
    if (!frame->IsResizable()) {
        const QSize size =
            r->fixedSize.isValid() ? r->fixedSize.expandedTo(frame->sizeHint()) : frame->sizeHint();
        frame->setFixedSize(size);
    }
    if (r->slot >= kSlotOverview)
        frame->ApplyStoredPlacement();
    else
        frame->move(r->position);
    frame->show();
    m_frames[module] = std::move(frame);
    SetOpenFlag(module, true);
    if (kids && IsKidsExclusive(module)) {
        for (const Registration* other : InOrder(&Registration::kidsBarOrder))
            if (other->module != module) Close(other->module);
    }
}

void ModuleWindows::Close(Module module) {
    Release(module, false);
}

void ModuleWindows::CloseByUser(Module module) {
    Release(module, true);
}

void ModuleWindows::Release(Module module, bool later) {
    const auto it = m_frames.find(module);
    if (it == m_frames.end()) return;
    std::unique_ptr<ModuleFrame> frame = std::move(it->second);
    m_frames.erase(it);
    if (!frame) return;
    frame->StorePlacement();
    if (IsDocumentModule(module)) m_context.doc.SetModuleFrame(module, nullptr);
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

void ModuleWindows::Toggle(Module module) {
    if (IsOpen(module)) {
        Close(module);
        return;
    }
    // The user asks for a 3D window again: OpenGL is tried anew. (Opening both from a profile
    // keeps a failure of the first, so that the user is told once.)
    if (module == Module::Landscape || module == Module::Reconstruction)
        m_context.doc.WithdrawClose3DWindowsRequest();
    Open(module);
}

void ModuleWindows::Show(Module module) {
    if (ModuleFrame* frame = Frame(module)) {
        if (frame->isHidden()) frame->show();
        if (frame->isMinimized()) frame->showNormal();
        frame->raise();
        if (m_area) m_area->setActiveSubWindow(frame);
    }
}

void ModuleWindows::CloseAll() {
    // The order in which profiles open them, so that closing and reopening keeps the stacking;
    // then the windows no profile opens.
    for (const Registration* r : InOrder(&Registration::openOrder)) Close(r->module);
    while (!m_frames.empty()) Close(m_frames.begin()->first);
}

void ModuleWindows::StorePlacements() {
    for (ModuleFrame* f : OpenFrames()) f->StorePlacement();
}

void ModuleWindows::ApplyPlacements() {
    for (ModuleFrame* f : OpenFrames()) f->ApplyStoredPlacement();
}
