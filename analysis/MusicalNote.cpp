#include "analysis/MusicalNote.h"

#include <array>
#include <cmath>

namespace {

constexpr double kA0 = 27.5;

}  // namespace

std::string NoteName(int number, NoteNaming naming) {
    static constexpr std::array<const char*, 12> kEnglish{"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};
    static constexpr std::array<const char*, 12> kGerman{"C",  "C#", "D",  "D#", "E", "F",
                                                         "F#", "G",  "G#", "A",  "B", "H"};
    const auto& kNames = naming == NoteNaming::German ? kGerman : kEnglish;
    const int midi = number + 21;  // A0 is key 21 of the MIDI numbering, whose octaves start at C
    const int pitch = ((midi % 12) + 12) % 12;
    const int octave = (midi - pitch) / 12 - 1;
    return std::string(kNames[static_cast<std::size_t>(pitch)]) + std::to_string(octave);
}

MusicalNote NearestNote(double frequency) {
    MusicalNote note;
    if (!(frequency > 0.0) || !std::isfinite(frequency)) return note;
    const double x = 12.0 * std::log2(frequency / kA0);
    // A frequency computed as exactly half way lands a rounding error off it: within a
    // billionth of a semitone it still counts as the tie and goes down.
    note.number = static_cast<int>(std::ceil(x - 0.5 - 1e-9));
    note.cents = (x - note.number) * 100.0;
    note.name = NoteName(note.number);
    return note;
}
