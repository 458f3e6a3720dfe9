#pragma once
// Long work and whoever waits for it: the work says how far it has come and stops when asked to.
// The two may run on different threads; everything here is safe to call from either.
#include <atomic>
#include <exception>
#include <functional>
#include <utility>

namespace kolvar::runtime {

// What long work throws when it stops because it was asked to: nothing it made is kept.
struct Cancelled : std::exception {
  const char* what() const noexcept override { return "Cancelled"; }
};

class Progress {
 public:
  Progress() = default;
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // The work: `done` of `total` so far (a bar never runs back: an estimate that grows keeps the
  // fraction it had). Throws Cancelled when asked to stop.
  void report(double done, double total) {
    const double f = total > 0 ? done / total : 0;
    if (f > fraction()) fraction_.store(f > 1 ? 1 : f, std::memory_order_relaxed);
    if (watch_) watch_(fraction());
    check();
  }
  void check() const {
    if (cancelled()) throw Cancelled();
  }

  // Whoever waits: how far, from 0 to 1, and the request to stop.
  double fraction() const { return fraction_.load(std::memory_order_relaxed); }
  void cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }
  // Before the work starts: `watch` hears every report on the working thread (a script or a test
  // presses Cancel at a chosen point).
  void watch(std::function<void(double)> watch) { watch_ = std::move(watch); }

 private:
  std::atomic<double> fraction_{0};
  std::atomic<bool> cancelled_{false};
  std::function<void(double)> watch_;
};

}  // namespace kolvar::runtime
