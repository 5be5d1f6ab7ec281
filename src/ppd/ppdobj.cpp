// The description object's initial values and its release.
#include "ppd/ppdobj.h"

#include <new>

void PPDOBJ_SetDefaults(PPDOBJ* ppd) {
  ppd->dwLangLevel = PPD_DEFAULT_LANG_LEVEL;
  ppd->dwWaitTimeout = PPD_DEFAULT_WAIT_TIMEOUT;
  ppd->bColorDevice = PPD_DEFAULT_COLOR_DEVICE;
  ppd->screenAngle = PPD_DEFAULT_SCREEN_ANGLE;
  ppd->screenFreq = PPD_DEFAULT_SCREEN_FREQ;
}

void PPDOBJ_Delete(PPDOBJ* ppd) {
  // The object lives in its pool: take the handle before the pool goes.
  if (ppd == nullptr) return;
  HEAPOBJ* pool = ppd->pHeap;
  if (pool != nullptr) HEAPOBJ_Delete(pool);
}

namespace ymcko {

PPDOBJ* ppdobj_in_new_pool() {
  HEAPOBJ* pool = HEAPOBJ_Create();
  if (pool == nullptr) return nullptr;
  void* piece = HEAPOBJ_Alloc(pool, sizeof(PPDOBJ));
  if (piece == nullptr) {
    HEAPOBJ_Delete(pool);
    return nullptr;
  }
  auto* ppd = new (piece) PPDOBJ{};
  ppd->pHeap = pool;
  return ppd;
}

}  // namespace ymcko
