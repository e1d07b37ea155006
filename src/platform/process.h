#pragma once
// The end of the process.
namespace kestro {

class Process {
 public:
  virtual ~Process() = default;
  // Flushes the standard streams and ends the process with `code`.
  [[noreturn]] virtual void Exit(int code) = 0;
};

}  // namespace kestro
