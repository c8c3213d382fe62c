// Listening and recording through the virtual input device, in real time.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "document/CCaptureThread.h"
#include "document/CRiffWave.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"

using namespace test;

namespace {

// Runs the event loop (which takes the captured blocks) for a while.
void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int CountEntries(const char* folder) { return static_cast<int>(QDir(QLatin1String(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size()); }

// Helper threads of the libraries underneath (Qt, the C library) come and go on their own: give
// the count up to three seconds to come down to atMost.
int SettledCount(const char* folder, int atMost) {
    QElapsedTimer timer;
    timer.start();
    int count = CountEntries(folder);
    while (count > atMost && timer.elapsed() < 3000) {
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
        if (g_bListening) doc.StopListening();
        doc.SetAudioDevices(nullptr, nullptr);
        DocFixture::TearDown();
    }
    std::unique_ptr<AudioInputDevice> input;
    std::unique_ptr<AudioOutputDevice> output;
};

}  // namespace

TEST(CaptureThread, NotifySizeIsAFifthOfTheRateInWholeFrames) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint32_t bytes;
    };
    for (const Case c : {Case{8000, 8, 1600}, Case{11025, 16, 2204}, Case{44100, 16, 8820}, Case{44100, 8, 8820},
                         Case{192000, 16, 38400}}) {
        PcmFormat f;
        f.rate = c.rate;
        f.bits = c.bits;
        EXPECT_EQ(CCaptureThread::NotifySize(f), c.bytes) << c.rate << " Hz " << c.bits << " bit";
    }
}

TEST_F(Listening, TheFirstListenTakes44kHz16BitMonoAndGivesLiveSpectra) {
    doc.m_nFFTPoints = 1024;
    doc.StartListening(false);
    ASSERT_TRUE(g_bListening);
    EXPECT_EQ(doc.m_captureFormat.samplesPerSec, 44100u);
    EXPECT_EQ(doc.m_captureFormat.bitsPerSample, 16);
    EXPECT_EQ(doc.m_captureFormat.channels, 1);
    EXPECT_EQ(doc.m_nSampleRate, 44100);
    view.hints.clear();
    Pump(600);
    const auto spectra = std::count(view.hints.begin(), view.hints.end(), kHintSpectrum);
    EXPECT_GE(spectra, 3);
    ASSERT_EQ(doc.m_aSpectrum.size(), 513u);
    // The virtual input plays 440 Hz: the loudest bin lies at 440 Hz (bin width 43 Hz).
    const auto peak = std::max_element(doc.m_aSpectrum.begin() + 1, doc.m_aSpectrum.end()) - doc.m_aSpectrum.begin();
    EXPECT_NEAR(CKalvoDoc::BinFrequency(static_cast<std::size_t>(peak), 1024, 44100), 440.0, 44.0);
    doc.StopListening();
    EXPECT_FALSE(g_bListening);
    EXPECT_FALSE(doc.CaptureThread()->IsRunning());
}

TEST_F(Listening, EscapeStopsListeningAtTheNextBlock) {
    doc.StartListening(false);
    Pump(250);
    doc.RequestStopListening();
    Pump(400);
    EXPECT_FALSE(g_bListening);
}

TEST_F(Listening, RecordStopRecordAgainWritesBothStretchesIntoOneFileThatBecomesTheSound) {
    QFile::remove(CKalvoDoc::RecordingPath());
    ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("x.wav"), Mono16(8000, {1, 2, 3}))));
    doc.StartListening(false);
    EXPECT_FALSE(g_bWaveLoaded);  // listening removes the loaded sound
    Pump(200);
    doc.OnRecord();
    EXPECT_TRUE(g_bRecording);
    Pump(500);
    doc.OnStopRecording();
    Pump(500);  // not recorded
    doc.OnRecord();
    Pump(500);
    doc.OnRecordMusic();  // stops both and loads the recording
    EXPECT_FALSE(g_bListening);
    ASSERT_TRUE(g_bWaveLoaded);
    EXPECT_EQ(doc.m_strFileName, CKalvoDoc::RecordingPath());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Aufnahme.wav"));
    const double seconds = double(doc.SampleCount()) / 44100.0;
    // Two stretches of about half a second each, in whole blocks of 100 ms.
    EXPECT_GT(seconds, 0.6);
    EXPECT_LT(seconds, 1.5);
}

TEST_F(Listening, ARecordingIsAValidFileWhileItIsStillBeingWritten) {
    QFile::remove(CKalvoDoc::RecordingPath());
    doc.StartListening(true);
    ASSERT_TRUE(g_bRecording);
    Pump(2300);
    // Read it as another program would, while the recording goes on.
    CRiffWave wave;
    WaveFormat format;
    ASSERT_EQ(wave.Open(CKalvoDoc::RecordingPath(), &format, CRiffWave::Mode::Read), CRiffWave::Status::Success);
    const QByteArray bytes = ReadFile(CKalvoDoc::RecordingPath());
    EXPECT_EQ(U32At(bytes, 4), static_cast<std::uint32_t>(U32At(bytes, 52) + 48 + (U32At(bytes, 52) & 1)));
    EXPECT_GE(wave.GetSize(), 88200u);  // at least one second is in the sizes already
    doc.StopListening();
}

TEST_F(Listening, StartingAndStoppingManyTimesLeavesNoThreadOrFileBehind) {
    doc.StartListening(false);
    Pump(120);
    doc.StopListening();
    Pump(200);
    const int threads = SettledCount("/proc/self/task", 1);
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
        ASSERT_TRUE(g_bListening);
        ASSERT_TRUE(timeSeries ? doc.OpenTimeSeriesFile(series) : doc.OpenSoundFile(wave));
        EXPECT_FALSE(g_bListening);
        EXPECT_FALSE(doc.CaptureThread()->IsRunning());
        EXPECT_TRUE(g_bWaveLoaded);
        EXPECT_EQ(doc.m_strFileName, timeSeries ? series : wave);
        EXPECT_EQ(doc.SampleCount(), timeSeries ? 9u : 4000u);
    }
}

TEST_F(Listening, AFailedWriteStopsTheRecordingOnceKeepsTheFileAndListeningGoesOn) {
    QFile::remove(CKalvoDoc::RecordingPath());
    // Room for three blocks of 100 ms: the fourth cannot be written, as on a full disk.
    constexpr std::uint32_t kBlock = 8820;
    doc.SetRecordingLimit(3 * kBlock + 100);
    doc.StartListening(true);
    ASSERT_TRUE(g_bRecording);
    ASSERT_TRUE(PumpUntil([&] { return SaidNumber(ui, 63414); }));
    EXPECT_TRUE(ui.messages.back().text.contains(QDir::toNativeSeparators(CKalvoDoc::RecordingPath())));
    EXPECT_FALSE(g_bRecording);
    EXPECT_TRUE(g_bListening);
    // The live view goes on, and the user is told only once.
    view.hints.clear();
    ASSERT_TRUE(PumpUntil([&] { return std::count(view.hints.begin(), view.hints.end(), kHintSpectrum) >= 3; }));
    EXPECT_EQ(ui.messages.size(), 1u);

    // What was written is a valid wave file, also before listening ends.
    CRiffWave wave;
    WaveFormat format;
    ASSERT_EQ(wave.Open(CKalvoDoc::RecordingPath(), &format, CRiffWave::Mode::Read), CRiffWave::Status::Success);
    const std::uint32_t written = wave.GetSize();
    EXPECT_GT(written, 0u);
    EXPECT_LE(written, 3 * kBlock);
    EXPECT_EQ(written % kBlock, 0u);  // whole blocks only
    EXPECT_EQ(U32At(ReadFile(CKalvoDoc::RecordingPath()), 4), written + 48);
    EXPECT_EQ(ReadFile(CKalvoDoc::RecordingPath()).size(), written + 56);
    wave.Close();

    // Recording again meets the same limit: told again, for the new attempt.
    doc.OnRecord();
    ASSERT_TRUE(PumpUntil([&] { return ui.messages.size() == 2; }));
    EXPECT_FALSE(g_bRecording);

    doc.OnListen();  // ends listening and loads what was recorded
    EXPECT_FALSE(g_bListening);
    ASSERT_TRUE(g_bWaveLoaded);
    EXPECT_GE(doc.SampleCount(), written / 2);
    EXPECT_EQ(doc.SampleCount() % (kBlock / 2), 0u);
}
