#pragma once
// Runs the program's long computations (a sonogram of the whole sound, a 3D landscape, a
// nonlinear calculation) so that the window stays responsive and every one of them can be
// cancelled the same way. A job runs either
//  - in slices on the window's thread: its step is called again and again until a slice's time
//    is used up, then the window answers its events before the next slice; or
//  - on a worker thread, while the window is told a few times a second to show how far it got.
//    Worker threads, and the threads they start, run at a lower priority than the window's
//    thread, so that a calculation that keeps every core busy never makes the window wait.
// Each job has its own CancelToken. Escape anywhere in the program, and the main window's cancel
// command, cancel every running job through CancelAll(); the job then ends at its next step and
// reports Outcome::Cancelled. The command line runs the same job to the end with RunNow.

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "analysis/CancelToken.h"

class UserInterface;

class JobRunner : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Finished,   // the work is done
        Cancelled,  // the user cancelled it (Escape, the cancel command)
        Stopped,    // its owner ended it (a new sound, a closed window): nothing to tell the user
    };
    using JobId = std::uint64_t;  // 0 is never a job

    struct SlicedJob {
        // One small piece of the work; false once nothing is left to do.
        std::function<bool()> step;
        // After each slice that left work to do: show how far it got.
        std::function<void()> sliceDone;
        // Once, when the job has ended, after the runner's own clean-up.
        std::function<void(Outcome)> finished;
        // Shows the wait cursor while it runs and, with a title, a progress box once the job
        // takes longer than one slice; null: neither.
        UserInterface* ui = nullptr;
        QString progressTitle;
        std::function<QString()> progressText;
    };
    struct WorkerJob {
        // The whole work, on the worker thread; it looks at the token between its steps.
        std::function<void(const CancelToken&)> work;
        // On the window's thread a few times a second while the work runs.
        std::function<void()> progress;
        // On the window's thread once the work has ended (the worker has been joined).
        std::function<void(Outcome)> finished;
        // As for a sliced job: the wait cursor and, with a title, a progress box once the work
        // takes longer than one look at it.
        UserInterface* ui = nullptr;
        QString progressTitle;
        std::function<QString()> progressText;
    };

    static constexpr int kSliceMs = 30;  // the window answers at least this often during sliced jobs
    static constexpr int kPollMs = 100;  // how often a worker's progress is shown

    explicit JobRunner(QObject* parent = nullptr);
    // Cancels and waits for every job left, without calling their finished callbacks: their
    // owners may be gone by now.
    ~JobRunner() override;

    JobId StartSliced(SlicedJob job);
    JobId StartWorker(WorkerJob job);

    // The same jobs to the end on the calling thread, with no timer, progress box or cursor
    // (the command line, pictures that are never shown). finished is called as well.
    static Outcome RunNow(const SlicedJob& job, const CancelToken& token = {});
    static Outcome RunNow(const WorkerJob& job, const CancelToken& token = {});
    // A job that must finish before its caller goes on (the wavelet transform, which the window
    // draws at once): it runs on the calling thread, but counts as running meanwhile, so the
    // program is busy and CancelAll reaches its token. finished is called as well.
    Outcome RunHere(WorkerJob job);

    // Asks the job to stop; it ends at its next step and reports Cancelled.
    void Cancel(JobId id);
    void CancelAll();
    // Ends the job at once (a worker is waited for) and reports Stopped.
    void Stop(JobId id);
    // Runs the job's remaining slices, or waits for its worker, on the calling thread.
    void Wait(JobId id);

    bool IsRunning(JobId id) const { return m_jobs.count(id) != 0; }
    bool Busy() const { return !m_jobs.empty(); }

signals:
    // The first job started, or the last one ended.
    void BusyChanged(bool busy);

protected:
    // Escape anywhere in the program cancels the running jobs.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Job;
    JobId Add(std::shared_ptr<Job> job);
    void RunSlices();
    void PollWorkers();
    // One slice of a sliced job; false when the job ended in it.
    bool RunSlice(const std::shared_ptr<Job>& job, int budgetMs);
    // The progress box of a job that has run for a while, if no other job shows one.
    void ShowProgress(Job& job);
    void End(JobId id, Outcome outcome);

    std::map<JobId, std::shared_ptr<Job>> m_jobs;
    JobId m_next = 1;
    JobId m_progressOwner = 0;  // the one job whose progress box is shown
    QTimer m_sliceTimer;
    QTimer m_pollTimer;
};
