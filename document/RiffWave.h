#pragma once
// Reads and writes RIFF wave files at chunk level.
//
// Reading finds the "fmt " and "data" chunks wherever they stand in the RIFF body and skips
// everything else. Sizes are never trusted beyond the file: streaming writers leave
// 0xFFFFFFFF in "RIFF" and "data", so the data chunk is clamped to the bytes present.
// Writing produces "RIFF"/"WAVE", "fmt ", "fact" and "data"; the sizes are completed on
// Close and can be brought up to date at any time while recording.

#include <QFile>
#include <QString>
#include <cstdint>

#include "document/WaveFormat.h"

class RiffWave {
public:
    enum class Status { Success, Failure, NotOpen, InvalidArgument };
    enum class Mode { Read, Write };

    RiffWave() = default;
    ~RiffWave();
    RiffWave(const RiffWave&) = delete;
    RiffWave& operator=(const RiffWave&) = delete;

    // Read: format may be null; it receives the file's format. Write: format is required.
    // A path beginning with ":/" reads a wave compiled into the program.
    Status Open(const QString& path, WaveFormat* format, Mode mode);
    bool IsOpen() const { return m_file.isOpen(); }
    // The size of the data chunk in bytes (read mode: as far as the file holds it).
    std::uint32_t GetSize() const { return m_dataSize; }
    Status ResetFile();
    Status Read(void* buffer, std::uint32_t count, std::uint32_t* read);
    // All or nothing: a write that fails (full disk, 4 GiB reached) leaves the data as it was.
    Status Write(std::uint32_t count, const void* bytes, std::uint32_t* written);
    // Write mode: writes the current "RIFF" and "data" sizes so the file is valid as it stands.
    Status UpdateSizes();
    Status Close();
    const WaveFormat& Format() const { return m_format; }

private:
    Status OpenRead(const QString& path);
    Status OpenWrite(const QString& path, const WaveFormat& format);
    bool WriteU32At(qint64 pos, std::uint32_t value);

    QFile m_file;
    Mode m_mode = Mode::Read;
    WaveFormat m_format;
    qint64 m_dataStart = 0;        // file offset of the first data byte
    std::uint32_t m_dataSize = 0;  // bytes in the data chunk
    std::uint32_t m_left = 0;      // read mode: bytes still to read
    qint64 m_factValuePos = 0;     // write mode: where the "fact" value stands
};
