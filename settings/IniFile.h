#pragma once
// Access to one INI file with the semantics of the classic private-profile functions:
// section and key names compare without regard to case, a value read is cut to 255
// characters, writing replaces a value in place or appends the key at the end of its
// section (creating section and file when missing), and a missing key gives the default.
// Numbers are written and read the same way whatever the user's locale is.
// The file is read once (again only when someone else has replaced it since) and each write
// replaces the whole file at once: a temporary file beside it is renamed over it, so a crash
// or a full disk never leaves it half written. Defer() gathers many writes into one.

#include <QString>
#include <QStringList>

class IniFile {
public:
    static constexpr int kMaxValue = 255;

    // path: the INI file; empty gives "<program name>.ini". A relative path is made absolute
    // against the program folder (moduleFolder true) or the current directory.
    // section: the current section; empty gives the program name.
    explicit IniFile(const QString& path = QString(), const QString& section = QString(),
                     bool moduleFolder = false);
    ~IniFile();  // writes what Defer() has held back
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& Path() const { return m_path; }
    const QString& Section() const { return m_section; }
    void SetSection(const QString& section) { m_section = section; }

    // A null section keeps the current one; any other replaces it before the access.
    QString GetString(const QString& key, const QString& def = QString(), const QString& section = QString());
    int GetInt(const QString& key, int def = 0, const QString& section = QString());
    // A number that is not finite ("nan", "inf", beyond the type's range) gives the default.
    float GetFloat(const QString& key, float def = 0.0f, const QString& section = QString());
    double GetDouble(const QString& key, double def = 0.0, const QString& section = QString());

    bool WriteString(const QString& key, const QString& value, const QString& section = QString());
    bool WriteInt(const QString& key, int value, const QString& section = QString());
    bool WriteFloat(const QString& key, float value, const QString& section = QString());
    bool WriteDouble(const QString& key, double value, const QString& section = QString());

    // From now on writes change the file only in memory; Commit() (or the end of the object)
    // writes them all at once.
    void Defer() { m_deferred = true; }
    // Writes the changes held back; false when the file could not be written (they stay held).
    bool Commit();

    // Load: the value is replaced by what is read. Save: the value is written.
    void SerString(bool load, QString& value, const QString& key, const QString& section, const QString& def);
    void SerInt(bool load, int& value, const QString& key, const QString& section, int def);
    void SerFloat(bool load, float& value, const QString& key, const QString& section, float def);
    void SerDouble(bool load, double& value, const QString& key, const QString& section, double def);

    // The encodings, shared with everything that reads or writes settings as text.
    static QString FormatInt(int value);
    static QString FormatReal(double value);       // "%g": six significant digits
    static int ParseInt(const QString& text);      // like atoi: blanks, sign, digits; anything else ends it
    static double ParseReal(const QString& text);  // like atof: the longest number at the start, else 0

    // The last value read (at most 255 characters).
    const QString& LastValue() const { return m_value; }

private:
    // What identifies one version of the file: replacing it gives a new inode.
    struct Stamp {
        bool exists = false;
        unsigned long long inode = 0, device = 0;
        long long size = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path);
    void UseSection(const QString& section);
    // Reads the file unless its lines are at hand; false when it exists but cannot be read.
    bool Load();

    QString m_path;
    QString m_section;
    bool m_moduleFolder = false;
    QString m_value;
    QStringList m_lines;  // the file as read, with this object's writes
    Stamp m_stamp;        // the file the lines were read from
    bool m_loaded = false;
    bool m_readable = true;
    bool m_dirty = false;    // writes not yet in the file
    bool m_refused = false;  // a deferred write found the file unreadable: Commit() says so
    bool m_deferred = false;
};
