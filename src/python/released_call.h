#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <optional>

#include <pybind11/pybind11.h>

// A long call from Python: `work` runs on a thread of its own without the
// interpreter's lock, while the calling thread looks for Ctrl-C every tenth
// of a second. On one, `cancel` is set, the work is let finish (it stops at
// its next trial or attempt) and KeyboardInterrupt is raised.
template <typename Work>
auto callReleased(Work work, std::atomic<bool>& cancel) {
    using Result = decltype(work());
    std::optional<Result> result;
    std::exception_ptr failure;
    bool interrupted = false;
    {
        pybind11::gil_scoped_release released;
        std::future<void> done = std::async(std::launch::async, [&] {
            try {
                result.emplace(work());
            } catch (...) {
                failure = std::current_exception();
            }
        });
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            pybind11::gil_scoped_acquire held;
            if (!interrupted && PyErr_CheckSignals() != 0) {
                interrupted = true;
                cancel.store(true);
            }
        }
        done.get();
    }
    if (interrupted) throw pybind11::error_already_set();
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
}
