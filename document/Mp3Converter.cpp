#include "document/Mp3Converter.h"

#include <sndfile.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "document/PartFile.h"
#include "document/RiffWave.h"
#include "document/SoundDocument.h"
#include "document/WaveFormat.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"

namespace {

// String numbers of the texts below.
constexpr int kTextProgress = 63300;
constexpr int kTextProgressStart = 63301;
constexpr int kTextProgressUnknown = 63302;
constexpr int kTextDays = 63303;
constexpr int kTextHours = 63304;
constexpr int kTextMinutes = 63305;
constexpr int kTextSeconds = 63306;
constexpr int kTextMilliseconds = 63307;
constexpr int kTextMp3Format = 63308;

constexpr int kMsgInputNotFound = 61483;
constexpr int kMsgCannotDecode = 61484;
constexpr int kMsgConvertFailed = 61504;
constexpr int kMsgSourceNotOpened = 61500;
constexpr int kMsgEmptyWave = 61496;

constexpr sf_count_t kBlockFrames = 8192;
constexpr qint64 kReportIntervalMs = 250;
constexpr int kReportSteps = 20;  // besides the time, every 5 % of the frames

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

constexpr std::array<int, 9> kMp3Rates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

void PutS16(std::uint8_t* p, short v) {
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

// One sample of a wave file as a 32-bit full-scale value.
std::int32_t SampleAsInt32(const std::uint8_t* p, int bits, bool isFloat) {
    if (isFloat) {
        double x = 0.0;
        if (bits == 32) {
            float f;
            std::memcpy(&f, p, 4);
            x = f;
        } else {
            std::memcpy(&x, p, 8);
        }
        if (!std::isfinite(x)) x = 0.0;
        return static_cast<std::int32_t>(std::lround(std::clamp(x, -1.0, 1.0) * 2147483647.0));
    }
    switch (bits) {
        case 8:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] ^ 0x80u) << 24);
        case 16:
            return static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 16) |
                                             (static_cast<std::uint32_t>(p[1]) << 24));
        case 24:
            return static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                             (static_cast<std::uint32_t>(p[1]) << 16) |
                                             (static_cast<std::uint32_t>(p[2]) << 24));
        default:
            return static_cast<std::int32_t>(
                static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
    }
}

QString Percent(double percent) {
    QString text = QString::number(percent, 'f', 2);
    if (CurrentLanguage() == Language::German) text.replace(u'.', u',');
    return text;
}

}  // namespace

bool Mp3Converter::IsCompressedSoundFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("mp3") || suffix == QLatin1String("flac") ||
           suffix == QLatin1String("ogg") || suffix == QLatin1String("oga") ||
           suffix == QLatin1String("opus");
}

QString Mp3Converter::FormatDuration(std::int64_t milliseconds) {
    if (milliseconds <= 0) return Str(kTextSeconds, 0);
    if (milliseconds < 1000) return Str(kTextMilliseconds, static_cast<qlonglong>(milliseconds));
    const qlonglong total = milliseconds / 1000;
    const qlonglong days = total / 86400;
    const qlonglong hours = total / 3600 % 24;
    const qlonglong minutes = total / 60 % 60;
    const qlonglong seconds = total % 60;
    if (days > 0) return Str(kTextDays, days, hours, minutes, seconds);
    if (hours > 0) return Str(kTextHours, hours, minutes, seconds);
    if (minutes > 0) return Str(kTextMinutes, minutes, seconds);
    return Str(kTextSeconds, seconds);
}

QString Mp3Converter::ProgressText(std::int64_t done, std::int64_t total, std::int64_t elapsedMs) {
    const QString elapsed = FormatDuration(elapsedMs);
    if (total < 0) return Str(kTextProgressUnknown, elapsed);
    if (done <= 0 || total == 0) return Str(kTextProgressStart, Percent(0.0), elapsed);
    // A length read from the file's header may be a little short: never beyond 100 %.
    done = std::min(done, total);
    const double percent = 100.0 * static_cast<double>(done) / static_cast<double>(total);
    const auto remaining = static_cast<std::int64_t>(std::llround(
        static_cast<double>(elapsedMs) * static_cast<double>(total - done) / static_cast<double>(done)));
    return Str(kTextProgress, Percent(percent), elapsed, FormatDuration(remaining));
}

int Mp3Converter::Mp3RateFor(int rate) {
    if (std::find(kMp3Rates.begin(), kMp3Rates.end(), rate) != kMp3Rates.end()) return rate;
    if (rate <= kMp3Rates.back()) return 0;
    // Above 48 kHz, as the playback copy does: every group of `factor` samples becomes one.
    for (int factor = 2; factor <= 8; ++factor)
        if (rate % factor == 0 &&
            std::find(kMp3Rates.begin(), kMp3Rates.end(), rate / factor) != kMp3Rates.end())
            return rate / factor;
    return 0;
}

bool Mp3Converter::ConvertMP3toWAV(const QString& source, const QString& waveOut,
                                   const ProgressCallback& progress) {
    if (!QFileInfo(source).isFile()) {
        m_ui.Message(kMsgInputNotFound, MessageIcon::Exclamation);
        return false;
    }
    SF_INFO info{};
    SndFilePtr in(sf_open(QFile::encodeName(source).constData(), SFM_READ, &info));
    if (!in || info.channels < 1 || info.samplerate < 1) {
        m_ui.Message(kMsgCannotDecode, MessageIcon::Exclamation);
        return false;
    }
    const bool lengthKnown = info.frames > 0 && info.frames != SF_COUNT_MAX;
    const std::int64_t total = lengthKnown ? info.frames : -1;

    QElapsedTimer clock;
    clock.start();
    qint64 lastReportMs = 0;
    int lastStep = 0;
    const auto report = [&](std::int64_t done, bool always) {
        if (!progress) return;
        const qint64 ms = clock.elapsed();
        const int step = lengthKnown ? static_cast<int>(std::min(done, total) * kReportSteps / total) : 0;
        if (!always && ms - lastReportMs < kReportIntervalMs && step == lastStep) return;
        lastReportMs = ms;
        lastStep = step;
        progress(ProgressText(done, total, ms));
    };
    report(0, true);

    const std::unique_ptr<QTemporaryFile> part = MakePartFile(waveOut);
    RiffWave out;
    WaveFormat format;
    format.channels = static_cast<std::uint16_t>(info.channels);
    format.samplesPerSec = static_cast<std::uint32_t>(info.samplerate);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<std::uint16_t>(2 * info.channels);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    if (!part || info.channels > 0xFFFF / 2 ||
        out.Open(part->fileName(), &format, RiffWave::Mode::Write) != RiffWave::Status::Success) {
        m_ui.Message(kMsgConvertFailed, MessageIcon::Exclamation);
        return false;
    }

    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<short> samples(static_cast<std::size_t>(kBlockFrames) * channels);
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::int64_t done = 0;
    bool ok = true;
    for (;;) {
        const sf_count_t frames = sf_readf_short(in.get(), samples.data(), kBlockFrames);
        if (frames <= 0) break;
        const std::size_t count = static_cast<std::size_t>(frames) * channels;
        for (std::size_t i = 0; i < count; ++i) PutS16(&bytes[2 * i], samples[i]);
        if (out.Write(static_cast<std::uint32_t>(2 * count), bytes.data(), nullptr) !=
            RiffWave::Status::Success) {
            ok = false;  // a full disk, or more than a wave file can hold
            break;
        }
        done += frames;
        report(done, false);
    }
    ok = ok && sf_error(in.get()) == SF_ERR_NO_ERROR;
    const bool closed = out.Close() == RiffWave::Status::Success;
    if (ok && done == 0) {
        // The decoder recognised the file but found no sound in it.
        m_ui.Message(kMsgCannotDecode, MessageIcon::Exclamation);
        return false;
    }
    if (!ok || !closed || !CommitPartFile(*part, waveOut)) {
        m_ui.Message(kMsgConvertFailed, MessageIcon::Exclamation);
        return false;
    }
    report(done, true);
    return true;
}

bool Mp3Converter::ConvertWAVtoMP3(const QString& mp3Path, const QString& waveSource) {
    BusyCursor busy(m_ui);
    RiffWave in;
    WaveFormat format;
    if (in.Open(waveSource, &format, RiffWave::Mode::Read) != RiffWave::Status::Success) {
        m_ui.Message(kMsgSourceNotOpened, MessageIcon::Information, waveSource);
        return false;
    }
    const std::uint16_t tag = format.EffectiveTag();
    const bool isFloat = tag == WaveFormat::kIeeeFloat;
    const int bits = format.bitsPerSample;
    const bool codingKnown =
        (tag == WaveFormat::kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
        (isFloat && (bits == 32 || bits == 64));
    if (!codingKnown || format.channels == 0 || format.blockAlign != format.channels * (bits / 8)) {
        m_ui.Message(kMsgConvertFailed, MessageIcon::Exclamation);
        return false;
    }
    const int rate = static_cast<int>(format.samplesPerSec);
    const int mp3Rate = Mp3RateFor(rate);
    if (mp3Rate == 0 || format.channels > 2) {
        m_ui.Message(kTextMp3Format, MessageIcon::Exclamation, rate, static_cast<int>(format.channels));
        return false;
    }
    const std::uint32_t frameBytes = format.blockAlign;
    const std::uint32_t frames = in.GetSize() / frameBytes;
    if (frames == 0) {
        m_ui.Message(kMsgEmptyWave, MessageIcon::Exclamation);
        return false;
    }

    const std::unique_ptr<QTemporaryFile> part = MakePartFile(mp3Path);
    SF_INFO info{};
    info.samplerate = mp3Rate;
    info.channels = format.channels;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SndFilePtr out(part ? sf_open(QFile::encodeName(part->fileName()).constData(), SFM_WRITE, &info)
                        : nullptr);
    if (!out) {
        m_ui.Message(kMsgConvertFailed, MessageIcon::Exclamation);
        return false;
    }
    // Variable bit rate at the best quality: the spectra of the file should survive the trip.
    int mode = SF_BITRATE_MODE_VARIABLE;
    sf_command(out.get(), SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    double level = 0.0;
    sf_command(out.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);

    const auto factor = static_cast<std::uint32_t>(rate / mp3Rate);
    const std::size_t channels = format.channels;
    const std::uint32_t blockFrames =
        static_cast<std::uint32_t>(kBlockFrames) * factor;  // whole groups per block
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(blockFrames) * frameBytes);
    std::vector<int> samples(static_cast<std::size_t>(kBlockFrames) * channels);
    bool ok = true;
    for (std::uint32_t start = 0; ok && start < frames; start += blockFrames) {
        const std::uint32_t n = std::min(blockFrames, frames - start);
        std::uint32_t read = 0;
        if (in.Read(bytes.data(), n * frameBytes, &read) != RiffWave::Status::Success ||
            read != n * frameBytes) {
            ok = false;
            break;
        }
        // The mean of each group of `factor` frames; a short last group is averaged as it is.
        const std::uint32_t groups = (n + factor - 1) / factor;
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::uint32_t first = g * factor;
            const std::uint32_t count = std::min(factor, n - first);
            for (std::size_t c = 0; c < channels; ++c) {
                std::int64_t sum = 0;
                for (std::uint32_t k = 0; k < count; ++k)
                    sum += SampleAsInt32(
                        &bytes[(first + k) * static_cast<std::size_t>(frameBytes) + c * (bits / 8)], bits,
                        isFloat);
                samples[g * channels + c] = static_cast<int>(sum / count);
            }
        }
        ok = sf_writef_int(out.get(), samples.data(), groups) == groups;
    }
    // Closing flushes the encoder: its result counts as much as every write.
    ok = sf_close(out.release()) == 0 && ok;
    in.Close();
    if (!ok || !CommitPartFile(*part, mp3Path)) {
        m_ui.Message(kMsgConvertFailed, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

void InstallSoundFileConversion(SoundDocument& doc) {
    doc.SetMp3Converter([&doc](const QString& source, const QString& waveOut) {
        Mp3Converter converter(doc.Ui());
        return converter.ConvertMP3toWAV(source, waveOut,
                                         [&doc](const QString& text) { doc.ShowProgress(text); });
    });
}
