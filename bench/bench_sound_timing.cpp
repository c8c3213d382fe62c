// Timing goals of the virtual sound devices and the test tone, which the tests leave alone
// because a busy machine may miss them for a moment:
//  - capture notifications come every block (here 100 ms of 44.1 kHz 16-bit mono), on average
//    within 30 % of it, none later than a block and a half;
//  - a test tone call returns at once (well under the 400 ms of the tone) and the tone then
//    plays for its length.
//
// Prints one line per goal:
//   timing goal=<name> <measured values> met=<yes|no>
// (a missed goal is also said on standard error)

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "app/Application.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/audio/AudioDevice.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool CaptureNotifications() {
    const PcmFormat format{44100, 16, 1};
    const std::uint32_t block = 8820;  // 100 ms
    QString error;
    const auto input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &error);
    auto capture = input ? input->CreateCaptureBuffer(format, 16 * block, &error) : nullptr;
    if (!capture) {
        std::fprintf(stderr, "virtual capture: %s\n", qPrintable(error));
        return false;
    }
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<Clock::time_point> times;
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t k = 1; k <= 16; ++k) offsets.push_back(k * block - 1);
    capture->SetNotificationPositions(offsets, [&] {
        const std::lock_guard lock(mutex);
        times.push_back(Clock::now());
        wake.notify_one();
    });
    capture->Start();
    {
        std::unique_lock lock(mutex);
        wake.wait_for(lock, std::chrono::seconds(30), [&] { return times.size() >= 31; });
    }
    capture->Stop();
    const std::lock_guard lock(mutex);
    if (times.size() < 2) return false;
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) gaps.push_back(Ms(times[i] - times[i - 1]));
    const double mean = Ms(times.back() - times.front()) / double(gaps.size());
    const double longest = *std::max_element(gaps.begin(), gaps.end());
    const bool met = mean > 70.0 && mean < 130.0 && longest < 150.0;
    std::printf(
        "timing goal=capture-notifications count=%zu mean_ms=%.2f shortest_ms=%.2f longest_ms=%.2f met=%s\n",
        gaps.size(), mean, *std::min_element(gaps.begin(), gaps.end()), longest, met ? "yes" : "no");
    return met;
}

bool TestTone() {
    ScriptedUserInterface ui;
    Application app(ui);
    // The virtual output: a benchmark makes no sound either.
    app.m_outputDeviceId = QStringLiteral("virtual:output");
    app.m_captureDeviceId = QStringLiteral("virtual:sine:440");
    app.InitSound();
    std::vector<double> calls;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        if (!app.Beep(440.0, 400)) return false;
        calls.push_back(Ms(Clock::now() - start));
    }
    std::sort(calls.begin(), calls.end());
    const bool met = calls.back() < 400.0;
    std::printf("timing goal=test-tone-call median_ms=%.3f longest_ms=%.3f met=%s\n", calls[calls.size() / 2],
                calls.back(), met ? "yes" : "no");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    // A missed goal is reported, not fatal: the other benchmarks still run.
    if (!CaptureNotifications()) std::fprintf(stderr, "capture notification goal missed\n");
    if (!TestTone()) std::fprintf(stderr, "test tone goal missed\n");
    return 0;
}
