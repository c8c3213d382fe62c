#pragma once
// The numbers of the spectrum as tab-separated text for a spreadsheet: a header line, then
// per bin its frequency in Hz and its level in dB relative to full scale, with a decimal
// comma and "\r\n" line ends.

#include <QString>

class CKalvoDoc;

QString FftExportText(const CKalvoDoc& doc);
// The transform size behind the document's spectrum, 0 when there is none to export (then the
// text is the header line only).
int FftExportPoints(const CKalvoDoc& doc);
// A number with up to 10 significant digits and a decimal comma.
QString SpreadsheetNumber(double value);
