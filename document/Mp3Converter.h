#pragma once
// Turns compressed sound files (MP3, FLAC, Ogg Vorbis, Opus) into 16-bit PCM wave files of
// our own layout, and wave files into MP3, through libsndfile. Every failure is told to the
// user with one message naming its cause; an output file is either complete or not there.

#include <QString>
#include <cstdint>
#include <functional>

class SoundDocument;
class UserInterface;

class Mp3Converter {
public:
    // Receives the progress text while a file is decoded.
    using ProgressCallback = std::function<void(const QString& text)>;

    explicit Mp3Converter(UserInterface& ui) : m_ui(ui) {}

    // Decodes source into a 16-bit PCM wave file with the source's channels and rate.
    bool ConvertMP3toWAV(const QString& source, const QString& waveOut,
                         const ProgressCallback& progress = {});
    // Encodes a PCM (or float) wave file of one or two channels into an MP3 file.
    bool ConvertWAVtoMP3(const QString& mp3Path, const QString& waveSource);

    // True for the file name endings that go through this converter (.mp3, .flac, .ogg, .oga, .opus).
    static bool IsCompressedSoundFile(const QString& path);
    // "2 days 3 h 4 min 5 sec", "3 h 4 min 5 sec", "4 min 5 sec", "5 sec", "250 msec", "0 sec".
    static QString FormatDuration(std::int64_t milliseconds);
    // The progress text after done of total frames and elapsed milliseconds; total < 0 when
    // the length of the source is not known.
    static QString ProgressText(std::int64_t done, std::int64_t total, std::int64_t elapsedMs);
    // The sample rate an MP3 file gets for a wave of this rate (the rate itself, or an
    // integer fraction of a higher one); 0 when MP3 cannot carry it.
    static int Mp3RateFor(int rate);

private:
    UserInterface& m_ui;
};

// Lets the document open compressed sound files: the progress of the decoding goes into the
// document's progress text and the progress box.
void InstallSoundFileConversion(SoundDocument& doc);
