// The score window: the melody recorded from a running sound, and the picture of the whole score.

#include <gtest/gtest.h>
#include <QFile>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "analysis/MusicalNote.h"
#include "document/PlaybackSound.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/spectral/ScoreView.h"

using namespace test;

namespace {

class ScoreViewTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        app.Settings().IniNotenbildWhatIs = ScoreView::kMelody;
        app.Settings().IniNotenbildObertonanzahl = 8;
        app.Settings().IniFFTMinAbstandNachbarMin = 5;
        DocumentTestAccess::SampleRate(doc) = 20000;
        DocumentTestAccess::BitsPerSample(doc) = 16;
        view = std::make_unique<ScoreView>(doc, app.Settings());
        view->resize(400, 300);
        view->OnInitialUpdate();
    }
    // A spectrum of 2001 values (a 4000-point transform, 5 Hz apart) with one loud peak.
    void Tone(std::size_t bin) {
        DocumentTestAccess::Spectrum(doc).assign(2001, 0.0);
        DocumentTestAccess::Spectrum(doc)[bin] = 10000.0;
    }
    std::unique_ptr<ScoreView> view;
};

TEST_F(ScoreViewTest, ANoteHeldWhileListeningIsRecordedOnceAndDeleteClearsIt) {
    DocumentTestAccess::Activity(doc).SetListening(true);
    Tone(88);  // 440 Hz
    for (int i = 0; i < 4; ++i) view->OnUpdate(kHintSpectrum);
    EXPECT_TRUE(view->RecordedNotes().empty());
    for (int i = 0; i < 6; ++i) view->OnUpdate(kHintSpectrum);
    ASSERT_EQ(view->RecordedNotes().size(), 1u);
    EXPECT_DOUBLE_EQ(view->RecordedNotes()[0].frequency, 440.0);
    view->OnDeleteRecording();
    EXPECT_TRUE(view->RecordedNotes().empty());
}

TEST_F(ScoreViewTest, TheSavedScoreIsAsWideAsAllItsNotes) {
    // Chosen stretches are written at once; 60 of them run far beyond the window.
    Tone(88);
    for (int i = 0; i < 60; ++i) view->OnUpdate(kHintSelectionSpectrum);
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
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 ").arg(width).toUtf8()))
        << svg.left(400).toStdString();
    EXPECT_TRUE(svg.contains("<desc>Score</desc>"));
}

TEST_F(ScoreViewTest, PlayingTheOvertonesNeedsThreePartials) {
    DocumentTestAccess::Spectrum(doc).assign(2000, 0.0);
    DocumentTestAccess::Spectrum(doc)[44] = 10000.0;  // 220 Hz
    DocumentTestAccess::Spectrum(doc)[88] = 8000.0;
    EXPECT_FALSE(view->OnPlayOvertones());
    DocumentTestAccess::Spectrum(doc)[132] = 6000.0;
    EXPECT_TRUE(view->OnPlayOvertones());
}

// A live block of 4410 samples padded to the transform size: its side lobes are no partials.
TEST_F(ScoreViewTest, APaddedLiveBlockOfASineGivesOnlyItsNote) {
    DocumentTestAccess::SampleRate(doc) = 44100;
    const std::pair<double, int> tones[] = {{440.0, 48}, {261.63, 39}, {130.81, 27}, {523.25, 51}};
    for (const int points : {8192, 16384, 32768}) {
        DocumentTestAccess::FftPoints(doc) = points;
        for (const auto& [f, note] : tones) {
            SCOPED_TRACE(testing::Message() << f << " Hz, " << points << " points");
            const std::vector<int> block = test::Sine(f, 44100, 4410, 16000);
            doc.OnCaptureBlock(std::vector<double>(block.begin(), block.end()), QString());
            const std::vector<Partial>& partials = view->AnalysisSpectrum();
            ASSERT_EQ(partials.size(), 1u) << partials.size() << " partials, the second at "
                                           << (partials.size() > 1 ? partials[1].frequency : 0.0);
            EXPECT_EQ(NoteNumber(partials[0].frequency), note);
            // Within a hundredth of the block's resolution (fs / 4410 = 10 Hz); the mirror image of
            // the sine below 0 Hz keeps a low tone in a short block from being placed closer.
            EXPECT_NEAR(partials[0].frequency, f, 0.1);
        }
    }
}

// A scale played through the program: every note is written, the last one too.
TEST_F(ScoreViewTest, AScalePlayedThroughTheMelodyIsRecordedNoteByNote) {
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    QString error;
    const std::unique_ptr<AudioOutputDevice> output =
        AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
    ASSERT_TRUE(output) << error.toStdString();
    doc.SetSoundFactory(
        [&](const QString& path, QString*) { return PlaybackSound::Create(*output, path, nullptr); });
    // C4 D4 E4 F4 G4, half a second each.
    const int notes[] = {39, 41, 43, 44, 46};
    std::vector<int> samples;
    for (const int note : notes) {
        const std::vector<int> tone = test::Sine(27.5 * std::exp2(note / 12.0), 44100, 22050, 12000);
        samples.insert(samples.end(), tone.begin(), tone.end());
    }
    ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("scale.wav"), test::Mono16(44100, samples))));
    for (const int points : {8192, 16384, 32768}) {  // standard, musicians, the kids' score
        SCOPED_TRACE(points);
        DocumentTestAccess::FftPoints(doc) = points;
        view->OnDeleteRecording();
        doc.OnPlay();
        ASSERT_TRUE(doc.IsPlaying());
        // The play timer's ticks, 60 ms apart, to the end of the sound.
        for (std::uint32_t at = 0; at < samples.size(); at += 2646) doc.PlaybackUpdate(2 * at);
        doc.OnStopPlaying();
        std::vector<int> recorded;
        for (const Partial& p : view->RecordedNotes()) recorded.push_back(NoteNumber(p.frequency));
        EXPECT_EQ(recorded, std::vector<int>(std::begin(notes), std::end(notes)));
    }
    if (oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp);
}

// The same scale sung into the microphone: blocks of 4410 samples that do not line up with
// the notes, so each note begins and ends inside a block shared with its neighbour.
TEST_F(ScoreViewTest, AScaleHeardBlockByBlockIsRecordedNoteByNote) {
    DocumentTestAccess::SampleRate(doc) = 44100;
    const int notes[] = {39, 41, 43, 44, 46};
    std::vector<double> sound(1000, 0.0);  // a moment of silence first
    for (const int note : notes) {
        const std::vector<int> tone = test::Sine(27.5 * std::exp2(note / 12.0), 44100, 22050, 12000);
        sound.insert(sound.end(), tone.begin(), tone.end());
    }
    sound.resize((sound.size() / 4410 + 1) * 4410, 0.0);
    DocumentTestAccess::Activity(doc).SetListening(true);
    for (const int points : {8192, 16384}) {
        SCOPED_TRACE(points);
        DocumentTestAccess::FftPoints(doc) = points;
        view->OnDeleteRecording();
        for (std::size_t at = 0; at < sound.size(); at += 4410)
            doc.OnCaptureBlock(std::vector<double>(sound.begin() + at, sound.begin() + at + 4410), QString());
        std::vector<int> recorded;
        for (const Partial& p : view->RecordedNotes()) recorded.push_back(NoteNumber(p.frequency));
        EXPECT_EQ(recorded, std::vector<int>(std::begin(notes), std::end(notes)));
    }
    DocumentTestAccess::Activity(doc).SetListening(false);
}

// The export's interval column: the interval to the keynote, or nothing.
TEST_F(ScoreViewTest, TheExportNamesTheIntervalToTheKeynote) {
    const struct {
        double f, f0;
        const char* cell;
    } cases[] = {
        {440, 440, "keynote"},
        {441, 440, "keynote"},
        {880, 440, "octave"},
        {880, 220, "two octaves"},
        {660, 220, "twelfth"},
        {1100, 220, "two octaves and a major third"},
        {1540, 220, "two octaves and a minor seventh"},
        {3520, 220, "four octaves"},
        {620, 440, ""},
        {330, 220, ""},
        {2420, 220, ""},
        {4000, 220, ""},
        {897, 440, ""},
        {440, 0, ""},
    };
    for (const auto& c : cases) {
        const int id = KeynoteIntervalStringOf(c.f, c.f0);
        EXPECT_EQ(id ? Str(id) : QString(), QLatin1String(c.cell)) << c.f << " over " << c.f0;
    }
    // The table: 220 Hz and two partials, one of them no harmonic.
    DocumentTestAccess::Spectrum(doc).assign(2001, 0.0);
    DocumentTestAccess::Spectrum(doc)[44] = 10000.0;  // 220 Hz
    DocumentTestAccess::Spectrum(doc)[124] = 8000.0;  // 620 Hz
    DocumentTestAccess::Spectrum(doc)[176] = 6000.0;  // 880 Hz
    const QStringList lines =
        view->ExportTable().value_or(QString()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\tA3\tkeynote"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\tD#5\t"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("\tA5\ttwo octaves"))) << lines[3].toStdString();
}

}  // namespace
