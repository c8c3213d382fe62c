#include <gtest/gtest.h>
#include <QLabel>
#include <QMdiArea>

#include "platform/audio/VirtualInputDevice.h"
#include "tests/support/DocFixture.h"
#include "views/common/CModuleFrame.h"
#include "views/common/CModuleWindows.h"
#include "views/time/CInfoView.h"
#include "views/time/InfoModule.h"

using namespace test;

namespace {

using InfoView = DocFixture;

QStringList LabelTexts(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

TEST_F(InfoView, ShowsTheSoundAndLightsWhileListeningOrRecording) {
    CInfoView info(doc);
    info.OnInitialUpdate();
    EXPECT_EQ(info.FieldText(CInfoView::kLoadedFile), Str(61548));
    EXPECT_EQ(info.FieldText(CInfoView::kSampleRate), QStringLiteral("0"));
    // Without devices the form names the system's default ones; with them, the devices in use.
    EXPECT_EQ(info.FieldText(CInfoView::kInputDevice), QStringLiteral("Primärer Soundaufnahmetreiber"));
    EXPECT_EQ(info.FieldText(CInfoView::kOutputDevice), QStringLiteral("Primärer Soundtreiber"));
    QString error;
    const std::unique_ptr<VirtualInputDevice> input =
        VirtualInputDevice::Open(QStringLiteral("virtual:sine:440"), &error);
    ASSERT_TRUE(input) << error.toStdString();
    doc.SetAudioDevices(input.get(), nullptr);
    doc.UpdateAllViews(kHintRebuild);
    EXPECT_EQ(info.FieldText(CInfoView::kInputDevice), input->Name());
    doc.SetAudioDevices(nullptr, nullptr);
    EXPECT_EQ(info.FieldText(CInfoView::kFftPoints), QStringLiteral("4096"));
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kRecording));

    // Only hints 18 and 50 refill the form.
    DocumentTestAccess::Activity(doc).SetListening(true);
    doc.UpdateAllViews(kHintSpectrum);
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kListening));
    doc.UpdateAllViews(kHintRebuild);
    EXPECT_TRUE(info.IndicatorOn(CInfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kRecording));
    DocumentTestAccess::Activity(doc).SetRecording(true);
    doc.UpdateAllViews(kHintSelection);
    EXPECT_TRUE(info.IndicatorOn(CInfoView::kRecording));
    DocumentTestAccess::Activity(doc).SetListening(false);
    DocumentTestAccess::Activity(doc).SetRecording(false);

    const QString path = Write(QStringLiteral("eight.wav"), Wave(1, 22050, 8, QByteArray(1000, '\x80')));
    ASSERT_TRUE(doc.LoadWave(path));
    EXPECT_EQ(info.FieldText(CInfoView::kLoadedFile), path);
    EXPECT_EQ(info.FieldText(CInfoView::kChannels), QStringLiteral("Mono"));
    EXPECT_EQ(info.FieldText(CInfoView::kSampleRate), QStringLiteral("22050"));
    EXPECT_EQ(info.FieldText(CInfoView::kBits), QStringLiteral("8"));
    EXPECT_EQ(info.FieldText(CInfoView::kFormat), QStringLiteral("PCM"));
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(CInfoView::kRecording));
}

TEST_F(InfoView, SpeaksTheInterfaceLanguage) {
    {
        CInfoView english(doc);
        const QStringList labels = LabelTexts(english);
        for (const char* text : {"Sampling rate:", "For recording:", "Listening", "Recording"})
            EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    }
    SetCurrentLanguage(Language::German);
    CInfoView german(doc);
    const QStringList labels = LabelTexts(german);
    for (const QString& text : {QStringLiteral("Abtastrate:"), QStringLiteral("Für Aufnahme:"),
                                QStringLiteral("Abhören läuft"), QStringLiteral("Aufzeichnung läuft")})
        EXPECT_TRUE(labels.contains(text)) << text.toStdString();
}

TEST_F(InfoView, ItsWindowTogglesAtAFixedPlaceAndLeavesTheStoredPlacesAlone) {
    RegisterInfoModule();
    const CModuleWindows::Registration* registration = CModuleWindows::FindByCommand(32797);
    ASSERT_NE(registration, nullptr);
    EXPECT_EQ(registration->module, Module::Info);
    EXPECT_EQ(registration->titleString, 157);

    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    app.Settings().m_frameMetrics = [] { return FrameMetrics{1000, 700, 0, 0, 0}; };
    WindowPlacement main;
    main.left = 120;
    main.top = 80;
    main.right = 1400;
    main.bottom = 900;
    app.Settings().SetWindowSlot(main, kSlotMain);
    {
        CModuleWindows modules({app.Settings(), doc, ui});
        modules.SetArea(&area);
        modules.Toggle(Module::Info);
        ASSERT_TRUE(modules.IsOpen(Module::Info));
        CModuleFrame* frame = modules.Frame(Module::Info);
        EXPECT_EQ(frame->windowTitle(), Str(157));
        EXPECT_EQ(frame->geometry().topLeft(), QPoint(0, 0));
        EXPECT_GE(frame->width(), 510);
        EXPECT_GE(frame->height(), 360);
        EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
        EXPECT_EQ(frame->ControlBar(), nullptr);
        auto* view = qobject_cast<CInfoView*>(frame->View());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->FieldText(CInfoView::kLoadedFile), Str(61548));  // filled as it opens

        // The window is the user's to move; its place is never written over another window's.
        frame->move(40, 30);
        frame->StorePlacement();
        modules.StorePlacements();
        EXPECT_EQ(app.Settings().GetWindowSlot(kSlotMain).left, 120);
        EXPECT_EQ(app.Settings().GetWindowSlot(kSlotMain).right, 1400);
        modules.ApplyPlacements();
        EXPECT_EQ(frame->geometry().topLeft(), QPoint(40, 30));

        modules.Toggle(Module::Info);
        EXPECT_FALSE(modules.IsOpen(Module::Info));
        EXPECT_EQ(app.Settings().GetWindowSlot(kSlotMain).left, 120);
    }
    app.Settings().m_frameMetrics = nullptr;
    CModuleWindows::Unregister(Module::Info);
}
