// Saving and loading a whole profile (some 200 keys and ten window placements) through the
// application object, as leaving the program and changing profile do, against one plain
// write and read of a file of the same size.
//
// Prints: profile bytes=<n> save_ms=<t> load_ms=<t> plain_write_ms=<t> plain_read_ms=<t>

#include <QApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/Application.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"

namespace {

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename F>
double BestOf(int rounds, F&& run) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!run()) return -1.0;
        best = std::min(best, Ms(std::chrono::steady_clock::now() - t0));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    if (!SeedProfiles(dir.path())) return 1;
    ScriptedUserInterface ui;
    Application app(ui);
    app.m_profileKind = ProfileKind::LastUsed;
    if (!app.LoadProfile()) return 1;
    const QString path = app.m_profilePath;

    const double saveMs = BestOf(20, [&] { return app.SaveProfile(); });
    const double loadMs = BestOf(20, [&] { return app.LoadProfile(); });
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray bytes = file.readAll();
    file.close();
    const double writeMs = BestOf(20, [&] {
        QSaveFile out(path);
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
    });
    const double readMs = BestOf(20, [&] {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) && in.readAll().size() == bytes.size();
    });
    std::printf("profile bytes=%lld save_ms=%.2f load_ms=%.2f plain_write_ms=%.2f plain_read_ms=%.2f\n",
                static_cast<long long>(bytes.size()), saveMs, loadMs, writeMs, readMs);
    return saveMs < 0 || loadMs < 0 || writeMs < 0 || readMs < 0 ? 1 : 0;
}
