#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& Override() {
    static QString folder;
    return folder;
}

QString WithSlash(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

}  // namespace

void SetProgramFolder(const QString& folder) { Override() = folder.isEmpty() ? QString() : WithSlash(folder); }

bool SeedProfiles(const QString& folder) {
    const QDir target(WithSlash(folder) + QStringLiteral("Profile"));
    if (!target.exists() && !QDir().mkpath(target.path())) return false;
    bool ok = true;
    QDirIterator it(QStringLiteral(":/resources/Profile"));
    while (it.hasNext()) {
        const QFileInfo shipped(it.next());
        const QString dest = target.filePath(shipped.fileName());
        if (QFileInfo::exists(dest)) continue;
        ok = QFile::copy(shipped.filePath(), dest) && ok;
        // Resource files are read-only; the copy must be writable to hold the user's settings.
        QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return ok;
}

QString ProgramFolder() {
    if (!Override().isEmpty()) return Override();
    static const QString folder = [] {
        const QString exeDir = WithSlash(QCoreApplication::applicationDirPath());
        if (QFileInfo(exeDir + QStringLiteral("Profile")).isDir()) return exeDir;
        const QString data = WithSlash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        SeedProfiles(data);
        return data;
    }();
    return folder;
}

QString TemporaryFolder() { return WithSlash(QDir::tempPath()); }
