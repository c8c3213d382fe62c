#include "platform/ProgramFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <map>
#include <memory>

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

void SetProgramFolder(const QString& folder) {
    Override() = folder.isEmpty() ? QString() : WithSlash(folder);
}

QString InstalledProfileFolder() {
    // Beside the executable's prefix first (an installation anywhere), then the data folders.
    const QString prefixed = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() +
                                                                QStringLiteral("/../share/kalvo/Profile")
                                                          : QString();
    if (!prefixed.isEmpty() && QFileInfo(prefixed).isDir()) return QDir(prefixed).canonicalPath();
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("kalvo/Profile"),
                                  QStandardPaths::LocateDirectory);
}

bool SeedProfiles(const QString& folder) {
    const QDir target(WithSlash(folder) + QStringLiteral("Profile"));
    if (!target.exists() && !QDir().mkpath(target.path())) return false;
    bool ok = true;
    // An installation's profiles (an administrator may have adapted them) come first; the
    // compiled-in ones fill whatever is still missing.
    QStringList sources;
    if (const QString installed = InstalledProfileFolder(); !installed.isEmpty()) sources << installed;
    sources << QStringLiteral(":/resources/Profile");
    for (const QString& source : std::as_const(sources)) {
        QDirIterator it(source, {QStringLiteral("*.ini")}, QDir::Files);
        while (it.hasNext()) {
            const QFileInfo shipped(it.next());
            const QString dest = target.filePath(shipped.fileName());
            if (QFileInfo::exists(dest)) continue;
            ok = QFile::copy(shipped.filePath(), dest) && ok;
            // Resource files are read-only; the copy must be writable to hold the user's settings.
            QFile::setPermissions(dest,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
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

bool MakePrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return false;
    // Checked through an open descriptor that does not follow a link, so the folder looked at
    // is the one that is then closed to others.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
              (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;  // others may have put files into a writable one
    if (ok && (info.st_mode & 0777) != 0700) ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

QString TemporaryFolder() {
    // The shared temporary folder is open to every account: fixed file names there could be
    // taken, or planted, by another user. Our files go into a folder only this user can enter.
    const QString base = WithSlash(QDir::tempPath());
    const QString own = base + QStringLiteral("kalvo-") + QString::number(::geteuid());
    if (MakePrivateFolder(own)) return own + u'/';
    // That name is taken by someone else: a folder of its own for this run, removed at the end.
    static std::map<QString, std::unique_ptr<QTemporaryDir>> fallbacks;
    std::unique_ptr<QTemporaryDir>& fallback = fallbacks[base];
    if (fallback && fallback->isValid() && MakePrivateFolder(fallback->path()))
        return WithSlash(fallback->path());
    fallback = std::make_unique<QTemporaryDir>(own + QStringLiteral("-XXXXXX"));
    if (fallback->isValid() && MakePrivateFolder(fallback->path())) return WithSlash(fallback->path());
    // No private folder can be made there at all: the user's cache folder is private too.
    const QString cache =
        WithSlash(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)) + QStringLiteral("tmp");
    QDir().mkpath(cache);
    MakePrivateFolder(cache);
    return cache + u'/';
}
