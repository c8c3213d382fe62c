// The PortAudio back end, driven through ALSA's null device, which a private configuration makes
// the default: it needs no sound card. ALSA reads $HOME/.asoundrc when PortAudio starts (PortAudio
// drops ALSA's parsed configuration when it ends), so each test points HOME at its own folder. The null
// device takes and gives data as fast as it is asked (it keeps no time), so these tests check what happens,
// never how fast.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "platform/audio/AudioDevice.h"
#include "tests/support/WaveBytes.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Waits until the condition holds, checking whenever the thread is scheduled again; false
// after the (generous) deadline.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds deadline) {
    for (const auto until = Clock::now() + deadline; Clock::now() < until; std::this_thread::yield())
        if (condition()) return true;
    return condition();
}

}  // namespace

// Points HOME at a fresh folder holding the given ALSA configuration, for as long as it lives.
class AlsaHome {
public:
    explicit AlsaHome(const QByteArray& asoundrc) {
        EXPECT_TRUE(m_home.isValid());
        if (!asoundrc.isEmpty()) {
            EXPECT_TRUE(test::WriteFile(m_home.filePath(QStringLiteral(".asoundrc")), asoundrc));
        }
        m_hadHome = qEnvironmentVariableIsSet("HOME");
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }
    ~AlsaHome() {
        if (m_hadHome)
            qputenv("HOME", m_oldHome);
        else
            qunsetenv("HOME");
    }
    AlsaHome(const AlsaHome&) = delete;
    AlsaHome& operator=(const AlsaHome&) = delete;

private:
    QTemporaryDir m_home;
    bool m_hadHome = false;
    QByteArray m_oldHome;
};

class PortAudioNullDevice : public ::testing::Test {
protected:
    void SetUp() override {
        AudioSystem::Shutdown();
        QString error;
        if (!AudioSystem::InitRealDevices(&error))
            GTEST_SKIP() << "PortAudio finds no device here, even with ALSA's null device: "
                         << error.toStdString();
    }
    void TearDown() override { AudioSystem::Shutdown(); }

    AlsaHome m_home{"pcm.!default { type null }\n"};
};

TEST(PortAudioWithoutCard, SaysSoAndTheVirtualDevicesServe) {
    AudioSystem::Shutdown();
    const AlsaHome home{QByteArray()};
    QString error;
    if (AudioSystem::InitRealDevices(&error)) {
        AudioSystem::Shutdown();
        GTEST_SKIP() << "this machine has a sound card";
    }
    EXPECT_FALSE(error.isEmpty());
    const auto inputs = AudioSystem::Inputs(), outputs = AudioSystem::Outputs();
    EXPECT_TRUE(std::all_of(inputs.begin(), inputs.end(), [](const AudioDeviceInfo& d) {
        return d.id.startsWith(QLatin1String("virtual:"));
    }));
    ASSERT_EQ(outputs.size(), 1u);
    const auto input = AudioSystem::OpenInput(QString(), &error);
    ASSERT_TRUE(input) << error.toStdString();
    EXPECT_EQ(input->Name(), QStringLiteral("virtual input: sine 440 Hz"));
    EXPECT_FALSE(AudioSystem::OpenOutput(QStringLiteral("portaudio:0"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("virtual"))) << error.toStdString();
}

TEST_F(PortAudioNullDevice, ListsTheCardBeforeTheVirtualDevicesAndOpensItByDefault) {
    const auto inputs = AudioSystem::Inputs(), outputs = AudioSystem::Outputs();
    ASSERT_GT(inputs.size(), 3u);
    ASSERT_GT(outputs.size(), 1u);
    EXPECT_TRUE(inputs.front().id.startsWith(QLatin1String("portaudio:")));
    EXPECT_TRUE(outputs.front().id.startsWith(QLatin1String("portaudio:")));
    EXPECT_TRUE(inputs.front().name.contains(QLatin1String("[ALSA]"))) << inputs.front().name.toStdString();
    EXPECT_EQ(inputs.back().id, QStringLiteral("virtual:noise"));
    EXPECT_EQ(outputs.back().id, QStringLiteral("virtual:output"));

    QString error;
    const auto input = AudioSystem::OpenInput(QString(), &error);
    const auto output = AudioSystem::OpenOutput(QString(), &error);
    ASSERT_TRUE(input && output) << error.toStdString();
    auto listed = [](const std::vector<AudioDeviceInfo>& list, const QString& name) {
        return std::any_of(list.begin(), list.end(), [&](const AudioDeviceInfo& d) {
            return d.id.startsWith(QLatin1String("portaudio:")) && d.name == name;
        });
    };
    EXPECT_TRUE(listed(inputs, input->Name())) << input->Name().toStdString();
    EXPECT_TRUE(listed(outputs, output->Name())) << output->Name().toStdString();
    for (const PcmFormat& f : {PcmFormat{8000, 8, 1}, PcmFormat{44100, 16, 1}, PcmFormat{48000, 16, 2}}) {
        EXPECT_TRUE(input->SupportsFormat(f)) << f.rate;
        EXPECT_TRUE(output->SupportsFormat(f)) << f.rate;
    }
    EXPECT_FALSE(input->SupportsFormat({44100, 24, 1}));
    EXPECT_FALSE(output->CreatePlaybackBuffer({44100, 16, 1}, {}, &error));

    EXPECT_FALSE(AudioSystem::OpenInput(QStringLiteral("portaudio:9999"), &error));
    EXPECT_FALSE(error.isEmpty());
    // The virtual devices stay available beside the card.
    EXPECT_TRUE(AudioSystem::OpenInput(QStringLiteral("virtual:chirp"), &error));
}

TEST_F(PortAudioNullDevice, PlaybackAdvancesLoopsStopsAndEnds) {
    QString error;
    const auto output = AudioSystem::OpenOutput(QString(), &error);
    ASSERT_TRUE(output) << error.toStdString();
    auto buffer = output->CreatePlaybackBuffer({8000, 16, 1}, std::vector<std::uint8_t>(16000, 0), &error);
    ASSERT_TRUE(buffer) << error.toStdString();
    ASSERT_TRUE(buffer->SetPosition(1001));
    std::uint32_t pos = 0;
    ASSERT_TRUE(buffer->GetPosition(&pos));
    EXPECT_EQ(pos, 1000u);

    ASSERT_TRUE(buffer->Play(true)) << buffer->LastError().toStdString();
    EXPECT_TRUE(WaitFor([&] { return buffer->GetPosition(&pos) && pos != 1000u; }, 30s))
        << "the position never moved";
    EXPECT_EQ(pos % 2, 0u);
    // A looping play comes back to the start of the buffer and goes on.
    std::uint32_t previous = pos;
    EXPECT_TRUE(WaitFor(
        [&] {
            const bool wrapped = buffer->GetPosition(&pos) && pos < previous;
            previous = pos;
            return wrapped;
        },
        30s))
        << "a looping play never wrapped";
    EXPECT_TRUE(buffer->IsPlaying()) << "a looping play ended";

    buffer->Stop();
    EXPECT_FALSE(buffer->IsPlaying());
    std::uint32_t stopped = 0, later = 0;
    ASSERT_TRUE(buffer->GetPosition(&stopped));
    // The device's own time goes on (a second, short sound plays to its end); the stopped
    // one stays where it was.
    auto witness = output->CreatePlaybackBuffer({8000, 16, 1}, std::vector<std::uint8_t>(1600, 0), &error);
    ASSERT_TRUE(witness) << error.toStdString();
    ASSERT_TRUE(witness->Play(false));
    EXPECT_TRUE(WaitFor([&] { return !witness->IsPlaying(); }, 30s)) << "the second sound never ended";
    ASSERT_TRUE(buffer->GetPosition(&later));
    EXPECT_EQ(later, stopped);

    // Without loop it plays to the end, stops by itself and rewinds; then it can play again.
    ASSERT_TRUE(buffer->Play(false));
    EXPECT_TRUE(WaitFor([&] { return !buffer->IsPlaying(); }, 30s)) << "the play never ended";
    ASSERT_TRUE(buffer->GetPosition(&pos));
    EXPECT_EQ(pos, 0u);
    ASSERT_TRUE(buffer->Play(false));
    EXPECT_TRUE(WaitFor([&] { return !buffer->IsPlaying(); }, 30s));
}

TEST_F(PortAudioNullDevice, CaptureNotifiesAcrossTheLoopStopsAndRestarts) {
    QString error;
    const auto input = AudioSystem::OpenInput(QString(), &error);
    ASSERT_TRUE(input) << error.toStdString();
    for (const PcmFormat& f : {PcmFormat{8000, 8, 1}, PcmFormat{44100, 16, 1}}) {
        SCOPED_TRACE(f.bits);
        const std::uint32_t block = f.rate / 5 / f.BlockAlign() * f.BlockAlign();
        std::atomic<std::uint64_t> notified{0};  // outlives the buffer that calls it
        auto capture = input->CreateCaptureBuffer(f, 16 * block, &error);
        ASSERT_TRUE(capture) << error.toStdString();
        std::vector<std::uint32_t> offsets;
        for (std::uint32_t k = 1; k <= 16; ++k) offsets.push_back(k * block - 1);
        ASSERT_TRUE(capture->SetNotificationPositions(offsets, [&] { ++notified; }));

        ASSERT_TRUE(capture->Start()) << capture->LastError().toStdString();
        EXPECT_TRUE(WaitFor([&] { return notified >= 32; }, 30s)) << "only " << notified << " notifications";
        capture->Stop();
        const std::uint64_t atStop = notified;
        // The device's own time goes on (a second capture notifies twice); the stopped one is quiet.
        {
            std::atomic<std::uint64_t> witnessed{0};
            auto witness = input->CreateCaptureBuffer(f, 16 * block, &error);
            ASSERT_TRUE(witness) << error.toStdString();
            ASSERT_TRUE(witness->SetNotificationPositions(offsets, [&] { ++witnessed; }));
            ASSERT_TRUE(witness->Start());
            EXPECT_TRUE(WaitFor([&] { return witnessed >= 2; }, 30s)) << "the second capture never notified";
            witness->Stop();
        }
        EXPECT_EQ(notified, atStop) << "notifications after Stop";

        // A region across the wrap comes in two parts (what the null device "records" is undefined).
        CaptureBuffer::Region r;
        ASSERT_TRUE(capture->Lock(15 * block, 2 * block, &r));
        EXPECT_EQ(r.length1, block);
        EXPECT_EQ(r.length2, block);
        CaptureBuffer::Region start;
        ASSERT_TRUE(capture->Lock(0, 1, &start));
        EXPECT_EQ(r.part2, start.part1);
        capture->Unlock(start);
        capture->Unlock(r);

        // It starts again after a stop.
        ASSERT_TRUE(capture->Start());
        EXPECT_TRUE(WaitFor([&] { return notified > atStop; }, 30s));
    }
}
