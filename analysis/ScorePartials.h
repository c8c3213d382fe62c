#pragma once
// The musical reading of a spectrum: its partials (the peaks that stand out, loud enough for
// their frequency), the note of a frequency, and where a note stands on a grand staff.

#include <cstddef>
#include <vector>

struct Partial {
    double frequency = 0.0;  // Hz
    double level = 0.0;      // dB full scale (a full-scale sine reads 0 dB)
};

// The partials of a spectrum of magnitudes |X_k| / N (spectrum.size() = N/2 + 1, bin k at
// k fs/N Hz) of signalLength samples padded with zeros to N (0: not padded), for samples of
// bits bits:
// - the peaks found from bin 1, each placed between the bins (PeakBin); the neighbour
//   distance counts in bins of the samples' own resolution, so a padded spectrum, whose
//   lobes are wider, is tested as far out as an unpadded one;
// - kept between 25 Hz and 1 kHz above kLowBandFloorDb, between 1 and 5 kHz above
//   kHighBandFloorDb;
// - no side lobes: a peak within about a semitone of one kLobeDb louder, or within
//   kLobeWidths resolution widths (fs / signalLength) of a louder one and no louder than the
//   side lobes of its window there, is dropped (RemoveSideLobes);
// - of two partials closer than the distance (now in Hz) only the louder stays (the right one
//   of two equally loud);
// - the keynote is the lowest partial no more than kKeynoteRangeDb below the loudest; the
//   quieter peaks below it go, so the keynote comes first.
// Nothing for fewer than two values.
void FindPartials(const std::vector<double>& spectrum, int sampleRate, int bits, int distance,
                  std::size_t signalLength, std::vector<Partial>& out);

// The limits of FindPartials. The band floors keep the sounds that passed when levels were
// read against 2^bits on |X_k|/N (-50 and -70 dB there, 12.04 dB lower than full scale).
inline constexpr double kLowBandFloorDb = -50.0 + 12.041199826559248;
inline constexpr double kHighBandFloorDb = -70.0 + 12.041199826559248;
inline constexpr double kLobeSemitones = 1.1;
inline constexpr double kLobeDb = 15.0;
inline constexpr double kLobeWidths = 4.0;
inline constexpr double kKeynoteRangeDb = 20.0;

// The side-lobe step of FindPartials; resolution is fs / signalLength in Hz.
void RemoveSideLobes(std::vector<Partial>& partials, double resolution);

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

// The interval from the keynote f0 up to the partial f (keynote, octave, twelfth, two octaves
// ...) as a string number, when f / f0 lies within kHarmonicCents of a whole number that has a
// name (harmonics 1 to 16 except 11 and 13, which no tempered interval matches); else 0.
inline constexpr double kHarmonicCents = 30.0;
int KeynoteIntervalStringOf(double frequency, double keynote);
