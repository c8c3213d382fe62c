// Playback through the virtual output: positions, loops, and the spectrum that follows the music.

#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>

#include "document/CSound.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"

using namespace test;

namespace {

class Playback : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        QString error;
        output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
        ASSERT_TRUE(output) << error.toStdString();
        doc.SetSoundFactory([this](const QString& path) { return CSound::Create(*output, path, nullptr); });
        doc.m_nFFTPoints = 1024;
    }
    void TearDown() override {
        if (g_bPlaying) doc.OnStopPlaying();
        DocFixture::TearDown();
    }
    void Load(std::uint32_t rate, std::size_t samples) {
        std::vector<int> s(samples);
        for (std::size_t i = 0; i < samples; ++i) s[i] = static_cast<int>(i % 20000);
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("p.wav"), Mono16(rate, s))));
        ASSERT_NE(doc.m_pSound, nullptr);
    }
    std::uint32_t SoundPosition() {
        std::uint32_t p = 0;
        doc.m_pSound->GetCurrentPosition(&p);
        return p;
    }
    using Clock = std::chrono::steady_clock;
    // The position of a 44.1 kHz 16-bit mono sound that started playing at byte `from` after
    // `since`: not before it, nor further than the clock has run since (however busy the machine).
    ::testing::AssertionResult PlaysFrom(std::uint32_t from, Clock::time_point since) {
        const std::uint32_t position = SoundPosition();
        const double seconds = std::chrono::duration<double>(Clock::now() - since).count();
        const double furthest = from + 2.0 * std::ceil(seconds * 44100.0) + 2.0;
        if (position >= from && position <= furthest) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "position " << position << " outside [" << from << ", " << furthest << "]";
    }
    std::unique_ptr<AudioOutputDevice> output;
};

}  // namespace

TEST_F(Playback, PlayStartsInsideTheSelectionAndTheLoopJumpsBackAtItsEnd) {
    Load(44100, 3 * 44100);
    doc.SetSelection(44100, 88200);
    doc.SetPlayPosition(2 * 100000);  // beyond the selection
    g_bLoop = true;
    view.hints.clear();
    const Clock::time_point play = Clock::now();
    doc.OnPlay();
    EXPECT_TRUE(g_bPlaying);
    EXPECT_EQ(view.hints.back(), kHintPlayStarted);
    EXPECT_TRUE(PlaysFrom(2u * 44100, play));

    doc.OnLoop();  // does nothing while playing
    EXPECT_TRUE(g_bLoop);

    const Clock::time_point jump = Clock::now();
    doc.PlaybackUpdate(2 * 88300);  // just past the end of the selection
    EXPECT_EQ(doc.m_nPlayPos, 44100u);
    EXPECT_TRUE(PlaysFrom(2u * 44100, jump));
    EXPECT_TRUE(g_bPlaying);
    EXPECT_EQ(view.hints.back(), kHintSpectrum);

    g_bLoop = false;
    doc.PlaybackUpdate(2 * 88300);  // without the loop playback stops there
    EXPECT_FALSE(g_bPlaying);
}

TEST_F(Playback, TheSpectrumFollowsThePlayPositionUntilTooFewSamplesRemain) {
    Load(44100, 44100);
    doc.OnPlay();
    doc.PlaybackUpdate(2 * 1000);
    ASSERT_EQ(doc.m_aSelSamples.size(), 1024u);
    EXPECT_EQ(doc.m_aSelSamples[0], 1000.0);
    EXPECT_EQ(doc.m_aSpectrum.size(), 513u);
    view.hints.clear();
    doc.PlaybackUpdate(2 * (44100 - 500));  // fewer than 1024 samples left: the sound plays on
    EXPECT_EQ(doc.m_aSelSamples[0], 1000.0);
    EXPECT_TRUE(view.hints.empty());
    EXPECT_TRUE(g_bPlaying);
}

TEST_F(Playback, AHighRateFilePlaysItsCopyWhileTheSpectrumReadsEverySample) {
    Load(96000, 96000);
    EXPECT_TRUE(g_bPlayCopyReduced);
    EXPECT_EQ(doc.m_pSound->Size(), doc.m_nPlayBytes);
    doc.OnPlay();
    doc.PlaybackUpdate(2 * 3000);  // sample 3000 of the 48 kHz copy
    ASSERT_EQ(doc.m_aSelSamples.size(), 1024u);
    EXPECT_EQ(doc.m_aSelSamples[0], 6000.0);  // sample 6000 of the full-rate sound
}

TEST_F(Playback, TheTimerTickMovesWithTheSoundAndRewindsAtItsEnd) {
    Load(8000, 16000);  // two seconds: still playing at the first tick, even on a busy machine
    doc.OnPlay();
    std::uint32_t cursor = 0;
    EXPECT_TRUE(doc.PlaybackTick(&cursor));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !doc.PlaybackTick(&cursor); }, 30000));
    EXPECT_FALSE(g_bPlaying);
    EXPECT_EQ(SoundPosition(), 0u);
}
