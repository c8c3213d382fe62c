// Loading a one-hour 44.1 kHz 16-bit mono wave file through the document, against a plain
// read of the same file into memory, and the peak memory of the load against the file size.
//
// Prints: load bytes=<n> ours_ms=<t> read_ms=<t> ratio=<ours/read> peak_rss_over_file=<x>

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/Application.h"
#include "bench/HourWave.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"

namespace {

long CurrentRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// Resets the peak so the next phase is measured on its own.
void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    const QString path = WriteHourWaveIn(dir);
    if (path.isEmpty()) return 1;
    const qint64 fileBytes = QFile(path).size();

    // Best of three, each phase after the file is in the page cache.
    double readMs = 1e30, oursMs = 1e30;
    long oursPeakKb = 0;
    for (int round = 0; round < 3; ++round) {
        {
            const auto t0 = std::chrono::steady_clock::now();
            QFile file(path);
            file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
            auto bytes = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(fileBytes));
            qint64 got = 0;
            while (got < fileBytes) {
                const qint64 n = file.read(bytes.get() + got, fileBytes - got);
                if (n <= 0) break;
                got += n;
            }
            readMs = std::min(readMs, Ms(std::chrono::steady_clock::now() - t0));
        }
        {
            ScriptedUserInterface ui;
            Application kalvo(ui);
            kalvo.Settings().IniDokumentNumFFTPoints = 8192;
            SoundDocument doc(kalvo.Settings(), ui);
            doc.OnNewDocument();
            const long before = CurrentRssKb();
            ResetPeakRss();
            const auto t0 = std::chrono::steady_clock::now();
            if (!doc.LoadWave(path)) {
                std::fprintf(stderr, "load failed\n");
                return 1;
            }
            oursMs = std::min(oursMs, Ms(std::chrono::steady_clock::now() - t0));
            oursPeakKb = std::max(oursPeakKb, PeakRssKb() - before);
        }
    }
    std::printf("load bytes=%lld ours_ms=%.1f read_ms=%.1f ratio=%.2f peak_rss_over_file=%.2f\n",
                static_cast<long long>(fileBytes), oursMs, readMs, oursMs / readMs,
                oursPeakKb * 1024.0 / static_cast<double>(fileBytes));
    return 0;
}
