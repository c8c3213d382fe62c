// The capture without a document: blocks from the virtual input reach the window's thread.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>

#include "document/Capture.h"
#include "document/CaptureWorker.h"
#include "platform/audio/AudioDevice.h"

TEST(Capture, HandsBlocksToTheWindowsThreadUntilStopped) {
    QString error;
    const std::unique_ptr<AudioInputDevice> input =
        AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &error);
    ASSERT_TRUE(input) << error.toStdString();
    QTemporaryDir dir;
    std::atomic<bool> listening{true};
    std::atomic<bool> recording{false};
    Capture::Source source;
    source.input = input.get();
    source.format = WaveFormat::MonoPcm(8000, 16);
    source.recordPath = dir.filePath(QStringLiteral("rec.wav"));
    source.listening = &listening;
    source.recording = &recording;
    int blocks = 0;
    bool onWindowThread = true;
    double peak = 0.0;
    Capture::Handlers handlers;
    handlers.block = [&](const std::vector<double>& block, const QString&) {
        ++blocks;
        onWindowThread = onWindowThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        for (double v : block) peak = std::max(peak, std::abs(v));
    };
    handlers.failure = [&](int message) { ADD_FAILURE() << "capture failed with " << message; };
    handlers.recordingFailed = [&](const QString&) { ADD_FAILURE() << "nothing is recorded"; };
    Capture capture;
    capture.Start(source, std::move(handlers));
    QElapsedTimer waited;
    waited.start();
    while (blocks < 3 && waited.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    listening = false;
    capture.Stop();
    QCoreApplication::sendPostedEvents();  // blocks queued before the stop still come, never later
    EXPECT_GE(blocks, 3);
    EXPECT_TRUE(onWindowThread);
    EXPECT_GT(peak, 0.0);  // a sine, not silence
    EXPECT_FALSE(capture.RecordingOpened());
    ASSERT_NE(capture.Thread(), nullptr);
    EXPECT_GE(capture.Thread()->BlocksHandedOver(), 3u);
}
