#pragma once
// Points the system's temporary folder (TMPDIR) at a fresh folder for as long as the object
// lives, so a test can play another account that has been there first.

#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace test {

class SharedTemp {
public:
    SharedTemp() : m_old(qgetenv("TMPDIR")), m_hadOld(qEnvironmentVariableIsSet("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    }
    ~SharedTemp() {
        if (m_hadOld)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
    }
    SharedTemp(const SharedTemp&) = delete;
    SharedTemp& operator=(const SharedTemp&) = delete;

    bool IsValid() const { return m_dir.isValid(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // The name this user's private folder has in it.
    QString OwnFolderName() const { return Path(QStringLiteral("kalvo-") + QString::number(::geteuid())); }

    // Makes name unusable for this user as another account would: a folder owned by someone else
    // when the test may hand one over (as root), else a link to a folder elsewhere.
    bool TakeAsAnotherAccount(const QString& name, const QString& elsewhere) const {
        const QByteArray path = QFile::encodeName(Path(name));
        if (::geteuid() == 0)
            return ::mkdir(path.constData(), 0700) == 0 && ::chown(path.constData(), 65534, 65534) == 0;
        return QDir().mkpath(elsewhere) &&
               ::symlink(QFile::encodeName(elsewhere).constData(), path.constData()) == 0;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_hadOld;
};

// The permission bits of path, not following a link; -1 when it is missing or a link.
inline int PrivateModeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISLNK(info.st_mode)) return -1;
    if (info.st_uid != ::geteuid()) return -2;
    return static_cast<int>(info.st_mode & 07777);
}

}  // namespace test
