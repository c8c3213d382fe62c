// Speed of the three nonlinear calculations on 10 000 values of the Hénon map, with the
// parameters of the established implementations they are compared with (largest exponent:
// dimension 2, delay 1, 5 radii 0.001-0.01, 50 iterations, all reference points; spectrum:
// embedding 2, delay 1, 30 neighbours, all points; correlation sum: dimensions 1-10, delay 1,
// Theiler window 500, 1000 pairs, 100 radii). One line per calculation, on all cores and on
// one and all threads:
//   nonlinear calc=<maxlyap|lyapspec|corrdim> n=<n> ms=<median of the runs>
//   nonlinear calc=<...> n=<n> threads=<N> ms=<median>
// Each run draws its diagram as the analysis window does: while it runs (the largest exponent
// after every radius, the spectrum and the correlation sum whenever the engine reports) and
// once at the end, into a 900 x 600 picture.
// The largest exponent of 5000 values of a sine with one value of 1e9 among them, beside the
// same sine without it:
//   nonlinear calc=maxlyap outlier n=5000 ms=<median> clean_ms=<median> ratio=<ms / clean_ms>
// Where the peers are at hand (../shared/peers beside the source tree), the whole command-line
// run of each calculation against TISEAN's program for the same work, both command lines first:
//   nonlinear command kalvo|tisean calc=<...>: <command line>
//   nonlinear whole calc=<...> n=<n> ms=<median wall> cpu_ms=<median CPU> tisean_ms=<...>
//     tisean_cpu_ms=<...> ratio=<ms / tisean_ms>

#include "analysis/LyapunovKantz.h"
#include "tests/support/ChaoticSeries.h"
#include "views/nonlinear/LyapunovPlots.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

template <class F>
double MedianMs(F&& run, int runs) {
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::fprintf(stderr, "calculation failed\n");
            return -1.0;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

bool WriteSeries(const QString& path, const std::vector<double>& values) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    for (double v : values) out.write(QByteArray::number(v, 'g', 17) + '\n');
    return true;
}

struct WholeRun {
    double ms = -1.0;   // wall clock
    double cpu = -1.0;  // user and system time of the process
};

// Runs a program to its end with its output thrown away; false where it could not run or failed.
bool RunOnce(const QStringList& command, WholeRun& run) {
    std::vector<std::string> args;
    for (const QString& a : command) args.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The medians of several whole runs.
WholeRun Whole(const QStringList& command, int runs) {
    std::vector<double> ms, cpu;
    for (int r = 0; r < runs; ++r) {
        WholeRun one;
        if (!RunOnce(command, one)) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(command.join(u' ')));
            return {};
        }
        ms.push_back(one.ms);
        cpu.push_back(one.cpu);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms[ms.size() / 2], cpu[cpu.size() / 2]};
}

// The whole command-line runs of the three calculations beside TISEAN's lyap_k, lyap_spec and
// d2 with the options that do the same work. The peers are built once into the build folder.
void CompareWithPeers(const QString& folder) {
    const QString script = QStringLiteral(KALVO_SOURCE_DIR "/../shared/peers/build-tisean.sh");
    if (!QFileInfo::exists(script)) {
        std::printf("nonlinear whole skipped: no peers beside the source tree\n");
        return;
    }
    const QString peers = QStringLiteral(KALVO_BUILD_DIR "/bench/tisean");
    WholeRun built;
    if (!RunOnce({QStringLiteral("/bin/bash"), script, peers}, built)) {
        std::printf("nonlinear whole skipped: the peers did not build\n");
        return;
    }
    const QString henon = folder + QStringLiteral("/henon.txt"),
                  henon5000 = folder + QStringLiteral("/henon5000.txt");
    if (!WriteSeries(henon, HenonSeries(10000)) || !WriteSeries(henon5000, HenonSeries(5000))) return;
    const QString kalvo = QStringLiteral(KALVO_BUILD_DIR "/kalvo");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the program's runs need no display
    const QString out = folder + QStringLiteral("/peer");
    auto set = [](QStringList pairs) {
        QStringList args;
        for (const QString& pair : pairs) args << QStringLiteral("--set") << pair;
        return args;
    };
    struct Case {
        const char* calc;
        int n;
        QStringList ours, theirs;
    };
    // Largest exponent: embedding 2, delay 1, 5 radii from 1/1000 to 1/100 of the data interval,
    // 50 iterations, every point a reference point, no Theiler window.
    // Spectrum: embedding 2, delay 1, 30 neighbours, start radius 1/1000, all points.
    // Correlation sum: dimensions 1-6, delay 1, Theiler window 500, 100 radii from 1/1000 of the
    // interval to the whole, all pairs.
    const std::vector<Case> cases = {
        {"maxlyap",
         10000,
         QStringList{kalvo, QStringLiteral("--export"), QStringLiteral("maxlyap"), QStringLiteral("--open"),
                     henon} +
             set({"IniAnalyseNumPointsLyaMax=10000", "IniAnalyseIterLyaMax=50", "IniAnalyseNumberOfLyaMax=5",
                  "IniAnalyseTauLyaMax=1", "IniAnalyseRadiusMinLyaMax=0.001",
                  "IniAnalyseRadiusMaxLyaMax=0.01", "IniAnalyseMinDimDoneMaxLya=2",
                  "IniAnalyseMaxDimDoneMaxLya=2", "IniAnalyseReferenzLyaMax=0"}),
         {peers + QStringLiteral("/lyap_k"), QStringLiteral("-M2"), QStringLiteral("-m2"),
          QStringLiteral("-d1"), QStringLiteral("-#5"), QStringLiteral("-s50"), QStringLiteral("-t0"),
          QStringLiteral("-V0"), QStringLiteral("-o"), out + QStringLiteral(".lyap"), henon}},
        {"lyapspec",
         10000,
         QStringList{kalvo, QStringLiteral("--export"), QStringLiteral("lyapspec"), QStringLiteral("--open"),
                     henon} +
             set({"IniAnalyseNumPointsLya=10000", "IniAnalyseDimLya=2", "IniAnalyseTauLya=1",
                  "IniAnalyseNumberOfLya=30", "IniAnalyseRadiusMinLya=0.001", "IniAnalyseIterLya=10000"}),
         {peers + QStringLiteral("/lyap_spec"), QStringLiteral("-m1,2"), QStringLiteral("-d1"),
          QStringLiteral("-k30"), QStringLiteral("-V0"), QStringLiteral("-o"), out + QStringLiteral(".lyaps"),
          henon}},
        {"corrdim",
         5000,
         QStringList{kalvo, QStringLiteral("--export"), QStringLiteral("corrdim"), QStringLiteral("--open"),
                     henon5000} +
             set({"IniAnalyseNumPointsKorr=5000", "IniAnalyseMaxDimKorr=6", "IniAnalyseTauKorr=1",
                  "IniAnalyseNumberOfKorr=100", "IniAnalyseRadiusMinKorr=0.001", "IniAnalyseRadiusMaxKorr=1",
                  "IniAnalyseIterKorr=2000000000", "IniAnalyseFitFromKorr=0", "IniAnalyseFitToKorr=0"}),
         {peers + QStringLiteral("/d2"), QStringLiteral("-d1"), QStringLiteral("-M1,6"),
          QStringLiteral("-t500"), QStringLiteral("-N0"), QStringLiteral("-#100"), QStringLiteral("-V0"),
          QStringLiteral("-o"), out, henon5000}},
    };
    for (const Case& c : cases) {
        std::printf("nonlinear command kalvo calc=%s: %s\n", c.calc, qPrintable(c.ours.join(u' ')));
        std::printf("nonlinear command tisean calc=%s: %s\n", c.calc, qPrintable(c.theirs.join(u' ')));
        const WholeRun ours = Whole(c.ours, 5), theirs = Whole(c.theirs, 5);
        if (ours.ms < 0 || theirs.ms < 0) continue;
        std::printf(
            "nonlinear whole calc=%s n=%d ms=%.1f cpu_ms=%.1f tisean_ms=%.1f tisean_cpu_ms=%.1f ratio=%.2f\n",
            c.calc, c.n, ours.ms, ours.cpu, theirs.ms, theirs.cpu, ours.ms / theirs.ms);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const std::vector<double> series = HenonSeries(10000);
    const std::size_t n = series.size();
    QImage picture(900, 600, QImage::Format_RGB32);
    const QRect rect = picture.rect();
    LyapunovKantz::Hooks hooks;
    hooks.maxLyapProgress = [&](const MaxLyapResult& r) {
        QPainter painter(&picture);
        LyapunovPlots::DrawMaxLyapunovPlot(painter, rect, r);
    };
    hooks.corrDimProgress = [&](const CorrDimResult& r) {
        QPainter painter(&picture);
        LyapunovPlots::DrawCorrDimPlot(painter, rect, r, 0, 0);
    };

    const unsigned all = std::max(1u, std::thread::hardware_concurrency());
    // Every calculation on all cores (threads 0), then on one thread and on as many as there are.
    const std::vector<unsigned> threadCounts = {0u, 1u, all};
    for (unsigned threads : threadCounts) {
        const double maxlyap = MedianMs(
            [&] {
                LyapunovKantz engine;
                engine.SetHooks(hooks);
                engine.SetThreads(threads);
                engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
                return engine.Calc_Max_Lyap_Exponent(series.data(), n).has_value();
            },
            7);
        if (threads == 0)
            std::printf("nonlinear calc=maxlyap n=%zu ms=%.1f\n", n, maxlyap);
        else
            std::printf("nonlinear calc=maxlyap n=%zu threads=%u ms=%.1f\n", n, threads, maxlyap);

        const double spectrum = MedianMs(
            [&] {
                LyapunovKantz engine;
                engine.SetHooks(hooks);
                engine.SetThreads(threads);
                engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
                const auto result = engine.CalcLyapSpectrum(series.data(), static_cast<unsigned>(n), n);
                if (!result) return false;
                QPainter painter(&picture);
                LyapunovPlots::DrawSpectrumPlot(painter, rect, *result, result->RowCount(),
                                                LyapunovPlots::KaplanYorkeText(*result));
                return true;
            },
            5);
        if (threads == 0)
            std::printf("nonlinear calc=lyapspec n=%zu ms=%.1f\n", n, spectrum);
        else
            std::printf("nonlinear calc=lyapspec n=%zu threads=%u ms=%.1f\n", n, threads, spectrum);

        const double corrdim = MedianMs(
            [&] {
                LyapunovKantz engine;
                engine.SetHooks(hooks);
                engine.SetThreads(threads);
                engine.SetParameters(1000, 10, 0, 1, 100, 0.001, 1.0, LyapunovKantz::kCorrDim, 0);
                return engine.CalcCorrDim(series.data(), n).has_value();
            },
            7);
        if (threads == 0)
            std::printf("nonlinear calc=corrdim n=%zu ms=%.1f\n", n, corrdim);
        else
            std::printf("nonlinear calc=corrdim n=%zu threads=%u ms=%.1f\n", n, threads, corrdim);
        std::fflush(stdout);
    }

    // One outlier among the values of a sine.
    {
        std::vector<double> sine(5000);
        for (std::size_t i = 0; i < sine.size(); ++i)
            sine[i] = std::sin(2.0 * M_PI * static_cast<double>(i) / 37.3) +
                      0.3 * std::sin(2.0 * M_PI * static_cast<double>(i) / 11.7);
        std::vector<double> outlier = sine;
        outlier[outlier.size() / 2] = 1e9;
        auto run = [&](const std::vector<double>& values) {
            return MedianMs(
                [&] {
                    LyapunovKantz engine;
                    engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
                    return engine.Calc_Max_Lyap_Exponent(values.data(), values.size()).has_value();
                },
                5);
        };
        const double clean = run(sine), wild = run(outlier);
        std::printf("nonlinear calc=maxlyap outlier n=%zu ms=%.1f clean_ms=%.1f ratio=%.2f\n", outlier.size(),
                    wild, clean, wild / clean);
        std::fflush(stdout);
    }

    QTemporaryDir folder;
    if (folder.isValid()) CompareWithPeers(folder.path());
    return 0;
}
