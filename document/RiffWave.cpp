#include "document/RiffWave.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutU32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutU16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

struct ChunkHeader {
    char id[4];
    std::uint32_t size;
    qint64 bodyPos;
};

// Finds the first chunk of an id in [from, end); sizes that run past the end stay as read.
bool FindChunk(QFile& file, const char* id, qint64 from, qint64 end, ChunkHeader* found) {
    qint64 pos = from;
    while (pos + 8 <= end) {
        unsigned char header[8];
        if (!file.seek(pos) || file.read(reinterpret_cast<char*>(header), 8) != 8) return false;
        const std::uint32_t size = U32(header + 4);
        if (std::memcmp(header, id, 4) == 0) {
            std::memcpy(found->id, header, 4);
            found->size = size;
            found->bodyPos = pos + 8;
            return true;
        }
        // Bodies of odd length are followed by a pad byte.
        pos += 8 + static_cast<qint64>(size) + (size & 1u);
    }
    return false;
}

}  // namespace

RiffWave::~RiffWave() {
    Close();
}

RiffWave::Status RiffWave::Open(const QString& path, WaveFormat* format, Mode mode) {
    if (m_file.isOpen()) Close();
    m_mode = mode;
    if (mode == Mode::Write) {
        if (!format) return Status::InvalidArgument;
        return OpenWrite(path, *format);
    }
    const Status status = OpenRead(path);
    if (status != Status::Success) {
        m_file.close();
        return status;
    }
    if (format) *format = m_format;
    return status;
}

RiffWave::Status RiffWave::OpenRead(const QString& path) {
    m_file.setFileName(path);
    // Unbuffered: the data is read in one piece straight into the sample store.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && !m_file.open(QIODevice::ReadOnly))
        return Status::Failure;
    const qint64 fileSize = m_file.size();
    unsigned char riff[12];
    if (m_file.read(reinterpret_cast<char*>(riff), 12) != 12) return Status::Failure;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return Status::Failure;
    // The RIFF size is not trusted either way: streaming writers leave it unset or too large.
    const qint64 riffEnd = fileSize;

    ChunkHeader fmt{};
    if (!FindChunk(m_file, "fmt ", 12, riffEnd, &fmt)) return Status::Failure;
    if (fmt.size < 16 || fmt.bodyPos + static_cast<qint64>(fmt.size) > fileSize) return Status::Failure;
    std::array<unsigned char, 18> record{};
    const qint64 head = std::min<qint64>(fmt.size, 18);
    if (!m_file.seek(fmt.bodyPos) || m_file.read(reinterpret_cast<char*>(record.data()), head) != head)
        return Status::Failure;
    WaveFormat f;
    f.formatTag = U16(&record[0]);
    f.channels = U16(&record[2]);
    f.samplesPerSec = U32(&record[4]);
    f.avgBytesPerSec = U32(&record[8]);
    f.blockAlign = U16(&record[12]);
    f.bitsPerSample = U16(&record[14]);
    f.extraSize = 0;
    if (f.formatTag != WaveFormat::kPcm && fmt.size >= 18) {
        // Extra bytes beyond the chunk are not there: take what the chunk holds.
        f.extraSize = static_cast<std::uint16_t>(std::min<std::uint32_t>(U16(&record[16]), fmt.size - 18));
        f.extra.resize(f.extraSize);
        if (f.extraSize > 0 && m_file.read(reinterpret_cast<char*>(f.extra.data()), f.extraSize) !=
                                   static_cast<qint64>(f.extraSize))
            return Status::Failure;
    }
    m_format = std::move(f);

    ChunkHeader data{};
    if (!FindChunk(m_file, "data", 12, riffEnd, &data)) return Status::Failure;
    m_dataStart = data.bodyPos;
    m_dataSize =
        static_cast<std::uint32_t>(std::min<qint64>(data.size, std::max<qint64>(0, fileSize - data.bodyPos)));
    return ResetFile();
}

RiffWave::Status RiffWave::OpenWrite(const QString& path, const WaveFormat& format) {
    m_file.setFileName(path);
    // Unbuffered, so that a full disk shows in the Write that meets it, not in a later flush.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return Status::Failure;
    m_format = format;
    const bool pcm = format.formatTag == WaveFormat::kPcm;
    const std::uint32_t fmtSize = pcm ? 16u : 18u + format.extraSize;
    std::vector<unsigned char> header(12 + 8 + fmtSize + (fmtSize & 1u) + 12 + 8, 0);
    unsigned char* p = header.data();
    std::memcpy(p, "RIFF", 4);
    PutU32(p + 4, 0);
    std::memcpy(p + 8, "WAVE", 4);
    p += 12;
    std::memcpy(p, "fmt ", 4);
    PutU32(p + 4, fmtSize);
    PutU16(p + 8, format.formatTag);
    PutU16(p + 10, format.channels);
    PutU32(p + 12, format.samplesPerSec);
    PutU32(p + 16, format.avgBytesPerSec);
    PutU16(p + 20, format.blockAlign);
    PutU16(p + 22, format.bitsPerSample);
    if (!pcm) {
        PutU16(p + 24, format.extraSize);
        std::copy_n(format.extra.begin(), std::min<std::size_t>(format.extra.size(), format.extraSize),
                    p + 26);
    }
    p += 8 + fmtSize + (fmtSize & 1u);
    std::memcpy(p, "fact", 4);
    PutU32(p + 4, 4);
    PutU32(p + 8, 0xFFFFFFFFu);
    m_factValuePos = p + 8 - header.data();
    p += 12;
    std::memcpy(p, "data", 4);
    PutU32(p + 4, 0);
    if (m_file.write(reinterpret_cast<const char*>(header.data()), static_cast<qint64>(header.size())) !=
        static_cast<qint64>(header.size())) {
        m_file.close();
        return Status::Failure;
    }
    m_dataStart = static_cast<qint64>(header.size());
    m_dataSize = 0;
    return Status::Success;
}

RiffWave::Status RiffWave::ResetFile() {
    if (!m_file.isOpen()) return Status::NotOpen;
    if (m_mode == Mode::Write) {
        // Start the data chunk afresh.
        m_dataSize = 0;
        if (!m_file.resize(m_dataStart) || !m_file.seek(m_dataStart)) return Status::Failure;
        return Status::Success;
    }
    m_left = m_dataSize;
    return m_file.seek(m_dataStart) ? Status::Success : Status::Failure;
}

RiffWave::Status RiffWave::Read(void* buffer, std::uint32_t count, std::uint32_t* read) {
    if (read) *read = 0;
    if (!m_file.isOpen() || m_mode != Mode::Read) return Status::NotOpen;
    if (!buffer && count > 0) return Status::InvalidArgument;
    const std::uint32_t want = std::min(count, m_left);
    auto* out = static_cast<char*>(buffer);
    std::uint32_t got = 0;
    while (got < want) {
        const qint64 n = m_file.read(out + got, want - got);
        if (n <= 0) break;
        got += static_cast<std::uint32_t>(n);
    }
    m_left -= got;
    if (read) *read = got;
    return got == want ? Status::Success : Status::Failure;
}

RiffWave::Status RiffWave::Write(std::uint32_t count, const void* bytes, std::uint32_t* written) {
    if (written) *written = 0;
    if (!m_file.isOpen() || m_mode != Mode::Write) return Status::NotOpen;
    if (!bytes && count > 0) return Status::InvalidArgument;
    if (static_cast<std::uint64_t>(m_dataSize) + count > 0xFFFFFFFEull - m_dataStart) return Status::Failure;
    const qint64 n = m_file.write(static_cast<const char*>(bytes), count);
    if (n != static_cast<qint64>(count)) {
        // A torn write is taken back: the file ends after the last whole write, as its sizes will say.
        const qint64 end = m_dataStart + m_dataSize;
        m_file.resize(end);
        m_file.seek(end);
        return Status::Failure;
    }
    m_dataSize += count;
    if (written) *written = count;
    return Status::Success;
}

bool RiffWave::WriteU32At(qint64 pos, std::uint32_t value) {
    unsigned char b[4];
    PutU32(b, value);
    return m_file.seek(pos) && m_file.write(reinterpret_cast<const char*>(b), 4) == 4;
}

RiffWave::Status RiffWave::UpdateSizes() {
    if (!m_file.isOpen() || m_mode != Mode::Write) return Status::NotOpen;
    const qint64 end = m_dataStart + m_dataSize;
    const qint64 fileLength = end + (m_dataSize & 1u);
    const bool ok = WriteU32At(4, static_cast<std::uint32_t>(fileLength - 8)) &&
                    WriteU32At(m_dataStart - 4, m_dataSize) && m_file.seek(end) && m_file.flush();
    return ok ? Status::Success : Status::Failure;
}

RiffWave::Status RiffWave::Close() {
    if (!m_file.isOpen()) return Status::NotOpen;
    bool ok = true;
    if (m_mode == Mode::Write) {
        const qint64 end = m_dataStart + m_dataSize;
        if (m_dataSize & 1u) ok = m_file.seek(end) && m_file.write("\0", 1) == 1;
        ok = ok && m_file.resize(end + (m_dataSize & 1u));
        ok = ok && WriteU32At(m_factValuePos, 0) && UpdateSizes() == Status::Success;
    }
    m_file.close();
    return ok ? Status::Success : Status::Failure;
}
