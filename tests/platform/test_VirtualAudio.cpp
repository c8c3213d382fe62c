// The virtual sound devices: the test signals and file input, real-time capture into the looping
// buffer, and the silent output that plays in real time.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/VirtualSignal.h"
#include "tests/platform/AudioTestSupport.h"
#include "tests/support/WaveBytes.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::uint8_t> Render(VirtualSignal signal, const PcmFormat& format, std::uint32_t frames) {
    signal.Prepare(format);
    std::vector<std::uint8_t> out(frames * format.BlockAlign());
    signal.Render(out.data(), frames);
    return out;
}

// Sample value v of channel ch of frame n, scaled to [-1, 1].
double ValueAt(const std::vector<std::uint8_t>& bytes, const PcmFormat& f, std::size_t n, int ch) {
    const std::uint8_t* p = bytes.data() + n * f.BlockAlign() + ch * (f.bits / 8);
    return f.bits == 16 ? test::Sample16(p) / 32768.0 : (p[0] - 128) / 128.0;
}

int ExpectedSine440At8000(std::uint64_t n) {
    // Integer phase: exact for any n, so a drifting generator cannot match it.
    const double phase = 2.0 * std::numbers::pi * double((n * 440) % 8000) / 8000.0;
    return static_cast<int>(std::lround(16384 * std::sin(phase)));
}

std::unique_ptr<AudioInputDevice> OpenInput(const QString& id) {
    QString error;
    auto device = AudioSystem::OpenInput(id, &error);
    EXPECT_TRUE(device) << error.toStdString();
    return device;
}

// The device's name, or the error when it does not open.
QString InputName(const QString& id) {
    QString error;
    const auto device = AudioSystem::OpenInput(id, &error);
    return device ? device->Name() : QStringLiteral("error: ") + error;
}

std::unique_ptr<PlaybackBuffer> VirtualPlayback(const PcmFormat& format, std::uint32_t bytes) {
    QString error;
    auto output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
    EXPECT_TRUE(output) << error.toStdString();
    auto buffer = output->CreatePlaybackBuffer(format, std::vector<std::uint8_t>(bytes, 0), &error);
    EXPECT_TRUE(buffer) << error.toStdString();
    return buffer;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Polls until the condition holds, for far longer than it takes even on a busy machine.
template <typename Condition>
bool Eventually(Condition condition) {
    for (const auto until = Clock::now() + 30s; Clock::now() < until; std::this_thread::yield())
        if (condition()) return true;
    return condition();
}

}  // namespace

// ---- the signals ----

TEST(VirtualSignal, SyntheticSignalsAreAtHalfScaleInEveryFormat) {
    struct Case {
        const char* name;
        VirtualSignal signal;
        bool channelsEqual;
    };
    const Case cases[] = {{"sine", VirtualSignal::Sine(1000), true},
                          {"chirp", VirtualSignal::Chirp(), true},
                          {"noise", VirtualSignal::Noise(), false}};
    const PcmFormat formats[] = {{8000, 8, 1}, {44100, 16, 2}, {192000, 16, 1}};
    for (const Case& c : cases) {
        for (const PcmFormat& f : formats) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(f.rate) + "/" + std::to_string(f.bits) +
                         "/" + std::to_string(f.channels));
            const auto bytes = Render(c.signal, f, f.rate);
            double peak = 0.0, sum = 0.0;
            int differing = 0;
            for (std::size_t n = 0; n < f.rate; ++n) {
                const double v = ValueAt(bytes, f, n, 0);
                peak = std::max(peak, std::abs(v));
                sum += v;
                if (f.channels == 2 && ValueAt(bytes, f, n, 1) != v) ++differing;
            }
            EXPECT_GT(peak, 0.45);
            EXPECT_LE(peak, 0.51);
            EXPECT_NEAR(sum / f.rate, 0.0, 0.02);
            if (f.channels == 2) {
                EXPECT_EQ(differing == 0, c.channelsEqual);
            }
        }
    }
}

TEST(VirtualSignal, SineStaysExactAfterHoursAndChirpSweepsAndRepeats) {
    const PcmFormat mono16{8000, 16, 1};
    VirtualSignal sine = VirtualSignal::Sine(440);
    sine.Prepare(mono16);
    std::vector<std::uint8_t> bytes(2 * 800);
    for (std::uint64_t start : {std::uint64_t{0}, std::uint64_t{800}, std::uint64_t{1'000'000'000}}) {
        sine.Skip(start - sine.FramesRendered());
        sine.Render(bytes.data(), 800);
        const auto s = test::Samples16(bytes);
        for (std::size_t i = 0; i < s.size(); ++i)
            ASSERT_NEAR(s[i], ExpectedSine440At8000(start + i), 1) << start + i;
    }

    // The frequency from the zero crossings of a 50 ms window starting at t seconds.
    auto frequencyAt = [](const std::vector<std::uint8_t>& b, const PcmFormat& f, double t) {
        const auto first = static_cast<std::size_t>(t * f.rate),
                   count = static_cast<std::size_t>(0.05 * f.rate);
        int crossings = 0;
        for (std::size_t n = first + 1; n < first + count; ++n)
            if ((ValueAt(b, f, n - 1, 0) < 0) != (ValueAt(b, f, n, 0) < 0)) ++crossings;
        return crossings / (2 * 0.05);
    };
    struct Case {
        PcmFormat format;
        double top;  // the highest frequency of the sweep
    };
    for (const Case& c : {Case{{44100, 16, 1}, 5000.0}, Case{{8000, 8, 1}, 3600.0}}) {
        SCOPED_TRACE(c.format.rate);
        const auto b =
            Render(VirtualSignal::Chirp(), c.format, static_cast<std::uint32_t>(5.2 * c.format.rate));
        for (double t : {0.0, 2.5, 4.95, 5.0}) {
            const double mid = std::fmod(t, 5.0) + 0.025;
            const double expected = 100.0 + (c.top - 100.0) * mid / 5.0;
            EXPECT_NEAR(frequencyAt(b, c.format, t), expected, 0.05 * expected + 20.0) << "t = " << t;
        }
    }
}

TEST(VirtualSignal, FileIsConvertedToTheCaptureFormatAndLoops) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Distinct values, so a wrong index or a lost frame shows.
    std::vector<int> ramp;
    for (int i = 0; i < 40; ++i) ramp.push_back((i * 1237) % 30000 - 15000);
    auto pcm8 = [](const std::vector<int>& v) {
        QByteArray b;
        for (int s : v) b.append(static_cast<char>(s));
        return b;
    };
    std::vector<int> left8, right8, stereo8;
    for (int i = 0; i < 40; ++i) {
        left8.push_back(20 + 5 * i);
        right8.push_back(230 - 3 * i);
        stereo8.push_back(left8.back());
        stereo8.push_back(right8.back());
    }
    std::vector<int> stereo16;
    for (int i = 0; i < 40; ++i) {
        stereo16.push_back(ramp[i]);
        stereo16.push_back(-ramp[i] / 2);
    }

    struct Case {
        const char* name;
        QByteArray wave;
        PcmFormat format;
        // The expected value (in the target's integer units) of channel ch of output frame n.
        std::function<int(std::size_t n, int ch)> expected;
    };
    auto looped = [](const std::vector<int>& v, std::size_t i) { return v[i % v.size()]; };
    const Case cases[] = {
        {"same format",
         test::Mono16(8000, ramp),
         {8000, 16, 1},
         [&](std::size_t n, int) { return looped(ramp, n); }},
        {"8-bit stereo to 16-bit mono",
         test::Wave(2, 8000, 8, pcm8(stereo8)),
         {8000, 16, 1},
         [&](std::size_t n, int) { return ((looped(left8, n) - 128) + (looped(right8, n) - 128)) * 128; }},
        {"16-bit mono to 8-bit stereo",
         test::Mono16(8000, ramp),
         {8000, 8, 2},
         [&](std::size_t n, int) { return 128 + static_cast<int>(std::lround(looped(ramp, n) / 256.0)); }},
        {"16-bit stereo keeps its channels",
         test::Wave(2, 8000, 16, test::Pcm16(stereo16)),
         {8000, 16, 2},
         [&](std::size_t n, int ch) { return looped(stereo16, 2 * (n % 40) + ch); }},
        {"8000 Hz to 16000 Hz interpolates",
         test::Mono16(8000, ramp),
         {16000, 16, 1},
         [&](std::size_t n, int) {
             const int a = looped(ramp, n / 2), b = looped(ramp, n / 2 + 1);
             return n % 2 ? static_cast<int>(std::lround((a + b) / 2.0)) : a;
         }},
        {"16000 Hz to 8000 Hz takes every second frame",
         test::Mono16(16000, ramp),
         {8000, 16, 1},
         [&](std::size_t n, int) { return looped(ramp, 2 * n); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("clip.wav"));
        ASSERT_TRUE(test::WriteFile(path, c.wave));
        QString error;
        const auto clip = VirtualSignal::LoadClip(path, &error);
        ASSERT_TRUE(clip) << error.toStdString();
        const std::size_t frames = 100;  // more than two rounds of the loop
        const auto b = Render(VirtualSignal::File(clip), c.format, frames);
        for (std::size_t n = 0; n < frames; ++n) {
            for (int ch = 0; ch < c.format.channels; ++ch) {
                const std::uint8_t* p = b.data() + n * c.format.BlockAlign() + ch * (c.format.bits / 8);
                const int got = c.format.bits == 16 ? test::Sample16(p) : p[0];
                ASSERT_EQ(got, c.expected(n, ch)) << "frame " << n << " channel " << ch;
            }
        }
    }
}

TEST(VirtualSignal, UnusableFilesAreExplained) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.wav")),
                  empty = dir.filePath(QStringLiteral("empty.wav"));
    ASSERT_TRUE(test::WriteFile(text, "this is not a sound"));
    ASSERT_TRUE(test::WriteFile(empty, test::Mono16(8000, {})));
    for (const QString& path : {dir.filePath(QStringLiteral("missing.wav")), text, empty}) {
        QString error;
        EXPECT_FALSE(VirtualSignal::LoadClip(path, &error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        // Opening it as an input gives the same explanation.
        QString openError;
        EXPECT_FALSE(AudioSystem::OpenInput(QStringLiteral("virtual:file:") + path, &openError));
        EXPECT_EQ(openError, error);
    }
}

// ---- device lists and opening ----

TEST(VirtualDevices, ListsOpensAndRejectsIds) {
    AudioSystem::Shutdown();  // only the virtual devices

    const auto inputs = AudioSystem::Inputs();
    ASSERT_GE(inputs.size(), 3u);
    const std::vector<std::pair<QString, QString>> listed = {
        {"virtual:sine:440", "virtual input: sine 440 Hz"},
        {"virtual:chirp", "virtual input: chirp"},
        {"virtual:noise", "virtual input: white noise"}};
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const AudioDeviceInfo& info = inputs[inputs.size() - listed.size() + i];
        EXPECT_EQ(info.id, listed[i].first);
        EXPECT_EQ(info.name, listed[i].second);
        EXPECT_EQ(InputName(info.id), info.name);
    }
    const auto outputs = AudioSystem::Outputs();
    ASSERT_FALSE(outputs.empty());
    EXPECT_EQ(outputs.back().id, QStringLiteral("virtual:output"));
    EXPECT_EQ(outputs.back().name, QStringLiteral("virtual output (silent)"));

    QString error;
    EXPECT_EQ(InputName(QString()), QStringLiteral("virtual input: sine 440 Hz"));
    const auto output = AudioSystem::OpenOutput(QString(), &error);
    ASSERT_TRUE(output) << error.toStdString();
    EXPECT_EQ(output->Name(), QStringLiteral("virtual output (silent)"));
    EXPECT_EQ(InputName(QStringLiteral("virtual:sine:1000.5")),
              QStringLiteral("virtual input: sine 1000.5 Hz"));

    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("Stimme A.wav"));
    ASSERT_TRUE(test::WriteFile(wave, test::Mono16(8000, {1, 2, 3})));
    EXPECT_EQ(InputName(QStringLiteral("virtual:file:") + wave),
              QStringLiteral("virtual input: file Stimme A.wav"));

    for (const char* bad : {"virtual:sine:", "virtual:sine:-5", "virtual:sine:abc", "virtual:square",
                            "virtual:output", "portaudio:0", "microphone"}) {
        error.clear();
        EXPECT_FALSE(AudioSystem::OpenInput(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    for (const char* bad : {"virtual:sine:440", "portaudio:0", "speaker"}) {
        error.clear();
        EXPECT_FALSE(AudioSystem::OpenOutput(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(VirtualDevices, RefuseWhatTheyCannotDo) {
    auto input = OpenInput(QStringLiteral("virtual:chirp"));
    QString error;
    auto output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
    ASSERT_TRUE(input && output);
    for (const PcmFormat& f : {PcmFormat{8000, 8, 1}, PcmFormat{192000, 16, 2}}) {
        EXPECT_TRUE(input->SupportsFormat(f));
        EXPECT_TRUE(output->SupportsFormat(f));
    }
    for (const PcmFormat& f : {PcmFormat{4000, 16, 1}, PcmFormat{200000, 16, 1}, PcmFormat{44100, 24, 1},
                               PcmFormat{44100, 16, 6}}) {
        EXPECT_FALSE(input->SupportsFormat(f));
        EXPECT_FALSE(output->SupportsFormat(f));
        error.clear();
        EXPECT_FALSE(input->CreateCaptureBuffer(f, 8820, &error));
        EXPECT_FALSE(error.isEmpty());
        error.clear();
        EXPECT_FALSE(output->CreatePlaybackBuffer(f, std::vector<std::uint8_t>(100), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    error.clear();
    EXPECT_FALSE(input->CreateCaptureBuffer({44100, 16, 1}, 8821, &error)) << "not whole frames";
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(output->CreatePlaybackBuffer({44100, 16, 1}, {}, &error)) << "nothing to play";
    EXPECT_FALSE(error.isEmpty());
    // A truncated last frame is dropped rather than refusing the sound.
    auto truncated = output->CreatePlaybackBuffer({44100, 16, 2}, std::vector<std::uint8_t>(4003), &error);
    ASSERT_TRUE(truncated);
    EXPECT_EQ(truncated->Size(), 4000u);

    auto capture = input->CreateCaptureBuffer({8000, 16, 1}, 3200, &error);
    ASSERT_TRUE(capture);
    EXPECT_FALSE(capture->SetNotificationPositions({100, 3200}, [] {}));
    EXPECT_FALSE(capture->LastError().isEmpty());
    EXPECT_TRUE(capture->SetNotificationPositions({1599, 3199}, [] {}));
    CaptureBuffer::Region r;
    EXPECT_FALSE(capture->Lock(3200, 2, &r));
    EXPECT_FALSE(capture->Lock(0, 3202, &r));
    ASSERT_TRUE(capture->Start());
    EXPECT_FALSE(capture->SetNotificationPositions({0}, [] {})) << "changed while capturing";
    capture->Stop();
}

// ---- capture in real time ----

TEST(VirtualCapture, DeliversTheSignalInRealTimeWithoutGapsAcrossTheWrap) {
    const PcmFormat format{8000, 16, 1};
    const std::uint32_t block = 1600;  // a tenth of a second
    QString error;
    const auto input = OpenInput(QStringLiteral("virtual:sine:440"));
    ASSERT_TRUE(input);
    auto capture = input->CreateCaptureBuffer(format, 16 * block, &error);
    ASSERT_TRUE(capture) << error.toStdString();
    // Three blocks per read, which does not divide the loop: some reads wrap.
    test::BlockReader reader(*capture, block, 3 * block);

    const auto beforeStart = Clock::now();
    ASSERT_TRUE(capture->Start());
    const auto afterStart = Clock::now();
    const std::size_t wanted = 7 * 3 * block;  // the sixth read wraps
    ASSERT_TRUE(reader.ReadUntil(wanted, 20s)) << "only " << reader.data.size() << " bytes came";

    // Everything written so far, against the time elapsed since Start: never ahead of the clock,
    // and never more than a block behind it (a busy machine may delay the worker for a moment,
    // but it must catch up).
    bool caughtUp = false;
    for (const auto until = Clock::now() + 30s; Clock::now() < until && !caughtUp;) {
        const auto before = Clock::now();
        const double written = double(reader.data.size() + reader.Pending()) / format.BlockAlign();
        const auto after = Clock::now();
        EXPECT_LE(written, Seconds(after - beforeStart) * format.rate + 1.0);
        caughtUp = written >= Seconds(before - afterStart) * format.rate - block / 2.0;
        if (!caughtUp) std::this_thread::yield();
    }
    EXPECT_TRUE(caughtUp) << "the capture fell behind the clock";
    capture->Stop();

    // Every sample, also those of the reads that wrapped, continues the sine.
    EXPECT_GE(reader.wrappedLocks, 1);
    const auto samples = test::Samples16(reader.data);
    for (std::size_t n = 0; n < samples.size(); ++n)
        ASSERT_NEAR(samples[n], ExpectedSine440At8000(n), 1) << n;

    // The notifications came in order, each when its block was complete (how evenly they come
    // is measured by bench_capture_timing).
    const auto notes = reader.Notes();
    ASSERT_GE(notes.size(), wanted / block);
    std::uint64_t unwrapped = 0, lap = 0;
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].position < last) lap += capture->Size();
        last = notes[i].position;
        ASSERT_GE(lap + last, unwrapped);
        unwrapped = lap + last;
        EXPECT_GE(unwrapped, (i + 1) * block) << "notification " << i << " before its block was complete";
    }
}

TEST(VirtualCapture, FileInputReproducesTheWave) {
    QTemporaryDir dir;
    std::vector<int> samples;
    for (int i = 0; i < 1000; ++i) samples.push_back((i * 7919) % 60000 - 30000);
    const QString path = dir.filePath(QStringLiteral("voice.wav"));
    ASSERT_TRUE(test::WriteFile(path, test::Mono16(8000, samples)));

    QString error;
    const auto input = OpenInput(QStringLiteral("virtual:file:") + path);
    ASSERT_TRUE(input);
    auto capture = input->CreateCaptureBuffer({8000, 16, 1}, 16 * 320, &error);
    ASSERT_TRUE(capture) << error.toStdString();
    test::BlockReader reader(*capture, 320, 320);
    ASSERT_TRUE(capture->Start());
    ASSERT_TRUE(reader.ReadUntil(2 * 2500, 20s));
    capture->Stop();
    const auto got = test::Samples16(reader.data);
    for (std::size_t n = 0; n < got.size(); ++n) ASSERT_EQ(got[n], samples[n % samples.size()]) << n;
}

TEST(VirtualCapture, StartStopAndDestroyLeaveNoThreadBehind) {
    auto input = OpenInput(QStringLiteral("virtual:noise"));
    ASSERT_TRUE(input);
    QString error;
    auto kept = input->CreateCaptureBuffer({44100, 16, 2}, 16 * 17640, &error);
    ASSERT_TRUE(kept) << error.toStdString();
    const int before = test::ThreadCount();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(kept->Start());
        if (i % 5 == 0) std::this_thread::yield();
        kept->Stop();
        // A buffer destroyed while capturing stops itself.
        auto dropped = input->CreateCaptureBuffer({8000, 8, 1}, 16 * 1600, &error);
        ASSERT_TRUE(dropped) << error.toStdString();
        ASSERT_TRUE(dropped->Start());
    }
    EXPECT_LE(test::ThreadCount(), before);
}

// ---- playback in real time ----

TEST(VirtualPlayback, PositionFollowsTheClockAndStopHoldsIt) {
    const PcmFormat format{8000, 16, 1};
    auto buffer = VirtualPlayback(format, 2 * 8000 * 10);
    ASSERT_TRUE(buffer);
    EXPECT_FALSE(buffer->IsPlaying());
    ASSERT_TRUE(buffer->SetPosition(1001));  // aligned down to a whole frame
    std::uint32_t pos = 1;
    ASSERT_TRUE(buffer->GetPosition(&pos));
    EXPECT_EQ(pos, 1000u);

    const auto beforePlay = Clock::now();
    ASSERT_TRUE(buffer->Play(false));
    const auto afterPlay = Clock::now();
    // Wait until the position has moved well on; the bounds below come from the clock.
    ASSERT_TRUE(Eventually([&] { return buffer->GetPosition(&pos) && pos >= 1000 + 2 * 800; }));
    const auto beforeGet = Clock::now();
    ASSERT_TRUE(buffer->GetPosition(&pos));
    const auto afterGet = Clock::now();
    EXPECT_TRUE(buffer->IsPlaying());
    // Bounds from the clock readings around the calls: exact however the machine is loaded.
    EXPECT_GE(pos, 1000 + 2 * std::floor(Seconds(beforeGet - afterPlay) * format.rate));
    EXPECT_LE(pos, 1000 + 2 * std::ceil(Seconds(afterGet - beforePlay) * format.rate));
    EXPECT_EQ(pos % 2, 0u);

    buffer->Stop();
    EXPECT_FALSE(buffer->IsPlaying());
    std::uint32_t stopped = 0;
    ASSERT_TRUE(buffer->GetPosition(&stopped));
    EXPECT_GE(stopped, pos);
    // However often it is read while the clock goes on, a stopped position stays.
    for (const auto until = Clock::now() + 30ms; Clock::now() < until; std::this_thread::yield()) {
        ASSERT_TRUE(buffer->GetPosition(&pos));
        ASSERT_EQ(pos, stopped);
    }

    // Play goes on from there; a jump while playing moves the cursor at once.
    ASSERT_TRUE(buffer->Play(false));
    EXPECT_TRUE(Eventually([&] { return buffer->GetPosition(&pos) && pos > stopped; }));
    const auto beforeJump = Clock::now();
    ASSERT_TRUE(buffer->SetPosition(100000));
    ASSERT_TRUE(buffer->GetPosition(&pos));
    EXPECT_GE(pos, 100000u);
    EXPECT_LE(pos, 100000 + 2 * std::ceil(Seconds(Clock::now() - beforeJump) * format.rate));
    EXPECT_TRUE(buffer->IsPlaying());

    EXPECT_FALSE(buffer->SetPosition(buffer->Size()));
    EXPECT_FALSE(buffer->LastError().isEmpty());
}

TEST(VirtualPlayback, EndsAndRewindsOrWrapsWhenLooping) {
    const PcmFormat format{8000, 8, 1};
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "once");
        auto buffer = VirtualPlayback(format, 800);  // a tenth of a second
        ASSERT_TRUE(buffer);
        ASSERT_TRUE(buffer->SetPosition(400));
        ASSERT_TRUE(buffer->Play(loop));
        std::uint32_t pos = 0;
        if (!loop) {
            ASSERT_TRUE(Eventually([&] { return !buffer->IsPlaying(); }));
            ASSERT_TRUE(buffer->GetPosition(&pos));
            EXPECT_EQ(pos, 0u) << "rewound at the end";
            // It plays again from the start.
            ASSERT_TRUE(buffer->Play(false));
            EXPECT_TRUE(buffer->IsPlaying());
            continue;
        }
        // Watch it pass the end and start over.
        ASSERT_TRUE(buffer->GetPosition(&pos));
        std::uint32_t last = pos;
        EXPECT_TRUE(Eventually([&] {
            const bool wrapped = buffer->GetPosition(&pos) && pos < last;
            last = pos;
            return wrapped;
        }));
        EXPECT_LT(pos, 800u);
        EXPECT_TRUE(buffer->IsPlaying());
        // Switching the loop off while playing lets it end at the next pass.
        ASSERT_TRUE(buffer->Play(false));
        EXPECT_TRUE(Eventually([&] { return !buffer->IsPlaying(); }));
    }
}
