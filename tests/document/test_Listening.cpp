// Listening and recording through the virtual input device, in real time.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include "document/CaptureWorker.h"
#include "document/RiffWave.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"

using namespace test;

namespace {

// How long a test waits for the capture to deliver what it needs: far longer than it takes,
// even on a busy machine.
constexpr int kDeadlineMs = 30000;

// Runs the event loop (which takes the captured blocks) for a while.
void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int CountEntries(const char* folder) {
    return static_cast<int>(
        QDir(QLatin1String(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// Helper threads of the libraries underneath (Qt, the C library) come and go on their own: give
// the count up to withinMs to come down to atMost.
int SettledCount(const char* folder, int atMost, int withinMs = kDeadlineMs) {
    QElapsedTimer timer;
    timer.start();
    int count = CountEntries(folder);
    while (count > atMost && timer.elapsed() < withinMs) {
        Pump(20);
        count = CountEntries(folder);
    }
    return count;
}

class Listening : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        QString error;
        input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &error);
        output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
        ASSERT_TRUE(input && output) << error.toStdString();
        doc.SetAudioDevices(input.get(), output.get());
    }
    void TearDown() override {
        if (doc.IsListening()) doc.StopListening();
        doc.SetAudioDevices(nullptr, nullptr);
        DocFixture::TearDown();
    }
    // Live spectra shown since the hint at index from.
    long SpectraSince(std::size_t from) const {
        return std::count(
            recorder.hints.begin() + static_cast<std::ptrdiff_t>(std::min(from, recorder.hints.size())),
            recorder.hints.end(), kHintSpectrum);
    }
    std::unique_ptr<AudioInputDevice> input;
    std::unique_ptr<AudioOutputDevice> output;
};

// Counts the live blocks shown and their samples (the hand-over of each comes with a spectrum).
struct ShownBlocks : IDocumentView {
    explicit ShownBlocks(const SoundDocument& d) : doc(d) {}
    void OnUpdate(int hint) override {
        if (hint != kHintSpectrum) return;
        ++blocks;
        samples += doc.SelectedSamples().size();
    }
    const SoundDocument& doc;
    int blocks = 0;
    std::size_t samples = 0;
};

}  // namespace

TEST(CapturingThread, NotifySizeIsAFifthOfTheRateInWholeFrames) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint32_t bytes;
    };
    for (const Case c : {Case{8000, 8, 1600}, Case{11025, 16, 2204}, Case{44100, 16, 8820},
                         Case{44100, 8, 8820}, Case{192000, 16, 38400}}) {
        PcmFormat f;
        f.rate = c.rate;
        f.bits = c.bits;
        EXPECT_EQ(CaptureWorker::NotifySize(f), c.bytes) << c.rate << " Hz " << c.bits << " bit";
    }
}

TEST_F(Listening, TheFirstListenTakes44kHz16BitMonoAndGivesLiveSpectra) {
    DocumentTestAccess::FftPoints(doc) = 1024;
    doc.StartListening(false);
    ASSERT_TRUE(doc.IsListening());
    EXPECT_EQ(doc.CaptureFormat().samplesPerSec, 44100u);
    EXPECT_EQ(doc.CaptureFormat().bitsPerSample, 16);
    EXPECT_EQ(doc.CaptureFormat().channels, 1);
    EXPECT_EQ(doc.SampleRate(), 44100);
    recorder.hints.clear();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::count(recorder.hints.begin(), recorder.hints.end(), kHintSpectrum) >= 3; },
        kDeadlineMs));
    ASSERT_EQ(doc.Spectrum().size(), 513u);
    // The virtual input plays 440 Hz: the loudest bin lies at 440 Hz (bin width 43 Hz).
    const auto peak =
        std::max_element(doc.Spectrum().begin() + 1, doc.Spectrum().end()) - doc.Spectrum().begin();
    EXPECT_NEAR(SoundDocument::BinFrequency(static_cast<std::size_t>(peak), 1024, 44100), 440.0, 44.0);
    doc.StopListening();
    EXPECT_FALSE(doc.IsListening());
    EXPECT_FALSE(doc.CapturingThread()->IsRunning());
}

TEST_F(Listening, EscapeStopsListeningAtTheNextBlock) {
    doc.StartListening(false);
    recorder.hints.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return SpectraSince(0) >= 1; }, kDeadlineMs));
    doc.RequestStopListening();
    const std::size_t before = recorder.hints.size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !doc.IsListening(); }, kDeadlineMs));
    EXPECT_EQ(SpectraSince(before), 0);  // the block that saw the key was not shown
}

TEST_F(Listening, RecordStopRecordAgainWritesBothStretchesIntoOneFileThatBecomesTheSound) {
    QFile::remove(SoundDocument::RecordingPath());
    ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("x.wav"), Mono16(8000, {1, 2, 3}))));
    ShownBlocks shown(doc);
    doc.AddView(&shown);
    doc.StartListening(false);
    EXPECT_FALSE(doc.IsWaveLoaded());  // listening removes the loaded sound
    // Lets the given number of blocks go by and gives the samples they held.
    const auto stretch = [&](int blocks) {
        const std::size_t samples = shown.samples;
        const int target = shown.blocks + blocks;
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown.blocks >= target; }, kDeadlineMs));
        return shown.samples - samples;
    };
    stretch(1);
    doc.OnRecord();
    EXPECT_TRUE(doc.IsRecording());
    const std::size_t first = stretch(3);
    doc.OnStopRecording();
    const std::size_t pause = stretch(20);  // not recorded
    doc.OnRecord();
    const std::size_t second = stretch(3);
    doc.OnRecordMusic();  // stops both and loads the recording
    doc.RemoveView(&shown);
    EXPECT_FALSE(doc.IsListening());
    ASSERT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(doc.FileName(), SoundDocument::RecordingPath());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Aufnahme.wav"));
    // Both stretches and not the pause between them. At each of the four switches a block or two
    // may fall on the other side of what the view saw, when the machine is busy.
    const double slack = 8 * 4410;
    const double recorded = doc.SampleCount();
    ASSERT_GT(double(pause), 2 * slack);
    EXPECT_GE(recorded, double(first + second) - slack);
    EXPECT_LE(recorded, double(first + second) + slack);
}

TEST_F(Listening, ARecordingIsAValidFileWhileItIsStillBeingWritten) {
    QFile::remove(SoundDocument::RecordingPath());
    doc.StartListening(true);
    ASSERT_TRUE(doc.IsRecording());
    // Read it as another program would, while the recording goes on, until the sizes in the
    // file (brought up to date once a second) hold a second of sound.
    QByteArray bytes;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            bytes = ReadFile(SoundDocument::RecordingPath());
            return bytes.size() >= 56 && U32At(bytes, 52) >= 88200u;
        },
        kDeadlineMs));
    EXPECT_EQ(U32At(bytes, 4), static_cast<std::uint32_t>(U32At(bytes, 52) + 48 + (U32At(bytes, 52) & 1)));
    RiffWave wave;
    WaveFormat format;
    ASSERT_EQ(wave.Open(SoundDocument::RecordingPath(), &format, RiffWave::Mode::Read),
              RiffWave::Status::Success);
    EXPECT_GE(wave.GetSize(), 88200u);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    doc.StopListening();
}

TEST_F(Listening, StartingAndStoppingManyTimesLeavesNoThreadOrFileBehind) {
    doc.StartListening(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SpectraSince(0) >= 1; }, kDeadlineMs));
    doc.StopListening();
    Pump(200);
    const int threads = SettledCount("/proc/self/task", 1, 3000);  // a baseline: the fewest seen for a moment
    const int files = CountEntries("/proc/self/fd");
    for (int i = 0; i < 200; ++i) {
        doc.StartListening(i % 2 == 0);  // every other one records as well
        if (i % 20 == 0) Pump(120);
        doc.StopListening();
    }
    // A leak grows with the 200 rounds; a helper thread that ended meanwhile only lowers the count.
    EXPECT_LE(SettledCount("/proc/self/task", threads), threads);
    EXPECT_LE(SettledCount("/proc/self/fd", files), files);
}

namespace {

// Runs the event loop until the condition holds; false when the generous deadline passes first.
template <typename Condition>
bool PumpUntil(Condition condition, int deadlineMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > deadlineMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace

TEST_F(Listening, OpeningAFileStopsListeningFirst) {
    const QString wave = Write(QStringLiteral("x.wav"), Mono16(8000, Sine(440, 8000, 4000, 8000)));
    const QString series = Write(QStringLiteral("x.txt"), QByteArray("1 2 3 4 5 4 3 2 1"));
    for (const bool timeSeries : {false, true}) {
        doc.StartListening(false);
        ASSERT_TRUE(doc.IsListening());
        ASSERT_TRUE(timeSeries ? doc.OpenTimeSeriesFile(series) : doc.OpenSoundFile(wave));
        EXPECT_FALSE(doc.IsListening());
        EXPECT_FALSE(doc.CapturingThread()->IsRunning());
        EXPECT_TRUE(doc.IsWaveLoaded());
        EXPECT_EQ(doc.FileName(), timeSeries ? series : wave);
        EXPECT_EQ(doc.SampleCount(), timeSeries ? 9u : 4000u);
    }
}

TEST_F(Listening, AFailedWriteStopsTheRecordingOnceKeepsTheFileAndListeningGoesOn) {
    QFile::remove(SoundDocument::RecordingPath());
    // Room for three blocks of 100 ms: the fourth cannot be written, as on a full disk.
    constexpr std::uint32_t kBlock = 8820;
    doc.SetRecordingLimit(3 * kBlock + 100);
    doc.StartListening(true);
    ASSERT_TRUE(doc.IsRecording());
    ASSERT_TRUE(PumpUntil([&] { return SaidNumber(ui, 63414); }));
    EXPECT_TRUE(ui.messages.back().text.contains(QDir::toNativeSeparators(SoundDocument::RecordingPath())));
    EXPECT_FALSE(doc.IsRecording());
    EXPECT_TRUE(doc.IsListening());
    // The live view goes on, and the user is told only once.
    recorder.hints.clear();
    ASSERT_TRUE(PumpUntil(
        [&] { return std::count(recorder.hints.begin(), recorder.hints.end(), kHintSpectrum) >= 3; }));
    EXPECT_EQ(ui.messages.size(), 1u);

    // What was written is a valid wave file, also before listening ends.
    RiffWave wave;
    WaveFormat format;
    ASSERT_EQ(wave.Open(SoundDocument::RecordingPath(), &format, RiffWave::Mode::Read),
              RiffWave::Status::Success);
    const std::uint32_t written = wave.GetSize();
    EXPECT_GT(written, 0u);
    EXPECT_LE(written, 3 * kBlock);
    EXPECT_EQ(written % kBlock, 0u);  // whole blocks only
    EXPECT_EQ(U32At(ReadFile(SoundDocument::RecordingPath()), 4), written + 48);
    EXPECT_EQ(ReadFile(SoundDocument::RecordingPath()).size(), written + 56);
    wave.Close();

    // Recording again meets the same limit: told again, for the new attempt.
    doc.OnRecord();
    ASSERT_TRUE(PumpUntil([&] { return ui.messages.size() == 2; }));
    EXPECT_FALSE(doc.IsRecording());

    doc.OnListen();  // ends listening and loads what was recorded
    EXPECT_FALSE(doc.IsListening());
    ASSERT_TRUE(doc.IsWaveLoaded());
    EXPECT_GE(doc.SampleCount(), written / 2);
    EXPECT_EQ(doc.SampleCount() % (kBlock / 2), 0u);
}
