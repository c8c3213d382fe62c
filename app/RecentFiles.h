#pragma once
// The File menu's list of the sounds opened last, newest first, kept in an INI file of the
// user's program folder so that it outlives the run and every profile shares it.

#include <QString>
#include <QStringList>

class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // iniPath: the file that holds the list (made on the first change).
    explicit RecentFiles(QString iniPath);

    // Read from the file each time: another running Kalvo may have changed it.
    QStringList Files() const;
    // Puts the file at the top (once), dropping the oldest beyond kMaxFiles.
    void Add(const QString& path);
    void Remove(const QString& path);
    void Clear();

private:
    void Write(const QStringList& files) const;

    QString m_iniPath;
};
