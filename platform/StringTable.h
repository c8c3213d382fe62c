#pragma once
// Numbered user-visible texts in German and English. The table is one data file in
// the source tree (resources/strings/strings.tsv), compiled into the program. Code names
// a text by its constant in StringId (platform/StringId.h, made from the table at build time).

#include <QHash>
#include <QString>

#include "platform/StringId.h"

enum class Language { German = 1031, English = 1033 };

class StringTable {
public:
    // The table compiled into the program.
    static const StringTable& Instance();
    // Parses the tab-separated text: "number<TAB>English<TAB>German" per line,
    // "#" comments, escapes \n \r \t \\ inside texts.
    static StringTable FromText(const QString& tsv);

    // Text of a number; an unknown number gives "#<number>" so a gap shows instead of vanishing.
    QString Text(int id, Language language) const;
    bool Contains(int id) const { return m_texts.contains(id); }
    int Count() const { return static_cast<int>(m_texts.size()); }

private:
    struct Entry {
        QString english;
        QString german;
    };
    QHash<int, Entry> m_texts;
};

// The interface language of the running program (English until the profile says otherwise).
Language CurrentLanguage();
void SetCurrentLanguage(Language language);
// Maps a stored language code (1031/1033) to a language; false for any other code.
bool LanguageFromCode(int code, Language* language);

// Text of a number in the current language.
QString Str(int id);
// Text with its %1, %2, ... filled in.
template <typename... Args>
QString Str(int id, const Args&... args) {
    QString text = Str(id);
    ((text = text.arg(args)), ...);
    return text;
}
