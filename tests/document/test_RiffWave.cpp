#include <sys/resource.h>

#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <csignal>

#include "document/RiffWave.h"
#include "tests/support/WaveBytes.h"

using namespace test;

namespace {

struct OpenCase {
    const char* name;
    QByteArray bytes;
    bool opens;
    std::uint32_t dataSize;
};

}  // namespace

TEST(RiffWave, OpensWhatItShouldAndRefusesBrokenHeaders) {
    const QByteArray fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const QByteArray data = Chunk("data", Pcm16({1, 2, 3}));
    const QByteArray list = Chunk("LIST", QByteArray("INFOabc"));  // odd body, padded
    const QByteArray wave = Riff(fmt + data);
    const std::vector<OpenCase> cases = {
        {"plain", wave, true, 6},
        {"LIST before fmt", Riff(list + fmt + data), true, 6},
        {"LIST between fmt and data", Riff(fmt + list + data), true, 6},
        {"data before fmt", Riff(data + fmt), true, 6},
        {"18-byte fmt for PCM", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, 0)) + data), true, 6},
        {"odd data with pad byte", Riff(fmt + Chunk("data", QByteArray("\x01\x02\x03", 3))), true, 3},
        {"sizes left unset by a streaming writer",
         Riff(fmt + Chunk("data", Pcm16({1, 2}), 0xFFFFFFFF), 0xFFFFFFFF), true, 4},
        {"data size past the end", Riff(fmt + Chunk("data", Pcm16({1, 2, 3, 4}), 1000)), true, 8},
        {"zero-length data", Riff(fmt + Chunk("data", QByteArray())), true, 0},
        {"empty file", QByteArray(), false, 0},
        {"truncated header", wave.left(10), false, 0},
        {"text renamed .wav", QByteArray("Hello, this is no sound at all.\n"), false, 0},
        {"not WAVE", QByteArray("RIFF\x10\0\0\0AVI ", 12) + fmt, false, 0},
        {"no fmt", Riff(data), false, 0},
        {"fmt shorter than 16", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16).left(14)) + data), false, 0},
        {"fmt running past the end", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16), 400)), false, 0},
        {"no data", Riff(fmt + list), false, 0},
        {"fmt cut by the end of the file", wave.left(12 + 8 + 10), false, 0},
    };
    QTemporaryDir dir;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("case.wav"));
        ASSERT_TRUE(WriteFile(path, c.bytes));
        RiffWave file;
        WaveFormat format;
        const bool opened = file.Open(path, &format, RiffWave::Mode::Read) == RiffWave::Status::Success;
        EXPECT_EQ(opened, c.opens);
        if (!opened) continue;
        EXPECT_EQ(file.GetSize(), c.dataSize);
        EXPECT_EQ(format.bitsPerSample, 16);
        std::vector<char> buffer(c.dataSize + 16);
        std::uint32_t read = 0;
        EXPECT_EQ(file.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &read),
                  RiffWave::Status::Success);
        EXPECT_EQ(read, c.dataSize);  // never more than the chunk holds
    }
}

TEST(RiffWave, WritesAFileThatReadsBackWithFactZeroAndPaddedOddData) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.wav"));
    WaveFormat format = WaveFormat::MonoPcm(11025, 8);
    {
        RiffWave out;
        ASSERT_EQ(out.Open(path, &format, RiffWave::Mode::Write), RiffWave::Status::Success);
        std::uint32_t written = 0;
        ASSERT_EQ(out.Write(3, "\x80\x81\x7f", &written), RiffWave::Status::Success);
        EXPECT_EQ(written, 3u);
        ASSERT_EQ(out.Close(), RiffWave::Status::Success);
    }
    const QByteArray bytes = ReadFile(path);
    EXPECT_EQ(bytes.mid(36, 4), QByteArray("fact"));
    EXPECT_EQ(U32At(bytes, 44), 0u);
    EXPECT_EQ(bytes.mid(48, 4), QByteArray("data"));
    EXPECT_EQ(U32At(bytes, 52), 3u);
    EXPECT_EQ(bytes.size(), 56 + 4);  // three data bytes and a pad byte
    EXPECT_EQ(U32At(bytes, 4), static_cast<std::uint32_t>(bytes.size() - 8));

    RiffWave in;
    WaveFormat read;
    ASSERT_EQ(in.Open(path, &read, RiffWave::Mode::Read), RiffWave::Status::Success);
    EXPECT_EQ(read.samplesPerSec, 11025u);
    EXPECT_EQ(read.bitsPerSample, 8);
    EXPECT_EQ(read.blockAlign, 1);
    EXPECT_EQ(read.avgBytesPerSec, 11025u);
    EXPECT_EQ(in.GetSize(), 3u);
}

TEST(RiffWave, SizesBroughtUpToDateWhileWritingMakeAValidFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.wav"));
    WaveFormat format = WaveFormat::MonoPcm(8000, 16);
    RiffWave out;
    ASSERT_EQ(out.Open(path, &format, RiffWave::Mode::Write), RiffWave::Status::Success);
    const QByteArray samples = Pcm16({5, 6, 7, 8});
    ASSERT_EQ(out.Write(8, samples.constData(), nullptr), RiffWave::Status::Success);
    ASSERT_EQ(out.UpdateSizes(), RiffWave::Status::Success);
    // Read while the writer is still open, as after a crash.
    RiffWave in;
    ASSERT_EQ(in.Open(path, nullptr, RiffWave::Mode::Read), RiffWave::Status::Success);
    EXPECT_EQ(in.GetSize(), 8u);
    ASSERT_EQ(out.Write(2, samples.constData(), nullptr), RiffWave::Status::Success);
    EXPECT_EQ(out.Close(), RiffWave::Status::Success);
}

TEST(RiffWave, RejectsCallsOnFilesThatAreNotOpen) {
    RiffWave wave;
    EXPECT_EQ(wave.Open(QStringLiteral("/nonexistent/dir/x.wav"), nullptr, RiffWave::Mode::Read),
              RiffWave::Status::Failure);
    std::uint32_t n = 7;
    char b[4];
    EXPECT_EQ(wave.Read(b, 4, &n), RiffWave::Status::NotOpen);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(wave.Write(4, b, nullptr), RiffWave::Status::NotOpen);
    EXPECT_EQ(wave.Open(QStringLiteral("x.wav"), nullptr, RiffWave::Mode::Write),
              RiffWave::Status::InvalidArgument);
}

TEST(RiffWave, AWriteThatMeetsAFullDiskIsTakenBackAndTheFileStaysValid) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.wav"));
    // A file size limit makes the write fail part-way, as a full disk does (EFBIG instead of
    // ENOSPC); the signal it raises is ignored, as the write's result tells the failure.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    RiffWave out;
    WaveFormat format = WaveFormat::MonoPcm(8000, 16);
    const std::vector<char> block(600, 7);
    std::uint32_t written = 99;
    const bool opened = out.Open(path, &format, RiffWave::Mode::Write) == RiffWave::Status::Success;
    const RiffWave::Status first = out.Write(600, block.data(), &written);
    const RiffWave::Status second = out.Write(600, block.data(), &written);  // only part of it fits
    const std::uint32_t size = out.GetSize();
    const RiffWave::Status closed = out.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(opened);
    EXPECT_EQ(first, RiffWave::Status::Success);
    EXPECT_EQ(second, RiffWave::Status::Failure);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(size, 600u);
    EXPECT_EQ(closed, RiffWave::Status::Success);
    const QByteArray bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), 56 + 600);
    EXPECT_EQ(U32At(bytes, 4), 48u + 600);
    EXPECT_EQ(U32At(bytes, 52), 600u);
}
