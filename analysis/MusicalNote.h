#pragma once
// The note nearest to a frequency in equal temperament with A4 = 440 Hz, and how far the
// frequency lies from it in cents.

#include <string>

struct MusicalNote {
    int number = 0;      // semitones above A0 (27.5 Hz): A4 is 48, middle C 39
    std::string name;    // English name with octave: "A4", "C#5"
    double cents = 0.0;  // deviation of the frequency from the note, -50 .. +50
};

// Ties (exactly half way) go to the lower note. Nothing sensible exists for frequencies at or
// below 0: the result then has an empty name.
MusicalNote NearestNote(double frequency);

// How notes are named. English letters run C D E F G A B with sharps ("A#4"); German ones call
// B natural H and the key between A and H B (B flat, the same key as A sharp), so A#4 is "B4"
// and B4 "H4". Exports and the command line keep the English letters in every language.
enum class NoteNaming { English, German };

// The name of a note number counted from A0: 0 "A0", 3 "C1", 48 "A4" (English).
std::string NoteName(int number, NoteNaming naming = NoteNaming::English);
