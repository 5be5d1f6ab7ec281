// Engine semaphores on std::mutex.
#include "engine/engine.h"
#include "engine/handles.h"
#include "engine/hooks.h"

#include <atomic>
#include <mutex>
#include <new>

namespace {

std::atomic<std::size_t> g_fail_countdown{0};

std::mutex* as_mutex(HSEMAPHORE hsem) {
  return static_cast<std::mutex*>(
      ymcko::engine::resolve_handle(hsem, ymcko::engine::HandleKind::semaphore));
}

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
  auto* mutex = new (std::nothrow) std::mutex;
  if (mutex == nullptr) return nullptr;
  auto handle = static_cast<HSEMAPHORE>(
      ymcko::engine::register_handle(mutex, ymcko::engine::HandleKind::semaphore));
  if (handle == nullptr) delete mutex;
  return handle;
}

void EngAcquireSemaphore(HSEMAPHORE hsem) {
  if (std::mutex* mutex = as_mutex(hsem)) mutex->lock();
}

void EngReleaseSemaphore(HSEMAPHORE hsem) {
  if (std::mutex* mutex = as_mutex(hsem)) mutex->unlock();
}

void EngDeleteSemaphore(HSEMAPHORE hsem) {
  std::mutex* mutex = as_mutex(hsem);
  if (mutex == nullptr) return;
  ymcko::engine::unregister_handle(hsem);
  delete mutex;
}

namespace ymcko::engine {

void fail_semaphore_creation_in(std::size_t n) { g_fail_countdown.store(n); }

}  // namespace ymcko::engine
