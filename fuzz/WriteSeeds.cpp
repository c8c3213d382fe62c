// Writes the seed corpus of every fuzz target: FOLDER/<target>/<seed file>.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "fuzz/FuzzSeeds.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const QString& target : FuzzTargetNames()) {
        const QString folder = root.filePath(target);
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
            return 1;
        }
        for (const FuzzSeed& seed : FuzzSeeds(target)) {
            QFile file(QDir(folder).filePath(seed.name));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(seed.bytes) != seed.bytes.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
    }
    return 0;
}
