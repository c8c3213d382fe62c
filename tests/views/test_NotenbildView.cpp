// The score window: the melody recorded from a running sound, and the picture of the whole score.

#include <QFile>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "tests/support/DocFixture.h"
#include "views/spectral/CNotenbildView.h"

using namespace test;

namespace {

class NotenbildView : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        app.Settings().IniNotenbildWhatIs = CNotenbildView::kMelody;
        app.Settings().IniNotenbildObertonanzahl = 8;
        app.Settings().IniFFTMinAbstandNachbarMin = 5;
        doc.m_nSampleRate = 20000;
        doc.m_nBitsPerSample = 16;
        view = std::make_unique<CNotenbildView>(doc, app.Settings());
        view->resize(400, 300);
        view->OnInitialUpdate();
    }
    // A spectrum of 2000 values (5 Hz apart) with one loud peak.
    void Tone(std::size_t bin) {
        doc.m_aSpectrum.assign(2000, 0.0);
        doc.m_aSpectrum[bin] = 10000.0;
    }
    std::unique_ptr<CNotenbildView> view;
};

TEST_F(NotenbildView, ANoteHeldWhileListeningIsRecordedOnceAndDeleteClearsIt) {
    g_bListening = true;
    Tone(88);  // 440 Hz
    for (int i = 0; i < 4; ++i) view->OnUpdate(kHintSpectrum);
    EXPECT_TRUE(view->RecordedNotes().empty());
    for (int i = 0; i < 6; ++i) view->OnUpdate(kHintSpectrum);
    ASSERT_EQ(view->RecordedNotes().size(), 1u);
    EXPECT_DOUBLE_EQ(view->RecordedNotes()[0].frequency, 440.0);
    view->OnDeleteRecording();
    EXPECT_TRUE(view->RecordedNotes().empty());
}

TEST_F(NotenbildView, TheSavedScoreIsAsWideAsAllItsNotes) {
    // Chosen stretches are written at once; 60 of them run far beyond the window.
    Tone(88);
    g_bSelectionSpectrum = true;
    for (int i = 0; i < 60; ++i) view->OnUpdate(kHintSelection);
    g_bSelectionSpectrum = false;
    ASSERT_EQ(view->RecordedNotes().size(), 60u);
    const int width = view->ScrollWidth();
    EXPECT_GT(width, 20 * 60);
    EXPECT_EQ(view->horizontalScrollBar()->value(), view->horizontalScrollBar()->maximum());

    const QString path = Path(QStringLiteral("score.svg"));
    ui.saveFiles.push_back(path);
    view->OnViewCommand(ViewCommand::SaveView);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 ").arg(width).toUtf8())) << svg.left(400).toStdString();
    EXPECT_TRUE(svg.contains("Notenbild"));
}

TEST_F(NotenbildView, PlayingTheOvertonesNeedsThreePartials) {
    doc.m_aSpectrum.assign(2000, 0.0);
    doc.m_aSpectrum[44] = 10000.0;  // 220 Hz
    doc.m_aSpectrum[88] = 8000.0;
    EXPECT_FALSE(view->OnPlayOvertones());
    doc.m_aSpectrum[132] = 6000.0;
    EXPECT_TRUE(view->OnPlayOvertones());
}

}  // namespace
