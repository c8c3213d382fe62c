#include <gtest/gtest.h>
#include <QLabel>
#include <QMdiArea>

#include "platform/audio/VirtualInputDevice.h"
#include "tests/support/DocFixture.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/time/InfoModule.h"
#include "views/time/InfoView.h"

using namespace test;

namespace {

using InfoViewTest = DocFixture;

QStringList LabelTexts(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

TEST_F(InfoViewTest, ShowsTheSoundAndLightsWhileListeningOrRecording) {
    InfoView info(doc);
    info.OnInitialUpdate();
    EXPECT_EQ(info.FieldText(InfoView::kLoadedFile), Str(StringId::NoFileSelected));
    EXPECT_EQ(info.FieldText(InfoView::kSampleRate), QStringLiteral("0"));
    // Without devices the form names the system's default ones; with them, the devices in use.
    EXPECT_EQ(info.FieldText(InfoView::kInputDevice), QStringLiteral("Primärer Soundaufnahmetreiber"));
    EXPECT_EQ(info.FieldText(InfoView::kOutputDevice), QStringLiteral("Primärer Soundtreiber"));
    QString error;
    const std::unique_ptr<VirtualInputDevice> input =
        VirtualInputDevice::Open(QStringLiteral("virtual:sine:440"), &error);
    ASSERT_TRUE(input) << error.toStdString();
    doc.SetAudioDevices(input.get(), nullptr);
    doc.UpdateAllViews(kHintRebuild);
    EXPECT_EQ(info.FieldText(InfoView::kInputDevice), input->Name());
    doc.SetAudioDevices(nullptr, nullptr);
    EXPECT_EQ(info.FieldText(InfoView::kFftPoints), QStringLiteral("4096"));
    EXPECT_FALSE(info.IndicatorOn(InfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(InfoView::kRecording));

    // Only hints 18 and 50 refill the form.
    DocumentTestAccess::Activity(doc).SetListening(true);
    doc.UpdateAllViews(kHintSpectrum);
    EXPECT_FALSE(info.IndicatorOn(InfoView::kListening));
    doc.UpdateAllViews(kHintRebuild);
    EXPECT_TRUE(info.IndicatorOn(InfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(InfoView::kRecording));
    DocumentTestAccess::Activity(doc).SetRecording(true);
    doc.UpdateAllViews(kHintSelection);
    EXPECT_TRUE(info.IndicatorOn(InfoView::kRecording));
    DocumentTestAccess::Activity(doc).SetListening(false);
    DocumentTestAccess::Activity(doc).SetRecording(false);

    const QString path = Write(QStringLiteral("eight.wav"), Wave(1, 22050, 8, QByteArray(1000, '\x80')));
    ASSERT_TRUE(doc.LoadWave(path));
    EXPECT_EQ(info.FieldText(InfoView::kLoadedFile), path);
    EXPECT_EQ(info.FieldText(InfoView::kChannels), QStringLiteral("Mono"));
    EXPECT_EQ(info.FieldText(InfoView::kSampleRate), QStringLiteral("22050"));
    EXPECT_EQ(info.FieldText(InfoView::kBits), QStringLiteral("8"));
    EXPECT_EQ(info.FieldText(InfoView::kFormat), QStringLiteral("PCM"));
    EXPECT_FALSE(info.IndicatorOn(InfoView::kListening));
    EXPECT_FALSE(info.IndicatorOn(InfoView::kRecording));
}

TEST_F(InfoViewTest, SpeaksTheInterfaceLanguage) {
    {
        InfoView english(doc);
        const QStringList labels = LabelTexts(english);
        for (const char* text : {"Sampling rate:", "For recording:", "Listening", "Recording"})
            EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    }
    SetCurrentLanguage(Language::German);
    InfoView german(doc);
    const QStringList labels = LabelTexts(german);
    for (const QString& text : {QStringLiteral("Abtastrate:"), QStringLiteral("Für Aufnahme:"),
                                QStringLiteral("Abhören läuft"), QStringLiteral("Aufzeichnung läuft")})
        EXPECT_TRUE(labels.contains(text)) << text.toStdString();
}

TEST_F(InfoViewTest, ItsWindowTogglesAtAFixedPlaceAndLeavesTheStoredPlacesAlone) {
    RegisterInfoModule();
    const ModuleWindows::Registration* registration = ModuleWindows::FindByCommand(32797);
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
        ModuleWindows modules({app.Settings(), doc, ui});
        modules.SetArea(&area);
        modules.Toggle(Module::Info);
        ASSERT_TRUE(modules.IsOpen(Module::Info));
        ModuleFrame* frame = modules.Frame(Module::Info);
        EXPECT_EQ(frame->windowTitle(), Str(StringId::Info));
        EXPECT_EQ(frame->geometry().topLeft(), QPoint(0, 0));
        EXPECT_GE(frame->width(), 510);
        EXPECT_GE(frame->height(), 360);
        EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
        EXPECT_EQ(frame->ControlBar(), nullptr);
        auto* view = qobject_cast<InfoView*>(frame->View());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->FieldText(InfoView::kLoadedFile),
                  Str(StringId::NoFileSelected));  // filled as it opens

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
    ModuleWindows::Unregister(Module::Info);
}
