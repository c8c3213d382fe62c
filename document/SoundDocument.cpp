#include "document/SoundDocument.h"
#include "document/JobRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <thread>

#include "analysis/CwtTransform.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"
#include "document/Mp3Converter.h"
#include "document/PartFile.h"
#include "document/RiffWave.h"
#include "document/WaveLoader.h"
#include "platform/ProgramFolder.h"
#include "platform/UserInterface.h"
#include "platform/audio/AudioDevice.h"
#include "settings/IniFile.h"
#include "settings/ProfileSettings.h"

namespace {

constexpr int kMsgNoNumberInSeries = 62111;
const char* const kMusicFilter =
    "All readable music files (*.wav,*.mp3,*.flac,*.ogg,*.oga,*.opus)|*.wav;*.mp3;*.flac;*.ogg;*.oga;*.opus|"
    "WAV - Standardwavefiles|*.wav|MP3 - MPEG Layer 3 Files|*.mp3|FLAC - Free Lossless Audio Codec "
    "Files|*.flac|"
    "Ogg Vorbis - Ogg Audio Files|*.ogg;*.oga|Opus - Opus Audio Files|*.opus|";
const char* const kSaveRecordingFilter = "WAV - Windows Waves|*.wav|MP3 - MPEG Layer 3 Audio Files|*.mp3|";
const char* const kWaveFilter = "WAV - Standardwavefiles|*.wav|";
constexpr int kMsgSaveOverOriginal = 64614;  // the save dialog chose the compressed file the sound came from
const char* const kTimeSeriesFilter =
    "TXT - Textfiles mit 1 Spalte|*.txt|PRN - Mathcadexportfiles mit 1 Spalte|*.prn|"
    "DAT - Datenfiles mit 1 Spalte|*.dat|Alle Dateien|*.*|";

std::int16_t ReadS16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}
void WriteS16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

QString NoFile() {
    return Str(StringId::NoFileSelected);
}

}  // namespace

SoundDocument::SoundDocument(ProfileSettings& settings, UserInterface& ui)
    : m_settings(settings), m_ui(&ui), m_jobs(std::make_unique<JobRunner>()) {
    QObject::connect(m_jobs.get(), &JobRunner::BusyChanged, &m_activity, &DocumentActivity::SetBusy);
    m_helpFile = ProgramFolder() + QStringLiteral("KalvoHelp.chm");
}

SoundDocument::~SoundDocument() {
    m_settings.IniDokumentNumFFTPoints = m_fftPoints;
    m_settings.IniDokumentPlayFile = m_fileName;
    if (IsListening()) StopListening();
}

void SoundDocument::SetUi(UserInterface& ui) {
    m_ui = &ui;
}

void SoundDocument::AddView(IDocumentView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void SoundDocument::RemoveView(IDocumentView* view) {
    std::erase(m_views, view);
}

void SoundDocument::UpdateAllViews(int hint) {
    // A view may close itself while it handles a hint.
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* view : views)
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) view->OnUpdate(hint);
}

void SoundDocument::SetTitle(const QString& title) {
    m_title = title;
    if (m_mainFrame) m_mainFrame->OnDocumentTitleChanged(title);
}

std::uint32_t SoundDocument::PaletteColor(int index) {
    static const std::array<std::uint32_t, kPaletteSize> palette = [] {
        std::array<std::uint32_t, kPaletteSize> p{};
        const auto rgb = [](int r, int g, int b) {
            return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
        };
        for (int i = 0; i < 256; ++i) {
            p[static_cast<std::size_t>(i)] = rgb(255, i, 0);              // red -> yellow
            p[static_cast<std::size_t>(256 + i)] = rgb(255 - i, 255, 0);  // yellow -> green
            p[static_cast<std::size_t>(512 + i)] = rgb(0, 255, i);        // green -> cyan
            p[static_cast<std::size_t>(768 + i)] = rgb(0, 255 - i, 255);  // cyan -> blue
            p[static_cast<std::size_t>(1024 + i)] = rgb(i, 0, 255);       // blue -> magenta
            p[static_cast<std::size_t>(1280 + i)] = rgb(255, i, 255);     // magenta -> white
        }
        return p;
    }();
    return palette[static_cast<std::size_t>(std::clamp(index, 0, kPaletteSize - 1))];
}

void SoundDocument::ClearAnalysisArrays() {
    m_waveletInput = false;
    m_waveletResult.assign(1, 0.0f);
    m_selSamples.assign(1, 0.0);
    m_spectrum.assign(1, 0.0);
}

void SoundDocument::ShowProgress(const QString& text) {
    m_progress = text;
    m_ui->SetProgressText(text);
}

bool SoundDocument::RequestClose3DWindows() {
    const bool askedBefore = m_close3DWindows;
    m_close3DWindows = true;
    return askedBefore;
}

bool SoundDocument::OnNewDocument() {
    m_selStart = m_selEnd = 0;
    m_waveBytes = 0;
    m_playback.Clear(true);
    m_waveData.reset();
    ClearAnalysisArrays();
    m_analysis.assign(1, 0.0);
    for (auto& acf : m_autoCorr) acf.clear();
    m_fullScale = 0.0;
    m_seriesUnitsPerSample = 1.0;
    m_fftPoints = ProfileSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
    m_fileName = m_settings.IniDokumentPlayFile.isEmpty() ? NoFile() : m_settings.IniDokumentPlayFile;
    m_bitsPerSample = 16;
    m_signed = true;
    // Six channels: no capture format has been chosen yet.
    m_captureFormat = WaveFormat{};
    m_captureFormat.channels = 6;
    m_captureFormat.samplesPerSec = 0;
    m_captureFormat.avgBytesPerSec = 0;
    m_captureFormat.blockAlign = 0;
    m_captureFormat.bitsPerSample = 0;
    m_channels.clear();
    m_format.clear();
    m_sampleRate = 0;
    m_recordPath = NoFile();
    m_spectrumPoints = 0;
    m_firstAcfMinimum = 0;
    NotifyStatus();
    m_stereoSource = false;
    m_channelChoice = 1;
    m_modules.fill(nullptr);
    m_close3DWindows = false;
    SetTitle(NoFile());
    return true;
}

void SoundDocument::DeleteContents() {
    ClearAnalysisArrays();
}

void SoundDocument::SetSelection(std::uint32_t first, std::uint32_t last) {
    if (first != kKeepBound) m_selStart = first;
    if (last != kKeepBound) m_selEnd = last;
}

void SoundDocument::RemoveWave() {
    // The sound goes with its samples: nothing may go on playing, or look as if it did.
    if (IsPlaying()) {
        m_playback.Hold();
        m_activity.SetPlaying(false);
    }
    m_playback.SetPosition(0);
    UpdateAllViews(kHintRemoveWave);
    m_activity.SetWaveLoaded(false);
    m_activity.SetLooping(false);
    m_activity.SetPlaysReducedCopy(false);
    DeleteContents();
    m_spectrumPoints = 0;
    m_bitsShown = 0;
    m_channels.clear();
    m_format.clear();
    m_sampleRate = 0;
    m_fileName = NoFile();
    m_wavePath.clear();
    m_recordPath = NoFile();
    m_fftPoints = ProfileSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
    m_waveData.reset();
    m_fullScale = 0.0;
    m_seriesUnitsPerSample = 1.0;
    m_waveBytes = 0;
    m_playback.Clear(false);
    m_convertedFromBits = 0;
    m_convertedFromFloat = false;
    m_validBits = 0;
    SetTitle(NoFile());
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

bool SoundDocument::WriteWaveParametersInVariables(const WaveFormat& format) {
    m_channels = format.channels == 1   ? QStringLiteral("Mono")
                 : format.channels == 2 ? QStringLiteral("Stereo")
                                        : QStringLiteral("?");
    const std::uint16_t tag = format.EffectiveTag();
    m_format = tag == WaveFormat::kPcm ? QStringLiteral("PCM") : QStringLiteral("?");
    m_stereoSource = m_channels == QStringLiteral("Stereo");
    m_sampleRate = static_cast<int>(format.samplesPerSec);
    m_bitsShown = format.bitsPerSample;
    m_signed = format.bitsPerSample != 8;
    m_seriesUnitsPerSample = 1.0;
    switch (format.bitsPerSample) {
        case 8:
            m_fullScale = 255.0;
            break;
        case 16:
            m_fullScale = 32767.0;
            break;
        case 24:
            m_fullScale = 8388607.0;
            break;
        case 32:
            m_fullScale = 2147483647.0;
            break;
        default:
            m_ui->Message(StringId::ErrorFunctionWriteWaveParametersInVariablesClass,
                          MessageIcon::Exclamation);
            return false;
    }
    m_bitsPerSample = format.bitsPerSample;
    return true;
}

void SoundDocument::NotifyStatus() {
    if (!m_mainFrame || !m_mainFrame->IsStatusBarShown()) return;
    m_mainFrame->SendMessage(kMsgStatusFftPoints, m_fftPoints);
    m_mainFrame->SendMessage(kMsgStatusFile, 0);
    m_mainFrame->SendMessage(kMsgStatusBits, m_bitsShown);
    m_mainFrame->SendMessage(kMsgStatusRate, m_sampleRate);
    m_mainFrame->SendMessage(kMsgStatusListening, 0);
    m_mainFrame->SendMessage(kMsgStatusRecording, 0);
}

std::uint32_t SoundDocument::SampleCount() const {
    if (!m_waveData) return 0;
    return m_bitsPerSample == 8 ? m_waveBytes : m_waveBytes / 2;
}

double SoundDocument::Sample(std::uint32_t i) const {
    if (m_bitsPerSample == 8) return m_waveData[i];
    return ReadS16(m_waveData.get() + 2 * static_cast<std::size_t>(i));
}

// ---------------------------------------------------------------------------------------
// Wave files

QString SoundDocument::TempMonoPath() {
    return TemporaryFolder() + QStringLiteral("~TempWaveMono.wav");
}
QString SoundDocument::TempWavePath() {
    return TemporaryFolder() + QStringLiteral("~TempWave.wav");
}

void SoundDocument::StopPlaybackForOpen() {
    // The playback sound is stopped and rewound by its owner; here the state follows.
    m_activity.SetPlaying(false);
    m_playback.SetPosition(0);
}

void SoundDocument::ResetForOpen() {
    // A sound is never loaded while listening: the input stops first (a recording is completed).
    if (IsListening()) StopListening();
    DeleteContents();
    if (IsWaveLoaded()) {
        if (IsPlaying()) StopPlaybackForOpen();
        RemoveWave();
    }
}

void SoundDocument::OnFileOpen() {
    // A sound is never loaded while listening: the input stops first (a recording is completed).
    if (IsListening()) StopListening();
    FileDialogOptions options;
    options.title = Str(StringId::ChooseMusicFile);
    options.filter = QLatin1String(m_mp3Converter ? kMusicFilter : kWaveFilter);
    options.filterIndex = 1;
    const std::optional<QString> path = m_ui->ChooseOpenFile(options);
    if (!path) return;  // the loaded sound stays
    OpenSoundFile(*path);
}

bool SoundDocument::IsFileToOpen(const QString& path) const {
    // Said plainly: a missing path or a folder is no damaged wave file.
    const QFileInfo info(path);
    if (!info.exists()) {
        m_ui->Message(StringId::ThereNoFile, MessageIcon::Exclamation, path);
        return false;
    }
    if (info.isDir()) {
        m_ui->Message(StringId::FolderNotFileKalvo, MessageIcon::Exclamation, path);
        return false;
    }
    return true;
}

bool SoundDocument::OpenSoundFile(const QString& path) {
    if (!IsFileToOpen(path)) return false;
    if (IsListening()) StopListening();
    const bool kids = m_settings.IniAllgemeinGrundschulprofil != 0;
    if (!kids) m_ui->BeginProgress(Str(StringId::Progress));
    QString loadPath = path;
    bool converted = true;
    const bool compressed = Mp3Converter::IsCompressedSoundFile(path);
    // A compressed file is decoded beside "converted.wav", which holds the loaded sound until
    // the new one has loaded: a cancelled or failed open leaves it as it was.
    const QString convertedPath = ProgramFolder() + QStringLiteral("converted.wav");
    if (compressed) {
        // A name of this process's own: two runs sharing the program folder never decode into one file.
        loadPath =
            ProgramFolder() + QStringLiteral("~converting-%1.wav").arg(QCoreApplication::applicationPid());
        converted = m_mp3Converter && m_mp3Converter(path, loadPath);
    }
    ShowProgress(Str(StringId::PleaseWaitUntilWave));
    if (m_mainFrame) m_mainFrame->SendMessage(kMsgProgressText, 0);
    bool ok = false;
    if (!converted) {
        if (!kids) m_ui->EndProgress();
        m_ui->Message(m_mp3Converter ? 61495 : 62005, MessageIcon::Exclamation);
    } else {
        // The old sound goes only once the new one has been read.
        ok = LoadWave(
            loadPath,
            [this, &path] {
                ResetForOpen();
                m_fileName = path;
            },
            path);
        if (!kids) m_ui->EndProgress();
    }
    if (compressed) {
        if (ok && (!QFileInfo::exists(convertedPath) || QFile::remove(convertedPath)) &&
            QFile::rename(loadPath, convertedPath)) {
            m_playback.SoundFileMoved(loadPath, convertedPath);
            m_wavePath = convertedPath;
        } else if (!ok) {
            QFile::remove(loadPath);
        }
    }
    if (ok) {
        SetTitle(QFileInfo(path).fileName());
        if (m_mainFrame) m_mainFrame->OnFileOpened(path);
    }
    return ok;
}

bool SoundDocument::IsTimeSeriesFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("txt") || suffix == QLatin1String("dat") || suffix == QLatin1String("prn");
}

bool SoundDocument::OpenFile(const QString& path) {
    return IsTimeSeriesFile(path) ? OpenTimeSeriesFile(path) : OpenSoundFile(path);
}

std::optional<int> SoundDocument::AskChannel(const QString& shownPath, const WaveBlock& block) {
    if (m_settings.IniAllgemeinGrundschulprofil) return 1;  // the kids profile takes the left channel
    ChannelDialogInfo info;
    info.path = shownPath;
    info.channels = block.format.channels == 2 ? QStringLiteral("Stereo") : QStringLiteral("?");
    info.sampleRate = static_cast<int>(block.format.samplesPerSec);
    info.bits = block.validBits != 0 ? block.validBits : block.format.bitsPerSample;
    info.format = QStringLiteral("PCM");
    info.stereo = true;
    return m_ui->ChooseChannel(info);
}

bool SoundDocument::ReadAndPrepare(const QString& path, const std::function<void()>& makeRoom,
                                   const QString& shownPath) {
    std::optional<WaveBlock> block = ReadWaveBlock(path);
    std::optional<int> channel = 1;
    if (block && block->format.channels >= 2)
        channel = AskChannel(shownPath.isEmpty() ? path : shownPath, *block);
    if (!block || !channel) {
        if (!makeRoom) {
            m_fileName = NoFile();
            m_wavePath.clear();
        }
        return false;
    }
    if (makeRoom) makeRoom();
    const bool multiChannel = block->format.channels >= 2;
    InstallBlock(std::move(*block));
    m_channelChoice = *channel;
    if (multiChannel) UpdateAllViews(kHintChannelChosen);
    if (!PrepareWave(path)) {
        m_fileName = NoFile();
        m_wavePath.clear();
        m_waveData.reset();
        m_waveBytes = 0;
        m_playback.UseSound(0);
        return false;
    }
    m_wavePath = path;
    m_activity.SetWaveLoaded(true);
    return true;
}

bool SoundDocument::LoadWave(const QString& path, const std::function<void()>& makeRoom,
                             const QString& shownPath) {
    BusyCursor busy(*m_ui);
    const QString shown = shownPath.isEmpty() ? path : shownPath;
    const bool ok = ReadAndPrepare(path, makeRoom, shown);
    if (ok) {
        emit m_activity.SoundFormatTaken(false);
        m_fileName = shown;
        if (m_convertedFromBits != 0) {
            // Told once per file, after it has loaded.
            if (m_convertedFromFloat)
                m_ui->Message(StringId::FileHoldsBitFloating, MessageIcon::Information, shown,
                              m_convertedFromBits);
            else
                m_ui->Message(StringId::FileHoldsBitSamples, MessageIcon::Information, shown,
                              m_convertedFromBits);
        }
    }
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    return ok;
}

std::optional<WaveBlock> SoundDocument::ReadWaveBlock(const QString& path) {
    WaveLoader::Result read = WaveLoader::Read(path);
    if (WaveBlock* block = std::get_if<WaveBlock>(&read)) return std::move(*block);
    const WaveLoadFailure& failure = std::get<WaveLoadFailure>(read);
    switch (failure.error) {
        case WaveLoadError::CannotOpen:
        case WaveLoadError::BadLayout:
            m_ui->Message(StringId::FileNotWaveFile, MessageIcon::Exclamation, path);
            break;
        case WaveLoadError::NotPcm:
            m_ui->Message(StringId::FileNotPCMWave, MessageIcon::Exclamation, path, failure.formatTag);
            break;
        case WaveLoadError::UnsupportedWidth:
            m_ui->Message(StringId::ErrorFunctionWriteWaveParametersInVariablesClass,
                          MessageIcon::Exclamation);
            break;
        case WaveLoadError::BadSampleRate:
            m_ui->Message(StringId::FileGivesSampleRate, MessageIcon::Exclamation, path, failure.sampleRate,
                          WaveLoader::kHighestRate);
            break;
        case WaveLoadError::OutOfMemory:
            ReportNoMemory(failure.bytes);
            break;
        case WaveLoadError::ReadFailed:
            m_ui->Message(StringId::ErrorFunctionReadProcedure, MessageIcon::Exclamation);
            break;
        case WaveLoadError::NoSamples:
            m_ui->Message(StringId::GivenWaveFileEmpty, MessageIcon::Exclamation);
            break;
    }
    return std::nullopt;
}

void SoundDocument::InstallBlock(WaveBlock block) {
    m_fileFormat = block.format;
    m_convertedFromBits = block.convertedFromBits;
    m_convertedFromFloat = block.convertedFromFloat;
    m_validBits = block.validBits;
    m_bitsPerSample = m_fileFormat.bitsPerSample;
    m_waveData = std::move(block.data);
    m_waveBytes = block.bytes;
    m_playback.UseSound(block.bytes);
}

bool SoundDocument::CreatePlaybackImage(const QString& path) {
    std::optional<WaveBlock> block = ReadWaveBlock(path);
    if (!block) return false;
    InstallBlock(std::move(*block));
    return true;
}

bool SoundDocument::PrepareWave(const QString& path) {
    {
        RiffWave wave;
        if (wave.Open(path, nullptr, RiffWave::Mode::Read) != RiffWave::Status::Success) {
            m_waveBytes = 0;
            return false;
        }
        if (wave.GetSize() == 0 || m_waveBytes == 0) {
            m_waveBytes = 0;
            m_ui->Message(StringId::GivenWaveFileEmpty, MessageIcon::Exclamation);
            return false;
        }
    }
    const WaveFormat format = m_fileFormat;  // as read, after any conversion to 16 bit
    if (!WriteWaveParametersInVariables(format)) return false;
    if (m_validBits != 0) m_bitsShown = m_validBits;
    const bool multiChannel = format.channels >= 2;
    if (multiChannel) {
        m_stereoSource = true;  // the channel was chosen when the file was read
        if (!ExtractChannel()) return false;
        m_channels = QStringLiteral("Mono");
    }
    // Sound cards play 8 to 48 kHz, and converted files need a 16-bit copy to play.
    if (m_convertedFromBits != 0 || format.samplesPerSec > Playback::kMaxRate ||
        format.samplesPerSec < Playback::kMinRate)
        return MakePlaybackCopy();
    if (!CreatePlaybackSound(multiChannel ? TempMonoPath() : path)) return false;
    m_stereoSource = false;
    return true;
}

bool SoundDocument::ExtractChannel() {
    const WaveFormat source = m_fileFormat;
    const int bytesPerSample = source.bitsPerSample / 8;
    const std::size_t frame = source.blockAlign;
    const int channel = m_channelChoice == 1 ? 0 : 1;  // left is the first channel, right the second
    const std::size_t frames = m_waveBytes / frame;
    const WaveFormat mono = WaveFormat::MonoPcm(source.samplesPerSec, source.bitsPerSample);
    {
        RiffWave out;
        WaveFormat f = mono;
        if (out.Open(TempMonoPath(), &f, RiffWave::Mode::Write) != RiffWave::Status::Success) {
            m_ui->Message(StringId::CouldNotOpenFile, MessageIcon::Exclamation);
            return false;
        }
        std::vector<std::uint8_t> chunk;
        constexpr std::size_t kFramesPerChunk = 1 << 16;
        for (std::size_t start = 0; start < frames; start += kFramesPerChunk) {
            const std::size_t n = std::min(kFramesPerChunk, frames - start);
            chunk.resize(n * static_cast<std::size_t>(bytesPerSample));
            WaveLoader::CopyChannel(source, m_waveData.get(), start, n, channel, chunk.data());
            if (out.Write(static_cast<std::uint32_t>(chunk.size()), chunk.data(), nullptr) !=
                RiffWave::Status::Success) {
                m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
                return false;
            }
        }
        if (out.Close() != RiffWave::Status::Success) {
            m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
            return false;
        }
    }
    const int convertedFrom = m_convertedFromBits;
    const bool convertedFromFloat = m_convertedFromFloat;
    const int validBits = m_validBits;
    const bool ok = CreatePlaybackImage(TempMonoPath());
    m_convertedFromBits = convertedFrom;
    m_convertedFromFloat = convertedFromFloat;
    m_validBits = validBits;
    m_fileFormat = source;  // the file's own format stays what the user opened
    m_fileFormat.channels = 1;
    m_fileFormat.blockAlign = static_cast<std::uint16_t>(bytesPerSample);
    return ok;
}

bool SoundDocument::MakePlaybackCopy() {
    const Playback::Copy copy =
        Playback::PlanCopy(static_cast<std::uint32_t>(m_sampleRate), m_bitsPerSample, SampleCount());
    if (!Playback::CopyFits(copy)) {
        // The sound stays silent.
        m_playback.ReleaseSound(true);
        m_ui->Message(StringId::SoundCardCannotUsed, MessageIcon::Exclamation,
                      Str(StringId::SoundTooLongPlayback));
        return true;
    }
    switch (Playback::WriteCopy(TempWavePath(), copy, m_waveData.get(), m_bitsPerSample, SampleCount())) {
        case Playback::CopyWritten::CannotCreate:
            m_ui->Message(StringId::CouldNotOpenFile, MessageIcon::Exclamation);
            return false;
        case Playback::CopyWritten::CannotWrite:
            m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
            return false;
        case Playback::CopyWritten::Written:
            break;
    }
    m_playback.UseCopy(copy);
    m_activity.SetPlaysReducedCopy(true);
    return CreatePlaybackSound(TempWavePath());
}

bool SoundDocument::RecreatePlaybackSound() {
    if (!IsWaveLoaded() || m_playback.SoundPath().isEmpty()) return false;
    if (IsPlaying()) OnStopPlaying();
    CreatePlaybackSound(m_playback.SoundPath());
    return m_playback.Sound() != nullptr;
}

bool SoundDocument::CreatePlaybackSound(const QString& path) {
    QString silentReason;
    if (!m_playback.MakeSound(path, &silentReason)) {
        ReportNoMemory(static_cast<std::uint64_t>(QFileInfo(path).size()));
        return false;
    }
    if (!m_playback.HasSoundOutput()) return true;  // no sound output in this run: the sound is analysed only
    if (!m_playback.Sound() && silentReason.isEmpty())
        silentReason = Str(StringId::CannotPlayedSoundOutput, QFileInfo(m_fileName).fileName());
    // The sound is analysed all the same; the user learns why it cannot be heard.
    if (!silentReason.isEmpty())
        m_ui->Message(StringId::SoundCardCannotUsed, MessageIcon::Exclamation, silentReason);
    return true;
}

void SoundDocument::OnSaveRecording() {
    FileDialogOptions options;
    options.title = Str(StringId::ChooseRenameWaveFile);
    options.filter = QLatin1String(kSaveRecordingFilter);
    options.filterIndex = 1;
    options.defaultExtension = QStringLiteral("wav");
    const QString source = m_wavePath.isEmpty() ? m_fileName : m_wavePath;
    // A sound decoded from a compressed file (or read from a time series) is offered as a wave
    // beside the file it came from; that file itself is never written over.
    const bool decoded = !m_wavePath.isEmpty() && QFileInfo(m_wavePath) != QFileInfo(m_fileName);
    if (decoded) {
        const QFileInfo original(m_fileName);
        options.proposedFile =
            original.absolutePath() + u'/' + original.completeBaseName() + QStringLiteral(".wav");
    }
    std::optional<QString> path;
    for (;;) {
        path = m_ui->ChooseSaveFile(options);
        if (!path) return;
        if (!decoded || QFileInfo(*path) != QFileInfo(m_fileName)) break;
        m_ui->Message(kMsgSaveOverOriginal, MessageIcon::Exclamation, *path);
    }
    const QString extension = QFileInfo(*path).suffix().toLower();
    if (extension == QLatin1String("wav"))
        CopyWaveFile(*path, source);
    else if (extension == QLatin1String("mp3"))
        Mp3Converter(*m_ui).ConvertWAVtoMP3(*path, source);
    else
        m_ui->Message(StringId::RecordingsAreSavedWAV,
                      MessageIcon::Information);  // rather than silently saving nothing
}

bool SoundDocument::CopyWaveFile(const QString& destination, const QString& source) {
    RiffWave in;
    WaveFormat format;
    if (in.Open(source, &format, RiffWave::Mode::Read) != RiffWave::Status::Success) {
        m_ui->Message(StringId::CouldNotOpenSource_61500, MessageIcon::Information, source);
        return false;
    }
    const std::uint32_t size = in.GetSize();
    std::unique_ptr<std::uint8_t[]> block = WaveLoader::Allocate(size);
    if (!block) {
        ReportNoMemory(size);
        return false;
    }
    std::uint32_t read = 0;
    if (in.Read(block.get(), size, &read) != RiffWave::Status::Success || read != size) {
        m_ui->Message(StringId::CouldNotOpenSource_61501, MessageIcon::Information, source);
        return false;
    }
    in.Close();
    // The copy replaces the destination only when it is complete: a full disk never costs an older file.
    const std::unique_ptr<QTemporaryFile> part = MakePartFile(destination);
    RiffWave out;
    if (!part || out.Open(part->fileName(), &format, RiffWave::Mode::Write) != RiffWave::Status::Success) {
        m_ui->Message(StringId::CouldNotOpenFile, MessageIcon::Exclamation);
        return false;
    }
    if (out.Write(size, block.get(), nullptr) != RiffWave::Status::Success) {
        out.Close();
        m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
        return false;
    }
    if (out.Close() != RiffWave::Status::Success || !CommitPartFile(*part, destination)) {
        m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Time series

void SoundDocument::OnOpenTimeSeries() {
    if (IsListening()) StopListening();
    FileDialogOptions options;
    options.title = Str(StringId::ChooseSingleColumnTime);
    options.filter = QLatin1String(kTimeSeriesFilter);
    options.filterIndex = 3;
    const std::optional<QString> path = m_ui->ChooseOpenFile(options);
    if (!path) return;  // the loaded sound stays
    OpenTimeSeriesFile(*path);
}

bool SoundDocument::OpenTimeSeriesFile(const QString& path) {
    if (!IsFileToOpen(path)) return false;
    if (IsListening()) StopListening();
    // The loaded sound stays until the series has been read and found to hold numbers.
    std::size_t notNumbers = 0;
    double unitsPerStep = 1.0;
    const std::optional<std::vector<double>> samples =
        ReadTimeSeriesSamples(path, &notNumbers, &unitsPerStep);
    if (!samples) return false;
    ResetForOpen();
    m_fileName = path;
    const bool ok = LoadTimeSeriesAsWave(*samples);
    if (ok)
        m_seriesUnitsPerSample = unitsPerStep;  // set after the wave's own reading reset it
    else
        m_fileName = NoFile();
    NotifyStatus();
    if (ok) {
        SetTitle(QFileInfo(path).fileName());
        if (m_mainFrame) m_mainFrame->OnFileOpened(path);
    }
    UpdateAllViews(kHintRebuild);
    if (ok && notNumbers > 0)
        m_ui->Message(StringId::EntriesTimeSeriesFile, MessageIcon::Information, path,
                      static_cast<qulonglong>(notNumbers));
    return ok;
}

std::optional<double> SoundDocument::ParseTimeSeriesNumber(std::string_view token) {
    std::string text(token);
    // German spreadsheets write one decimal comma where C writes a point.
    if (const std::size_t comma = text.find(','); comma != std::string::npos) {
        if (text.find(',', comma + 1) != std::string::npos || text.find('.') != std::string::npos)
            return std::nullopt;
        text[comma] = '.';
    }
    const char* p = text.data();
    const char* const end = p + text.size();
    if (p < end && *p == '+') ++p;
    double value = 0.0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ptr != end || result.ptr == p) return std::nullopt;
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double is 0; too large is no number this program can scale.
        const std::size_t e = text.find_first_of("eE");
        if (e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-') return 0.0;
        return std::nullopt;
    }
    if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;  // "nan", "inf"
    return value;
}

std::vector<double> SoundDocument::ParseTimeSeries(const QByteArray& text, std::size_t* notNumbers) {
    std::vector<double> values;
    std::size_t skipped = 0;
    const char* p = text.constData();
    const char* const end = p + text.size();
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    while (p < end) {
        while (p < end && space(*p)) ++p;
        const char* start = p;
        while (p < end && !space(*p)) ++p;
        if (start == p || *start == '#') continue;
        if (const std::optional<double> v =
                ParseTimeSeriesNumber(std::string_view(start, static_cast<std::size_t>(p - start))))
            values.push_back(*v);
        else
            ++skipped;  // a word, a header or a broken number is no sample
    }
    if (notNumbers) *notNumbers = skipped;
    return values;
}

std::vector<double> SoundDocument::ScaleTimeSeries(const std::vector<double>& values, double* unitsPerStep) {
    double largest = 0.0;
    bool negative = false;
    for (double v : values) {
        largest = std::max(largest, std::fabs(v));
        negative = negative || v < 0.0;
    }
    std::vector<double> samples(values.size(), 0.0);
    if (largest == 0.0) return samples;  // all zeros: silence
    const double range = negative ? 32768.0 : 65536.0;
    const double scale = range / largest;
    if (unitsPerStep) *unitsPerStep = largest / range;
    // A tiny largest value (below about 1e-304) makes the scale infinite; dividing first keeps
    // every value in range, where multiplying would give infinities and NaN for zeros.
    const bool divide = !std::isfinite(scale);
    for (std::size_t i = 0; i < values.size(); ++i) {
        double v = std::trunc(divide ? values[i] / largest * range : values[i] * scale);
        if (!negative) v -= 32768.0;
        samples[i] = std::clamp(v, -32768.0, 32767.0);  // the largest value would wrap at +32768
    }
    return samples;
}

std::optional<std::vector<double>> SoundDocument::ReadTimeSeriesSamples(const QString& path,
                                                                        std::size_t* notNumbers,
                                                                        double* unitsPerStep) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_ui->Message(StringId::TimeSeriesFileCould, MessageIcon::Exclamation, path);
        return std::nullopt;
    }
    std::vector<double> samples;
    try {
        samples = ScaleTimeSeries(ParseTimeSeries(file.readAll(), notNumbers), unitsPerStep);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(file.size()) * 2 * sizeof(double));
        return std::nullopt;
    }
    if (samples.empty()) {
        // Not one number (a log, a table of words): refused, so that no silence stands in for it.
        m_ui->Message(kMsgNoNumberInSeries, MessageIcon::Exclamation, path);
        return std::nullopt;
    }
    return samples;
}

bool SoundDocument::ReadTimeSeries(const QString& path) {
    double unitsPerStep = 1.0;
    const std::optional<std::vector<double>> samples = ReadTimeSeriesSamples(path, nullptr, &unitsPerStep);
    if (!samples || !LoadTimeSeriesAsWave(*samples)) return false;
    m_seriesUnitsPerSample = unitsPerStep;  // set after the wave's own reading reset it
    return true;
}

bool SoundDocument::LoadTimeSeriesAsWave(const std::vector<double>& samples) {
    const QString path = TempWavePath();
    {
        RiffWave out;
        WaveFormat format = WaveFormat::MonoPcm(44100, 16);
        if (out.Open(path, &format, RiffWave::Mode::Write) != RiffWave::Status::Success) {
            m_ui->Message(StringId::CouldNotOpenFile, MessageIcon::Exclamation);
            return false;
        }
        // Written in pieces: no second copy of a long series, and a series too long for one wave
        // file fails in the writer instead of being cut to the low bits of its length.
        bool written = true;
        std::vector<std::uint8_t> bytes;
        constexpr std::size_t kChunk = 1 << 16;
        for (std::size_t start = 0; written && start < samples.size(); start += kChunk) {
            const std::size_t n = std::min(kChunk, samples.size() - start);
            bytes.resize(2 * n);
            for (std::size_t i = 0; i < n; ++i)
                WriteS16(&bytes[2 * i], static_cast<int>(std::clamp(samples[start + i], -32768.0, 32767.0)));
            written = out.Write(static_cast<std::uint32_t>(bytes.size()), bytes.data(), nullptr) ==
                      RiffWave::Status::Success;
        }
        if (!written || out.Close() != RiffWave::Status::Success) {
            m_ui->Message(StringId::CouldNotWriteFile, MessageIcon::Exclamation);
            return false;
        }
    }
    m_activity.SetPlaysReducedCopy(true);
    m_playback.SetCopyFormat(16, 44100);
    const bool ok = ReadAndPrepare(path);
    if (ok) emit m_activity.SoundFormatTaken(true);
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    return ok;
}

// ---------------------------------------------------------------------------------------
// Spectrum

void SoundDocument::ClearAutoCorrelations() {
    for (std::vector<double>& function : m_autoCorr) function.clear();
}

bool SoundDocument::ComputeAutoCorrelations(int count) {
    const int points = m_fftPoints;
    if (points < 4) return false;
    try {
        m_spectra.AutoCorrelations(m_selSamples, points, count, m_autoCorr, m_analysis);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(points) * sizeof(double) * 12);
        return false;
    }
    if (const std::optional<int> minimum = SpectrumService::FirstMinimum(m_autoCorr[0]))
        m_firstAcfMinimum = *minimum;
    return true;
}

void SoundDocument::ComputeSpectrum(int points) {
    if (points < 1) return;
    try {
        m_spectra.SpectrumOfStart(m_selSamples, points, m_spectrum);
        m_toldNoMemory = false;
    } catch (const std::bad_alloc&) {
        // Live input and playback come here block after block: one message, then an empty
        // spectrum for each block until there is memory again.
        m_spectrum.assign(1, 0.0);
        if (!m_toldNoMemory) ReportNoMemory(static_cast<std::uint64_t>(points) * 3 * sizeof(double));
        m_toldNoMemory = true;
    }
}

bool SoundDocument::ComputeSpectrumOf(const std::vector<double>& values, std::size_t start, int points,
                                      std::vector<double>& out) {
    return m_spectra.SpectrumOf(values, start, points, out);
}

bool SoundDocument::OnSelectionChanged(std::uint32_t first, std::uint32_t last) {
    if (IsPlaying()) return true;
    BusyCursor busy(*m_ui);
    if (!IsWaveLoaded()) {
        DeleteContents();
        UpdateAllViews(kHintSelection);
        return true;
    }
    if (m_bitsPerSample == 16) first &= ~1u;
    // Callers keep the bounds inside the sound; a bound beyond it is pulled back rather than read.
    last = std::min(last, SampleCount());
    first = std::min(first, last);
    const std::uint32_t count = last - first;
    // The spectrum of a long selection is that of its first samples, at most the largest FFT
    // size the settings offer: an hour of sound would otherwise be one transform of 2^27 points.
    const int points =
        count == 0 ? 0 : static_cast<int>(std::min<std::uint32_t>(std::bit_floor(count), kLargestFftPoints));
    const bool spectrum = points > 0 && (IsModuleOpen(Module::Fft) || IsModuleOpen(Module::Sonogram) ||
                                         IsModuleOpen(Module::Score) || IsModuleOpen(Module::TimeSeries));
    // Built aside and then taken over, so that running out of memory leaves the previous selection whole.
    std::vector<double> samples, magnitudes;
    try {
        samples.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) samples[i] = Sample(first + i);
        if (spectrum) m_spectra.Magnitudes(samples.data(), points, magnitudes);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(count) * sizeof(double));
        return false;
    }
    std::vector<float> previousWavelet = std::move(m_waveletResult);
    DeleteContents();
    m_selSamples = std::move(samples);
    if (spectrum) m_spectrum = std::move(magnitudes);
    m_waveletInput = count > 0;
    if (IsModuleOpen(Module::Wavelet)) {
        m_waveletResult = std::move(previousWavelet);
        ComputeWaveletTransform();
    }
    m_spectrumPoints = points;
    UpdateAllViews(kHintSelectionSpectrum);
    return true;
}

namespace {
// The transform's lines about supports and buffers; shown with QT_LOGGING_RULES="kalvo.wavelet.debug=true".
Q_LOGGING_CATEGORY(lcWavelet, "kalvo.wavelet", QtWarningMsg)

void LogWavelet(const std::string& lines) {
    if (!lines.empty()) qCDebug(lcWavelet).noquote() << QString::fromStdString(lines).trimmed();
}
}  // namespace

QString SoundDocument::WaveletRefusalText(const WaveletError& error) {
    const QString detail = QString::fromStdString(error.detail);
    switch (error.code) {
        case WaveletError::none:
            return {};
        case WaveletError::no_arguments_expected:
            return Str(StringId::WaveletDoesnTExpect, detail);
        case WaveletError::morlet_arguments:
            return Str(StringId::MorletWaveletAcceptsOnly, detail);
        case WaveletError::cauchy_arguments:
            return Str(StringId::CauchyWaveletAcceptsOnly, detail);
        case WaveletError::spinning_missing:
            return Str(StringId::TwoArgumentsRequiredSpinning);
        case WaveletError::spinning_arguments:
            return Str(StringId::SpinningWaveletRequiresTwo, detail);
        case WaveletError::spinning_mu2:
            return Str(StringId::GetAdmissibleWaveletMust, detail);
        case WaveletError::bspline_arguments:
            return Str(StringId::BSplineWaveletAccepts, detail);
        case WaveletError::bspline_missing:
            return Str(StringId::LeastOneWindowWidth);
        case WaveletError::bspline_evaluate:
            return Str(StringId::BSplineWaveletCan);
        case WaveletError::unknown_name:
            return Str(StringId::WaveletUnknownWaveletsAre, detail);
    }
    return {};
}

bool SoundDocument::CheckWaveletSpec(const QString& spec) {
    const WaveletError error = check_wavelet_spec(spec.toStdString());
    if (error.code == WaveletError::none) return true;
    m_ui->ShowMessage(WaveletRefusalText(error), MessageIcon::Exclamation);
    return false;
}

bool SoundDocument::ComputeWaveletTransform() {
    if (!m_waveletInput || m_sampleRate <= 0) {
        m_waveletResult.clear();
        return false;
    }
    const auto n = static_cast<std::int64_t>(m_selSamples.size());
    std::vector<float> result;
    CwtOutcome outcome;
    JobRunner::WorkerJob job;
    job.work = [&](const CancelToken& token) {
        outcome =
            SpectrumService::WaveletTransform(m_cwtParameters, m_selSamples, m_sampleRate, result, token);
    };
    m_jobs->RunHere(std::move(job));
    LogWavelet(outcome.diagnostics);
    switch (outcome.status) {
        case CwtStatus::bad_arguments:
        case CwtStatus::no_wavelet:
            // The wavelet text is refused; what was shown stays.
            m_ui->ShowMessage(WaveletRefusalText(outcome.error), MessageIcon::Exclamation);
            return false;
        case CwtStatus::no_memory:
            m_waveletResult.clear();
            ReportNoMemory(static_cast<std::uint64_t>(n) * sizeof(float));
            return false;
        case CwtStatus::ok:
            m_waveletResult = std::move(result);
            return true;
        default:
            m_waveletResult.clear();
            return false;
    }
}

void SoundDocument::ReportNoMemory(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    m_ui->Message(StringId::ThereNotEnoughMemory, MessageIcon::Exclamation,
                  QString::number((bytes + kMiB - 1) / kMiB));
}

void SoundDocument::RequestStopListening() {
    m_stopListeningRequested = IsListening();
}

void SoundDocument::OnCaptureBlock(const std::vector<double>& block, const QString& recordPath) {
    if (m_stopListeningRequested) {
        StopListening();
        return;
    }
    m_selSamples = block;
    m_spectrum.clear();
    m_recordPath = recordPath;
    ComputeSpectrum(m_fftPoints);
    UpdateAllViews(kHintSpectrum);
}

bool SoundDocument::FillPositionBlock(std::uint32_t playSample) {
    const std::uint64_t analysis = m_playback.SoundSampleOfPlaySample(playSample);
    const int points = m_fftPoints;
    // In the last FFT length the spectrum is that of the samples left, padded with zeros, so
    // that the end of the sound is analysed too (the last note of a melody); too few samples
    // for a tone (under 1/20 s) give none.
    const std::uint64_t left = analysis < SampleCount() ? SampleCount() - analysis : 0;
    const std::uint64_t shortest = std::min<std::uint64_t>(points, std::max(m_sampleRate / 20, 1));
    if (left < shortest) return false;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, points));
    m_selSamples.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_selSamples[i] = Sample(static_cast<std::uint32_t>(analysis + i));
    return true;
}

int SoundDocument::FftPointsOfEntry(int entry) {
    return entry >= 0 && entry <= 11 ? 256 << entry : -1;
}

int SoundDocument::FftEntryOfPoints(int points) {
    for (int entry = 0; entry <= 11; ++entry)
        if (FftPointsOfEntry(entry) == points) return entry;
    return 2;
}

void SoundDocument::OnFftSettings() {
    if (IsListening()) StopListening();
    const bool wasPlaying = IsPlaying() && m_playback.Sound();
    // What the spectrum showed, so that it is shown again after the change instead of a blank
    // window beside a selection that stays marked: the selection's spectrum (its size follows
    // the selection's length; the sonogram, 3D FFT and time series take the new size), or the
    // spectrum at the play position, at the new size. The selection's size stays until playback
    // or listening starts.
    const bool selectionShown =
        !wasPlaying && IsWaveLoaded() && m_spectrumPoints > 0 && m_selSamples.size() > 1;
    const bool positionShown =
        !wasPlaying && IsWaveLoaded() && m_spectrumPoints == 0 && m_spectrum.size() > 1;
    const bool waveletInput = m_waveletInput;
    const int selectionPoints = m_spectrumPoints;
    if (IsPlaying()) {
        m_playback.Hold();  // stays where it is, to go on from there
        m_activity.SetPlaying(false);
    }
    const std::optional<int> entry = m_ui->ChooseFftSize(FftEntryOfPoints(m_fftPoints));
    if (entry) {
        const int points = FftPointsOfEntry(*entry);
        m_fftPoints =
            points > 0 ? points : ProfileSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
        if (IsModuleOpen(Module::Score) && m_settings.IniAllgemeinGrundschulprofil) m_fftPoints = 32768;
        // The choice is carried, so that opening the next file keeps it.
        m_settings.IniDokumentNumFFTPoints = m_fftPoints;
        if (m_mainFrame) m_mainFrame->SendMessage(kMsgStatusFftPoints, m_fftPoints);
    }
    std::vector<double> selection;
    if (selectionShown) selection = std::move(m_selSamples);  // the views read it until here
    DeleteContents();
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    // Playback goes on with the new size; it keeps looping when the loop button says so, so
    // that the button and the sound agree. Started after the rebuild, which resets running displays.
    if (wasPlaying) {
        StartPlayback(IsLooping());
    } else if (selectionShown) {
        m_selSamples = std::move(selection);
        m_waveletInput = waveletInput;
        if (IsModuleOpen(Module::Fft) || IsModuleOpen(Module::Sonogram) || IsModuleOpen(Module::Score) ||
            IsModuleOpen(Module::TimeSeries))
            ComputeSpectrum(selectionPoints);
        if (IsModuleOpen(Module::Wavelet)) ComputeWaveletTransform();
        m_spectrumPoints = selectionPoints;
        UpdateAllViews(kHintSelectionSpectrum);
    } else if (positionShown && FillPositionBlock(m_playback.Position())) {
        ComputeSpectrum(m_fftPoints);
        UpdateAllViews(kHintSpectrum);
    }
}

void SoundDocument::SetFftPoints(int points) {
    if (m_fftPoints == points) return;
    m_fftPoints = points;
    if (IsWaveLoaded() && m_selStart != m_selEnd) OnSelectionChanged(m_selStart, m_selEnd);
}

void SoundDocument::CollectWindowState(ProfileSettings& settings) {
    settings.IniDokumentNumFFTPoints = m_fftPoints;
    settings.IniDokumentPlayFile = m_fileName;
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* view : views) view->CollectWindowState(settings);
}

// ---------------------------------------------------------------------------------------
// Playback

void SoundDocument::SetAudioDevices(AudioInputDevice* input, AudioOutputDevice* output) {
    if (IsListening()) StopListening();
    m_tones.clear();  // they belong to the output that goes
    m_input = input;
    m_output = output;
}

bool SoundDocument::Beep(double frequency, int ms) {
    if (!m_output || !(frequency > 0) || ms <= 0) return false;
    // Tones that have ended make room for the new one.
    std::erase_if(m_tones, [](const std::unique_ptr<PlaybackBuffer>& t) { return !t->IsPlaying(); });
    PcmFormat format;
    format.rate = 44100;
    format.bits = 16;
    const std::size_t count = static_cast<std::size_t>(format.rate) * static_cast<std::size_t>(ms) / 1000;
    std::vector<std::uint8_t> data(count * 2);
    const std::size_t fade =
        std::min<std::size_t>(count / 2, format.rate / 200);  // 5 ms, so the tone does not click
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 0.5;
        if (i < fade) gain *= double(i) / double(fade);
        if (count - i < fade) gain *= double(count - i) / double(fade);
        const auto v = static_cast<std::int16_t>(
            std::lround(gain * 32767.0 * std::sin(2.0 * M_PI * frequency * double(i) / format.rate)));
        data[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
        data[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    QString error;
    std::unique_ptr<PlaybackBuffer> tone = m_output->CreatePlaybackBuffer(format, std::move(data), &error);
    if (!tone || !tone->Play(false)) return false;
    m_tones.push_back(std::move(tone));
    return true;
}

void SoundDocument::OnPlay() {
    if (IsBusy() || !IsWaveLoaded() || !m_playback.Sound()) return;
    // Outside the selection: start at its beginning.
    if (m_playback.OutsideOf(m_selStart, m_selEnd)) m_playback.MoveTo(m_selStart * m_playback.Width());
    StartPlayback(IsLooping());
}

void SoundDocument::StartPlayback(bool loop) {
    m_spectrumPoints = 0;
    if (!m_playback.Play(loop)) m_ui->Message(StringId::CouldNotPlayWave, MessageIcon::Exclamation);
    m_activity.SetPlaying(true);
    UpdateAllViews(kHintPlayStarted);
}

void SoundDocument::OnStopPlaying() {
    m_playback.Stop();
    m_activity.SetPlaying(false);
    UpdateAllViews(kHintRebuild);
}

void SoundDocument::OnLoop() {
    if (IsPlaying()) return;
    m_activity.SetLooping(!IsLooping());
}

void SoundDocument::OnBackToStart() {
    if (IsPlaying() && m_playback.Sound()) {
        // The music goes on from the start of what is playing (the marked stretch, else the sound);
        // the spectrum follows at once and the caret at the next tick of the play timer.
        const std::uint32_t width = m_playback.Width();
        SetPlayPosition(m_selStart * width);
        PlaybackUpdate(m_selStart * width);
        return;
    }
    m_playback.Rewind();
    UpdateAllViews(kHintRebuild);
}

void SoundDocument::SetPlayPosition(std::uint32_t byte) {
    m_playback.MoveTo(byte);
}

void SoundDocument::PlaybackUpdate(std::uint32_t cursorBytes) {
    const int playBits = PlaysReducedCopy() ? m_playback.Bits() : m_bitsPerSample;
    m_playback.SetPosition(playBits == 16 ? cursorBytes / 2 : cursorBytes);
    if (!FillPositionBlock(m_playback.Position())) return;
    m_spectrum.clear();
    ComputeSpectrum(m_fftPoints);
    if (m_playback.OutsideOf(m_selStart, m_selEnd)) {
        if (IsLooping() && m_playback.Sound())
            m_playback.MoveToSample(m_selStart, playBits);
        else
            OnStopPlaying();
    }
    UpdateAllViews(kHintSpectrum);
}

bool SoundDocument::PlaybackTick(std::uint32_t* cursor) {
    if (!IsPlaying() || !m_playback.Sound()) return false;
    std::optional<std::uint32_t> position = m_playback.Cursor();
    if (!position) {
        m_ui->Message(StringId::ErrorFunctionGetCurrentPositionProcedure, MessageIcon::Exclamation);
        position = m_playback.Position();
    }
    PlaybackUpdate(*position);
    if (cursor) *cursor = m_playback.Cursor().value_or(*position);
    if (IsPlaying() && !m_playback.Sounding()) {
        m_playback.Rewind(true);
        m_activity.SetPlaying(false);
        return false;
    }
    return IsPlaying();
}

// ---------------------------------------------------------------------------------------
// Listening and recording

WaveFormat SoundDocument::CaptureFormatOfIndex(int index) {
    static constexpr std::uint32_t kRates[10] = {8000,  11025, 22050, 32000, 44100,
                                                 48000, 64000, 88200, 96000, 192000};
    index = std::clamp(index, 0, 19);
    return WaveFormat::MonoPcm(kRates[index / 2], static_cast<std::uint16_t>(index % 2 ? 16 : 8));
}

QString SoundDocument::RecordingPath() {
    return ProgramFolder() + QStringLiteral("Aufnahme.wav");
}

void SoundDocument::OnListen() {
    if (!IsListening()) StartListening(false);
    // Whatever was recorded while listening becomes the sound on screen, so it is not lost from view.
    else if (m_capture.RecordingOpened())
        FinishRecording();
    else
        StopListening();
}

void SoundDocument::OnRecordMusic() {
    if (!IsListening())
        StartListening(true);
    else
        FinishRecording();
}

void SoundDocument::FinishRecording() {
    if (IsRecording()) OnStopRecording();
    StopListening();
    BusyCursor busy(*m_ui);
    m_fileName = RecordingPath();
    LoadWave(RecordingPath());
    if (IsWaveLoaded()) SetTitle(QFileInfo(RecordingPath()).fileName());
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void SoundDocument::OnRecord() {
    if (!IsListening() || IsRecording()) return;
    m_capture.ResumeRecording();  // after a failed write: try again
    m_activity.SetRecording(true);
    NotifyStatus();
}

void SoundDocument::OnStopRecording() {
    if (!IsRecording()) return;
    m_activity.SetRecording(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    NotifyStatus();
}

void SoundDocument::StartListening(bool recordMusic) {
    if (IsListening()) return;
    m_stopListeningRequested = false;
    if (IsWaveLoaded()) {
        if (IsPlaying()) OnStopPlaying();
        RemoveWave();
    }
    m_spectrumPoints = 0;
    if (!CaptureFormatChosen()) {
        m_captureFormat = CaptureFormatOfIndex(9);
        WriteWaveParametersInVariables(m_captureFormat);
        UpdateAllViews(kHintRebuild);
        NotifyStatus();
    }
    if (!m_input) {
        m_ui->Message(StringId::ErrorCallingCreateCaptureBufferFunction, MessageIcon::Exclamation);
        return;
    }
    if (recordMusic) {
        m_activity.SetRecording(true);
    }
    WriteWaveParametersInVariables(m_captureFormat);
    m_activity.SetListening(true);

    Capture::Source source;
    source.input = m_input;
    source.format = m_captureFormat;
    source.recordPath = RecordingPath();
    source.listening = &m_activity.ListeningFlag();
    source.recording = &m_activity.RecordingFlag();
    source.recordLimitBytes = m_recordLimitBytes;
    Capture::Handlers handlers;
    handlers.block = [this](const std::vector<double>& block, const QString& recordPath) {
        if (IsListening())
            OnCaptureBlock(block, recordPath.isEmpty() ? Str(StringId::NoFileSelected) : recordPath);
    };
    handlers.failure = [this](int message) {
        // The capture has ended.
        m_ui->Message(message, MessageIcon::Exclamation);
        if (IsListening()) StopListening();
    };
    handlers.recordingFailed = [this](const QString& path) {
        // Recording ends with what was written; the live view goes on.
        if (IsRecording()) OnStopRecording();
        m_ui->Message(StringId::RecordingStoppedKalvoCould, MessageIcon::Exclamation,
                      QDir::toNativeSeparators(path));
    };
    m_capture.Start(source, std::move(handlers));
    emit m_activity.SoundFormatTaken(false);
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void SoundDocument::StopListening() {
    if (IsWaveLoaded()) RemoveWave();
    m_activity.SetListening(false);
    m_activity.SetRecording(false);
    m_capture.Stop();
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void SoundDocument::OnWaveFormat() {
    if (IsListening()) StopListening();
    std::vector<int> usable;
    QStringList names;
    for (int index = 0; index < 20; ++index) {
        const WaveFormat f = CaptureFormatOfIndex(index);
        PcmFormat pcm;
        pcm.rate = f.samplesPerSec;
        pcm.bits = f.bitsPerSample;
        if (m_input && m_input->SupportsFormat(pcm)) {
            usable.push_back(index);
            names << QStringLiteral("%1 Hz, %2-bit %3")
                         .arg(f.samplesPerSec)
                         .arg(f.bitsPerSample)
                         .arg(QStringLiteral("Mono"));
        }
    }
    if (usable.empty()) {
        m_ui->Message(StringId::ErrorFunctionScanAvailableInputFormatsProcedure, MessageIcon::Exclamation);
        return;
    }
    const std::optional<int> chosen = m_ui->ChooseFromList(Str(StringId::WaveFormat_63400), names);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(usable.size())) return;
    m_captureFormat = CaptureFormatOfIndex(usable[static_cast<std::size_t>(*chosen)]);
}
