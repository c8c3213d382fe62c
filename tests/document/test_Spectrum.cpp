#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"

using namespace test;

namespace {

struct NoControls : IModuleFrame {
    std::vector<std::pair<int, int>> values;
    std::vector<std::pair<int, int>> sliders;  // id, maximum
    void SetControlInt(int id, int value) override { values.emplace_back(id, value); }
    void SetSliderRange(int id, int, int maximum, int) override { sliders.emplace_back(id, maximum); }
};

class Spectrum : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        doc.SetModuleFrame(Module::Fft, &fft);
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::Fft, nullptr);
        DocFixture::TearDown();
    }
    void LoadRamp(std::size_t count) {
        std::vector<int> s(count);
        for (std::size_t i = 0; i < count; ++i) s[i] = static_cast<int>(i % 1000);
        ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("ramp.wav"), Mono16(8000, s))));
    }
    NoControls fft;
};

}  // namespace

TEST_F(Spectrum, SelectionUsesTheLargestPowerOfTwoNotAboveItsLength) {
    LoadRamp(4000);
    struct Case {
        std::uint32_t first, last;
        std::size_t samples, points;
    };
    for (const Case c : {Case{0, 1024, 1024, 1024}, Case{0, 1023, 1023, 512}, Case{10, 1035, 1025, 1024},
                         Case{0, 1, 1, 1}}) {
        SCOPED_TRACE(c.last - c.first);
        recorder.hints.clear();
        doc.OnSelectionChanged(c.first, c.last);
        EXPECT_EQ(doc.SelectedSamples().size(), c.samples);
        EXPECT_EQ(doc.Spectrum().size(), c.points / 2 + 1);
        EXPECT_EQ(doc.SpectrumPoints(), static_cast<int>(c.points));
        EXPECT_EQ(recorder.hints, std::vector<int>{kHintSelectionSpectrum});
    }
}

TEST_F(Spectrum, ALongSelectionKeepsEverySampleButTransformsAtMostTheLargestFftSize) {
    LoadRamp(1100000);  // above 2^20
    doc.OnSelectionChanged(0, 1100000);
    EXPECT_EQ(doc.SelectedSamples().size(), 1100000u);
    EXPECT_EQ(doc.SpectrumPoints(), 524288);
    ASSERT_EQ(doc.Spectrum().size(), 262145u);
    // The spectrum of the first 524288 samples: the ramp's mean is its 0 Hz bin.
    double sum = 0.0;
    for (std::size_t i = 0; i < 524288; ++i) sum += static_cast<double>(i % 1000);
    EXPECT_NEAR(doc.Spectrum()[0], sum / 524288, 1e-6);
}

TEST_F(Spectrum, SixteenBitSelectionsStartAtAnEvenSample) {
    LoadRamp(100);
    doc.OnSelectionChanged(7, 20);
    ASSERT_EQ(doc.SelectedSamples().size(), 14u);
    EXPECT_EQ(doc.SelectedSamples().front(), 6.0);
    EXPECT_EQ(doc.SelectedSamples().back(), 19.0);
}

TEST_F(Spectrum, NothingChangesWhilePlayingAndNoSpectrumWithoutAModuleThatNeedsIt) {
    LoadRamp(2048);
    DocumentTestAccess::Activity(doc).SetPlaying(true);
    recorder.hints.clear();
    doc.OnSelectionChanged(0, 1024);
    EXPECT_TRUE(recorder.hints.empty());
    EXPECT_EQ(doc.SelectedSamples().size(), 1u);
    DocumentTestAccess::Activity(doc).SetPlaying(false);

    doc.SetModuleFrame(Module::Fft, nullptr);
    doc.OnSelectionChanged(0, 1024);
    EXPECT_EQ(doc.SelectedSamples().size(), 1024u);
    EXPECT_EQ(doc.Spectrum().size(), 1u);  // not computed
    EXPECT_EQ(doc.SpectrumPoints(), 1024);
}

TEST_F(Spectrum, ASineShowsItsAmplitudeAtItsBin) {
    // 1000 Hz at 8000 Hz lies exactly on bin 128 of 1024 points; |X|/N is half the amplitude.
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("sine.wav"), Mono16(8000, Sine(1000, 8000, 1024, 10000)))));
    doc.OnSelectionChanged(0, 1024);
    ASSERT_EQ(doc.Spectrum().size(), 513u);
    const auto peak = std::max_element(doc.Spectrum().begin(), doc.Spectrum().end()) - doc.Spectrum().begin();
    EXPECT_EQ(peak, 128);
    EXPECT_NEAR(doc.Spectrum()[128], 5000.0, 1.0);
    EXPECT_DOUBLE_EQ(SoundDocument::BinFrequency(128, 1024, 8000), 1000.0);
}

TEST_F(Spectrum, ComputeSpectrumOfNeedsEnoughValuesAndPadsSelections) {
    std::vector<double> out{42.0};
    const std::vector<double> values(100, 1.0);
    EXPECT_FALSE(doc.ComputeSpectrumOf(values, 0, 128, out));
    EXPECT_EQ(out, std::vector<double>{42.0});
    ASSERT_TRUE(doc.ComputeSpectrumOf(values, 36, 64, out));
    ASSERT_EQ(out.size(), 33u);
    EXPECT_DOUBLE_EQ(out[0], 1.0);

    DocumentTestAccess::SelectedSamples(doc) = {4.0,
                                                4.0};  // fewer than N: zeros appended, so x = (4, 4, 0, 0)
    doc.ComputeSpectrum(4);
    ASSERT_EQ(doc.Spectrum().size(), 3u);
    EXPECT_DOUBLE_EQ(doc.Spectrum()[0], 2.0);
    EXPECT_DOUBLE_EQ(doc.Spectrum()[1], std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(doc.Spectrum()[2], 0.0);
}

TEST_F(Spectrum, CaptureBlocksGiveLiveSpectraUntilEscape) {
    DocumentTestAccess::FftPoints(doc) = 256;
    DocumentTestAccess::Activity(doc).SetListening(true);
    recorder.hints.clear();
    doc.OnCaptureBlock(std::vector<double>(800, 3.0), QStringLiteral("/tmp/rec.wav"));
    EXPECT_EQ(doc.Spectrum().size(), 129u);
    EXPECT_DOUBLE_EQ(doc.Spectrum()[0], 3.0);
    EXPECT_EQ(doc.RecordFile(), QStringLiteral("/tmp/rec.wav"));
    EXPECT_EQ(recorder.hints, std::vector<int>{kHintSpectrum});
    doc.RequestStopListening();
    doc.OnCaptureBlock(std::vector<double>(800, 3.0), QString());
    EXPECT_FALSE(doc.IsListening());
    EXPECT_EQ(std::count(recorder.hints.begin(), recorder.hints.end(), kHintSpectrum),
              1);  // no spectrum for that block
}

TEST_F(Spectrum, FftSettingsDialogShowsTheSizeAndCarriesTheChoice) {
    DocumentTestAccess::FftPoints(doc) = 3000;
    ui.fftSizes.push_back(std::nullopt);
    doc.OnFftSettings();
    EXPECT_EQ(ui.fftDialogInitialEntries.back(), 2);  // 1024 for a size not in the list
    EXPECT_EQ(recorder.hints.back(), kHintRebuild);

    DocumentTestAccess::FftPoints(doc) = 16384;
    ui.fftSizes.push_back(11);
    doc.OnFftSettings();
    EXPECT_EQ(ui.fftDialogInitialEntries.back(), 6);
    EXPECT_EQ(doc.FftPoints(), 524288);
    EXPECT_EQ(status.Last(kMsgStatusFftPoints), 524288);
    // Opening the next file keeps the chosen size.
    doc.RemoveWave();
    EXPECT_EQ(doc.FftPoints(), 524288);
}
