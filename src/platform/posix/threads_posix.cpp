#include "platform/posix/threads_posix.h"

#include <pthread.h>

#include <atomic>

#include "platform/wait_result.h"

namespace kestro {
namespace {

struct ThreadRecord {
  pthread_t thread;
  ThreadRoutine routine;
  std::atomic<bool> running{true};
  bool joined = false;
};

void* Run(void* argument) {
  auto* record = static_cast<ThreadRecord*>(argument);
  record->routine();
  record->running = false;
  return nullptr;
}

}  // namespace

bool PosixThreads::Create(ThreadRoutine routine, ThreadHandle* handle, std::uint32_t* id) {
  auto* record = new ThreadRecord;
  record->routine = routine;
  if (pthread_create(&record->thread, nullptr, Run, record) != 0) {
    delete record;
    return false;
  }
  *handle = reinterpret_cast<ThreadHandle>(record);
  *id = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(record));
  return true;
}

std::uint32_t PosixThreads::ExitCode(ThreadHandle handle) {
  return reinterpret_cast<ThreadRecord*>(handle)->running ? kStillActive : 0;
}

bool PosixThreads::Terminate(ThreadHandle handle, std::uint32_t) {
  auto* record = reinterpret_cast<ThreadRecord*>(handle);
  if (record->joined) return true;
  if (record->running && pthread_cancel(record->thread) != 0) return false;
  pthread_join(record->thread, nullptr);
  record->joined = true;
  return true;
}

void PosixThreads::Close(ThreadHandle handle) {
  auto* record = reinterpret_cast<ThreadRecord*>(handle);
  // The thread has ended or been terminated: joining does not wait.
  if (!record->joined) pthread_join(record->thread, nullptr);
  delete record;
}

}  // namespace kestro
