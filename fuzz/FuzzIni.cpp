// Arbitrary bytes as an INI file: reading keys of every kind, then writing one key, which must
// read back as written and leave every other value as it was.

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzEnvironment.h"
#include "settings/IniFile.h"

namespace {

// Every read parses the whole file: a few names keep the runs fast.
constexpr int kNamesFromInput = 3;

// A section and a key of the profiles, and those the input itself brings.
void CollectNames(const QByteArray& text, QStringList* sections, QStringList* keys) {
    *sections = {QStringLiteral("Allgemein")};
    *keys = {QStringLiteral("IniAllgemeinLanguage")};
    for (const QString& line : QString::fromUtf8(text).split(u'\n')) {
        const QString trimmed = line.trimmed();
        const qsizetype close = trimmed.indexOf(u']');
        if (trimmed.startsWith(u'[') && close > 0) {
            if (sections->size() <= kNamesFromInput) sections->append(trimmed.mid(1, close - 1).trimmed());
        } else if (const qsizetype eq = trimmed.indexOf(u'='); eq > 0 && keys->size() <= kNamesFromInput) {
            keys->append(trimmed.left(eq).trimmed());
        }
    }
}

// A value made of the input's bytes, with the characters that mean something in a line.
QString ValueFrom(const std::uint8_t* data, std::size_t size) {
    static const char alphabet[] = "abcxyz0189 \"=;#[]\t";
    QString value;
    for (std::size_t i = 0; i < size && i < 300; ++i)
        value += QLatin1Char(alphabet[data[i] % (sizeof alphabet - 1)]);
    return value;
}

// What reading gives back for a value written: blanks around it and a pair of quotes go.
QString AsRead(const QString& written) {
    QString v = written.trimmed();
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"')) v = v.mid(1, v.size() - 2);
    return v.left(IniFile::kMaxValue);
}

struct Entry {
    QString section, key, value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzEnvironment& environment = FuzzEnvironment::Get();
    const QString path = environment.WriteInput(QStringLiteral("input.ini"), data, size);
    FUZZ_CHECK(!path.isEmpty());
    QStringList sections, keys;
    CollectNames(FuzzEnvironment::Bytes(data, size), &sections, &keys);

    IniFile ini(path);
    std::vector<Entry> before;
    for (const QString& section : sections) {
        for (const QString& key : keys) {
            const QString value = ini.GetString(key, QStringLiteral("-"), section);
            FUZZ_CHECK(value.size() <= IniFile::kMaxValue);
            // A key that is there reads as the same number whatever the default.
            const int seven = ini.GetInt(key, 7, section), eight = ini.GetInt(key, 8, section);
            FUZZ_CHECK(seven != eight || seven == IniFile::ParseInt(value));
            const double real = ini.GetDouble(key, 0.5, section);
            FUZZ_CHECK(real == real);
            before.push_back({section, key, value});
        }
    }

    const QString section =
        sections[static_cast<qsizetype>(size % static_cast<std::size_t>(sections.size()))];
    const QString key = QStringLiteral("FuzzKey");
    const QString value = ValueFrom(data, size);
    FUZZ_CHECK(ini.WriteString(key, value, section));
    FUZZ_CHECK(ini.GetString(key, QStringLiteral("-"), section) == AsRead(value));
    for (const Entry& e : before) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0 &&
            e.section.compare(section, Qt::CaseInsensitive) == 0)
            continue;
        FUZZ_CHECK(ini.GetString(e.key, QStringLiteral("-"), e.section) == e.value);
    }
    return 0;
}
