// Engine semaphores on std::mutex.
#include "engine/semaphore.h"

#include <atomic>
#include <mutex>
#include <new>

namespace {

std::atomic<std::size_t> g_fail_countdown{0};

std::mutex* as_mutex(HSEMAPHORE hsem) { return reinterpret_cast<std::mutex*>(hsem); }

// Counts the pending fault down; true when this creation is the one to fail.
bool creation_fails() {
  std::size_t pending = g_fail_countdown.load();
  while (pending != 0) {
    if (g_fail_countdown.compare_exchange_weak(pending, pending - 1)) return pending == 1;
  }
  return false;
}

}  // namespace

HSEMAPHORE EngCreateSemaphore() {
  if (creation_fails()) return nullptr;
  return reinterpret_cast<HSEMAPHORE>(new (std::nothrow) std::mutex);
}

void EngAcquireSemaphore(HSEMAPHORE hsem) { as_mutex(hsem)->lock(); }

void EngReleaseSemaphore(HSEMAPHORE hsem) { as_mutex(hsem)->unlock(); }

void EngDeleteSemaphore(HSEMAPHORE hsem) { delete as_mutex(hsem); }

namespace ymcko::engine {

void fail_semaphore_creation_in(std::size_t n) { g_fail_countdown.store(n); }

}  // namespace ymcko::engine
