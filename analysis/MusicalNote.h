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

// The English name of a note number counted from A0: 0 "A0", 3 "C1", 48 "A4".
std::string NoteName(int number);
