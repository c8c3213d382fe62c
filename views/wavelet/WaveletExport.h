#pragma once
// The wavelet transform as tab-separated text for a spreadsheet: a header line with the time
// of every column in seconds, then one line per row of the picture, bottom row first: the
// row's frequency in Hz and its display values (decimal comma, "\r\n" line ends).

#include <QString>
#include <vector>

class SoundDocument;
struct CwtParameters;

// The frequency in Hz that each row of a result of these parameters shows strongest (the
// wavelet's centre frequency over the row's scale), bottom row first (real wavelets have their
// smallest scale there, complex wavelets their largest). Empty when the parameters name no
// wavelet or division, or the wavelet refuses its arguments or has no centre frequency.
std::vector<double> WaveletRowFrequencies(const CwtParameters& parameters);

// The text of the document's result; empty when there is none.
QString WaveletExportText(const SoundDocument& doc);
