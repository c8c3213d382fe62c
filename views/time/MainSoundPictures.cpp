#include "views/time/MainSoundPictures.h"

#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "views/common/CommandLineModules.h"
#include "views/time/OverviewView.h"
#include "views/time/SoundWindow.h"
#include "views/time/WaveformView.h"

namespace {

bool RenderPane(const ModuleContext& context, const ScriptRequest& request, bool wave) {
    SoundDocument& doc = context.doc;
    // The views of the main sound window, laid out at the picture's size but never on screen.
    OverviewView overview(doc, context.settings);
    WaveformView waveform(doc, context.settings);
    overview.SetWaveView(&waveform);
    for (QWidget* view : {static_cast<QWidget*>(&overview), static_cast<QWidget*>(&waveform)}) {
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->resize(request.size);
        view->show();
    }
    overview.OnInitialUpdate();
    waveform.OnInitialUpdate();
    waveform.SetPrecision(SoundWindow::kStartPrecision);
    // The marked stretch: the selection, or for the waveform the whole sound.
    if (request.selection)
        overview.MarkSamples(request.selection->first, request.selection->second);
    else if (wave)
        overview.MarkSamples(0, doc.SampleCount());

    const QString name = wave ? WaveformView::PictureName() : OverviewView::PictureName();
    const PaintRoutine paint = [&](QPainter& painter, const QRect& rect) {
        if (wave)
            waveform.OnDraw(painter, rect);
        else
            overview.OnDraw(painter, rect);
    };
    return WritePicture(request.outFile, request.size, name, paint);
}

}  // namespace

void RegisterMainSoundPictures() {
    CommandLineModule overview;
    overview.name = QStringLiteral("overview");
    overview.render = [](const ModuleContext& c, const ScriptRequest& r) { return RenderPane(c, r, false); };
    CommandLineModules::Register(std::move(overview));

    CommandLineModule waveform;
    waveform.name = QStringLiteral("waveform");
    waveform.render = [](const ModuleContext& c, const ScriptRequest& r) { return RenderPane(c, r, true); };
    CommandLineModules::Register(std::move(waveform));
}
