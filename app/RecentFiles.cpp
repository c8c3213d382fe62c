#include "app/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>
#include <utility>

namespace {

const QString kGroup = QStringLiteral("RecentFiles");

QString KeyOf(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

QString Absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

}  // namespace

RecentFiles::RecentFiles(QString iniPath) : m_iniPath(std::move(iniPath)) {}

QStringList RecentFiles::Files() const {
    QSettings ini(m_iniPath, QSettings::IniFormat);
    ini.beginGroup(kGroup);
    QStringList files;
    for (int i = 0; i < kMaxFiles; ++i) {
        const QString path = ini.value(KeyOf(i)).toString();
        if (!path.isEmpty() && !files.contains(path)) files << path;
    }
    return files;
}

void RecentFiles::Add(const QString& path) {
    const QString absolute = Absolute(path);
    QStringList files = Files();
    files.removeAll(absolute);
    files.prepend(absolute);
    Write(files.mid(0, kMaxFiles));
}

void RecentFiles::Remove(const QString& path) {
    QStringList files = Files();
    files.removeAll(Absolute(path));
    Write(files);
}

void RecentFiles::Clear() {
    Write({});
}

void RecentFiles::Write(const QStringList& files) const {
    QSettings ini(m_iniPath, QSettings::IniFormat);
    ini.remove(kGroup);
    ini.beginGroup(kGroup);
    for (int i = 0; i < files.size() && i < kMaxFiles; ++i) ini.setValue(KeyOf(i), files[i]);
    ini.endGroup();
    ini.sync();
}
