#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "document/Playback.h"
#include "tests/support/WaveBytes.h"

using namespace test;

// The copy a sound outside 8..48 kHz plays from, without a document: its plan and the samples written.
// Expected values are worked out by hand: a group's mean rounded down, each sample repeated.
TEST(PlaybackCopy, PlansAndWritesTheCopyAtARateEveryCardTakes) {
    struct Case {
        const char* name;
        std::uint32_t rate;
        int bits;
        QByteArray sound;
        std::uint32_t reduction, expansion, copyRate;
        QByteArray copy;
    };
    const std::vector<Case> cases = {
        {"96 kHz: means of pairs, a short last group", 96000, 16, Pcm16({-3, -2, 5, 6, 7}), 2, 1, 48000,
         Pcm16({-3, 5, 7})},
        {"192001 Hz", 192001, 16, Pcm16({1, 2, 3, 4, 5, 6}), 5, 1, 38400, Pcm16({3, 6})},
        {"5 kHz, 8 bit: each byte twice", 5000, 8, QByteArray("\x0a\xfa", 2), 1, 2, 10000,
         QByteArray("\x0a\x0a\xfa\xfa", 4)},
        {"1 Hz", 1, 16, Pcm16({-7}), 1, 8000, 8000, Pcm16(std::vector<int>(8000, -7))},
        {"44.1 kHz: the same samples", 44100, 16, Pcm16({32767, -32768}), 1, 1, 44100,
         Pcm16({32767, -32768})},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t samples = static_cast<std::uint32_t>(c.sound.size() / (c.bits / 8));
        const Playback::Copy copy = Playback::PlanCopy(c.rate, c.bits, samples);
        EXPECT_EQ(copy.reduction, c.reduction);
        EXPECT_EQ(copy.expansion, c.expansion);
        EXPECT_EQ(copy.rate, c.copyRate);
        EXPECT_EQ(copy.bits, c.bits);
        EXPECT_EQ(copy.Bytes(), static_cast<std::uint64_t>(c.copy.size()));
        const QString path = dir.filePath(QStringLiteral("copy.wav"));
        ASSERT_EQ(Playback::WriteCopy(path, copy, reinterpret_cast<const std::uint8_t*>(c.sound.constData()),
                                      c.bits, samples),
                  Playback::CopyWritten::Written);
        const QByteArray file = ReadFile(path);
        EXPECT_EQ(U32At(file, 24), c.copyRate);
        EXPECT_EQ(file.right(c.copy.size()), c.copy);
    }
    // A copy beyond what a wave file holds is refused before anything is written.
    EXPECT_FALSE(Playback::CopyFits(Playback::PlanCopy(4000, 16, 0x40000000u)));
    EXPECT_TRUE(Playback::CopyFits(Playback::PlanCopy(44100, 16, 0x7FFFFF80u)));
    EXPECT_EQ(Playback::WriteCopy(dir.filePath(QStringLiteral("no/such/folder/copy.wav")),
                                  Playback::PlanCopy(4000, 16, 1), nullptr, 16, 0),
              Playback::CopyWritten::CannotCreate);
}

// Where playback stands against the marked stretch, and the position without a sound.
TEST(PlaybackCopy, PositionIsOutsideTheMarkedStretchOnlyBeforeOrBeyondIt) {
    Playback playback;
    EXPECT_EQ(playback.Cursor(), std::nullopt);
    playback.MoveTo(10);  // no sound: nothing moves
    EXPECT_EQ(playback.Position(), 0u);
    playback.SetPosition(50);
    EXPECT_FALSE(playback.OutsideOf(50, 100));
    EXPECT_FALSE(playback.OutsideOf(10, 50));
    EXPECT_TRUE(playback.OutsideOf(51, 100));
    EXPECT_TRUE(playback.OutsideOf(10, 49));
    EXPECT_FALSE(playback.OutsideOf(20, 20));  // no stretch: only before its start is outside
    EXPECT_TRUE(playback.OutsideOf(60, 60));
    playback.UseCopy(Playback::PlanCopy(96000, 16, 10));
    EXPECT_EQ(playback.SoundSampleOfPlaySample(3), 6u);
    playback.Clear(false);
    EXPECT_EQ(playback.Position(), 0u);
    EXPECT_EQ(playback.Bytes(), 0u);
    EXPECT_EQ(playback.Bits(), 16);  // the copy's format stays until everything is cleared
    playback.Clear(true);
    EXPECT_EQ(playback.Bits(), 0);
}
