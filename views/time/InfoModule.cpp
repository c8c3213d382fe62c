#include "views/time/InfoModule.h"

#include "app/CModuleFrame.h"
#include "app/CModuleWindows.h"
#include "views/time/CInfoView.h"

namespace {

constexpr int kCmdWaveInfo = 32797;
constexpr int kTitleInfo = 157;
constexpr int kNoSlot = -1;  // the profiles keep no placement for this window

}  // namespace

void RegisterInfoModule() {
    CModuleWindows::Register({Module::Info, kCmdWaveInfo, 0, kTitleInfo, kNoSlot, [](CKalvoApp& app, CKalvoDoc& doc) {
                                  auto* view = new CInfoView(doc, app);  // owned by the frame
                                  auto* frame = new CModuleFrame(app, kNoSlot, view, nullptr, false);
                                  view->OnInitialUpdate();
                                  // A fixed size that holds the whole form, whatever the font.
                                  frame->setFixedSize(QSize(kInfoFrameWidth, kInfoFrameHeight).expandedTo(frame->sizeHint()));
                                  frame->move(kInfoFrameLeft, kInfoFrameTop);
                                  return frame;
                              }});
}
