#pragma once
// The one document: the sound being analysed (raw mono PCM bytes, 8-bit unsigned or 16-bit
// signed little-endian), its format, the selection, the spectrum last computed from it and
// the references to the open module windows. Views read it; they learn about changes
// through numbered hints, and the main window through numbered status messages.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/CwtParameters.h"
#include "document/Capture.h"
#include "document/DocumentActivity.h"
#include "document/IModuleFrame.h"
#include "document/Playback.h"
#include "document/PlaybackSound.h"
#include "document/SpectrumService.h"
#include "document/WaveFormat.h"

class AudioInputDevice;
class AudioOutputDevice;
class CaptureWorker;
class ProfileSettings;
class IDocumentView;
class IMainFrame;
class JobRunner;
class PlaybackBuffer;
class UserInterface;
struct WaveBlock;
struct WaveletError;

// Update hints sent to all views.
enum DocumentHint : int {
    kHintChannelChosen = 0,  // the channel of a stereo file was chosen
    kHintRemoveWave = 11,    // the wave is about to go (the samples are still there)
    kHintSpectrum = 12,      // a new live or playback spectrum is in Spectrum()
    kHintSelection = 18,     // the selection was cleared (no sound is loaded)
    // The selection of the loaded sound changed: its samples are in SelectedSamples() and, where
    // a window needs it, its spectrum of SpectrumPoints() points in Spectrum().
    kHintSelectionSpectrum = 19,
    kHintPlayStarted = 23,  // playback started
    kHintRebuild = 50,      // sound, format, listening state or settings changed
};

// Either hint of a changed selection.
inline bool IsSelectionHint(int hint) {
    return hint == kHintSelection || hint == kHintSelectionSpectrum;
}

class SoundDocument {
public:
    static constexpr std::uint32_t kKeepBound = 0xFFFFFFFFu;
    static constexpr int kPaletteSize = 1536;

    SoundDocument(ProfileSettings& settings, UserInterface& ui);
    ~SoundDocument();
    SoundDocument(const SoundDocument&) = delete;
    SoundDocument& operator=(const SoundDocument&) = delete;

    // ---- Framework: views, main window, seams. ----
    void SetMainFrame(IMainFrame* frame) { m_mainFrame = frame; }
    void SetUi(UserInterface& ui);
    UserInterface& Ui() { return *m_ui; }
    // Runs the long computations of the views; Escape and the cancel command stop them here.
    JobRunner& Jobs() { return *m_jobs; }
    // What the document is doing, with a signal for each change.
    const DocumentActivity& Activity() const { return m_activity; }
    bool IsListening() const { return m_activity.Listening(); }
    bool IsRecording() const { return m_activity.Recording(); }
    bool IsPlaying() const { return m_activity.Playing(); }
    bool IsLooping() const { return m_activity.Looping(); }
    bool IsWaveLoaded() const { return m_activity.WaveLoaded(); }
    bool IsBusy() const { return m_activity.Busy(); }
    // Playback plays a copy of the sound at another rate (its own sample count).
    bool PlaysReducedCopy() const { return m_activity.PlaysReducedCopy(); }
    void AddView(IDocumentView* view);
    void RemoveView(IDocumentView* view);
    void UpdateAllViews(int hint);
    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    void SetSoundFactory(SoundFactory factory) { m_playback.SetSoundFactory(std::move(factory)); }
    // The playback sound, its position and the copy it may play from.
    const Playback& Player() const { return m_playback; }
    // Makes the playback sound anew from the same data (after the output device changed).
    bool RecreatePlaybackSound();
    void SetMp3Converter(SoundFileConverter converter) { m_mp3Converter = std::move(converter); }
    void SetModuleFrame(Module module, IModuleFrame* frame) {
        m_modules[static_cast<std::size_t>(module)] = frame;
    }
    IModuleFrame* OpenModuleFrame(Module module) const { return m_modules[static_cast<std::size_t>(module)]; }
    bool IsModuleOpen(Module module) const { return OpenModuleFrame(module) != nullptr; }

    // ---- Sample store and state. ----
    bool OnNewDocument();
    void DeleteContents();
    void SetSelection(std::uint32_t first, std::uint32_t last);
    void RemoveWave();
    bool WriteWaveParametersInVariables(const WaveFormat& format);
    void NotifyStatus();
    std::uint32_t SampleCount() const;
    // Sample i as its raw value: 0..255 for 8-bit data (silence 128), -32768..32767 for 16-bit.
    double Sample(std::uint32_t i) const;
    const std::uint8_t* WaveData() const { return m_waveData.get(); }
    static std::uint32_t PaletteColor(int index);  // 0xRRGGBB of the document palette

    // ---- Wave files. ----
    void OnFileOpen();       // the "Open Wave File..." command
    void OnSaveRecording();  // the "save recording" command: the loaded wave as WAV or MP3
    // Opens a chosen sound file (wave, or MP3 through the converter) as the command does.
    // Until the new file has been read (and its channel chosen) the loaded sound, its selection
    // and results stay; a cancelled, refused or unreadable file leaves them as they were.
    bool OpenSoundFile(const QString& path);
    // Opens any file the open commands take: a time series by its ending (.txt, .dat, .prn),
    // every other file as a sound file.
    bool OpenFile(const QString& path);
    static bool IsTimeSeriesFile(const QString& path);
    // Loads a wave file. makeRoom, when given, runs once the file has been read and its channel
    // chosen, just before it becomes the loaded sound: the place to let the old one go.
    // shownPath, when given, is the file the user chose (a compressed file decoded into path):
    // the name dialogs, messages and the document show.
    bool LoadWave(const QString& path, const std::function<void()>& makeRoom = {},
                  const QString& shownPath = {});
    bool CreatePlaybackImage(const QString& path);
    bool PrepareWave(const QString& path);
    bool ExtractChannel();
    bool MakePlaybackCopy();
    bool CopyWaveFile(const QString& destination, const QString& source);
    // The temporary files of stereo reduction and the reduced-rate copy.
    static QString TempMonoPath();
    static QString TempWavePath();

    // ---- Time series. ----
    void OnOpenTimeSeries();  // the "Open Time Series..." command
    bool OpenTimeSeriesFile(const QString& path);
    bool ReadTimeSeries(const QString& path);
    bool LoadTimeSeriesAsWave(const std::vector<double>& samples);
    // The numbers of a time series scaled to 16-bit samples; unitsPerStep (if given) receives
    // how much of the numbers' own unit one sample step stands for.
    static std::vector<double> ScaleTimeSeries(const std::vector<double>& values,
                                               double* unitsPerStep = nullptr);
    // The file's numbers, scaled; none (the user was told) when it cannot be read or holds no
    // number. notNumbers, when given, counts the tokens that were not numbers; unitsPerStep as above.
    std::optional<std::vector<double>> ReadTimeSeriesSamples(const QString& path,
                                                             std::size_t* notNumbers = nullptr,
                                                             double* unitsPerStep = nullptr);
    // Tokens separated by white space; "#..." tokens skipped; tokens that are no finite number
    // are skipped too and counted in notNumbers. A lone decimal comma reads as a decimal point.
    static std::vector<double> ParseTimeSeries(const QByteArray& text, std::size_t* notNumbers = nullptr);
    static std::optional<double> ParseTimeSeriesNumber(std::string_view token);

    // ---- Spectrum. ----
    void ComputeSpectrum(int points);
    bool ComputeSpectrumOf(const std::vector<double>& values, std::size_t start, int points,
                           std::vector<double>& out);
    // The iterated autocorrelation functions of the selection (AutoCorrelations(): functions 1 ..
    // min(count, 10) + 1, each the autocorrelation of the one before) over the FFT size, the
    // magnitude spectrum of the last one transformed (AutoCorrelationSpectrum()) and the first
    // minimum of function 1. False when memory ran out (the user was told).
    bool ComputeAutoCorrelations(int count);
    // False when there was not enough memory for it (the user was told; the previous selection stays).
    bool OnSelectionChanged(std::uint32_t first, std::uint32_t last);
    void OnCaptureBlock(const std::vector<double>& block, const QString& recordPath);
    void OnFftSettings();                                           // the "FFT" settings command
    static int FftPointsOfEntry(int entry);                         // -1 outside 0..11
    static constexpr std::uint32_t kLargestFftPoints = 256u << 11;  // the last entry of the settings' list
    // The FFT size a window needs (the kids' windows keep their own); a marked selection of the
    // loaded sound gets its spectrum again.
    void SetFftPoints(int points);
    // True when the selection is longer than the largest spectrum, whose spectrum therefore is
    // that of its first kLargestFftPoints samples only: the views and the command line say so.
    bool SelectionSpectrumIsCut() const {
        return m_spectrumPoints == static_cast<int>(kLargestFftPoints) &&
               m_selSamples.size() > kLargestFftPoints;
    }
    static int FftEntryOfPoints(int points);  // 2 (1024) for sizes not in the list
    // Frequency of spectrum bin i of an N-point transform.
    static double BinFrequency(std::size_t bin, int points, int sampleRate) {
        return static_cast<double>(bin) * sampleRate / points;
    }

    // ---- Wavelet transform (of the selection, while the wavelet window is open). ----
    // Runs the transform of the selected samples into WaveletResult() with WaveletParameters().
    // A wavelet text that is refused (an unknown name, arguments the wavelet does not take) is
    // shown as a message and the previous result stays; false then, and when the transform
    // could not run.
    bool ComputeWaveletTransform();
    // True when the wavelet text names a wavelet that accepts its arguments; otherwise the
    // user is told why.
    bool CheckWaveletSpec(const QString& spec);
    // The message text of a refused wavelet text.
    static QString WaveletRefusalText(const WaveletError& error);

    // ---- Sound devices, playback, listening and recording. ----
    // The devices the sound goes in and out through (owned by the application, may be null).
    void SetAudioDevices(AudioInputDevice* input, AudioOutputDevice* output);
    // A test tone of the frequency through the sound output, beside whatever plays; false when
    // there is no output or it refuses the tone.
    bool Beep(double frequency, int ms);
    AudioInputDevice* InputDevice() const { return m_input; }
    AudioOutputDevice* OutputDevice() const { return m_output; }
    // The capture formats: index 0..19, rate from the table, 8 bits for even and 16 for odd indices.
    static WaveFormat CaptureFormatOfIndex(int index);
    bool CaptureFormatChosen() const { return m_captureFormat.channels <= 5; }

    void OnPlay();
    void OnStopPlaying();
    void OnLoop();
    void OnBackToStart();
    // The spectrum at the play position (cursor in bytes of the playback data); loops and stops at the
    // selection.
    void PlaybackUpdate(std::uint32_t cursorBytes);
    // One tick of the playback timer: reads the play cursor and runs the playback update; false when
    // playback has ended (then rewound). cursor receives the position in bytes.
    bool PlaybackTick(std::uint32_t* cursor);
    // Moves the play position (bytes of the playback data).
    void SetPlayPosition(std::uint32_t byte);

    void OnListen();         // listen / stop listening
    void OnRecordMusic();    // listen and record at once; again: stop and load the recording
    void OnRecord();         // start recording while listening
    void OnStopRecording();  // stop recording, listening goes on
    void OnWaveFormat();     // choose the capture format
    void StartListening(bool recordMusic);
    void StopListening();
    // Listening stops at its next block (the Escape key). A request left over from an earlier
    // listen never reaches a new one.
    void RequestStopListening();
    // The recording file: "Aufnahme.wav" in the program folder.
    static QString RecordingPath();
    const CaptureWorker* CapturingThread() const { return m_capture.Thread(); }
    // The largest recording in bytes of sound; the default is what a wave file can hold.
    void SetRecordingLimit(std::uint64_t bytes) { m_recordLimitBytes = bytes; }

    // ---- Settings carried across documents. ----
    void CollectWindowState(ProfileSettings& settings);

    // ---- What the views read. ----
    std::uint32_t WaveBytes() const { return m_waveBytes; }
    int BitsPerSample() const { return m_bitsPerSample; }  // of the loaded samples: 8 or 16
    // The sample width of the file as the user knows it (before a conversion to 16 bits).
    int BitsShown() const { return m_bitsShown; }
    double FullScale() const { return m_fullScale; }
    // Units of the loaded series per sample step: an imported time series keeps the scale its
    // numbers were mapped to 16 bits with; a sound is measured in its own samples (1).
    double SeriesUnitsPerSample() const { return m_seriesUnitsPerSample; }
    int SampleRate() const { return m_sampleRate; }
    const QString& Channels() const { return m_channels; }
    const QString& FormatName() const { return m_format; }
    // The file the user opened (a wave, a compressed sound or a time series).
    const QString& FileName() const { return m_fileName; }
    // The wave file the loaded samples were read from (for a wave, FileName()).
    const QString& WavePath() const { return m_wavePath; }
    const QString& RecordFile() const { return m_recordPath; }  // the file being recorded to
    const QString& ProgressText() const { return m_progress; }  // the last text of the progress box
    // Shows a text in the progress box; the document keeps the last one.
    void ShowProgress(const QString& text);

    std::uint32_t SelectionStart() const { return m_selStart; }
    std::uint32_t SelectionEnd() const { return m_selEnd; }
    const std::vector<double>& SelectedSamples() const { return m_selSamples; }
    const std::vector<double>& Spectrum() const { return m_spectrum; }
    int FftPoints() const { return m_fftPoints; }
    // The FFT size of the selection's spectrum; 0 when there is none (a live or playback spectrum).
    int SpectrumPoints() const { return m_spectrumPoints; }
    // The wavelet transform: scale count, time count, then the display values row by row;
    // fewer than 3 values: no result.
    const std::vector<float>& WaveletResult() const { return m_waveletResult; }
    const CwtParameters& WaveletParameters() const { return m_cwtParameters; }
    // The parameters the next wavelet transform runs with.
    void SetWaveletParameters(const CwtParameters& parameters) { m_cwtParameters = parameters; }
    const SpectrumService::AutoCorrelationArray& AutoCorrelations() const { return m_autoCorr; }
    // The magnitude spectrum of the last autocorrelation function transformed.
    const std::vector<double>& AutoCorrelationSpectrum() const { return m_analysis; }
    int FirstAutoCorrelationMinimum() const { return m_firstAcfMinimum; }
    // Forgets the autocorrelation functions, so that those of an earlier selection do not pass
    // for the current one's.
    void ClearAutoCorrelations();
    const WaveFormat& CaptureFormat() const { return m_captureFormat; }

    // An OpenGL window failed: the 3D windows are to close (the application does it when idle).
    // True when that was asked before, so the user has been told already.
    bool RequestClose3DWindows();
    bool Close3DWindowsRequested() const { return m_close3DWindows; }
    // The user opens a 3D window again: OpenGL is tried anew.
    void WithdrawClose3DWindowsRequest() { m_close3DWindows = false; }

private:
    // Tests and benchmarks put the document into a state without a sound card.
    friend class DocumentTestAccess;

    // Makes the playback sound; when it cannot be heard the sound stays loaded and the user is told why.
    // False only when memory ran out (the user was told); a sound that cannot be heard is
    // still loaded, with a message that says why.
    bool CreatePlaybackSound(const QString& path);
    // Starts the playback sound where it stands and tells the views.
    void StartPlayback(bool loop);
    // The samples of the spectrum at a play position (in samples of the playback sound) into
    // m_selSamples; false when too few are left there for one.
    bool FillPositionBlock(std::uint32_t playSample);
    // Stops recording and listening and loads the recording.
    void FinishRecording();
    // Reads a whole wave file without touching the loaded sound; tells the user why when it cannot.
    std::optional<WaveBlock> ReadWaveBlock(const QString& path);
    // Makes a block read by ReadWaveBlock the document's samples.
    void InstallBlock(WaveBlock block);
    // The channel of a multi-channel file to keep (1 left, 2 right); none when the user cancels.
    std::optional<int> AskChannel(const QString& shownPath, const WaveBlock& block);
    // Reads, chooses the channel, runs makeRoom, then installs and prepares the sound. A file that
    // cannot be read or whose channel dialog is cancelled changes nothing when makeRoom is given;
    // without it (the recording, a time series) the document then holds no file name.
    // False, and the user told so, for a path that is missing or a folder.
    bool IsFileToOpen(const QString& path) const;
    bool ReadAndPrepare(const QString& path, const std::function<void()>& makeRoom = {},
                        const QString& shownPath = {});
    void ClearAnalysisArrays();
    // Tells the user that a step needing that many bytes could not get them.
    void ReportNoMemory(std::uint64_t bytes);
    void ResetForOpen();
    void StopPlaybackForOpen();

    // The sound, its format, the selection and what was computed from them.
    std::unique_ptr<std::uint8_t[]> m_waveData;
    std::uint32_t m_waveBytes = 0;
    int m_bitsPerSample = 16;
    bool m_signed = true;
    double m_fullScale = 0.0;
    double m_seriesUnitsPerSample = 1.0;
    int m_sampleRate = 0;
    int m_bitsShown = 0;
    QString m_channels;
    QString m_format;
    QString m_fileName;
    QString m_wavePath;
    bool m_stereoSource = false;
    int m_channelChoice = 1;

    std::uint32_t m_selStart = 0;
    std::uint32_t m_selEnd = 0;

    std::vector<double> m_selSamples;
    std::vector<double> m_spectrum;
    std::vector<float> m_waveletResult;
    CwtParameters m_cwtParameters;
    SpectrumService::AutoCorrelationArray m_autoCorr;
    std::vector<double> m_analysis;
    int m_firstAcfMinimum = 0;
    int m_fftPoints = 8192;
    int m_spectrumPoints = 0;

    WaveFormat m_captureFormat;
    QString m_recordPath;
    QString m_progress;
    QString m_helpFile;
    bool m_close3DWindows = false;

    ProfileSettings& m_settings;
    UserInterface* m_ui;
    DocumentActivity m_activity;  // before the runner, which tells it when it is busy
    std::unique_ptr<JobRunner> m_jobs;
    Playback m_playback;
    IMainFrame* m_mainFrame = nullptr;
    std::vector<IDocumentView*> m_views;
    std::array<IModuleFrame*, static_cast<std::size_t>(Module::Count)> m_modules{};
    SoundFileConverter m_mp3Converter;
    QString m_title;
    WaveFormat m_fileFormat;            // the format of the file being loaded, as read
    int m_convertedFromBits = 0;        // the file's sample width when it was converted to 16 bit
    bool m_convertedFromFloat = false;  // and whether those samples were floating point
    int m_validBits = 0;          // the bits of each sample that carry the sound, as the file gives them
    SpectrumService m_spectra;    // the spectra, autocorrelations and wavelet transform
    bool m_toldNoMemory = false;  // a spectrum failed for want of memory and the user knows
    AudioInputDevice* m_input = nullptr;
    AudioOutputDevice* m_output = nullptr;
    bool m_stopListeningRequested = false;
    Capture m_capture;
    std::vector<std::unique_ptr<PlaybackBuffer>> m_tones;  // test tones still sounding
    std::uint64_t m_recordLimitBytes = 0xFFFFFFFFull;
    bool m_waveletInput = false;  // m_selSamples holds a selection the wavelet transform may take
};
