#include "platform/lock.h"

#include <pthread.h>

namespace kestro {

struct Lock::Native {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
};

Lock::Lock() : native_(new Native) {}

void Lock::Acquire() { pthread_mutex_lock(&native_->mutex); }

void Lock::Release() { pthread_mutex_unlock(&native_->mutex); }

}  // namespace kestro
