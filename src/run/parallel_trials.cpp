#include "run/parallel_trials.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "run/trial_loop.h"

namespace {

struct TrialSlot {
    int strategy = 0;
    TrialResult result;
    std::string diagnostics;
    bool done = false;
};

// Console and file rows differ only in the blanks before the strategy number.
bool emitTrial(RunState& state, int t, const TrialSlot& slot, std::FILE* console, std::FILE* trialsFile) {
    const TrialSummary& s = slot.result.summary;
    std::fputs(slot.diagnostics.c_str(), console);
    std::fprintf(console, " %ld %12.3f %12.3f %12.3f %12.3f %12.3f  %ld  %ld\n", static_cast<long>(t), s.peakAccel,
                 s.peakVel, s.peakDisp, s.totalError, s.largestError, static_cast<long>(slot.strategy),
                 static_cast<long>(slot.result.passCount));
    std::fflush(console);
    std::fprintf(trialsFile, " %ld %12.3f %12.3f %12.3f %12.3f %12.3f %ld  %ld\n", static_cast<long>(t), s.peakAccel,
                 s.peakVel, s.peakDisp, s.totalError, s.largestError, static_cast<long>(slot.strategy),
                 static_cast<long>(slot.result.passCount));
    // Flushed row by row, so a run stopped early keeps every finished trial.
    if (std::fflush(trialsFile) != 0 || std::ferror(trialsFile)) {
        std::fputs("\n\n Error: cannot write trials.out \n\n", console);
        return false;
    }
    state.summary[t] = s;
    return true;
}

}  // namespace

TrialPool::TrialPool(int threads) : threadCount(threads < 1 ? 1 : threads) {
    // The single-threaded run works in the run state's own stores.
    if (threadCount > 1) {
        for (int w = 0; w < threadCount; ++w) workspaces.push_back(std::make_unique<TrialWorkspace>());
    }
}

bool runTrialBatch(RunState& state, TrialPool& pool, int first, int last, std::FILE* console,
                   std::FILE* trialsFile) {
    const int count = last - first + 1;
    std::vector<TrialSlot> slots(static_cast<std::size_t>(count));
    // A row depends only on the random source, never on earlier trials' results.
    for (int t = first; t <= last; ++t) slots[static_cast<std::size_t>(t - first)].strategy = drawTrial(state, t);

    if (pool.threadCount == 1) {
        for (int t = first; t <= last; ++t) {
            TrialSlot& slot = slots[static_cast<std::size_t>(t - first)];
            slot.result = evaluateTrial(state.wavelets, t, state.grid, state.bank, state.parameters,
                                        state.workspace, slot.diagnostics);
            if (!emitTrial(state, t, slot, console, trialsFile)) return false;
        }
        return true;
    }

    std::atomic<int> nextTrial{first};
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    std::condition_variable trialDone;
    auto work = [&](TrialWorkspace& workspace) {
        for (;;) {
            const int t = nextTrial.fetch_add(1);
            if (t > last || abandoned.load()) return;
            TrialSlot& slot = slots[static_cast<std::size_t>(t - first)];
            slot.result = evaluateTrial(state.wavelets, t, state.grid, state.bank, state.parameters, workspace,
                                        slot.diagnostics);
            {
                const std::lock_guard<std::mutex> lock(mutex);
                slot.done = true;
            }
            trialDone.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int w = 0; w < pool.threadCount; ++w) workers.emplace_back(work, std::ref(*pool.workspaces[w]));

    bool ok = true;
    for (int t = first; t <= last && ok; ++t) {
        TrialSlot& slot = slots[static_cast<std::size_t>(t - first)];
        {
            std::unique_lock<std::mutex> lock(mutex);
            trialDone.wait(lock, [&] { return slot.done; });
        }
        ok = emitTrial(state, t, slot, console, trialsFile);
        std::string().swap(slot.diagnostics);
    }
    if (!ok) abandoned.store(true);
    for (std::thread& worker : workers) worker.join();
    return ok;
}
