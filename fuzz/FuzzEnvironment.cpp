#include "fuzz/FuzzEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "platform/ProgramFolder.h"
#include "platform/StringTable.h"
#include "views/Modules.h"

namespace {

// QApplication keeps a reference to argc, so both live as long as the process.
int g_argc = 1;
char g_arg0[] = "kalvo-fuzz";
char* g_argv[] = {g_arg0, nullptr};

}  // namespace

FuzzEnvironment& FuzzEnvironment::Get() {
    static FuzzEnvironment environment;
    return environment;
}

namespace {

// Writing an INI file syncs it to the disk; in memory that costs nothing, and the fuzzer runs
// several times faster.
QString FolderTemplate() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString base = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    return base + QStringLiteral("/kalvo-fuzz-XXXXXX");
}

}  // namespace

FuzzEnvironment::FuzzEnvironment() : m_dir(FolderTemplate()) {
    if (!m_dir.isValid()) qFatal("no temporary folder for the fuzz inputs");
    m_folder = m_dir.path() + u'/';
    // The loaders' temporary sound files go there too, so parallel runs never share one.
    if (!QDir().mkpath(m_folder + QStringLiteral("tmp"))) qFatal("no temporary folder for the fuzz inputs");
    qputenv("TMPDIR", QFile::encodeName(m_folder + QStringLiteral("tmp")));
    const QString runtime = m_folder + QStringLiteral("runtime");
    if (QDir().mkpath(runtime) &&
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(g_argc, g_argv);
    QApplication::setApplicationName(QStringLiteral("kalvo"));
    SetCurrentLanguage(Language::English);
    SetProgramFolder(m_folder);
    RegisterModules();  // the key table and the command line know every module
    if (!SeedProfiles(m_folder)) qFatal("the shipped profiles could not be laid out");
}

QString FuzzEnvironment::WriteInput(const QString& name, const std::uint8_t* data, std::size_t size) const {
    const QString path = m_folder + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    const qint64 length = static_cast<qint64>(size);
    if (length > 0 && file.write(reinterpret_cast<const char*>(data), length) != length) return QString();
    return path;
}

QByteArray FuzzEnvironment::Bytes(const std::uint8_t* data, std::size_t size) {
    return size == 0 ? QByteArray()
                     : QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
