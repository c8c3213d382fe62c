#pragma once
// The musical reading of a spectrum: its partials (the peaks that stand out, loud enough for
// their frequency), the note of a frequency, and where a note stands on a grand staff.

#include <cstddef>
#include <vector>

struct Partial {
    double frequency = 0.0;  // Hz
    double level = 0.0;      // dB below full scale
};

// The partials of n spectrum values (bin i at (fs/2)/n i Hz) of a sound with full scale
// F = 2^bits: the peaks found from bin 1 with the neighbour distance in bins, kept between
// 25 Hz and 1 kHz above -50 dB and between 1 and 5 kHz above -70 dB; of two partials closer
// than the distance (now in Hz) only the louder stays (the right one of two equally loud).
// The lowest is the fundamental. Nothing for fewer than two values.
void FindPartials(const std::vector<double>& spectrum, int sampleRate, int bits, int distance,
                  std::vector<Partial>& out);

// Only the merge step: neighbours closer than distance Hz keep the louder one.
void MergePartials(std::vector<Partial>& partials, double distance);

// Semitones above A0 (27.5 Hz), ties down: 440 Hz is 48, middle C 39.
int NoteNumber(double frequency);

// Where a note stands on the grand staff: its height above the lowest position in pixels
// (5 per diatonic step above A0), whether it carries a sharp, and its ledger lines below the
// bass staff, between the staves (middle C) and above the treble staff.
struct StaffPosition {
    int height = 0;
    bool sharp = false;
    int ledgerBelow = 0;
    int ledgerMiddle = 0;
    int ledgerAbove = 0;
};
StaffPosition StaffPositionOf(int note);

// The name of overtone k on the ladder (string numbers 61523 .. 61528 for k = 0 .. 5), or 0.
int IntervalStringOf(int overtone);
// The ladder line a partial meets: the overtone nearest to frequency / fundamental - 1.
int OvertoneOf(double frequency, double fundamental);
