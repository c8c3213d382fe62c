#pragma once
// Numbers and note names as the windows show them, in the interface language: a decimal
// point in English ("1.7 kHz"), a decimal comma in German ("1,7 kHz"); note names with German
// letters (H for B natural, B for B flat) in German. Exports do not use these: they keep
// their spreadsheet format and the English note names in every language.

#include <QString>

// The decimal separator of the interface language put into a number written with a point.
QString LocalDecimal(const QString& number);
// A number with up to `digits` significant digits, with the language's decimal separator.
QString LocalNumber(double value, int digits);
// The label of a tick of a frequency scale: "55 Hz" up to 1 kHz, "1.7 kHz" (one decimal)
// up to 10 kHz, "14 kHz" above.
QString FrequencyScaleLabel(double frequency);
// The name of a note number counted from A0 (48 is A4) in the language's letters.
QString NoteLabel(int number);
