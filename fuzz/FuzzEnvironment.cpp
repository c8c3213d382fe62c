#include "fuzz/FuzzEnvironment.h"

#include <QApplication>
#include <QFile>
#include <cstdlib>

#include "platform/ProgramFolder.h"
#include "platform/StringTable.h"

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

FuzzEnvironment::FuzzEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(g_argc, g_argv);
    QApplication::setApplicationName(QStringLiteral("kalvo"));
    SetCurrentLanguage(Language::English);
    if (!m_dir.isValid()) {
        qFatal("no temporary folder for the fuzz inputs");
    }
    m_folder = m_dir.path() + u'/';
    SetProgramFolder(m_folder);
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
    return size == 0 ? QByteArray() : QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
