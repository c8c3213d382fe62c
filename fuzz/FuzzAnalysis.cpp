// Arbitrary bytes as a command-line export of a time series through the calculations that grow
// with their settings: the largest exponent, the Lyapunov spectrum, the correlation sum, the
// wavelet transform, the time series window and the reconstruction. The input is text:
//
//     MODULE
//     IniKey=VALUE      (any number of --set overrides, hostile values welcome)
//     ---
//     the series, one number a line
//
// Whatever the input, the run ends with one of the exit codes of the command line; an override
// that is not a finite number within its key's range is refused (2) before anything is
// computed; and an export that succeeds holds numbers under its header, never "nan" or "inf".

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/CommandLine.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzEnvironment.h"
#include "settings/IniFile.h"
#include "settings/ProfileSettings.h"

namespace {

const QStringList& Modules() {
    static const QStringList modules = {QStringLiteral("maxlyap"),    QStringLiteral("lyapspec"),
                                        QStringLiteral("corrdim"),    QStringLiteral("wavelet"),
                                        QStringLiteral("timeseries"), QStringLiteral("reko")};
    return modules;
}

// Only so much of a series: the calculations are quadratic in it, and a run must stay short.
constexpr qsizetype kMostSeriesBytes = 6000;
constexpr int kMostOverrides = 8;
constexpr qsizetype kMostValueLength = 40;

// Whether the command line may take this override: a known key, and for a number key a
// finite number (in the type that holds it) within the key's range, read both as an integer
// and as a real.
bool Acceptable(const QString& keyName, const QString& text) {
    const ProfileSettings::SettingKey* key = ProfileSettings::FindKey(keyName);
    if (!key) return false;
    if (std::holds_alternative<QString ProfileSettings::*>(key->member)) return true;
    const double real = IniFile::ParseReal(text);
    if (!std::isfinite(real) || !key->InRange(real)) return false;
    // A setting held as a float must be a finite float as well.
    if (std::holds_alternative<float ProfileSettings::*>(key->member) &&
        !std::isfinite(static_cast<float>(real)))
        return false;
    if (std::holds_alternative<int ProfileSettings::*>(key->member) &&
        !key->InRange(static_cast<double>(IniFile::ParseInt(text))))
        return false;
    return true;
}

bool HasNumbersUnderHeader(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
        for (char c : lines[i])
            if (c >= '0' && c <= '9') return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzEnvironment& environment = FuzzEnvironment::Get();
    const QByteArray input = FuzzEnvironment::Bytes(data, size);
    const qsizetype split = input.indexOf("\n---\n");
    const QList<QByteArray> head = (split < 0 ? QByteArray() : input.left(split)).split('\n');
    const QByteArray series = split < 0 ? input : input.mid(split + 5).left(kMostSeriesBytes);

    QString module = QString::fromLatin1(head.value(0).trimmed());
    if (!Modules().contains(module)) module = Modules()[static_cast<qsizetype>(size % Modules().size())];

    const QString path = environment.WriteInput(QStringLiteral("series.txt"),
                                                reinterpret_cast<const std::uint8_t*>(series.constData()),
                                                static_cast<std::size_t>(series.size()));
    FUZZ_CHECK(!path.isEmpty());
    QStringList args = {QStringLiteral("--export"), module, QStringLiteral("--open"), path};
    bool refusable = false;
    int overrides = 0;
    for (qsizetype i = 1; i < head.size() && overrides < kMostOverrides; ++i) {
        const QString line = QString::fromLatin1(head[i].trimmed());
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        const QString key = line.left(eq), value = line.mid(eq + 1).left(kMostValueLength);
        args << QStringLiteral("--set") << key + u'=' + value;
        refusable = refusable || !Acceptable(key, value);
        ++overrides;
    }
    args << QStringLiteral("Komplett");

    QString error;
    const std::optional<CommandLine> cmd = CommandLine::Parse(args, &error);
    if (!cmd) {
        if (!refusable) std::fprintf(stderr, "%s\n", qPrintable(error));
        FUZZ_CHECK(refusable);  // only an override can make these arguments wrong
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!refusable);  // a value the key cannot take never reaches a calculation
    QByteArray text;
    const int code = RunExport(*cmd, &text);
    FUZZ_CHECK(code == 0 || code == 1);
    if (code == 0) {
        FUZZ_CHECK(HasNumbersUnderHeader(text));
        const QByteArray lower = text.toLower();
        FUZZ_CHECK(!lower.contains("nan") && !lower.contains("inf"));
    }
    return 0;
}
