// The job runner: sliced and worker jobs run to the end or stop on their own cancel token,
// Escape cancels through the runner, and the command line's synchronous run.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <optional>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "document/JobRunner.h"
#include "platform/ScriptedUserInterface.h"

namespace {

using Outcome = JobRunner::Outcome;
constexpr int kGenerousMs = 60000;

// A step of work that takes longer than a slice, so that every slice holds exactly one step.
void LongerThanASlice() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() <= JobRunner::kSliceMs) {
    }
}

// What a job did, filled by its callbacks.
struct Record {
    int steps = 0;
    int slicesShown = 0;
    int finishedCalls = 0;
    std::optional<Outcome> outcome;
    bool onWindowThread = true;  // every callback but the work ran on the window's thread

    void Note() {
        if (QThread::currentThread() != qApp->thread()) onWindowThread = false;
    }
    JobRunner::SlicedJob Sliced(int stepsToDo, bool slow) {
        JobRunner::SlicedJob job;
        job.step = [this, stepsToDo, slow] {
            Note();
            if (slow) LongerThanASlice();
            ++steps;
            return stepsToDo < 0 || steps < stepsToDo;  // below 0: never done by itself
        };
        job.sliceDone = [this] { ++slicesShown; };
        job.finished = [this](Outcome o) {
            Note();
            ++finishedCalls;
            outcome = o;
        };
        return job;
    }
    // Counts until told to stop (stepsToDo < 0) or until it has counted stepsToDo.
    JobRunner::WorkerJob Worker(int stepsToDo, std::atomic<int>& counted) {
        JobRunner::WorkerJob job;
        job.work = [&counted, stepsToDo](const CancelToken& token) {
            while (!token.Cancelled() && (stepsToDo < 0 || counted < stepsToDo)) {
                ++counted;
                QThread::yieldCurrentThread();
            }
        };
        job.progress = [this] {
            Note();
            ++slicesShown;
        };
        job.finished = [this](Outcome o) {
            Note();
            ++finishedCalls;
            outcome = o;
        };
        return job;
    }
    bool Ended() const { return outcome.has_value(); }
};

class JobRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&runner, &JobRunner::BusyChanged,
                         [this](bool busy) { busyChanges.push_back(busy); });
    }
    ScriptedUserInterface ui;
    JobRunner runner;
    std::vector<bool> busyChanges;  // as the runner told them
};

TEST_F(JobRunnerTest, ASlicedJobRunsToTheEndWithTheWindowAnsweringBetweenSlices) {
    Record quick;
    JobRunner::SlicedJob job = quick.Sliced(5, false);
    job.ui = &ui;
    job.progressTitle = QStringLiteral("Drawing");
    job.progressText = [] { return QStringLiteral("step"); };
    const JobRunner::JobId quickId = runner.StartSliced(std::move(job));
    EXPECT_TRUE(runner.IsRunning(quickId));
    EXPECT_TRUE(runner.Busy());
    EXPECT_EQ(ui.busyDepth, 1);
    EXPECT_EQ(quick.steps, 0);  // nothing before the window's next turn
    ASSERT_TRUE(QTest::qWaitFor([&] { return quick.Ended(); }, kGenerousMs));
    EXPECT_EQ(quick.outcome, Outcome::Finished);
    EXPECT_EQ(quick.steps, 5);
    // Done within one slice: no progress box at all.
    EXPECT_TRUE(ui.progressTexts.isEmpty());

    Record slow;
    job = slow.Sliced(3, true);
    job.ui = &ui;
    job.progressTitle = QStringLiteral("Drawing");
    job.progressText = [&slow] { return QString::number(slow.steps); };
    runner.StartSliced(std::move(job));
    ASSERT_TRUE(QTest::qWaitFor([&] { return slow.Ended(); }, kGenerousMs));
    EXPECT_EQ(slow.outcome, Outcome::Finished);
    EXPECT_EQ(slow.steps, 3);
    EXPECT_EQ(slow.finishedCalls, 1);
    EXPECT_EQ(slow.slicesShown, 2);  // one step a slice; the last slice ends the job
    EXPECT_EQ(ui.progressTexts, (QStringList{"Drawing", "1", "2"}));  // the box, then each slice
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_FALSE(runner.Busy());
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false, true, false}));  // once for each job
    EXPECT_TRUE(slow.onWindowThread);
}

TEST_F(JobRunnerTest, AWorkerRunsToTheEndAndReportsOnTheWindowsThread) {
    Record r;
    std::atomic<int> counted{0};
    const JobRunner::JobId id = runner.StartWorker(r.Worker(100000, counted));
    EXPECT_TRUE(runner.Busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.Ended(); }, kGenerousMs));
    EXPECT_EQ(r.outcome, Outcome::Finished);
    EXPECT_EQ(counted, 100000);
    EXPECT_EQ(r.finishedCalls, 1);
    EXPECT_TRUE(r.onWindowThread);
    EXPECT_FALSE(runner.IsRunning(id));
    EXPECT_FALSE(runner.Busy());

    // Waiting for it (the tests, a closing program) takes the result at once.
    Record waited;
    std::atomic<int> more{0};
    runner.Wait(runner.StartWorker(waited.Worker(1000, more)));
    EXPECT_EQ(waited.outcome, Outcome::Finished);
    EXPECT_EQ(more, 1000);
}

TEST_F(JobRunnerTest, AWorkerAndTheThreadsItStartsYieldToTheWindowAndItsProgressIsShown) {
    const auto niceness = [] {
        errno = 0;
        return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    };
    const int window = niceness();
    std::atomic<int> worker{window}, started{window};
    std::atomic<bool> release{false};
    const auto letGo = [&] {
        release = true;
        release.notify_all();
    };
    // A failed assertion below must not leave the worker waiting.
    const auto alwaysLetGo = qScopeGuard(letGo);
    JobRunner::WorkerJob job;
    job.work = [&](const CancelToken&) {
        worker = niceness();
        std::thread([&] { started = niceness(); }).join();
        release.wait(false);  // until the test lets it go
    };
    job.ui = &ui;
    job.progressTitle = QStringLiteral("Working");
    int looks = 0;
    job.progressText = [&] { return QString::number(++looks); };
    std::optional<Outcome> outcome;
    job.finished = [&](Outcome o) { outcome = o; };
    runner.StartWorker(std::move(job));
    EXPECT_EQ(ui.busyDepth, 1);  // the wait cursor
    ASSERT_TRUE(QTest::qWaitFor([&] { return looks >= 2; }, kGenerousMs));
    EXPECT_TRUE(ui.progressOpen);
    EXPECT_FALSE(ui.progressTexts.isEmpty());
    letGo();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, kGenerousMs));
    EXPECT_EQ(outcome, Outcome::Finished);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_EQ(ui.busyDepth, 0);
    // Lower priority is a higher niceness, unless the window's thread already has the highest.
    if (window < 19) {
        EXPECT_GT(worker, window);
        EXPECT_EQ(started, worker);
    }
    EXPECT_EQ(niceness(), window);  // the window's thread keeps its own
}

TEST_F(JobRunnerTest, EscapeAnywhereCancelsEveryRunningJobAndEachReportsCancelled) {
    QWidget somewhere;
    Record sliced, worker;
    std::atomic<int> counted{0};
    JobRunner::SlicedJob job = sliced.Sliced(-1, false);  // never done by itself
    job.ui = &ui;
    job.progressTitle = QStringLiteral("Drawing");
    runner.StartSliced(std::move(job));
    runner.StartWorker(worker.Worker(-1, counted));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sliced.steps > 0 && counted > 0; }, kGenerousMs));
    QTest::keyClick(&somewhere, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sliced.Ended() && worker.Ended(); }, kGenerousMs));
    EXPECT_EQ(sliced.outcome, Outcome::Cancelled);
    EXPECT_EQ(worker.outcome, Outcome::Cancelled);
    EXPECT_EQ(sliced.finishedCalls + worker.finishedCalls, 2);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_FALSE(runner.Busy());

    // With nothing running, Escape is left alone.
    const int stepsBefore = sliced.steps;
    QTest::keyClick(&somewhere, Qt::Key_Escape);
    EXPECT_EQ(sliced.steps, stepsBefore);
    EXPECT_EQ(sliced.finishedCalls, 1);
}

TEST_F(JobRunnerTest, ACancelBeforeTheFirstSliceRunsNoStep) {
    Record r;
    const JobRunner::JobId id = runner.StartSliced(r.Sliced(10, false));
    runner.Cancel(id);
    EXPECT_TRUE(runner.IsRunning(id));  // it ends at its next turn, as a cancel by Escape
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.Ended(); }, kGenerousMs));
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_EQ(r.steps, 0);
}

TEST_F(JobRunnerTest, CancellingOneJobLeavesTheOtherRunning) {
    Record first, second;
    const JobRunner::JobId a = runner.StartSliced(first.Sliced(-1, false));
    std::atomic<bool> release{false};
    const JobRunner::JobId b = runner.StartSliced([&] {
        JobRunner::SlicedJob job = second.Sliced(-1, false);
        job.step = [&] {
            ++second.steps;
            return !release.load();
        };
        return job;
    }());
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.steps > 0 && second.steps > 0; }, kGenerousMs));
    runner.Cancel(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.Ended(); }, kGenerousMs));
    EXPECT_EQ(first.outcome, Outcome::Cancelled);
    EXPECT_TRUE(runner.IsRunning(b));
    EXPECT_TRUE(runner.Busy());
    const int stepsThen = second.steps;
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.steps > stepsThen; }, kGenerousMs));  // still working
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.Ended(); }, kGenerousMs));
    EXPECT_EQ(second.outcome, Outcome::Finished);

    // A worker cancelled while a sliced job runs: the sliced job goes on.
    Record worker, sliced;
    std::atomic<int> counted{0};
    const JobRunner::JobId w = runner.StartWorker(worker.Worker(-1, counted));
    runner.StartSliced(sliced.Sliced(3, true));
    runner.Cancel(w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.Ended() && sliced.Ended(); }, kGenerousMs));
    EXPECT_EQ(worker.outcome, Outcome::Cancelled);
    EXPECT_EQ(sliced.outcome, Outcome::Finished);
    EXPECT_EQ(sliced.steps, 3);
}

TEST_F(JobRunnerTest, StopEndsAJobAtOnceWithoutSayingItWasCancelled) {
    Record sliced, worker;
    std::atomic<int> counted{0};
    JobRunner::SlicedJob job = sliced.Sliced(-1, false);
    job.ui = &ui;
    const JobRunner::JobId s = runner.StartSliced(std::move(job));
    const JobRunner::JobId w = runner.StartWorker(worker.Worker(-1, counted));
    runner.Stop(s);
    runner.Stop(w);  // waits for the worker, which sees its token
    EXPECT_EQ(sliced.outcome, Outcome::Stopped);
    EXPECT_EQ(worker.outcome, Outcome::Stopped);
    EXPECT_FALSE(runner.Busy());
    EXPECT_EQ(ui.busyDepth, 0);
    runner.Stop(s);  // a second time changes nothing
    EXPECT_EQ(sliced.finishedCalls, 1);
}

TEST_F(JobRunnerTest, AJobRunHereKeepsTheProgramBusyAndEscapeMeanwhileCancelsIt) {
    Record r;
    std::atomic<int> counted{0};
    bool busyWhileWorking = false;
    JobRunner::WorkerJob job = r.Worker(300, counted);
    job.work = [inner = job.work, &busyWhileWorking, this](const CancelToken& token) {
        busyWhileWorking = runner.Busy();
        inner(token);
    };
    EXPECT_EQ(runner.RunHere(job), Outcome::Finished);
    EXPECT_TRUE(busyWhileWorking);
    EXPECT_EQ(counted, 300);
    EXPECT_EQ(r.finishedCalls, 1);
    EXPECT_EQ(r.outcome, Outcome::Finished);
    EXPECT_FALSE(runner.Busy());
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));

    // An Escape handled while it works (a nested turn of the event loop) reaches its token.
    QWidget somewhere;
    Record escaped;
    std::atomic<int> untilEscape{0};
    job = escaped.Worker(-1, untilEscape);  // never done by itself
    job.work = [inner = job.work, &somewhere](const CancelToken& token) {
        QTest::keyClick(&somewhere, Qt::Key_Escape);
        inner(token);
    };
    EXPECT_EQ(runner.RunHere(job), Outcome::Cancelled);
    EXPECT_EQ(escaped.outcome, Outcome::Cancelled);
    EXPECT_EQ(untilEscape, 0);
    EXPECT_FALSE(runner.Busy());
}

TEST_F(JobRunnerTest, TheSynchronousRunDoesTheSameJobToTheEndOnTheCallingThread) {
    Record sliced;
    JobRunner::SlicedJob job = sliced.Sliced(7, false);
    job.ui = &ui;
    job.progressTitle = QStringLiteral("Drawing");
    EXPECT_EQ(JobRunner::RunNow(job), Outcome::Finished);
    EXPECT_EQ(sliced.steps, 7);
    EXPECT_EQ(sliced.outcome, Outcome::Finished);
    EXPECT_EQ(sliced.slicesShown, 0);
    EXPECT_TRUE(ui.progressTexts.isEmpty());
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_FALSE(runner.Busy());

    Record worker;
    std::atomic<int> counted{0};
    JobRunner::WorkerJob work = worker.Worker(500, counted);
    const Qt::HANDLE caller = QThread::currentThreadId();
    Qt::HANDLE ranOn = nullptr;
    work.work = [inner = work.work, &ranOn](const CancelToken& token) {
        ranOn = QThread::currentThreadId();
        inner(token);
    };
    EXPECT_EQ(JobRunner::RunNow(work), Outcome::Finished);
    EXPECT_EQ(ranOn, caller);
    EXPECT_EQ(counted, 500);

    // A token cancelled beforehand: nothing is done and the job says so.
    CancelToken cancelled;
    cancelled.Cancel();
    Record none;
    EXPECT_EQ(JobRunner::RunNow(none.Sliced(7, false), cancelled), Outcome::Cancelled);
    EXPECT_EQ(none.steps, 0);
    EXPECT_EQ(none.outcome, Outcome::Cancelled);
}

}  // namespace
