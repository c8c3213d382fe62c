#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/support/DocFixture.h"

using namespace test;

using DocumentState = DocFixture;

TEST_F(DocumentState, RemoveWaveOnAnEmptyDocumentStillNotifiesAndResets) {
    app.Settings().IniDokumentNumFFTPoints = 2048;
    recorder.hints.clear();
    status.messages.clear();
    doc.RemoveWave();
    EXPECT_EQ(recorder.hints, (std::vector<int>{kHintRemoveWave, kHintRebuild}));
    EXPECT_EQ(doc.GetTitle(), Str(StringId::NoFileSelected));
    EXPECT_EQ(doc.FileName(), Str(StringId::NoFileSelected));
    EXPECT_EQ(doc.FftPoints(), 2048);
    EXPECT_EQ(doc.WaveBytes(), 0u);
    // The status bar: empty bits and rate panes, the carried FFT size.
    EXPECT_EQ(status.Last(kMsgStatusBits), 0);
    EXPECT_EQ(status.Last(kMsgStatusRate), 0);
    EXPECT_EQ(status.Last(kMsgStatusFftPoints), 2048);
    EXPECT_EQ(doc.SelectedSamples(), std::vector<double>{0.0});
}

TEST_F(DocumentState, StatusMessagesGoOutOnlyWhileTheStatusBarIsShown) {
    status.shown = false;
    status.messages.clear();
    doc.NotifyStatus();
    EXPECT_TRUE(status.messages.empty());
    status.shown = true;
    doc.NotifyStatus();
    std::vector<unsigned> order;
    for (const auto& m : status.messages) order.push_back(m.first);
    EXPECT_EQ(order, (std::vector<unsigned>{0x408, 0x40A, 0x40B, 0x40C, 0x40D, 0x40E}));
}

TEST_F(DocumentState, SetSelectionKeepsABoundGivenAsAllOnes) {
    doc.SetSelection(10, 20);
    doc.SetSelection(SoundDocument::kKeepBound, 30);
    EXPECT_EQ(doc.SelectionStart(), 10u);
    EXPECT_EQ(doc.SelectionEnd(), 30u);
    doc.SetSelection(5, SoundDocument::kKeepBound);
    EXPECT_EQ(doc.SelectionStart(), 5u);
    EXPECT_EQ(doc.SelectionEnd(), 30u);
}

TEST_F(DocumentState, AnUnreadableBitDepthIsReportedAndChangesNothing) {
    WaveFormat f = WaveFormat::MonoPcm(8000, 8);
    ASSERT_TRUE(doc.WriteWaveParametersInVariables(f));
    f.bitsPerSample = 12;
    EXPECT_FALSE(doc.WriteWaveParametersInVariables(f));
    EXPECT_TRUE(ui.Said(Str(StringId::ErrorFunctionWriteWaveParametersInVariablesClass)));
    EXPECT_EQ(doc.BitsPerSample(), 8);
    EXPECT_EQ(doc.FullScale(), 255.0);
}

TEST_F(DocumentState, PaletteRunsFromRedOverYellowGreenCyanBlueMagentaToWhite) {
    EXPECT_EQ(SoundDocument::PaletteColor(0), 0xFF0000u);
    EXPECT_EQ(SoundDocument::PaletteColor(255), 0xFFFF00u);
    EXPECT_EQ(SoundDocument::PaletteColor(256), 0xFFFF00u);
    EXPECT_EQ(SoundDocument::PaletteColor(511), 0x00FF00u);
    EXPECT_EQ(SoundDocument::PaletteColor(767), 0x00FFFFu);
    EXPECT_EQ(SoundDocument::PaletteColor(1023), 0x0000FFu);
    EXPECT_EQ(SoundDocument::PaletteColor(1279), 0xFF00FFu);
    EXPECT_EQ(SoundDocument::PaletteColor(1535), 0xFFFFFFu);
}

TEST_F(DocumentState, WhatTheDocumentDoesIsSignalledOnceForEachChange) {
    std::vector<std::string> changes;
    const DocumentActivity& activity = doc.Activity();
    const auto note = [&changes](const char* on, const char* off) {
        return [&changes, on, off](bool state) { changes.emplace_back(state ? on : off); };
    };
    QObject::connect(&activity, &DocumentActivity::WaveLoadedChanged, note("loaded", "gone"));
    QObject::connect(&activity, &DocumentActivity::LoopingChanged, note("loop", "no loop"));
    QObject::connect(&activity, &DocumentActivity::BusyChanged, note("busy", "idle"));
    QObject::connect(&activity, &DocumentActivity::PlayingChanged, note("playing", "stopped"));

    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("tone.wav"), Mono16(8000, Sine(440, 8000, 4000, 8000)))));
    EXPECT_TRUE(doc.IsWaveLoaded());
    const SoundDocument other(app.Settings(), ui);  // the state is this document's own
    EXPECT_FALSE(other.IsWaveLoaded());
    doc.OnLoop();  // while nothing plays the loop button toggles
    EXPECT_TRUE(doc.IsLooping());
    // The wavelet transform of a new selection runs as a job of the document: busy meanwhile.
    ASSERT_TRUE(doc.OnSelectionChanged(0, 2000));
    EXPECT_TRUE(doc.ComputeWaveletTransform());
    EXPECT_FALSE(doc.IsBusy());
    doc.RemoveWave();
    doc.RemoveWave();  // nothing more to tell
    EXPECT_FALSE(doc.IsWaveLoaded());
    EXPECT_FALSE(doc.IsLooping());
    EXPECT_EQ(changes, (std::vector<std::string>{"loaded", "loop", "busy", "idle", "gone", "no loop"}));
}
