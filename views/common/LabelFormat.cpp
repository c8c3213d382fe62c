#include "views/common/LabelFormat.h"

#include <cmath>

#include "analysis/MusicalNote.h"
#include "platform/StringTable.h"

QString LocalDecimal(const QString& number) {
    if (CurrentLanguage() != Language::German) return number;
    QString text = number;
    return text.replace(u'.', u',');
}

QString LocalNumber(double value, int digits) {
    if (!std::isfinite(value)) return QStringLiteral("-");
    return LocalDecimal(QString::number(value, 'g', digits));
}

QString FrequencyScaleLabel(double f) {
    if (f <= 1000.0) return QString::number(static_cast<long long>(f)) + QStringLiteral(" Hz");
    const long long khz = static_cast<long long>(f / 1000.0);
    if (f > 10000.0) return QString::number(khz) + QStringLiteral(" kHz");
    const long long hundreds = static_cast<long long>(f / 100.0) % 10;
    return LocalDecimal(QString::number(khz) + u'.' + QString::number(hundreds)) + QStringLiteral(" kHz");
}

QString NoteLabel(int number) {
    const NoteNaming naming =
        CurrentLanguage() == Language::German ? NoteNaming::German : NoteNaming::English;
    return QString::fromStdString(NoteName(number, naming));
}
