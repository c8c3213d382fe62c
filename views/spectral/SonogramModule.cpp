#include "views/spectral/SonogramModule.h"

#include <QPainter>
#include <memory>

#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/spectral/SonogramFrame.h"
#include "views/spectral/SonogramView.h"
#include "views/spectral/SonogramViewSettings.h"

namespace {

constexpr int kCmdSono = 32804;
constexpr int kCmdShowSono = 32834;
constexpr int kTitleSono = 134;
constexpr int kMsgTooLittle = 61544;

// The view at the picture's size, never on screen: its off-screen picture is the picture's
// size too, so that every column and row of the picture is one of the sound.
std::unique_ptr<SonogramView> OffscreenView(const ModuleContext& context, const QSize& size, int scaleWidth) {
    auto view = std::make_unique<SonogramView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->SetPictureSize(QSize(size.width() - scaleWidth, size.height()));
    return view;
}

// The table's columns follow the size alone, never the fonts of the machine it runs on: a
// script gets the same table everywhere.
constexpr int kTableScaleWidth = 45;

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const std::unique_ptr<SonogramView> view =
        OffscreenView(context, request.size, SonogramView::ScaleWidth());
    view->OnInitialUpdate();
    view->RebuildNow();  // a message over the picture says when the sound is too short
    return WritePicture(request.outFile, request.size, SonogramView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect); });
}

std::optional<QString> Export(const ModuleContext& context, const ScriptRequest& request) {
    const std::unique_ptr<SonogramView> view = OffscreenView(context, request.size, kTableScaleWidth);
    QString text = view->ExportTable();
    if (text.isEmpty()) {
        context.ui.Message(kMsgTooLittle, MessageIcon::Exclamation);
        return std::nullopt;
    }
    return text;
}

}  // namespace

void RegisterSonoModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Sonogram;
    window.toggleCommand = kCmdSono;
    window.showCommand = kCmdShowSono;
    window.titleString = kTitleSono;
    window.slot = kSlotSonogram;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<SonogramFrame>(context.settings, context.doc);
    };
    window.menuOrder = 50;
    window.toolBarOrder = 50;
    window.kidsBarOrder = 30;
    window.icon = QStringLiteral("sonogram");
    window.openOrder = 4;
    window.openFlag = "IniFensterSono";
    window.settings = {
        {kPlaceWindowFlags + 6, {{"Fenster", "IniFensterSono", &ProfileSettings::IniFensterSono}}},
        {kPlaceModuleSettings + 5, SonogramViewSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule sono;
    sono.name = QStringLiteral("sonogram");
    sono.module = Module::Sonogram;
    sono.defaultSize = QSize(1000, 500);
    sono.render = Render;
    sono.exportText = Export;
    CommandLineModules::Register(std::move(sono));
}
