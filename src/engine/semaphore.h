// Engine semaphores: mutual exclusion between threads, with a creation fault hook.
#pragma once

#include <cstddef>

#include "engine/engine_types.h"

// Returns a new semaphore, or null when a test hook makes creation fail.
HSEMAPHORE EngCreateSemaphore();
void EngAcquireSemaphore(HSEMAPHORE hsem);
void EngReleaseSemaphore(HSEMAPHORE hsem);
// The host's counterpart of creation; null is ignored.
void EngDeleteSemaphore(HSEMAPHORE hsem);

namespace ymcko::engine {

// Makes the n-th semaphore creation from now fail (1 = the next one); 0 clears.
void fail_semaphore_creation_in(std::size_t n);

// Holds a semaphore for the lifetime of the object.
class SemaphoreLock {
 public:
  explicit SemaphoreLock(HSEMAPHORE hsem) : hsem_(hsem) { EngAcquireSemaphore(hsem_); }
  ~SemaphoreLock() { EngReleaseSemaphore(hsem_); }
  SemaphoreLock(const SemaphoreLock&) = delete;
  SemaphoreLock& operator=(const SemaphoreLock&) = delete;

 private:
  HSEMAPHORE hsem_;
};

}  // namespace ymcko::engine
