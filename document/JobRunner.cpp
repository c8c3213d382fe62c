#include "document/JobRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "platform/UserInterface.h"

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// A worker's niceness above the window's thread. With it the scheduler gives the window's
// thread about nine tenths of a core it shares with a worker, and lets it in at once when it
// wakes; threads the worker starts inherit it.
constexpr int kWorkerNiceness = 10;

void LowerThisThreadsPriority() {
#ifdef __linux__
    // On Linux the niceness belongs to the thread, not to the whole process.
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, std::min(now + kWorkerNiceness, 19));
#endif
}

}  // namespace

struct JobRunner::Job {
    JobId id = 0;
    CancelToken token;
    bool worker = false;
    SlicedJob sliced;
    WorkerJob work;
    // The progress shown, from either kind of job.
    UserInterface* ui = nullptr;
    QString progressTitle;
    std::function<QString()> progressText;
    bool progressShown = false;
    std::thread thread;
    std::atomic<bool> done{false};  // the worker's work has returned
};

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
    // Not 0: with a zero timer always due under the GLib event loop (the usual one on Linux), the
    // progress box's own event processing left the window system's keys unread for the whole
    // job, so Escape never arrived; a 1 ms timer lets the event loop take them between slices.
    m_sliceTimer.setInterval(1);
    connect(&m_sliceTimer, &QTimer::timeout, this, &JobRunner::RunSlices);
    m_pollTimer.setInterval(kPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &JobRunner::PollWorkers);
}

JobRunner::~JobRunner() {
    for (auto& [id, job] : m_jobs) {
        job->token.Cancel();
        if (job->thread.joinable()) job->thread.join();
        if (job->ui) job->ui->SetBusy(false);
        if (job->progressShown) job->ui->EndProgress();
    }
    if (!m_jobs.empty()) {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }
}

JobRunner::JobId JobRunner::Add(std::shared_ptr<Job> job) {
    const bool first = m_jobs.empty();
    if (first)
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    job->id = m_next++;
    const JobId id = job->id;
    m_jobs.emplace(id, std::move(job));
    if (first) emit BusyChanged(true);
    return id;
}

JobRunner::JobId JobRunner::StartSliced(SlicedJob sliced) {
    auto job = std::make_shared<Job>();
    job->sliced = std::move(sliced);
    job->ui = job->sliced.ui;
    job->progressTitle = job->sliced.progressTitle;
    job->progressText = job->sliced.progressText;
    if (job->ui) job->ui->SetBusy(true);
    const JobId id = Add(std::move(job));
    m_sliceTimer.start();
    return id;
}

JobRunner::JobId JobRunner::StartWorker(WorkerJob work) {
    auto job = std::make_shared<Job>();
    job->worker = true;
    job->work = std::move(work);
    job->ui = job->work.ui;
    job->progressTitle = job->work.progressTitle;
    job->progressText = job->work.progressText;
    if (job->ui) job->ui->SetBusy(true);
    // The thread holds what it uses itself, so that it never reaches into the runner.
    job->thread = std::thread([work = job->work.work, token = job->token, raw = job.get()] {
        LowerThisThreadsPriority();
        work(token);
        raw->done = true;
    });
    const JobId id = Add(std::move(job));
    m_pollTimer.start();
    return id;
}

JobRunner::Outcome JobRunner::RunNow(const SlicedJob& job, const CancelToken& token) {
    Outcome outcome = Outcome::Finished;
    for (;;) {
        if (token.Cancelled()) {
            outcome = Outcome::Cancelled;
            break;
        }
        if (!job.step()) break;
    }
    if (job.finished) job.finished(outcome);
    return outcome;
}

JobRunner::Outcome JobRunner::RunNow(const WorkerJob& job, const CancelToken& token) {
    job.work(token);
    const Outcome outcome = token.Cancelled() ? Outcome::Cancelled : Outcome::Finished;
    if (job.finished) job.finished(outcome);
    return outcome;
}

JobRunner::Outcome JobRunner::RunHere(WorkerJob work) {
    auto job = std::make_shared<Job>();
    job->worker = true;  // never marked done: the poll of the workers leaves it alone
    job->work = std::move(work);
    const CancelToken token = job->token;
    const auto run = job->work.work;
    const JobId id = Add(std::move(job));
    run(token);
    const Outcome outcome = token.Cancelled() ? Outcome::Cancelled : Outcome::Finished;
    End(id, outcome);
    return outcome;
}

void JobRunner::Cancel(JobId id) {
    if (const auto it = m_jobs.find(id); it != m_jobs.end()) it->second->token.Cancel();
}

void JobRunner::CancelAll() {
    for (auto& [id, job] : m_jobs) job->token.Cancel();
}

void JobRunner::Stop(JobId id) {
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end()) return;
    it->second->token.Cancel();
    End(id, Outcome::Stopped);
}

void JobRunner::Wait(JobId id) {
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end()) return;
    const std::shared_ptr<Job> job = it->second;
    if (job->worker) {
        job->thread.join();
        End(id, job->token.Cancelled() ? Outcome::Cancelled : Outcome::Finished);
        return;
    }
    while (RunSlice(job, kSliceMs)) {
    }
}

bool JobRunner::RunSlice(const std::shared_ptr<Job>& job, int budgetMs) {
    QElapsedTimer clock;
    clock.start();
    const SlicedJob& sliced = job->sliced;
    for (;;) {
        if (job->token.Cancelled()) {
            End(job->id, Outcome::Cancelled);
            return false;
        }
        if (!sliced.step()) {
            End(job->id, Outcome::Finished);
            return false;
        }
        if (!IsRunning(job->id)) return false;  // its step ended it
        if (clock.elapsed() >= budgetMs) break;
    }
    ShowProgress(*job);  // only once the job takes longer than one slice
    if (sliced.sliceDone) sliced.sliceDone();
    return IsRunning(job->id);
}

void JobRunner::RunSlices() {
    // A snapshot: a slice may start or end other jobs.
    std::vector<std::shared_ptr<Job>> sliced;
    for (const auto& [id, job] : m_jobs)
        if (!job->worker) sliced.push_back(job);
    for (const auto& job : sliced)
        if (IsRunning(job->id)) RunSlice(job, kSliceMs);
}

void JobRunner::PollWorkers() {
    std::vector<std::shared_ptr<Job>> workers;
    for (const auto& [id, job] : m_jobs)
        if (job->worker) workers.push_back(job);
    for (const auto& job : workers) {
        if (!IsRunning(job->id)) continue;
        if (job->done) {
            job->thread.join();
            End(job->id, job->token.Cancelled() ? Outcome::Cancelled : Outcome::Finished);
        } else {
            ShowProgress(*job);  // only once the work takes longer than one look at it
            if (job->work.progress) job->work.progress();
        }
    }
}

void JobRunner::End(JobId id, Outcome outcome) {
    const auto it = m_jobs.find(id);
    if (it == m_jobs.end()) return;
    const std::shared_ptr<Job> job = it->second;
    m_jobs.erase(it);
    if (job->thread.joinable()) job->thread.join();  // Stop: the token is set, the work ends soon
    // The runner's own clean-up first, so that the job's owner finds the program idle again.
    if (job->progressShown) {
        job->ui->EndProgress();
        m_progressOwner = 0;
    }
    if (job->ui) job->ui->SetBusy(false);
    bool slicedLeft = false, workersLeft = false;
    for (const auto& [otherId, other] : m_jobs) (other->worker ? workersLeft : slicedLeft) = true;
    if (!slicedLeft) m_sliceTimer.stop();
    if (!workersLeft) m_pollTimer.stop();
    if (m_jobs.empty()) {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
        emit BusyChanged(false);
    }
    const auto finished = job->worker ? job->work.finished : job->sliced.finished;
    if (finished) finished(outcome);
}

void JobRunner::ShowProgress(Job& job) {
    if (!job.ui || job.progressTitle.isEmpty() || (m_progressOwner != 0 && m_progressOwner != job.id)) return;
    if (!job.progressShown) {
        job.ui->BeginProgress(job.progressTitle);
        job.progressShown = true;
        m_progressOwner = job.id;
    }
    if (job.progressText) job.ui->SetProgressText(job.progressText());
}

bool JobRunner::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        CancelAll();
    return QObject::eventFilter(watched, event);
}
