#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <variant>

#include "document/WaveLoader.h"
#include "tests/support/WaveBytes.h"

using namespace test;

namespace {

// The little-endian 16-bit samples of a block.
std::vector<int> Samples16(const WaveBlock& block) {
    std::vector<int> out;
    for (std::uint32_t i = 0; i + 1 < block.bytes; i += 2)
        out.push_back(static_cast<std::int16_t>(block.data[i] | (block.data[i + 1] << 8)));
    return out;
}

QByteArray Bytes(std::initializer_list<unsigned> bytes) {
    QByteArray b;
    for (unsigned v : bytes) b.append(static_cast<char>(v));
    return b;
}

template <typename T>
QByteArray Raw(std::initializer_list<T> values) {
    QByteArray b;
    for (T v : values) b.append(reinterpret_cast<const char*>(&v), sizeof v);
    return b;
}

// A format record whose frames are `align` bytes, whatever the bits per sample say.
QByteArray FmtWithAlign(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                        std::uint16_t align) {
    QByteArray b = FmtBody(tag, channels, rate, bits);
    b.replace(8, 4, Raw<std::uint32_t>({align * rate}));
    b.replace(12, 2, Raw<std::uint16_t>({align}));
    return b;
}

// The extensible record of PCM in `bits`-wide words, of which `valid` bits carry the sound.
QByteArray ExtensiblePcm(std::uint16_t bits, std::uint16_t valid) {
    QByteArray b = ExtensibleFmtBody(1, 48000, bits, 1);
    b.replace(18, 2, Raw<std::uint16_t>({valid}));
    return b;
}

class WaveLoaderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("in.wav"));
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
};

}  // namespace

// What a readable file gives: the samples (converted to 16 bit where wider or float), the format after
// the conversion and the width it came from. Expected samples are worked out by hand from the bytes.
TEST_F(WaveLoaderTest, ReadsEachSampleCodingIntoItsBlock) {
    struct Case {
        const char* name;
        QByteArray file;
        std::vector<int> samples;  // as 16-bit words, or the raw bytes of an 8-bit file
        std::uint16_t channels;
        std::uint16_t bits;  // after the conversion
        int convertedFrom;
        bool fromFloat;
        int validBits;  // as the file gives them
    };
    const std::vector<Case> cases = {
        {"8-bit keeps its bytes",
         Wave(1, 8000, 8, Bytes({0x80, 0xff, 0x00})),
         {0x80, 0xff, 0x00},
         1,
         8,
         0,
         false,
         8},
        {"16-bit as it stands",
         Mono16(44100, {0, 32767, -32768, -1}),
         {0, 32767, -32768, -1},
         1,
         16,
         0,
         false,
         16},
        // 0x123456 and -2: the two upper bytes of each sample.
        {"24-bit",
         Wave(1, 96000, 24, Bytes({0x56, 0x34, 0x12, 0xfe, 0xff, 0xff})),
         {0x1234, -1},
         1,
         16,
         24,
         false,
         24},
        // 0.5 * 32767 rounds half away from zero; -1.5 and +inf are clipped, nan becomes silence.
        {"float",
         Riff(Chunk("fmt ", FmtBody(3, 1, 48000, 32, 0)) +
              Chunk("data", Raw<float>({0.5f, -1.5f, INFINITY, NAN}))),
         {16384, -32767, 0, 0},
         1,
         16,
         32,
         true,
         32},
        {"double",
         Riff(Chunk("fmt ", FmtBody(3, 1, 48000, 64, 0)) + Chunk("data", Raw<double>({-0.25, 2.0}))),
         {-8192, 32767},
         1,
         16,
         64,
         true,
         64},
        // Interleaved frames stay interleaved; the torn last frame (one lone sample) is dropped.
        {"stereo", Wave(2, 22050, 16, Pcm16({1, -1, 2, -2, 3})), {1, -1, 2, -2}, 2, 16, 0, false, 16},
        // Samples narrower than their words lie at the top of them: 12-bit 0x123 and -1 are the
        // words 0x1230 and 0xFFF0 (-16), which stand as 16-bit samples.
        {"12 bits in 16-bit words",
         Riff(Chunk("fmt ", FmtWithAlign(1, 1, 8000, 12, 2)) +
              Chunk("data", Bytes({0x30, 0x12, 0xf0, 0xff}))),
         {0x1230, -16},
         1,
         16,
         0,
         false,
         12},
        // 20-bit 0x12345 and -1 in 24-bit words 0x123450 and 0xFFFFF0: their two upper bytes.
        {"20 bits in 24-bit words",
         Riff(Chunk("fmt ", FmtWithAlign(1, 1, 8000, 20, 3)) +
              Chunk("data", Bytes({0x50, 0x34, 0x12, 0xf0, 0xff, 0xff}))),
         {0x1234, -1},
         1,
         16,
         20,
         false,
         20},
        {"extensible, 20 valid bits in 24",
         Riff(Chunk("fmt ", ExtensiblePcm(24, 20)) +
              Chunk("data", Bytes({0x50, 0x34, 0x12, 0xf0, 0xff, 0xff}))),
         {0x1234, -1},
         1,
         16,
         20,
         false,
         20},
        {"extensible, 12 valid bits in 16",
         Riff(Chunk("fmt ", ExtensiblePcm(16, 12)) + Chunk("data", Bytes({0x30, 0x12, 0xf0, 0xff}))),
         {0x1230, -16},
         1,
         16,
         0,
         false,
         12},
        // 24-bit -2 (0xFFFFFE) in a 32-bit word 0xFFFFFE00: the two upper bytes are -1.
        {"24 bits in 32-bit words",
         Riff(Chunk("fmt ", FmtWithAlign(1, 1, 8000, 24, 4)) +
              Chunk("data", Bytes({0x00, 0x56, 0x34, 0x12, 0x00, 0xfe, 0xff, 0xff}))),
         {0x1234, -1},
         1,
         16,
         24,
         false,
         24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveLoader::Result read = WaveLoader::Read(Write(c.file));
        ASSERT_TRUE(std::holds_alternative<WaveBlock>(read));
        const WaveBlock& block = std::get<WaveBlock>(read);
        EXPECT_EQ(block.format.EffectiveTag(), WaveFormat::kPcm);
        EXPECT_EQ(block.format.channels, c.channels);
        EXPECT_EQ(block.format.bitsPerSample, c.bits);
        EXPECT_EQ(block.format.blockAlign, c.channels * c.bits / 8);
        EXPECT_EQ(block.format.avgBytesPerSec, block.format.blockAlign * block.format.samplesPerSec);
        EXPECT_EQ(block.convertedFromBits, c.convertedFrom);
        EXPECT_EQ(block.convertedFromFloat, c.fromFloat);
        EXPECT_EQ(block.validBits, c.validBits);
        if (c.bits == 8) {
            ASSERT_EQ(block.bytes, c.samples.size());
            for (std::size_t i = 0; i < c.samples.size(); ++i) EXPECT_EQ(block.data[i], c.samples[i]);
        } else {
            EXPECT_EQ(Samples16(block), c.samples);
        }
    }
}

// A file that cannot be read says why, with the header value the message names.
TEST_F(WaveLoaderTest, RefusesBrokenFilesWithTheReason) {
    struct Case {
        const char* name;
        QByteArray file;
        WaveLoadError error;
    };
    const std::vector<Case> cases = {
        {"text", QByteArray("not a wave\r\n"), WaveLoadError::CannotOpen},
        {"truncated header", Mono16(8000, {1, 2}).left(20), WaveLoadError::CannotOpen},
        {"ADPCM", Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4, 0)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::NotPcm},
        // 12 bits in words of one byte.
        {"12-bit in 8", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 12)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::BadLayout},
        {"20 valid bits in 16", Riff(Chunk("fmt ", ExtensiblePcm(16, 20)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::BadLayout},
        {"33-bit", Riff(Chunk("fmt ", FmtWithAlign(1, 1, 8000, 33, 5)) + Chunk("data", Pcm16({1, 2, 3}))),
         WaveLoadError::UnsupportedWidth},
        {"rate 1000001", Riff(Chunk("fmt ", FmtBody(1, 1, 1000001u, 16)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::BadSampleRate},
        {"16-bit float", Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 16, 0)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::UnsupportedWidth},
        {"rate 2^31", Riff(Chunk("fmt ", FmtBody(1, 1, 0x80000000u, 16)) + Chunk("data", Pcm16({1}))),
         WaveLoadError::BadSampleRate},
        {"block align",
         Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16).replace(12, 2, "\x03\x00", 2)) +
              Chunk("data", Pcm16({1, 2}))),
         WaveLoadError::BadLayout},
        {"no samples", Mono16(8000, {}), WaveLoadError::NoSamples},
        {"less than one frame", Wave(2, 8000, 16, Pcm16({7})), WaveLoadError::NoSamples},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveLoader::Result read = WaveLoader::Read(Write(c.file));
        ASSERT_TRUE(std::holds_alternative<WaveLoadFailure>(read));
        const WaveLoadFailure& failure = std::get<WaveLoadFailure>(read);
        EXPECT_EQ(failure.error, c.error);
        if (c.error == WaveLoadError::NotPcm) {
            EXPECT_EQ(failure.formatTag, 2);
        }
        if (c.error == WaveLoadError::BadSampleRate) {
            EXPECT_EQ(failure.sampleRate, c.name == std::string("rate 2^31") ? 0x80000000u : 1000001u);
        }
    }
    EXPECT_EQ(std::get<WaveLoadFailure>(WaveLoader::Read(dir.filePath(QStringLiteral("missing.wav")))).error,
              WaveLoadError::CannotOpen);
}

TEST_F(WaveLoaderTest, CopyChannelTakesOneChannelOfARangeOfFrames) {
    // Three channels of 8 bit and two of 16 bit: the channel's bytes, frame after frame.
    const std::uint8_t three[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    WaveFormat f3;
    f3.channels = 3;
    f3.bitsPerSample = 8;
    f3.blockAlign = 3;
    std::uint8_t out[4] = {};
    WaveLoader::CopyChannel(f3, three, 1, 3, 2, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3), (std::vector<std::uint8_t>{6, 9, 12}));
    const QByteArray stereo = Pcm16({100, -100, 200, -200});
    WaveFormat f2;
    f2.channels = 2;
    f2.blockAlign = 4;
    std::uint8_t right[4] = {};
    WaveLoader::CopyChannel(f2, reinterpret_cast<const std::uint8_t*>(stereo.constData()), 0, 2, 1, right);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(right), 4), Pcm16({-100, -200}));
}
