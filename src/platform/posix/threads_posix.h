#pragma once
#include "platform/threads.h"

namespace kestro {

// pthreads; a thread reads as still active (259) until its routine returns.
class PosixThreads : public Threads {
 public:
  bool Create(ThreadRoutine routine, ThreadHandle* handle, std::uint32_t* id) override;
  std::uint32_t ExitCode(ThreadHandle handle) override;
  bool Terminate(ThreadHandle handle, std::uint32_t code) override;
  void Close(ThreadHandle handle) override;
};

}  // namespace kestro
