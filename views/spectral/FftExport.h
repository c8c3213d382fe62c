#pragma once
// The numbers of the spectrum as tab-separated text for a spreadsheet: a header line, then
// per bin k its frequency k fs / N in Hz and its level in dB full scale (a full-scale sine
// reads 0 dB, silence the floor of SpectrumScale), with a decimal comma and "\r\n" line ends.

#include <QString>

class SoundDocument;

QString FftExportText(const SoundDocument& doc);
// The transform size behind the document's spectrum, 0 when there is none to export (then the
// text is the header line only).
int FftExportPoints(const SoundDocument& doc);
// A number with up to 10 significant digits and a decimal comma.
QString SpreadsheetNumber(double value);
