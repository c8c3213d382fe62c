#include "document/CKalvoDoc.h"
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
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

#include "analysis/CRealFFT.h"
#include "analysis/cwt_transform.h"
#include "document/CCaptureThread.h"
#include "document/CMp3Converter.h"
#include "document/CRiffWave.h"
#include "document/IDocumentView.h"
#include "document/IMainFrame.h"
#include "document/PartFile.h"
#include "platform/ProgramFolder.h"
#include "platform/UserInterface.h"
#include "platform/audio/AudioDevice.h"
#include "settings/CIni.h"
#include "settings/CKalvoSettings.h"

namespace {

constexpr std::uint32_t kMaxPlaybackRate = 48000;
constexpr std::uint32_t kMinPlaybackRate = 8000;
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

// Converts samples of wider PCM or of 32/64-bit float to 16-bit PCM in place; returns the new byte count.
std::uint32_t ConvertTo16Bit(std::uint8_t* data, std::uint32_t bytes, int bits, bool isFloat) {
    const std::uint32_t width = static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t count = bytes / width;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* in = data + static_cast<std::size_t>(i) * width;
        int v = 0;
        if (isFloat) {
            double x = 0.0;
            if (bits == 32) {
                float f;
                std::memcpy(&f, in, 4);
                x = f;
            } else {
                std::memcpy(&x, in, 8);
            }
            if (!std::isfinite(x)) x = 0.0;
            v = static_cast<int>(std::lround(std::clamp(x, -1.0, 1.0) * 32767.0));
        } else {
            // The two most significant bytes of a little-endian sample.
            v = ReadS16(in + width - 2);
        }
        WriteS16(data + static_cast<std::size_t>(i) * 2, v);  // never beyond what was read
    }
    return count * 2;
}

QString NoFile() {
    return Str(61548);
}

}  // namespace

CKalvoDoc::CKalvoDoc(CKalvoSettings& settings, UserInterface& ui)
    : m_settings(settings), m_ui(&ui), m_jobs(std::make_unique<JobRunner>()) {
    QObject::connect(m_jobs.get(), &JobRunner::BusyChanged, &m_activity, &DocumentActivity::SetBusy);
    m_strHelpFile = ProgramFolder() + QStringLiteral("KalvoHelp.chm");
}

CKalvoDoc::~CKalvoDoc() {
    m_settings.IniDokumentNumFFTPoints = m_nFFTPoints;
    m_settings.IniDokumentPlayFile = m_strFileName;
    if (IsListening()) StopListening();
}

void CKalvoDoc::SetUi(UserInterface& ui) {
    m_ui = &ui;
}

void CKalvoDoc::AddView(IDocumentView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CKalvoDoc::RemoveView(IDocumentView* view) {
    std::erase(m_views, view);
}

void CKalvoDoc::UpdateAllViews(int hint) {
    // A view may close itself while it handles a hint.
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* view : views)
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) view->OnUpdate(hint);
}

void CKalvoDoc::SetTitle(const QString& title) {
    m_strTitle = title;
    if (m_pMainFrame) m_pMainFrame->OnDocumentTitleChanged(title);
}

std::uint32_t CKalvoDoc::PaletteColor(int index) {
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

void CKalvoDoc::ClearAnalysisArrays() {
    m_bWaveletInput = false;
    m_aWaveletResult.assign(1, 0.0f);
    m_aSelSamples.assign(1, 0.0);
    m_aSpectrum.assign(1, 0.0);
}

bool CKalvoDoc::OnNewDocument() {
    m_nSelStart = m_nSelEnd = 0;
    m_nWaveBytes = 0;
    m_nPlayBytes = 0;
    m_pWaveData.reset();
    m_pSound.reset();
    ClearAnalysisArrays();
    m_aAnalysis.assign(1, 0.0);
    for (auto& acf : m_aAutoCorr) acf.clear();
    m_dFullScale = 0.0;
    m_dSeriesUnitsPerSample = 1.0;
    m_nFFTPoints = CKalvoSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
    m_strFileName = m_settings.IniDokumentPlayFile.isEmpty() ? NoFile() : m_settings.IniDokumentPlayFile;
    m_nBitsPerSample = 16;
    m_bSigned = 1;
    // Six channels: no capture format has been chosen yet.
    m_captureFormat = WaveFormat{};
    m_captureFormat.channels = 6;
    m_captureFormat.samplesPerSec = 0;
    m_captureFormat.avgBytesPerSec = 0;
    m_captureFormat.blockAlign = 0;
    m_captureFormat.bitsPerSample = 0;
    m_strChannels.clear();
    m_strFormat.clear();
    m_nSampleRate = 0;
    m_strRecordPath = NoFile();
    m_nPlayBits = m_nPlayRate = 0;
    m_nPlayReduction = m_nPlayExpansion = 1;
    m_nSpectrumPoints = 0;
    m_nFirstAcfMinimum = 0;
    NotifyStatus();
    m_bStereoSource = 0;
    m_nChannelChoice = 1;
    m_modules.fill(nullptr);
    m_bClose3DWindows = 0;
    SetTitle(NoFile());
    return true;
}

void CKalvoDoc::DeleteContents() {
    ClearAnalysisArrays();
}

void CKalvoDoc::SetSelection(std::uint32_t first, std::uint32_t last) {
    if (first != kKeepBound) m_nSelStart = first;
    if (last != kKeepBound) m_nSelEnd = last;
}

void CKalvoDoc::RemoveWave() {
    // The sound goes with its samples: nothing may go on playing, or look as if it did.
    if (IsPlaying()) {
        if (m_pSound) m_pSound->Stop();
        m_activity.SetPlaying(false);
    }
    m_nPlayPos = 0;
    UpdateAllViews(kHintRemoveWave);
    m_activity.SetWaveLoaded(false);
    m_activity.SetLooping(false);
    m_activity.SetPlaysReducedCopy(false);
    DeleteContents();
    m_nSpectrumPoints = 0;
    m_nBitsShown = 0;
    m_strChannels.clear();
    m_strFormat.clear();
    m_nSampleRate = 0;
    m_strFileName = NoFile();
    m_strWavePath.clear();
    m_strRecordPath = NoFile();
    m_nFFTPoints = CKalvoSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
    m_pWaveData.reset();
    m_dFullScale = 0.0;
    m_dSeriesUnitsPerSample = 1.0;
    m_nWaveBytes = 0;
    m_nPlayBytes = 0;
    m_nPlayReduction = m_nPlayExpansion = 1;
    m_nConvertedFromBits = 0;
    m_bConvertedFromFloat = false;
    m_pSound.reset();
    SetTitle(NoFile());
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

bool CKalvoDoc::WriteWaveParametersInVariables(const WaveFormat& format) {
    m_strChannels = format.channels == 1   ? QStringLiteral("Mono")
                    : format.channels == 2 ? QStringLiteral("Stereo")
                                           : QStringLiteral("?");
    const std::uint16_t tag = format.EffectiveTag();
    m_strFormat = tag == WaveFormat::kPcm ? QStringLiteral("PCM") : QStringLiteral("?");
    m_bStereoSource = m_strChannels == QStringLiteral("Stereo") ? 1 : 0;
    m_nSampleRate = static_cast<int>(format.samplesPerSec);
    m_nBitsShown = format.bitsPerSample;
    m_bSigned = format.bitsPerSample != 8 ? 1 : 0;
    m_dSeriesUnitsPerSample = 1.0;
    switch (format.bitsPerSample) {
        case 8:
            m_dFullScale = 255.0;
            break;
        case 16:
            m_dFullScale = 32767.0;
            break;
        case 24:
            m_dFullScale = 8388607.0;
            break;
        case 32:
            m_dFullScale = 2147483647.0;
            break;
        default:
            m_ui->Message(61497, MessageIcon::Exclamation);
            return false;
    }
    m_nBitsPerSample = format.bitsPerSample;
    return true;
}

void CKalvoDoc::NotifyStatus() {
    if (!m_pMainFrame || !m_pMainFrame->IsStatusBarShown()) return;
    m_pMainFrame->SendMessage(kMsgStatusFftPoints, m_nFFTPoints);
    m_pMainFrame->SendMessage(kMsgStatusFile, 0);
    m_pMainFrame->SendMessage(kMsgStatusBits, m_nBitsShown);
    m_pMainFrame->SendMessage(kMsgStatusRate, m_nSampleRate);
    m_pMainFrame->SendMessage(kMsgStatusListening, 0);
    m_pMainFrame->SendMessage(kMsgStatusRecording, 0);
}

std::uint32_t CKalvoDoc::SampleCount() const {
    if (!m_pWaveData) return 0;
    return m_nBitsPerSample == 8 ? m_nWaveBytes : m_nWaveBytes / 2;
}

double CKalvoDoc::Sample(std::uint32_t i) const {
    if (m_nBitsPerSample == 8) return m_pWaveData[i];
    return ReadS16(m_pWaveData.get() + 2 * static_cast<std::size_t>(i));
}

// ---------------------------------------------------------------------------------------
// Wave files

QString CKalvoDoc::TempMonoPath() {
    return TemporaryFolder() + QStringLiteral("~TempWaveMono.wav");
}
QString CKalvoDoc::TempWavePath() {
    return TemporaryFolder() + QStringLiteral("~TempWave.wav");
}

void CKalvoDoc::StopPlaybackForOpen() {
    // The playback sound is stopped and rewound by its owner; here the state follows.
    m_activity.SetPlaying(false);
    m_nPlayPos = 0;
}

void CKalvoDoc::ResetForOpen() {
    // A sound is never loaded while listening: the input stops first (a recording is completed).
    if (IsListening()) StopListening();
    DeleteContents();
    if (IsWaveLoaded()) {
        if (IsPlaying()) StopPlaybackForOpen();
        RemoveWave();
    }
}

void CKalvoDoc::OnFileOpen() {
    // A sound is never loaded while listening: the input stops first (a recording is completed).
    if (IsListening()) StopListening();
    FileDialogOptions options;
    options.title = Str(61565);
    options.filter = QLatin1String(m_mp3Converter ? kMusicFilter : kWaveFilter);
    options.filterIndex = 1;
    const std::optional<QString> path = m_ui->ChooseOpenFile(options);
    if (!path) return;  // the loaded sound stays
    OpenSoundFile(*path);
}

bool CKalvoDoc::OpenSoundFile(const QString& path) {
    if (IsListening()) StopListening();
    const bool kids = m_settings.IniAllgemeinGrundschulprofil != 0;
    if (!kids) m_ui->BeginProgress(Str(62027));
    QString loadPath = path;
    bool converted = true;
    const bool compressed = CMp3Converter::IsCompressedSoundFile(path);
    // A compressed file is decoded beside "converted.wav", which holds the loaded sound until
    // the new one has loaded: a cancelled or failed open leaves it as it was.
    const QString convertedPath = ProgramFolder() + QStringLiteral("converted.wav");
    if (compressed) {
        // A name of this process's own: two runs sharing the program folder never decode into one file.
        loadPath =
            ProgramFolder() + QStringLiteral("~converting-%1.wav").arg(QCoreApplication::applicationPid());
        converted = m_mp3Converter && m_mp3Converter(path, loadPath);
    }
    m_strProgress = Str(61551);
    m_ui->SetProgressText(m_strProgress);
    if (m_pMainFrame) m_pMainFrame->SendMessage(kMsgProgressText, 0);
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
                m_strFileName = path;
            },
            path);
        if (!kids) m_ui->EndProgress();
    }
    if (compressed) {
        if (ok && (!QFileInfo::exists(convertedPath) || QFile::remove(convertedPath)) &&
            QFile::rename(loadPath, convertedPath)) {
            if (m_strPlaybackPath == loadPath) m_strPlaybackPath = convertedPath;
            m_strWavePath = convertedPath;
        } else if (!ok) {
            QFile::remove(loadPath);
        }
    }
    if (ok) {
        SetTitle(QFileInfo(path).fileName());
        if (m_pMainFrame) m_pMainFrame->OnFileOpened(path);
    }
    return ok;
}

bool CKalvoDoc::IsTimeSeriesFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("txt") || suffix == QLatin1String("dat") || suffix == QLatin1String("prn");
}

bool CKalvoDoc::OpenFile(const QString& path) {
    return IsTimeSeriesFile(path) ? OpenTimeSeriesFile(path) : OpenSoundFile(path);
}

std::optional<int> CKalvoDoc::AskChannel(const QString& shownPath, const WaveBlock& block) {
    if (m_settings.IniAllgemeinGrundschulprofil) return 1;  // the kids profile takes the left channel
    ChannelDialogInfo info;
    info.path = shownPath;
    info.channels = block.format.channels == 2 ? QStringLiteral("Stereo") : QStringLiteral("?");
    info.sampleRate = static_cast<int>(block.format.samplesPerSec);
    info.bits = block.convertedFromBits != 0 ? block.convertedFromBits : block.format.bitsPerSample;
    info.format = QStringLiteral("PCM");
    info.stereo = true;
    return m_ui->ChooseChannel(info);
}

bool CKalvoDoc::ReadAndPrepare(const QString& path, const std::function<void()>& makeRoom,
                               const QString& shownPath) {
    std::optional<WaveBlock> block = ReadWaveBlock(path);
    std::optional<int> channel = 1;
    if (block && block->format.channels >= 2)
        channel = AskChannel(shownPath.isEmpty() ? path : shownPath, *block);
    if (!block || !channel) {
        if (!makeRoom) {
            m_strFileName = NoFile();
            m_strWavePath.clear();
        }
        return false;
    }
    if (makeRoom) makeRoom();
    const bool multiChannel = block->format.channels >= 2;
    InstallBlock(std::move(*block));
    m_nChannelChoice = *channel;
    if (multiChannel) UpdateAllViews(kHintChannelChosen);
    if (!PrepareWave(path)) {
        m_strFileName = NoFile();
        m_strWavePath.clear();
        m_pWaveData.reset();
        m_nWaveBytes = 0;
        m_nPlayBytes = 0;
        return false;
    }
    m_strWavePath = path;
    m_activity.SetWaveLoaded(true);
    return true;
}

bool CKalvoDoc::LoadWave(const QString& path, const std::function<void()>& makeRoom,
                         const QString& shownPath) {
    BusyCursor busy(*m_ui);
    const QString shown = shownPath.isEmpty() ? path : shownPath;
    const bool ok = ReadAndPrepare(path, makeRoom, shown);
    if (ok) {
        emit m_activity.SoundFormatTaken(false);
        m_strFileName = shown;
        if (m_nConvertedFromBits != 0) {
            // Told once per file, after it has loaded.
            if (m_bConvertedFromFloat)
                m_ui->Message(62001, MessageIcon::Information, shown, m_nConvertedFromBits);
            else
                m_ui->Message(62000, MessageIcon::Information, shown, m_nConvertedFromBits);
        }
    }
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    return ok;
}

std::optional<CKalvoDoc::WaveBlock> CKalvoDoc::ReadWaveBlock(const QString& path) {
    CRiffWave wave;
    WaveFormat format;
    if (wave.Open(path, &format, CRiffWave::Mode::Read) != CRiffWave::Status::Success) {
        m_ui->Message(62006, MessageIcon::Exclamation, path);
        return std::nullopt;
    }
    const std::uint16_t tag = format.EffectiveTag();
    const int bits = format.bitsPerSample;
    const bool isFloat = tag == WaveFormat::kIeeeFloat;
    if (tag != WaveFormat::kPcm && !isFloat) {
        m_ui->Message(62002, MessageIcon::Exclamation, path, format.formatTag);
        return std::nullopt;
    }
    if ((isFloat && bits != 32 && bits != 64) ||
        (!isFloat && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        m_ui->Message(61497, MessageIcon::Exclamation);
        return std::nullopt;
    }
    // Every rate computation works in int; a header beyond that (or 0) is broken, not a sound.
    if (format.samplesPerSec == 0 ||
        format.samplesPerSec > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
        m_ui->Message(62100, MessageIcon::Exclamation, path, format.samplesPerSec);
        return std::nullopt;
    }
    if (format.channels == 0 || format.blockAlign != format.channels * (bits / 8)) {
        m_ui->Message(62006, MessageIcon::Exclamation, path);
        return std::nullopt;
    }
    WaveBlock result;
    result.format = format;
    // Only whole frames are kept: a torn last frame would shift every channel after it.
    const std::uint32_t size = wave.GetSize() - wave.GetSize() % format.blockAlign;
    std::unique_ptr<std::uint8_t[]> block = AllocateBlock(size);
    if (!block) return std::nullopt;
    std::uint32_t read = 0;
    if (wave.Read(block.get(), size, &read) != CRiffWave::Status::Success || read != size) {
        m_ui->Message(61498, MessageIcon::Exclamation);
        return std::nullopt;
    }
    if (size == 0) {
        m_ui->Message(61496, MessageIcon::Exclamation);
        return std::nullopt;
    }
    result.bytes = size;
    if (isFloat || bits > 16) {
        result.bytes = ConvertTo16Bit(block.get(), size, bits, isFloat);
        result.convertedFromBits = bits;
        result.convertedFromFloat = isFloat;
        result.format.formatTag = WaveFormat::kPcm;
        result.format.bitsPerSample = 16;
        result.format.blockAlign = static_cast<std::uint16_t>(format.channels * 2);
        result.format.avgBytesPerSec = result.format.blockAlign * format.samplesPerSec;
        if (isFloat) result.format.extra.clear();  // the float origin is kept in convertedFromFloat
    }
    result.data = std::move(block);
    return result;
}

void CKalvoDoc::InstallBlock(WaveBlock block) {
    m_fileFormat = block.format;
    m_nConvertedFromBits = block.convertedFromBits;
    m_bConvertedFromFloat = block.convertedFromFloat;
    m_nBitsPerSample = m_fileFormat.bitsPerSample;
    m_pWaveData = std::move(block.data);
    m_nWaveBytes = block.bytes;
    m_nPlayBytes = block.bytes;
    m_nPlayReduction = m_nPlayExpansion = 1;
}

bool CKalvoDoc::CreateAbbild(const QString& path) {
    std::optional<WaveBlock> block = ReadWaveBlock(path);
    if (!block) return false;
    InstallBlock(std::move(*block));
    return true;
}

bool CKalvoDoc::PrepareWave(const QString& path) {
    {
        CRiffWave wave;
        if (wave.Open(path, nullptr, CRiffWave::Mode::Read) != CRiffWave::Status::Success) {
            m_nWaveBytes = 0;
            return false;
        }
        if (wave.GetSize() == 0 || m_nWaveBytes == 0) {
            m_nWaveBytes = 0;
            m_ui->Message(61496, MessageIcon::Exclamation);
            return false;
        }
    }
    const WaveFormat format = m_fileFormat;  // as read, after any conversion to 16 bit
    if (!WriteWaveParametersInVariables(format)) return false;
    if (m_nConvertedFromBits != 0) m_nBitsShown = m_nConvertedFromBits;
    const bool multiChannel = format.channels >= 2;
    if (multiChannel) {
        m_bStereoSource = 1;  // the channel was chosen when the file was read
        if (!ExtractChannel()) return false;
        m_strChannels = QStringLiteral("Mono");
    }
    // Sound cards play 8 to 48 kHz, and converted files need a 16-bit copy to play.
    if (m_nConvertedFromBits != 0 || format.samplesPerSec > kMaxPlaybackRate ||
        format.samplesPerSec < kMinPlaybackRate)
        return MakePlaybackCopy();
    if (!CreatePlaybackSound(multiChannel ? TempMonoPath() : path)) return false;
    m_bStereoSource = 0;
    return true;
}

bool CKalvoDoc::ExtractChannel() {
    const WaveFormat source = m_fileFormat;
    const int bytesPerSample = source.bitsPerSample / 8;
    const std::size_t frame = source.blockAlign;
    // Left is the first channel, right the second.
    const std::size_t offset = static_cast<std::size_t>(m_nChannelChoice == 1 ? 0 : 1) * bytesPerSample;
    const std::size_t frames = m_nWaveBytes / frame;
    const WaveFormat mono = WaveFormat::MonoPcm(source.samplesPerSec, source.bitsPerSample);
    {
        CRiffWave out;
        WaveFormat f = mono;
        if (out.Open(TempMonoPath(), &f, CRiffWave::Mode::Write) != CRiffWave::Status::Success) {
            m_ui->Message(61502, MessageIcon::Exclamation);
            return false;
        }
        std::vector<std::uint8_t> chunk;
        constexpr std::size_t kFramesPerChunk = 1 << 16;
        for (std::size_t start = 0; start < frames; start += kFramesPerChunk) {
            const std::size_t n = std::min(kFramesPerChunk, frames - start);
            chunk.resize(n * static_cast<std::size_t>(bytesPerSample));
            const std::uint8_t* in = m_pWaveData.get() + start * frame + offset;
            for (std::size_t i = 0; i < n; ++i)
                std::memcpy(&chunk[i * static_cast<std::size_t>(bytesPerSample)], in + i * frame,
                            static_cast<std::size_t>(bytesPerSample));
            if (out.Write(static_cast<std::uint32_t>(chunk.size()), chunk.data(), nullptr) !=
                CRiffWave::Status::Success) {
                m_ui->Message(61503, MessageIcon::Exclamation);
                return false;
            }
        }
        if (out.Close() != CRiffWave::Status::Success) {
            m_ui->Message(61503, MessageIcon::Exclamation);
            return false;
        }
    }
    const int convertedFrom = m_nConvertedFromBits;
    const bool convertedFromFloat = m_bConvertedFromFloat;
    const bool ok = CreateAbbild(TempMonoPath());
    m_nConvertedFromBits = convertedFrom;
    m_bConvertedFromFloat = convertedFromFloat;
    m_fileFormat = source;  // the file's own format stays what the user opened
    m_fileFormat.channels = 1;
    m_fileFormat.blockAlign = static_cast<std::uint16_t>(bytesPerSample);
    return ok;
}

bool CKalvoDoc::MakePlaybackCopy() {
    const std::uint32_t rate = static_cast<std::uint32_t>(m_nSampleRate);
    // Above 48 kHz each group of `reduction` samples becomes their mean; below 8 kHz each sample
    // is repeated `expansion` times. Either way the copy plays at a rate every card takes.
    std::uint32_t reduction = 1, expansion = 1;
    if (rate > kMaxPlaybackRate)
        reduction = (rate + kMaxPlaybackRate - 1) / kMaxPlaybackRate;
    else if (rate > 0 && rate < kMinPlaybackRate)
        expansion = (kMinPlaybackRate + rate - 1) / rate;
    const std::uint32_t copyRate = rate / reduction * expansion;
    const int bits = m_nBitsPerSample == 8 ? 8 : 16;
    const std::uint32_t width = static_cast<std::uint32_t>(bits / 8);
    const std::uint32_t samples = SampleCount();
    const std::uint64_t copySamples =
        (static_cast<std::uint64_t>(samples) + reduction - 1) / reduction * expansion;
    // A wave file holds at most 4 GiB: a longer copy cannot be made, and the sound stays silent.
    if (copySamples * width > 0xFFFFFF00ull) {
        m_pSound.reset();
        m_strPlaybackPath.clear();
        m_ui->Message(61459, MessageIcon::Exclamation, Str(63411));
        return true;
    }
    CRiffWave out;
    WaveFormat format = WaveFormat::MonoPcm(copyRate, static_cast<std::uint16_t>(bits));
    if (out.Open(TempWavePath(), &format, CRiffWave::Mode::Write) != CRiffWave::Status::Success) {
        m_ui->Message(61502, MessageIcon::Exclamation);
        return false;
    }
    std::vector<std::uint8_t> chunk;
    // About 64 Ki samples of the copy per write.
    const std::uint32_t groupsPerWrite = std::max<std::uint32_t>(1, (1u << 16) / expansion);
    for (std::uint64_t start = 0; start < samples;
         start += static_cast<std::uint64_t>(groupsPerWrite) * reduction) {
        const std::uint32_t groups = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(groupsPerWrite, (samples - start + reduction - 1) / reduction));
        chunk.resize(static_cast<std::size_t>(groups) * expansion * width);
        std::size_t at = 0;
        for (std::uint32_t j = 0; j < groups; ++j) {
            const std::uint32_t first =
                static_cast<std::uint32_t>(start + static_cast<std::uint64_t>(j) * reduction);
            const std::uint32_t count = std::min(reduction, samples - first);  // a short last group
            long long sum = 0;
            for (std::uint32_t k = 0; k < count; ++k) sum += static_cast<long long>(Sample(first + k));
            // The mean rounded down, also for negative sums.
            long long mean = sum / count;
            if (sum % count != 0 && sum < 0) --mean;
            for (std::uint32_t k = 0; k < expansion; ++k, at += width) {
                if (bits == 8)
                    chunk[at] = static_cast<std::uint8_t>(mean);
                else
                    WriteS16(&chunk[at], static_cast<int>(mean));
            }
        }
        if (out.Write(static_cast<std::uint32_t>(chunk.size()), chunk.data(), nullptr) !=
            CRiffWave::Status::Success) {
            m_ui->Message(61503, MessageIcon::Exclamation);
            return false;
        }
    }
    if (out.Close() != CRiffWave::Status::Success) {
        m_ui->Message(61503, MessageIcon::Exclamation);
        return false;
    }
    m_nPlayBytes = static_cast<std::uint32_t>(copySamples * width);
    m_nPlayReduction = reduction;
    m_nPlayExpansion = expansion;
    m_activity.SetPlaysReducedCopy(true);
    m_nPlayBits = bits;
    m_nPlayRate = static_cast<int>(copyRate);
    return CreatePlaybackSound(TempWavePath());
}

bool CKalvoDoc::RecreatePlaybackSound() {
    if (!IsWaveLoaded() || m_strPlaybackPath.isEmpty()) return false;
    if (IsPlaying()) OnStopPlaying();
    CreatePlaybackSound(m_strPlaybackPath);
    return m_pSound != nullptr;
}

std::unique_ptr<std::uint8_t[]> CKalvoDoc::AllocateBlock(std::uint32_t size) {
    try {
        return std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::uint32_t>(size, 1));
    } catch (const std::bad_alloc&) {
        ReportNoMemory(size);
        return nullptr;
    }
}

bool CKalvoDoc::CreatePlaybackSound(const QString& path) {
    m_pSound.reset();
    m_strPlaybackPath = path;
    if (!m_soundFactory) return true;  // no sound output in this run: the sound is analysed only
    QString silentReason;
    try {
        m_pSound = m_soundFactory(path, &silentReason);  // holds a copy of the whole sound
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(QFileInfo(path).size()));
        return false;
    }
    if (!m_pSound && silentReason.isEmpty()) silentReason = Str(63410, QFileInfo(m_strFileName).fileName());
    // The sound is analysed all the same; the user learns why it cannot be heard.
    if (!silentReason.isEmpty()) m_ui->Message(61459, MessageIcon::Exclamation, silentReason);
    return true;
}

void CKalvoDoc::OnSaveRecording() {
    FileDialogOptions options;
    options.title = Str(61566);
    options.filter = QLatin1String(kSaveRecordingFilter);
    options.filterIndex = 1;
    options.defaultExtension = QStringLiteral("wav");
    const QString source = m_strWavePath.isEmpty() ? m_strFileName : m_strWavePath;
    // A sound decoded from a compressed file (or read from a time series) is offered as a wave
    // beside the file it came from; that file itself is never written over.
    const bool decoded = !m_strWavePath.isEmpty() && QFileInfo(m_strWavePath) != QFileInfo(m_strFileName);
    if (decoded) {
        const QFileInfo original(m_strFileName);
        options.proposedFile =
            original.absolutePath() + u'/' + original.completeBaseName() + QStringLiteral(".wav");
    }
    std::optional<QString> path;
    for (;;) {
        path = m_ui->ChooseSaveFile(options);
        if (!path) return;
        if (!decoded || QFileInfo(*path) != QFileInfo(m_strFileName)) break;
        m_ui->Message(kMsgSaveOverOriginal, MessageIcon::Exclamation, *path);
    }
    const QString extension = QFileInfo(*path).suffix().toLower();
    if (extension == QLatin1String("wav"))
        CopyWaveFile(*path, source);
    else if (extension == QLatin1String("mp3"))
        CMp3Converter(*m_ui).ConvertWAVtoMP3(*path, source);
    else
        m_ui->Message(63309, MessageIcon::Information);  // rather than silently saving nothing
}

bool CKalvoDoc::CopyWaveFile(const QString& destination, const QString& source) {
    CRiffWave in;
    WaveFormat format;
    if (in.Open(source, &format, CRiffWave::Mode::Read) != CRiffWave::Status::Success) {
        m_ui->Message(61500, MessageIcon::Information, source);
        return false;
    }
    const std::uint32_t size = in.GetSize();
    std::unique_ptr<std::uint8_t[]> block = AllocateBlock(size);
    if (!block) return false;
    std::uint32_t read = 0;
    if (in.Read(block.get(), size, &read) != CRiffWave::Status::Success || read != size) {
        m_ui->Message(61501, MessageIcon::Information, source);
        return false;
    }
    in.Close();
    // The copy replaces the destination only when it is complete: a full disk never costs an older file.
    const std::unique_ptr<QTemporaryFile> part = MakePartFile(destination);
    CRiffWave out;
    if (!part || out.Open(part->fileName(), &format, CRiffWave::Mode::Write) != CRiffWave::Status::Success) {
        m_ui->Message(61502, MessageIcon::Exclamation);
        return false;
    }
    if (out.Write(size, block.get(), nullptr) != CRiffWave::Status::Success) {
        out.Close();
        m_ui->Message(61503, MessageIcon::Exclamation);
        return false;
    }
    if (out.Close() != CRiffWave::Status::Success || !CommitPartFile(*part, destination)) {
        m_ui->Message(61503, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Time series

void CKalvoDoc::OnOpenTimeSeries() {
    if (IsListening()) StopListening();
    FileDialogOptions options;
    options.title = Str(61559);
    options.filter = QLatin1String(kTimeSeriesFilter);
    options.filterIndex = 3;
    const std::optional<QString> path = m_ui->ChooseOpenFile(options);
    if (!path) return;  // the loaded sound stays
    OpenTimeSeriesFile(*path);
}

bool CKalvoDoc::OpenTimeSeriesFile(const QString& path) {
    if (IsListening()) StopListening();
    // The loaded sound stays until the series has been read and found to hold numbers.
    std::size_t notNumbers = 0;
    double unitsPerStep = 1.0;
    const std::optional<std::vector<double>> samples =
        ReadTimeSeriesSamples(path, &notNumbers, &unitsPerStep);
    if (!samples) return false;
    ResetForOpen();
    m_strFileName = path;
    const bool ok = LoadTimeSeriesAsWave(*samples);
    if (ok)
        m_dSeriesUnitsPerSample = unitsPerStep;  // set after the wave's own reading reset it
    else
        m_strFileName = NoFile();
    NotifyStatus();
    if (ok) {
        SetTitle(QFileInfo(path).fileName());
        if (m_pMainFrame) m_pMainFrame->OnFileOpened(path);
    }
    UpdateAllViews(kHintRebuild);
    if (ok && notNumbers > 0)
        m_ui->Message(62004, MessageIcon::Information, path, static_cast<qulonglong>(notNumbers));
    return ok;
}

std::optional<double> CKalvoDoc::ParseTimeSeriesNumber(std::string_view token) {
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

std::vector<double> CKalvoDoc::ParseTimeSeries(const QByteArray& text, std::size_t* notNumbers) {
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

std::vector<double> CKalvoDoc::ScaleTimeSeries(const std::vector<double>& values, double* unitsPerStep) {
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

std::optional<std::vector<double>> CKalvoDoc::ReadTimeSeriesSamples(const QString& path,
                                                                    std::size_t* notNumbers,
                                                                    double* unitsPerStep) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_ui->Message(62003, MessageIcon::Exclamation, path);
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

bool CKalvoDoc::ReadTimeSeries(const QString& path) {
    double unitsPerStep = 1.0;
    const std::optional<std::vector<double>> samples = ReadTimeSeriesSamples(path, nullptr, &unitsPerStep);
    if (!samples || !LoadTimeSeriesAsWave(*samples)) return false;
    m_dSeriesUnitsPerSample = unitsPerStep;  // set after the wave's own reading reset it
    return true;
}

bool CKalvoDoc::LoadTimeSeriesAsWave(const std::vector<double>& samples) {
    const QString path = TempWavePath();
    {
        CRiffWave out;
        WaveFormat format = WaveFormat::MonoPcm(44100, 16);
        if (out.Open(path, &format, CRiffWave::Mode::Write) != CRiffWave::Status::Success) {
            m_ui->Message(61502, MessageIcon::Exclamation);
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
                      CRiffWave::Status::Success;
        }
        if (!written || out.Close() != CRiffWave::Status::Success) {
            m_ui->Message(61503, MessageIcon::Exclamation);
            return false;
        }
    }
    m_activity.SetPlaysReducedCopy(true);
    m_nPlayBits = 16;
    m_nPlayRate = 44100;
    const bool ok = ReadAndPrepare(path);
    if (ok) emit m_activity.SoundFormatTaken(true);
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    return ok;
}

// ---------------------------------------------------------------------------------------
// Spectrum

void CKalvoDoc::Magnitudes(const double* values, int points, std::vector<double>& out) {
    // One transform object per size, kept: building the tables costs more than a transform.
    if (!m_fft || static_cast<int>(m_fft->Size()) != points)
        m_fft = std::make_unique<CRealFFT>(static_cast<std::size_t>(points));
    const std::size_t n = static_cast<std::size_t>(points);
    m_fftOut.resize(n);
    m_fft->Transform(m_fftOut.data(), values);
    m_fft->Rescale(m_fftOut.data());
    out.resize(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const double re = m_fftOut[k];
        const double im = (k > 0 && k < n / 2) ? m_fftOut[n / 2 + k] : 0.0;  // bins 0 and N/2 are real
        out[k] = std::sqrt(re * re + im * im);
    }
}

bool CKalvoDoc::ComputeAutoCorrelations(int count) {
    const int points = m_nFFTPoints;
    if (points < 4) return false;
    const std::size_t n = static_cast<std::size_t>(points);
    try {
        if (!m_fft || static_cast<int>(m_fft->Size()) != points) m_fft = std::make_unique<CRealFFT>(n);
        m_fftIn.assign(n, 0.0);
        std::copy_n(m_aSelSamples.begin(), std::min(n, m_aSelSamples.size()), m_fftIn.begin());
        m_fftOut.resize(n);
        // The power spectrum of a transformed array, transformed back, is its autocorrelation.
        const auto autocorrelation = [&](std::vector<double>& out) {
            for (double& v : m_fftOut) v *= v;
            for (std::size_t i = 0; i < n / 2; ++i) m_fftOut[i] += m_fftOut[n / 2 + i];
            std::fill(m_fftOut.begin() + static_cast<std::ptrdiff_t>(n / 2), m_fftOut.end(), 0.0);
            out.resize(n);
            m_fft->InverseTransform(m_fftOut.data(), out.data());
            m_fft->Rescale(out.data());
        };
        m_fft->Transform(m_fftOut.data(), m_fftIn.data());
        m_fft->Rescale(m_fftOut.data());
        autocorrelation(m_aAutoCorr[0]);
        const int iterations = std::clamp(count, 0, 10);
        for (int k = 0; k < iterations; ++k) {
            m_fft->Transform(m_fftOut.data(), m_aAutoCorr[static_cast<std::size_t>(k)].data());
            m_fft->Rescale(m_fftOut.data());
            m_aAnalysis.resize(n / 2 + 1);
            for (std::size_t j = 0; j <= n / 2; ++j) {
                const double re = m_fftOut[j];
                const double im = (j > 0 && j < n / 2) ? m_fftOut[n / 2 + j] : 0.0;
                m_aAnalysis[j] = std::sqrt(re * re + im * im);
            }
            autocorrelation(m_aAutoCorr[static_cast<std::size_t>(k) + 1]);
        }
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(n) * sizeof(double) * 12);
        return false;
    }
    // First minimum while positive, or the last positive value before the first zero crossing.
    const std::vector<double>& acf = m_aAutoCorr[0];
    if (!acf.empty() && acf[0] > 0.0) {
        std::size_t i = 0;
        while (i + 1 < acf.size() && acf[i + 1] > 0.0 && acf[i + 1] <= acf[i]) ++i;
        m_nFirstAcfMinimum = static_cast<int>(i);
    }
    return true;
}

void CKalvoDoc::ComputeSpectrum(int points) {
    if (points < 1) return;
    const std::size_t n = static_cast<std::size_t>(points);
    try {
        m_fftIn.assign(n, 0.0);
        std::copy_n(m_aSelSamples.begin(), std::min(n, m_aSelSamples.size()), m_fftIn.begin());
        Magnitudes(m_fftIn.data(), points, m_aSpectrum);
        m_bToldNoMemory = false;
    } catch (const std::bad_alloc&) {
        // Live input and playback come here block after block: one message, then an empty
        // spectrum for each block until there is memory again.
        m_aSpectrum.assign(1, 0.0);
        if (!m_bToldNoMemory) ReportNoMemory(static_cast<std::uint64_t>(n) * 3 * sizeof(double));
        m_bToldNoMemory = true;
    }
}

bool CKalvoDoc::ComputeSpectrumOf(const std::vector<double>& values, std::size_t start, int points,
                                  std::vector<double>& out) {
    if (points < 1 || values.size() < static_cast<std::size_t>(points) || start + points > values.size())
        return false;
    Magnitudes(values.data() + start, points, out);
    return true;
}

bool CKalvoDoc::OnSelectionChanged(std::uint32_t first, std::uint32_t last) {
    if (IsPlaying()) return true;
    BusyCursor busy(*m_ui);
    if (!IsWaveLoaded()) {
        DeleteContents();
        UpdateAllViews(kHintSelection);
        return true;
    }
    if (m_nBitsPerSample == 16) first &= ~1u;
    // Callers keep the bounds inside the sound; a bound beyond it is pulled back rather than read.
    last = std::min(last, SampleCount());
    first = std::min(first, last);
    const std::uint32_t count = last - first;
    // The spectrum of a long selection is that of its first samples, at most the largest FFT
    // size the settings offer: an hour of sound would otherwise be one transform of 2^27 points.
    const int points =
        count == 0 ? 0 : static_cast<int>(std::min<std::uint32_t>(std::bit_floor(count), kLargestFftPoints));
    const bool spectrum = points > 0 && (IsModuleOpen(Module::FFT) || IsModuleOpen(Module::Sono) ||
                                         IsModuleOpen(Module::Notenbild) || IsModuleOpen(Module::Zeitreihe));
    // Built aside and then taken over, so that running out of memory leaves the previous selection whole.
    std::vector<double> samples, magnitudes;
    try {
        samples.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) samples[i] = Sample(first + i);
        if (spectrum) Magnitudes(samples.data(), points, magnitudes);
    } catch (const std::bad_alloc&) {
        ReportNoMemory(static_cast<std::uint64_t>(count) * sizeof(double));
        return false;
    }
    std::vector<float> previousWavelet = std::move(m_aWaveletResult);
    DeleteContents();
    m_aSelSamples = std::move(samples);
    if (spectrum) m_aSpectrum = std::move(magnitudes);
    m_bWaveletInput = count > 0;
    if (IsModuleOpen(Module::Wavelet)) {
        m_aWaveletResult = std::move(previousWavelet);
        ComputeWaveletTransform();
    }
    m_nSpectrumPoints = points;
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

QString CKalvoDoc::WaveletRefusalText(const wavelet_error& error) {
    const QString detail = QString::fromStdString(error.detail);
    switch (error.code) {
        case wavelet_error::none:
            return {};
        case wavelet_error::no_arguments_expected:
            return Str(64000, detail);
        case wavelet_error::morlet_arguments:
            return Str(64001, detail);
        case wavelet_error::cauchy_arguments:
            return Str(64002, detail);
        case wavelet_error::spinning_missing:
            return Str(64003);
        case wavelet_error::spinning_arguments:
            return Str(64004, detail);
        case wavelet_error::spinning_mu2:
            return Str(64005, detail);
        case wavelet_error::bspline_arguments:
            return Str(64006, detail);
        case wavelet_error::bspline_missing:
            return Str(64007);
        case wavelet_error::bspline_evaluate:
            return Str(64008);
        case wavelet_error::unknown_name:
            return Str(64048, detail);
    }
    return {};
}

bool CKalvoDoc::CheckWaveletSpec(const QString& spec) {
    const wavelet_error error = check_wavelet_spec(spec.toStdString());
    if (error.code == wavelet_error::none) return true;
    m_ui->ShowMessage(WaveletRefusalText(error), MessageIcon::Exclamation);
    return false;
}

bool CKalvoDoc::ComputeWaveletTransform() {
    if (!m_bWaveletInput || m_nSampleRate <= 0) {
        m_aWaveletResult.clear();
        return false;
    }
    const auto n = static_cast<std::int64_t>(m_aSelSamples.size());
    m_cwtParameters.start_time = 0.0f;
    m_cwtParameters.end_time = static_cast<float>(static_cast<double>(n) / m_nSampleRate);
    m_cwtParameters.sample_rate = static_cast<float>(m_nSampleRate);
    std::vector<float> result;
    cwt_outcome outcome;
    JobRunner::WorkerJob job;
    job.work = [&](const CancelToken& token) {
        outcome = RunTransform(m_cwtParameters, m_aSelSamples.data(), n, result, {&token});
    };
    m_jobs->RunHere(std::move(job));
    LogWavelet(outcome.diagnostics);
    switch (outcome.status) {
        case cwt_status::bad_arguments:
        case cwt_status::no_wavelet:
            // The wavelet text is refused; what was shown stays.
            m_ui->ShowMessage(WaveletRefusalText(outcome.error), MessageIcon::Exclamation);
            return false;
        case cwt_status::no_memory:
            m_aWaveletResult.clear();
            ReportNoMemory(static_cast<std::uint64_t>(n) * sizeof(float));
            return false;
        case cwt_status::ok:
            m_aWaveletResult = std::move(result);
            return true;
        default:
            m_aWaveletResult.clear();
            return false;
    }
}

void CKalvoDoc::ReportNoMemory(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    m_ui->Message(62102, MessageIcon::Exclamation, QString::number((bytes + kMiB - 1) / kMiB));
}

void CKalvoDoc::RequestStopListening() {
    m_bStopListeningRequested = IsListening();
}

void CKalvoDoc::OnCaptureBlock(const std::vector<double>& block, const QString& recordPath) {
    if (m_bStopListeningRequested) {
        StopListening();
        return;
    }
    m_aSelSamples = block;
    m_aSpectrum.clear();
    m_strRecordPath = recordPath;
    ComputeSpectrum(m_nFFTPoints);
    UpdateAllViews(kHintSpectrum);
}

namespace {

// The samples of the spectrum at a play position (in samples of the playback sound) into
// doc.m_aSelSamples; false when too few are left there for one.
bool FillPositionBlock(CKalvoDoc& doc, std::uint32_t playSample) {
    const std::uint64_t analysis = doc.SoundSampleOfPlaySample(playSample);
    const int points = doc.m_nFFTPoints;
    // In the last FFT length the spectrum is that of the samples left, padded with zeros, so
    // that the end of the sound is analysed too (the last note of a melody); too few samples
    // for a tone (under 1/20 s) give none.
    const std::uint64_t left = analysis < doc.SampleCount() ? doc.SampleCount() - analysis : 0;
    const std::uint64_t shortest = std::min<std::uint64_t>(points, std::max(doc.m_nSampleRate / 20, 1));
    if (left < shortest) return false;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, points));
    doc.m_aSelSamples.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        doc.m_aSelSamples[i] = doc.Sample(static_cast<std::uint32_t>(analysis + i));
    return true;
}

}  // namespace

int CKalvoDoc::FftPointsOfEntry(int entry) {
    return entry >= 0 && entry <= 11 ? 256 << entry : -1;
}

int CKalvoDoc::FftEntryOfPoints(int points) {
    for (int entry = 0; entry <= 11; ++entry)
        if (FftPointsOfEntry(entry) == points) return entry;
    return 2;
}

void CKalvoDoc::OnFftSettings() {
    if (IsListening()) StopListening();
    const bool wasPlaying = IsPlaying() && m_pSound;
    // What the spectrum showed, so that it is shown again after the change instead of a blank
    // window beside a selection that stays marked: the selection's spectrum (its size follows
    // the selection's length; the sonogram, 3D FFT and time series take the new size), or the
    // spectrum at the play position, at the new size. The selection's size stays until playback
    // or listening starts.
    const bool selectionShown =
        !wasPlaying && IsWaveLoaded() && m_nSpectrumPoints > 0 && m_aSelSamples.size() > 1;
    const bool positionShown =
        !wasPlaying && IsWaveLoaded() && m_nSpectrumPoints == 0 && m_aSpectrum.size() > 1;
    const bool waveletInput = m_bWaveletInput;
    const int selectionPoints = m_nSpectrumPoints;
    if (IsPlaying()) {
        if (m_pSound) m_pSound->Stop();  // stays where it is, to go on from there
        m_activity.SetPlaying(false);
    }
    const std::optional<int> entry = m_ui->ChooseFftSize(FftEntryOfPoints(m_nFFTPoints));
    if (entry) {
        const int points = FftPointsOfEntry(*entry);
        m_nFFTPoints =
            points > 0 ? points : CKalvoSettings::CheckedFftPoints(m_settings.IniDokumentNumFFTPoints);
        if (IsModuleOpen(Module::Notenbild) && m_settings.IniAllgemeinGrundschulprofil) m_nFFTPoints = 32768;
        // The choice is carried, so that opening the next file keeps it.
        m_settings.IniDokumentNumFFTPoints = m_nFFTPoints;
        if (m_pMainFrame) m_pMainFrame->SendMessage(kMsgStatusFftPoints, m_nFFTPoints);
    }
    std::vector<double> selection;
    if (selectionShown) selection = std::move(m_aSelSamples);  // the views read it until here
    DeleteContents();
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
    // Playback goes on with the new size; it keeps looping when the loop button says so, so
    // that the button and the sound agree. Started after the rebuild, which resets running displays.
    if (wasPlaying) {
        StartPlayback(IsLooping());
    } else if (selectionShown) {
        m_aSelSamples = std::move(selection);
        m_bWaveletInput = waveletInput;
        if (IsModuleOpen(Module::FFT) || IsModuleOpen(Module::Sono) || IsModuleOpen(Module::Notenbild) ||
            IsModuleOpen(Module::Zeitreihe))
            ComputeSpectrum(selectionPoints);
        if (IsModuleOpen(Module::Wavelet)) ComputeWaveletTransform();
        m_nSpectrumPoints = selectionPoints;
        UpdateAllViews(kHintSelectionSpectrum);
    } else if (positionShown && FillPositionBlock(*this, m_nPlayPos)) {
        ComputeSpectrum(m_nFFTPoints);
        UpdateAllViews(kHintSpectrum);
    }
}

void CKalvoDoc::SetFftPoints(int points) {
    if (m_nFFTPoints == points) return;
    m_nFFTPoints = points;
    if (IsWaveLoaded() && m_nSelStart != m_nSelEnd) OnSelectionChanged(m_nSelStart, m_nSelEnd);
}

void CKalvoDoc::CollectWindowState(CKalvoSettings& settings) {
    settings.IniDokumentNumFFTPoints = m_nFFTPoints;
    settings.IniDokumentPlayFile = m_strFileName;
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* view : views) view->CollectWindowState(settings);
}

// ---------------------------------------------------------------------------------------
// Playback

void CKalvoDoc::SetAudioDevices(AudioInputDevice* input, AudioOutputDevice* output) {
    if (IsListening()) StopListening();
    m_tones.clear();  // they belong to the output that goes
    m_input = input;
    m_output = output;
}

bool CKalvoDoc::Beep(double frequency, int ms) {
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

void CKalvoDoc::OnPlay() {
    if (IsBusy() || !IsWaveLoaded() || !m_pSound) return;
    const std::uint32_t width = static_cast<std::uint32_t>(std::max(m_pSound->Bits() / 8, 1));
    // Outside the selection: start at its beginning.
    const bool selection = m_nSelStart != m_nSelEnd;
    if ((selection && m_nPlayPos > m_nSelEnd) || m_nPlayPos < m_nSelStart) {
        std::uint32_t start = m_nSelStart * width;
        start -= start % width;
        m_pSound->SetCurrentPosition(start);
        m_nPlayPos = m_nSelStart;
    }
    StartPlayback(IsLooping());
}

void CKalvoDoc::StartPlayback(bool loop) {
    m_nSpectrumPoints = 0;
    if (!m_pSound->Play(loop)) m_ui->Message(61499, MessageIcon::Exclamation);
    m_activity.SetPlaying(true);
    UpdateAllViews(kHintPlayStarted);
}

void CKalvoDoc::OnStopPlaying() {
    if (m_pSound && m_pSound->IsPlaying()) m_pSound->Stop();
    m_activity.SetPlaying(false);
    UpdateAllViews(kHintRebuild);
}

void CKalvoDoc::OnLoop() {
    if (IsPlaying()) return;
    m_activity.SetLooping(!IsLooping());
}

void CKalvoDoc::OnBackToStart() {
    if (IsPlaying() && m_pSound) {
        // The music goes on from the start of what is playing (the marked stretch, else the sound);
        // the spectrum follows at once and the caret at the next tick of the play timer.
        const std::uint32_t width = static_cast<std::uint32_t>(std::max(m_pSound->Bits() / 8, 1));
        SetPlayPosition(m_nSelStart * width);
        PlaybackUpdate(m_nSelStart * width);
        return;
    }
    if (m_pSound) m_pSound->Reset();
    m_nPlayPos = 0;
    UpdateAllViews(kHintRebuild);
}

void CKalvoDoc::SetPlayPosition(std::uint32_t byte) {
    if (!m_pSound) return;
    const std::uint32_t width = static_cast<std::uint32_t>(std::max(m_pSound->Bits() / 8, 1));
    byte -= byte % width;
    m_pSound->SetCurrentPosition(byte);
    m_nPlayPos = byte / width;
}

void CKalvoDoc::PlaybackUpdate(std::uint32_t cursorBytes) {
    const int playBits = PlaysReducedCopy() ? m_nPlayBits : m_nBitsPerSample;
    const std::uint32_t p = playBits == 16 ? cursorBytes / 2 : cursorBytes;
    m_nPlayPos = p;
    if (!FillPositionBlock(*this, p)) return;
    m_aSpectrum.clear();
    ComputeSpectrum(m_nFFTPoints);
    const bool selection = m_nSelStart != m_nSelEnd;
    if ((selection && m_nPlayPos > m_nSelEnd) || m_nPlayPos < m_nSelStart) {
        if (IsLooping() && m_pSound) {
            m_pSound->SetCurrentPosition(m_nSelStart * static_cast<std::uint32_t>(std::max(playBits / 8, 1)));
            m_nPlayPos = m_nSelStart;
        } else {
            OnStopPlaying();
        }
    }
    UpdateAllViews(kHintSpectrum);
}

bool CKalvoDoc::PlaybackTick(std::uint32_t* cursor) {
    if (!IsPlaying() || !m_pSound) return false;
    std::uint32_t position = 0;
    if (!m_pSound->GetCurrentPosition(&position)) {
        m_ui->Message(61505, MessageIcon::Exclamation);
        position = m_nPlayPos;
    }
    PlaybackUpdate(position);
    if (cursor) {
        std::uint32_t now = position;
        m_pSound->GetCurrentPosition(&now);
        *cursor = now;
    }
    if (IsPlaying() && !m_pSound->IsPlaying()) {
        m_pSound->Reset();
        m_activity.SetPlaying(false);
        return false;
    }
    return IsPlaying();
}

// ---------------------------------------------------------------------------------------
// Listening and recording

namespace {

// Waits on the capture thread until the user-interface thread has taken the block, at most 1000 ms.
struct HandOverSlot {
    std::mutex mutex;
    std::condition_variable done;
    int state = 0;  // 0 waiting, 1 taken, 2 given up
};

}  // namespace

WaveFormat CKalvoDoc::CaptureFormatOfIndex(int index) {
    static constexpr std::uint32_t kRates[10] = {8000,  11025, 22050, 32000, 44100,
                                                 48000, 64000, 88200, 96000, 192000};
    index = std::clamp(index, 0, 19);
    return WaveFormat::MonoPcm(kRates[index / 2], static_cast<std::uint16_t>(index % 2 ? 16 : 8));
}

QString CKalvoDoc::RecordingPath() {
    return ProgramFolder() + QStringLiteral("Aufnahme.wav");
}

void CKalvoDoc::OnListen() {
    if (!IsListening()) StartListening(false);
    // Whatever was recorded while listening becomes the sound on screen, so it is not lost from view.
    else if (m_capture && m_capture->RecordingOpened())
        FinishRecording();
    else
        StopListening();
}

void CKalvoDoc::OnRecordMusic() {
    if (!IsListening())
        StartListening(true);
    else
        FinishRecording();
}

void CKalvoDoc::FinishRecording() {
    if (IsRecording()) OnStopRecording();
    StopListening();
    BusyCursor busy(*m_ui);
    m_strFileName = RecordingPath();
    LoadWave(RecordingPath());
    if (IsWaveLoaded()) SetTitle(QFileInfo(RecordingPath()).fileName());
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void CKalvoDoc::OnRecord() {
    if (!IsListening() || IsRecording()) return;
    if (m_capture) m_capture->ResumeRecording();  // after a failed write: try again
    m_activity.SetRecording(true);
    NotifyStatus();
}

void CKalvoDoc::OnStopRecording() {
    if (!IsRecording()) return;
    m_activity.SetRecording(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    NotifyStatus();
}

void CKalvoDoc::StartListening(bool recordMusic) {
    if (IsListening()) return;
    m_bStopListeningRequested = false;
    if (IsWaveLoaded()) {
        if (IsPlaying()) OnStopPlaying();
        RemoveWave();
    }
    m_nSpectrumPoints = 0;
    if (!CaptureFormatChosen()) {
        m_captureFormat = CaptureFormatOfIndex(9);
        WriteWaveParametersInVariables(m_captureFormat);
        UpdateAllViews(kHintRebuild);
        NotifyStatus();
    }
    if (!m_input) {
        m_ui->Message(61451, MessageIcon::Exclamation);
        return;
    }
    if (recordMusic) {
        m_activity.SetRecording(true);
    }
    WriteWaveParametersInVariables(m_captureFormat);
    m_activity.SetListening(true);

    CCaptureThread::Parameters params;
    params.input = m_input;
    params.format.rate = m_captureFormat.samplesPerSec;
    params.format.bits = m_captureFormat.bitsPerSample;
    params.format.channels = 1;
    params.recordPath = RecordingPath();
    params.listening = &m_activity.ListeningFlag();
    params.recording = &m_activity.RecordingFlag();
    // The block is handed to this thread through its event loop; the capture thread waits for
    // it at most 1000 ms and drops it then, so a busy window never stalls the capture.
    params.handOver = [this](const std::vector<double>& block, const QString& recordPath) {
        auto slot = std::make_shared<HandOverSlot>();
        auto copy = std::make_shared<std::vector<double>>(block);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, slot, copy, recordPath] {
                {
                    std::lock_guard lock(slot->mutex);
                    if (slot->state != 0) return;  // given up: the block is stale
                    slot->state = 1;
                }
                slot->done.notify_one();
                if (IsListening()) OnCaptureBlock(*copy, recordPath.isEmpty() ? Str(61548) : recordPath);
            },
            Qt::QueuedConnection);
        // Waits in short steps, so that stopping (which waits for this thread) is never held up.
        std::unique_lock lock(slot->mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (slot->state != 1 && IsListening() && std::chrono::steady_clock::now() < deadline)
            slot->done.wait_for(lock, std::chrono::milliseconds(10));
        const bool taken = slot->state == 1;
        if (!taken) slot->state = 2;
        return taken;
    };
    params.failure = [this](int message) {
        // The capture ends; the window is told on its own thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, message] {
                m_ui->Message(message, MessageIcon::Exclamation);
                if (IsListening()) StopListening();
            },
            Qt::QueuedConnection);
    };
    params.recordingFailed = [this](const QString& path) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, path] {
                // Recording ends with what was written; the live view goes on.
                if (IsRecording()) OnStopRecording();
                m_ui->Message(63414, MessageIcon::Exclamation, QDir::toNativeSeparators(path));
            },
            Qt::QueuedConnection);
    };
    params.recordLimitBytes = m_nRecordLimitBytes;
    if (!m_capture) m_capture = std::make_unique<CCaptureThread>();
    m_capture->Start(std::move(params));
    emit m_activity.SoundFormatTaken(false);
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void CKalvoDoc::StopListening() {
    if (IsWaveLoaded()) RemoveWave();
    m_activity.SetListening(false);
    m_activity.SetRecording(false);
    if (m_capture) m_capture->Stop();
    NotifyStatus();
    UpdateAllViews(kHintRebuild);
}

void CKalvoDoc::OnWaveFormat() {
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
        m_ui->Message(61510, MessageIcon::Exclamation);
        return;
    }
    const std::optional<int> chosen = m_ui->ChooseFromList(Str(63400), names);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(usable.size())) return;
    m_captureFormat = CaptureFormatOfIndex(usable[static_cast<std::size_t>(*chosen)]);
}
