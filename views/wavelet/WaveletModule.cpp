#include "views/wavelet/WaveletModule.h"

#include <QPainter>
#include <memory>

#include "analysis/WaveletFunction.h"
#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/wavelet/WaveletExport.h"
#include "views/wavelet/WaveletFrame.h"
#include "views/wavelet/WaveletView.h"
#include "views/wavelet/WaveletViewSettings.h"

namespace {

constexpr int kCmdWavelet = 32826;
constexpr int kCmdShowWavelet = 32836;
constexpr int kTitleWavelet = 183;
constexpr int kMsgNoResult = 61580;

// The view laid out at the picture's size, never on screen, with the settings of the profile;
// its initial update computes the transform of the document's selection.
std::unique_ptr<WaveletView> OffscreenView(const ModuleContext& context, const QSize& size) {
    auto view = std::make_unique<WaveletView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->OnInitialUpdate();
    return view;
}

std::pair<quint32, quint32> Selection(const ModuleContext& context, const ScriptRequest& request) {
    return request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
}

// A wavelet text the wavelet refuses (or no wavelet's name) ends a script run with its message:
// no picture or table of another wavelet goes out under its name.
bool WaveletAccepted(const ModuleContext& context) {
    const WaveletError refused = check_wavelet_spec(context.settings.IniWaveletWavelet.toStdString());
    if (refused.code == WaveletError::none) return true;
    context.ui.ShowMessage(SoundDocument::WaveletRefusalText(refused).trimmed(), MessageIcon::Exclamation);
    return false;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    if (!WaveletAccepted(context)) return false;
    const auto [first, last] = Selection(context, request);
    if (!context.doc.OnSelectionChanged(first, last)) return false;
    const std::unique_ptr<WaveletView> view = OffscreenView(context, request.size);
    return WritePicture(request.outFile, request.size, WaveletView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect); });
}

std::optional<QString> Export(const ModuleContext& context, const ScriptRequest& request) {
    if (!WaveletAccepted(context)) return std::nullopt;
    const std::unique_ptr<WaveletView> view = OffscreenView(context, request.size);
    const QString text = WaveletExportText(context.doc);
    if (text.isEmpty()) {
        context.ui.Message(kMsgNoResult, MessageIcon::Exclamation);
        return std::nullopt;
    }
    return text;
}

}  // namespace

void RegisterWaveletModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Wavelet;
    window.toggleCommand = kCmdWavelet;
    window.showCommand = kCmdShowWavelet;
    window.titleString = kTitleWavelet;
    window.slot = kSlotWavelet;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<WaveletFrame>(context.settings, context.doc);
    };
    window.menuOrder = 80;
    window.toolBarOrder = 60;
    window.kidsBarOrder = 0;
    window.icon = QStringLiteral("wavelet");
    window.openOrder = 8;
    window.openFlag = "IniFensterWavelet";
    window.settings = {
        {kPlaceWindowFlags + 7, {{"Fenster", "IniFensterWavelet", &ProfileSettings::IniFensterWavelet}}},
        {kPlaceModuleSettings + 7, WaveletViewSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule wavelet;
    wavelet.name = QStringLiteral("wavelet");
    wavelet.module = Module::Wavelet;  // the document computes the transform as for an open window
    wavelet.defaultSize = QSize(800, 500);
    wavelet.render = Render;
    wavelet.exportText = Export;
    CommandLineModules::Register(std::move(wavelet));

    // The window always uses the table method; scripts may compare it with the direct one.
    CommandLineOption method;
    method.name = QStringLiteral("--cwt-method");
    method.values = {QStringLiteral("table"), QStringLiteral("direct")};
    method.apply = [](const ModuleContext& context, const QString& value) {
        CwtParameters parameters = context.doc.WaveletParameters();
        parameters.method = value == QStringLiteral("direct") ? 1 : 0;
        context.doc.SetWaveletParameters(parameters);
    };
    CommandLineModules::RegisterOption(std::move(method));
}
