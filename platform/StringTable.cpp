#include "platform/StringTable.h"

#include <QFile>
#include <QStringList>
#include <atomic>

namespace {

QString Unescape(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != u'\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar n = field[++i];
        if (n == u'n')
            out += u'\n';
        else if (n == u'r')
            out += u'\r';
        else if (n == u't')
            out += u'\t';
        else if (n == u'\\')
            out += u'\\';
        else {
            out += c;
            out += n;
        }
    }
    return out;
}

std::atomic<Language> g_language{Language::English};

}  // namespace

StringTable StringTable::FromText(const QString& tsv) {
    StringTable table;
    const QStringList lines = tsv.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3) continue;
        bool ok = false;
        const int id = fields[0].toInt(&ok);
        if (!ok) continue;
        table.m_texts.insert(id, Entry{Unescape(fields[1]), Unescape(fields[2])});
    }
    return table;
}

const StringTable& StringTable::Instance() {
    static const StringTable table = [] {
        QFile file(QStringLiteral(":/resources/strings/strings.tsv"));
        if (!file.open(QIODevice::ReadOnly)) return StringTable{};
        return FromText(QString::fromUtf8(file.readAll()));
    }();
    return table;
}

QString StringTable::Text(int id, Language language) const {
    const auto it = m_texts.constFind(id);
    if (it == m_texts.cend()) return QStringLiteral("#%1").arg(id);
    return language == Language::German ? it->german : it->english;
}

Language CurrentLanguage() {
    return g_language.load();
}
void SetCurrentLanguage(Language language) {
    g_language.store(language);
}

bool LanguageFromCode(int code, Language* language) {
    if (code == static_cast<int>(Language::German) || code == static_cast<int>(Language::English)) {
        *language = static_cast<Language>(code);
        return true;
    }
    return false;
}

QString Str(int id) {
    return StringTable::Instance().Text(id, CurrentLanguage());
}
