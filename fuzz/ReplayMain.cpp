// Runs a fuzz target without the fuzzer: over its seeds, and over the files and folders named
// on the command line (a corpus, or an input a fuzz run saved). A normal compiler builds it,
// so the harnesses keep compiling and their seeds keep passing in every test run.

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

#include "fuzz/FuzzSeeds.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Run(const QByteArray& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()));
}

bool RunFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    Run(file.readAll());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int inputs = 0;
    for (const FuzzSeed& seed : FuzzSeeds(QStringLiteral(KALVO_FUZZ_TARGET))) {
        Run(seed.bytes);
        ++inputs;
    }
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                if (!RunFile(it.next())) return 1;
                ++inputs;
            }
        } else {
            if (!RunFile(path)) return 1;
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "no inputs for the %s target\n", KALVO_FUZZ_TARGET);
        return 1;
    }
    std::printf("%d inputs of the %s target ran cleanly\n", inputs, KALVO_FUZZ_TARGET);
    return 0;
}
