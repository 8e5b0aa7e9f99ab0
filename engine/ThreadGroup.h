#pragma once
// Threads that share one job: each is joined before the group goes, however the job ends, and
// a thread the system cannot give leaves its share to the caller instead of failing the job.
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

class TThreadGroup {
public:
  TThreadGroup() = default;
  TThreadGroup(const TThreadGroup&) = delete;
  TThreadGroup& operator=(const TThreadGroup&) = delete;
  ~TThreadGroup() { JoinAll(); }

  // Runs Work on a thread of its own; false when no thread (or no memory for one) can be had.
  template <class F> bool TryStart(F&& Work) {
    try {
      FThreads.emplace_back(std::forward<F>(Work));
      return true;
    } catch (const std::system_error&) {
      return false;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  // Waits for every thread started so far; the group can then start others.
  void JoinAll();

private:
  std::vector<std::thread> FThreads;
};
