#include "settings/IniFile.h"

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <utility>

#include "platform/ProgramFolder.h"

namespace {

QStringList SplitLines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
    return lines;
}

bool IsSectionLine(const QString& trimmed, QString* name) {
    if (!trimmed.startsWith(u'[')) return false;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0) return false;
    *name = trimmed.mid(1, close - 1).trimmed();
    return true;
}

bool IsKeyLine(const QString& trimmed, QString* key, QString* value) {
    if (trimmed.startsWith(u';')) return false;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq <= 0) return false;
    *key = trimmed.left(eq).trimmed();
    if (value) *value = trimmed.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The power of ten of the first significant digit of a decimal number "ddd.ddde±nn" (without
// its sign): enough to tell a number too large for a double from one too small.
long long DecimalExponent(const char* p, const char* end) {
    long long integerDigits = 0;  // from the first significant one on
    long long fractionZeros = 0;  // zeros after the point before the first significant digit
    bool significant = false, fraction = false;
    for (; p < end && ((*p >= '0' && *p <= '9') || (*p == '.' && !fraction)); ++p) {
        if (*p == '.') {
            fraction = true;
        } else if (!fraction) {
            if (significant || *p != '0') {
                significant = true;
                ++integerDigits;
            }
        } else if (!significant) {
            if (*p == '0')
                ++fractionZeros;
            else
                significant = true;
        }
    }
    if (!significant) return 0;
    long long exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+')) ++p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        if (negative) exponent = -exponent;
    }
    return (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
}

}  // namespace

IniFile::IniFile(const QString& path, const QString& section, bool moduleFolder)
    : m_path(path), m_section(section), m_moduleFolder(moduleFolder) {
    const QString appName = QCoreApplication::applicationName().isEmpty()
                                ? QStringLiteral("kalvo")
                                : QCoreApplication::applicationName();
    if (m_path.isEmpty()) m_path = appName + QStringLiteral(".ini");
    if (QFileInfo(m_path).isRelative()) {
        const QString base = m_moduleFolder ? ProgramFolder() : QDir::currentPath() + u'/';
        m_path = base + m_path;
    }
    if (m_section.isEmpty()) m_section = appName;
}

IniFile::~IniFile() {
    if (m_deferred) Commit();
}

IniFile::Stamp IniFile::StampOf(const QString& path) {
    Stamp stamp;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.inode = info.st_ino;
    stamp.device = info.st_dev;
    stamp.size = info.st_size;
    stamp.seconds = info.st_mtim.tv_sec;
    stamp.nanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}

void IniFile::UseSection(const QString& section) {
    if (!section.isNull()) m_section = section;
}

bool IniFile::Load() {
    if (m_dirty) return true;  // this object's own version is the newer one
    const Stamp stamp = StampOf(m_path);
    if (m_loaded && stamp == m_stamp) return m_readable;
    m_lines.clear();
    m_readable = true;
    if (stamp.exists) {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            m_lines = SplitLines(file.readAll());
        else
            m_readable = false;  // then never written over: its contents are unknown, not empty
    }
    m_stamp = stamp;
    m_loaded = true;
    return m_readable;
}

QString IniFile::GetString(const QString& key, const QString& def, const QString& section) {
    UseSection(section);
    m_value = def.left(kMaxValue);
    Load();
    bool inSection = false;
    for (const QString& line : std::as_const(m_lines)) {
        const QString trimmed = line.trimmed();
        QString name, value;
        if (IsSectionLine(trimmed, &name)) {
            if (inSection) break;  // the first section of that name holds the value
            inSection = SameName(name, m_section);
        } else if (inSection && IsKeyLine(trimmed, &name, &value) && SameName(name, key)) {
            // A value in matching quotes is given without them, as the classic functions do.
            if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
                value = value.mid(1, value.size() - 2);
            m_value = value.left(kMaxValue);
            break;
        }
    }
    return m_value;
}

int IniFile::GetInt(const QString& key, int def, const QString& section) {
    return ParseInt(GetString(key, FormatInt(def), section));
}

float IniFile::GetFloat(const QString& key, float def, const QString& section) {
    // "nan", "inf" or a number beyond the floats is no setting: the default stands for it.
    const auto value = static_cast<float>(ParseReal(GetString(key, FormatReal(def), section)));
    return std::isfinite(value) ? value : def;
}

double IniFile::GetDouble(const QString& key, double def, const QString& section) {
    const double value = ParseReal(GetString(key, FormatReal(def), section));
    return std::isfinite(value) ? value : def;
}

bool IniFile::WriteString(const QString& key, const QString& value, const QString& section) {
    UseSection(section);
    if (!Load()) {
        if (m_deferred) m_refused = true;
        return false;
    }
    QStringList& lines = m_lines;
    // A value must stay on its line.
    QString clean = value;
    clean.replace(u'\n', u' ').replace(u'\r', u' ');
    const QString entry = key + u'=' + clean;

    qsizetype sectionStart = -1, sectionEnd = lines.size(), keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        QString name;
        if (IsSectionLine(trimmed, &name)) {
            if (sectionStart >= 0) {
                sectionEnd = i;
                break;
            }
            if (SameName(name, m_section)) sectionStart = i;
        } else if (sectionStart >= 0 && keyLine < 0 && IsKeyLine(trimmed, &name, nullptr) &&
                   SameName(name, key)) {
            keyLine = i;
        }
    }
    if (keyLine >= 0) {
        lines[keyLine] = entry;
    } else if (sectionStart >= 0) {
        // Append after the section's last non-empty line.
        qsizetype at = sectionEnd;
        while (at > sectionStart + 1 && lines[at - 1].trimmed().isEmpty()) --at;
        lines.insert(at, entry);
    } else {
        lines << u'[' + m_section + u']' << entry;
    }

    m_dirty = true;
    if (m_deferred) return true;
    const bool written = Commit();
    if (!written) {
        // The file keeps its old contents, and so do the reads.
        m_dirty = false;
        m_loaded = false;
    }
    return written;
}

bool IniFile::Commit() {
    if (m_refused) {
        m_refused = false;
        m_dirty = false;
        return false;
    }
    if (!m_dirty) return true;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write((m_lines.join(u'\n') + u'\n').toUtf8());
    if (!file.commit()) return false;
    m_dirty = false;
    m_stamp = StampOf(m_path);
    return true;
}

bool IniFile::WriteInt(const QString& key, int value, const QString& section) {
    return WriteString(key, FormatInt(value), section);
}

bool IniFile::WriteFloat(const QString& key, float value, const QString& section) {
    return WriteString(key, FormatReal(value), section);
}

bool IniFile::WriteDouble(const QString& key, double value, const QString& section) {
    return WriteString(key, FormatReal(value), section);
}

void IniFile::SerString(bool load, QString& value, const QString& key, const QString& section,
                        const QString& def) {
    if (load)
        value = GetString(key, def, section);
    else
        WriteString(key, value, section);
}

void IniFile::SerInt(bool load, int& value, const QString& key, const QString& section, int def) {
    if (load)
        value = GetInt(key, def, section);
    else
        WriteInt(key, value, section);
}

void IniFile::SerFloat(bool load, float& value, const QString& key, const QString& section, float def) {
    if (load)
        value = GetFloat(key, def, section);
    else
        WriteFloat(key, value, section);
}

void IniFile::SerDouble(bool load, double& value, const QString& key, const QString& section, double def) {
    if (load)
        value = GetDouble(key, def, section);
    else
        WriteDouble(key, value, section);
}

QString IniFile::FormatInt(int value) {
    return QString::number(value);
}

QString IniFile::FormatReal(double value) {
    // std::to_chars with the general format and precision 6 is "%g" without the locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

int IniFile::ParseInt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturate instead of overflowing
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double IniFile::ParseReal(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end && *p == '+') ++p;
    double value = 0.0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Like atof: too large gives infinity, too small gives zero.
        const bool negative = *p == '-';
        if (DecimalExponent(negative ? p + 1 : p, result.ptr) < 0) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (result.ec != std::errc()) return 0.0;
    return value;
}
