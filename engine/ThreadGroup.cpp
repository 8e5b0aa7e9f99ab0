#include "engine/ThreadGroup.h"

void TThreadGroup::JoinAll() {
  for (std::thread& t : FThreads)
    if (t.joinable())
      t.join();
  FThreads.clear();
}
