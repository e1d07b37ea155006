#pragma once
// The watcher thread.
#include <cstdint>

#include "platform/wait_result.h"

namespace kestro {

using ThreadHandle = std::uintptr_t;
using ThreadRoutine = void (*)();

class Threads {
 public:
  virtual ~Threads() = default;
  // CreateThread with default security and stack, starting at once; false on failure.
  virtual bool Create(ThreadRoutine routine, ThreadHandle* handle, std::uint32_t* id) = 0;
  // GetExitCodeThread: kStillActive while the thread runs.
  virtual std::uint32_t ExitCode(ThreadHandle handle) = 0;
  // TerminateThread with the exit code.
  virtual bool Terminate(ThreadHandle handle, std::uint32_t code) = 0;
  // CloseHandle: releases the handle of a thread that has ended or been
  // terminated. The handle is not used afterwards.
  virtual void Close(ThreadHandle handle) = 0;
};

}  // namespace kestro
