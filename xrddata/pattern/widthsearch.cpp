#include "xrddata/pattern/widthsearch.h"

#include <sched.h>

#include <algorithm>
#include <functional>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "xrddata/pattern/widthscore.h"

namespace {

// Patterns of fewer points run the loop over whole working copies, which skips the filters of a trial that
// repeats the previous one's half-width (coarse steps); from this many on the loop runs in lanes, which keep one
// whole copy (the derivative) instead of two, on one thread or two.
constexpr int kLanePoints = 20000;
// The shared-out loop plans every trial up front; beyond this many (a huge width limit) it is not used.
constexpr size_t kPlannedTrials = 200000;

// What the loop ends on: the best score so far and its result.
struct Verdict {
    double best = 0.0;
    double result;
    // Takes the score c of the trial of width w, whose successor has width next; true when the loop ends here.
    bool Take(double c, double w, double next, double wmax) {
        if (c > best) {
            best = c;
            result = 1.5 * w;
        }
        return !(next <= wmax) || c < 0.5 * best;
    }
};

double SearchOnOneThread(const double* x, const double* y, int n, double s, double dw, double wmax, double result,
                         std::vector<double>* scores) {
    // The working copies need only intensities: the angles are the pattern's own, which the trials do not
    // change. Each trial overwrites the points it filters; the rest keeps what earlier trials left.
    std::vector<double> smooth(y, y + n), deriv(smooth);
    int filtered = 0;  // half-width of the filters whose output the copies hold, 0 for none
    Verdict verdict{0.0, result};
    for (double w = dw;;) {
        double c = 0.0;
        const double q = (w + s) / s;
        if (q >= 1.0 && q < n - 1.0) {
            const int m = static_cast<int>(q);
            // Successive trials often share a half-width (a width step of half a point): the filters would
            // write the very values the copies already hold.
            c = WidthTrial(x, y, smooth.data(), deriv.data(), n, m, w, s, m != filtered);
            filtered = m;
        }
        if (scores) scores->push_back(c);
        const double next = w + dw;
        if (verdict.Take(c, w, next, wmax)) break;
        w = next;
    }
    return verdict.result;
}

// One trial of the loop: its width, whether it is scored, its half-width and the points it filters (lo..hi,
// none when lo > hi).
struct Plan {
    double w;
    bool scored;
    int m, lo, hi;
};

// The points of rows(a) that rows(b) does not cover (b's rows lie inside a's, as the half-width never falls):
// up to two stretches.
int Band(const Plan& a, const Plan& b, int (*out)[2]) {
    if (a.lo > a.hi) return 0;
    if (b.lo > b.hi) {
        out[0][0] = a.lo, out[0][1] = a.hi;
        return 1;
    }
    int count = 0;
    if (a.lo < b.lo) out[count][0] = a.lo, out[count][1] = b.lo - 1, ++count;
    if (b.hi < a.hi) out[count][0] = b.hi + 1, out[count][1] = a.hi, ++count;
    return count;
}

// The whole trial sequence and what every thread shares: the inputs, the filters of each trial (made once, by
// whichever thread needs them first) and the lowest point whose smoothed value a trial reads from what earlier
// trials left.
struct Job {
    const double* x;
    const double* y;
    int n;
    double s, dw, wmax;
    std::vector<Plan> plans;
    int storeLo;        // the smoothed values kept from trial to trial: points storeLo..n-1
    size_t scratchLen;  // the longest stretch a thread filters into its scratch buffers
    std::unique_ptr<std::once_flag[]> made;
    std::unique_ptr<std::unique_ptr<WidthTrialFilters>[]> filters;
    std::atomic<bool> stop{false};

    const WidthTrialFilters& Filters(size_t k) {
        std::call_once(made[k], [&] { filters[k] = std::make_unique<WidthTrialFilters>(plans[k].m); });
        return *filters[k];
    }
};

// Plans the trials as the one-thread loop runs them; false when there are too many to plan.
bool PlanJob(Job& job) {
    const int n = job.n;
    const double s = job.s, dw = job.dw;
    int storeLo = n;
    size_t scratch = 0;
    for (double w = dw;;) {
        if (job.plans.size() >= kPlannedTrials) return false;
        Plan p{w, false, 0, 1, 0};
        const double q = (w + s) / s;
        if (q >= 1.0 && q < n - 1.0) {
            p.scored = true;
            p.m = static_cast<int>(q);
            p.lo = p.m;
            p.hi = n - p.m - 3;
            // The score reads smoothed values from j = m+1 on: the trial's own beyond hi, the kept ones.
            storeLo = std::min(storeLo, p.lo <= p.hi ? p.hi + 1 : p.m + 1);
        }
        job.plans.push_back(p);
        const double next = w + dw;
        if (!(next <= job.wmax)) break;
        w = next;
    }
    // Scratch: the longest chunk of a trial, and the longest band computed from its block's start.
    for (size_t k = 0; k < job.plans.size(); ++k) {
        const Plan& p = job.plans[k];
        if (p.lo > p.hi) continue;
        const long long len = p.hi - p.lo + 1;
        const long long block = WidthTrialFilters::BlockLength(p.m);
        long long need = std::min(len, WidthTrialFilters::ChunkLength(p.m));
        if (k + 1 < job.plans.size()) {
            int bands[2][2];
            const int count = Band(p, job.plans[k + 1], bands);
            for (int b = 0; b < count; ++b) need = std::max(need, bands[b][1] - bands[b][0] + block);
        }
        scratch = std::max(scratch, static_cast<size_t>(std::min(need, len)));
    }
    job.storeLo = storeLo;
    job.scratchLen = scratch;
    job.made = std::make_unique<std::once_flag[]>(job.plans.size());
    job.filters = std::make_unique<std::unique_ptr<WidthTrialFilters>[]>(job.plans.size());
    return true;
}

// One thread's share: the trials it claims, in rising order. Its derivative copy dy and its kept smoothed values
// hold, before each of its trials, what the one-thread loop's copies hold at that trial outside the trial's own
// range: it writes its own trials whole and the others' bands (what a trial wrote that its successor does not
// overwrite).
class Lane {
public:
    // The copies are made by the thread that uses them, so that the pages are first touched there and the two
    // threads' copying runs side by side; the scratch needs no first values.
    explicit Lane(Job& job) : m_job(job) {}

    void Prepare() {
        if (m_dy) return;
        const Job& job = m_job;
        m_dy.reset(new double[static_cast<size_t>(job.n)]);
        std::copy(job.y, job.y + job.n, m_dy.get());
        m_store.reset(new double[static_cast<size_t>(job.n - job.storeLo)]);
        std::copy(job.y + job.storeLo, job.y + job.n, m_store.get());
        m_s0.reset(new double[job.scratchLen]);
        m_s1.reset(new double[job.scratchLen]);
    }

    // Scores trial k (the trial the lane claimed, above every earlier one of its own) after bringing the copies up
    // to date; false when stopped.
    bool Score(size_t k, double& c) {
        Prepare();
        for (size_t i = m_nDone + 1; i < k; ++i) CatchUp(i);
        m_nDone = k;
        c = 0.0;
        const Plan& p = m_job.plans[k];
        if (!p.scored) return true;
        const int n = m_job.n;
        const double* x = m_job.x;
        WidthSums sums(x, x, m_dy.get(), n, n, p.m, p.w, m_job.s);
        if (p.lo <= p.hi) {
            const WidthTrialFilters& f = m_job.Filters(k);
            int bands[2][2];
            const int count = k + 1 < m_job.plans.size() ? Band(p, m_job.plans[k + 1], bands) : 0;
            for (int lo = p.lo;;) {
                const int hi = f.ChunkEnd(lo, p.hi);
                f.Run(m_job.y, n, m_job.s, lo, hi, m_s0.get(), lo, m_dy.get(), 0);
                for (int b = 0; b < count; ++b) Keep(lo, std::max(lo, bands[b][0]), std::min(hi, bands[b][1]));
                sums.Add(hi, m_s0.get(), lo);
                if (m_job.stop.load(std::memory_order_relaxed)) return false;
                if (hi == p.hi) break;
                lo = hi + 1;
            }
        }
        sums.Add(n - 1, m_store.get(), m_job.storeLo);
        c = sums.Score();
        return true;
    }


private:
    // Another thread's trial i: its values on its band, computed from the start of each stretch's block.
    void CatchUp(size_t i) {
        const Plan& p = m_job.plans[i];
        if (p.lo > p.hi) return;
        int bands[2][2];
        const int count = Band(p, m_job.plans[i + 1], bands);
        if (count == 0) return;
        const WidthTrialFilters& f = m_job.Filters(i);
        for (int b = 0; b < count; ++b) {
            const int a = bands[b][0], e = bands[b][1];
            const int from = f.StretchStart(a);
            f.Run(m_job.y, m_job.n, m_job.s, from, e, m_s0.get(), from, m_s1.get(), from);
            std::copy(m_s1.get() + (a - from), m_s1.get() + (e - from + 1), m_dy.get() + a);
            Keep(from, a, e);
        }
    }

    // Keeps the smoothed values of points a..e, held in the scratch from point `origin` on, where they are kept.
    void Keep(int origin, int a, int e) {
        a = std::max(a, m_job.storeLo);
        if (a > e) return;
        std::copy(m_s0.get() + (a - origin), m_s0.get() + (e - origin + 1), m_store.get() + (a - m_job.storeLo));
    }

    Job& m_job;
    size_t m_nDone = static_cast<size_t>(-1);  // the last trial the copies have taken in
    std::unique_ptr<double[]> m_dy, m_store, m_s0, m_s1;
};

// The trials' scores as they come in, and the loop's end, for the threads to wait on.
class Board {
public:
    Board(Job& job, double result, std::vector<double>* scores)
        : m_job(job), m_ready(job.plans.size(), 0), m_score(job.plans.size()), m_verdict{0.0, result},
          m_pScores(scores) {}

    // The next trial for a lane to run: the lowest one no lane has claimed, once the loop has taken every trial
    // before it but `lead` (so that only a trial or two runs past where the loop ends). A lane that finds the
    // other slow to start simply claims the following trials itself. Returns the number of trials when there is
    // none left or the loop has ended.
    size_t Claim(size_t lead) {
        const size_t trials = m_job.plans.size();
        auto ready = [&] { return m_bEnded.load() || m_nNext.load() < m_nTaken.load() + lead; };
        if (!Spin(ready)) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, ready);
        }
        if (m_bEnded.load()) return trials;
        const size_t k = m_nNext.fetch_add(1);
        return k < trials ? k : trials;
    }
    void Post(size_t k, double c) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_score[k] = c;
        m_ready[k] = 1;
        TakeReady();
        m_changed.notify_all();
    }
    // Waits until the loop has taken every trial before k or ended; true when it ended.
    bool WaitTaken(size_t k) {
        auto ready = [&] { return m_bEnded.load() || m_nTaken.load() >= k; };
        if (!Spin(ready)) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, ready);
        }
        return m_bEnded.load();
    }
    void End() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bEnded = true;
        m_job.stop.store(true, std::memory_order_relaxed);
        m_changed.notify_all();
    }
    bool Ended() const { return m_bEnded.load(); }
    double Result() const { return m_verdict.result; }
    size_t Trials() const { return m_job.plans.size(); }
    // A lane that failed (no memory for a trial's filters) ends the loop; the first failure is raised again by
    // the calling thread once every lane has stopped.
    void Fail(std::exception_ptr e) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_pFailure) m_pFailure = e;
        }
        End();
    }
    void RaiseFailure() {
        if (m_pFailure) std::rethrow_exception(m_pFailure);
    }

private:
    // Waits that end soon (the other thread finishing a trial) end without sleeping: on a busy machine a
    // thread that sleeps may wake only after another process's time slice. True when ready() came true.
    template <class Ready>
    static bool Spin(Ready ready) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(300);
        for (unsigned i = 1;; ++i) {
            if (ready()) return true;
            if (i % 64 == 0 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
    }

    // The loop itself, over the scores in trial order as far as they are in.
    void TakeReady() {
        const std::vector<Plan>& plans = m_job.plans;
        while (!m_bEnded && m_nTaken < plans.size() && m_ready[m_nTaken]) {
            const size_t k = m_nTaken++;
            const double c = m_score[k];
            if (m_pScores) m_pScores->push_back(c);
            // The plans end with the last trial whose width is within the limit; the next is beyond it.
            const bool last = k + 1 == plans.size();
            const double next = last ? plans[k].w + m_job.dw : plans[k + 1].w;
            if (m_verdict.Take(c, plans[k].w, next, m_job.wmax) || last) {
                m_bEnded = true;
                m_job.stop.store(true, std::memory_order_relaxed);
            }
        }
    }

    Job& m_job;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<char> m_ready;
    std::vector<double> m_score;
    std::atomic<size_t> m_nNext{0};  // the lowest trial no lane has claimed
    // Changed under the mutex only, read without it while spinning.
    std::atomic<size_t> m_nTaken{0};  // trials the loop has taken
    std::atomic<bool> m_bEnded{false};
    Verdict m_verdict;
    std::vector<double>* m_pScores;
    std::exception_ptr m_pFailure;
};

// The trials the lane claims, until none is left or the loop ends.
void RunLane(Lane& lane, Board& board) noexcept {
    // Up to four trials may be claimed beyond those the loop has taken, so that neither lane waits while the
    // other finishes a trial; a trial started past the loop's end stops at its next chunk.
    constexpr size_t kLead = 4;
    try {
        for (;;) {
            const size_t k = board.Claim(kLead);
            if (k >= board.Trials()) return;
            double c;
            if (!lane.Score(k, c)) return;
            board.Post(k, c);
        }
    } catch (...) {
        board.Fail(std::current_exception());
    }
}

}  // namespace

double SearchWidth(const double* x, const double* y, int n, double s, double dw, double wmax, double result,
                   int threads, std::vector<double>* scores) {
    if (threads < 1 || n < kLanePoints || !(s > 0.0)) return SearchOnOneThread(x, y, n, s, dw, wmax, result, scores);
    Job job;
    job.x = x, job.y = y, job.n = n, job.s = s, job.dw = dw, job.wmax = wmax;
    if (!PlanJob(job)) return SearchOnOneThread(x, y, n, s, dw, wmax, result, scores);
    const size_t trials = job.plans.size();
    Board board(job, result, scores);
    Lane first(job);
    // The first trial alone: it often ends the loop (a pattern whose first score is not positive), and then a
    // second thread would only have cost its start.
    double c;
    first.Score(board.Claim(1), c);
    board.Post(0, c);
    std::unique_ptr<Lane> second;
    std::thread worker;
    if (!board.Ended()) {
        if (threads >= 2) {
            second = std::make_unique<Lane>(job);
            try {
                worker = std::thread(RunLane, std::ref(*second), std::ref(board));
            } catch (const std::system_error&) {
                // No thread to be had: this one claims every trial.
            }
        }
        RunLane(first, board);
    }
    // This thread's lane ran out of trials or the loop ended: the other lane's last score may still be due.
    board.WaitTaken(trials);
    board.End();
    if (worker.joinable()) worker.join();
    board.RaiseFailure();
    return board.Result();
}

namespace {

std::atomic<int> g_running{0};

int Processors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return CPU_COUNT(&set);
}

}  // namespace

WidthThreadsClaim::WidthThreadsClaim() {
    const int before = g_running.fetch_add(1);
    m_nThreads = before == 0 && Processors() >= 2 ? 2 : 1;
}

WidthThreadsClaim::~WidthThreadsClaim() { g_running.fetch_sub(1); }
