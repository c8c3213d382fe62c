#include "document/PartFile.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

std::unique_ptr<QTemporaryFile> MakePartFile(const QString& destination) {
    const QFileInfo info(destination);
    auto part =
        std::make_unique<QTemporaryFile>(info.absolutePath() + QStringLiteral("/.~kalvo-XXXXXX.part"));
    if (!part->open()) return nullptr;
    part->close();
    return part;
}

bool CommitPartFile(QTemporaryFile& part, const QString& destination) {
    // Temporary files are private to the owner; the result gets the usual permissions.
    QFile::setPermissions(part.fileName(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces an existing destination in one step.
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(destination).constData()) != 0)
        return false;
    part.setAutoRemove(false);
    return true;
}
