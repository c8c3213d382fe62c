#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"

using namespace test;

using DocumentState = DocFixture;

TEST_F(DocumentState, RemoveWaveOnAnEmptyDocumentStillNotifiesAndResets) {
    app.Settings().IniDokumentNumFFTPoints = 2048;
    recorder.hints.clear();
    status.messages.clear();
    doc.RemoveWave();
    EXPECT_EQ(recorder.hints, (std::vector<int>{kHintRemoveWave, kHintRebuild}));
    EXPECT_EQ(doc.GetTitle(), Str(61548));
    EXPECT_EQ(doc.m_strFileName, Str(61548));
    EXPECT_EQ(doc.m_nFFTPoints, 2048);
    EXPECT_EQ(doc.m_nWaveBytes, 0u);
    // The status bar: empty bits and rate panes, the carried FFT size.
    EXPECT_EQ(status.Last(kMsgStatusBits), 0);
    EXPECT_EQ(status.Last(kMsgStatusRate), 0);
    EXPECT_EQ(status.Last(kMsgStatusFftPoints), 2048);
    EXPECT_EQ(doc.m_aSelSamples, std::vector<double>{0.0});
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
    doc.SetSelection(CKalvoDoc::kKeepBound, 30);
    EXPECT_EQ(doc.m_nSelStart, 10u);
    EXPECT_EQ(doc.m_nSelEnd, 30u);
    doc.SetSelection(5, CKalvoDoc::kKeepBound);
    EXPECT_EQ(doc.m_nSelStart, 5u);
    EXPECT_EQ(doc.m_nSelEnd, 30u);
}

TEST_F(DocumentState, AnUnreadableBitDepthIsReportedAndChangesNothing) {
    WaveFormat f = WaveFormat::MonoPcm(8000, 8);
    ASSERT_TRUE(doc.WriteWaveParametersInVariables(f));
    f.bitsPerSample = 12;
    EXPECT_FALSE(doc.WriteWaveParametersInVariables(f));
    EXPECT_TRUE(ui.Said(Str(61497)));
    EXPECT_EQ(doc.m_nBitsPerSample, 8);
    EXPECT_EQ(doc.m_dFullScale, 255.0);
}

TEST_F(DocumentState, PaletteRunsFromRedOverYellowGreenCyanBlueMagentaToWhite) {
    EXPECT_EQ(CKalvoDoc::PaletteColor(0), 0xFF0000u);
    EXPECT_EQ(CKalvoDoc::PaletteColor(255), 0xFFFF00u);
    EXPECT_EQ(CKalvoDoc::PaletteColor(256), 0xFFFF00u);
    EXPECT_EQ(CKalvoDoc::PaletteColor(511), 0x00FF00u);
    EXPECT_EQ(CKalvoDoc::PaletteColor(767), 0x00FFFFu);
    EXPECT_EQ(CKalvoDoc::PaletteColor(1023), 0x0000FFu);
    EXPECT_EQ(CKalvoDoc::PaletteColor(1279), 0xFF00FFu);
    EXPECT_EQ(CKalvoDoc::PaletteColor(1535), 0xFFFFFFu);
}
