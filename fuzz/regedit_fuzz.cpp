// Feeds arbitrary settings files to the posix build's registry, 8-bit or
// UTF-16 (corpus/regedit/unicode.reg): the file is read, parsed and queried
// as a pass does. Whatever it holds, a text comes
// back only when it fits its buffer with its NUL, and holds no NUL itself.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "platform/posix/registry_posix.h"

namespace {

std::string& FilePath() {
  static std::string* path = [] {
    // In memory where there is a tmpfs: a file is written for every input.
    std::string pattern =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/kestro-regfuzz-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0) std::abort();
    close(fd);
    setenv("KESTRO_REGISTRY", pattern.c_str(), 1);
    auto* p = new std::string(pattern);
    std::atexit([] { unlink(FilePath().c_str()); });
    return p;
  }();
  return *path;
}

const char* const kNames[] = {"LogDir",   "PingPacketSize", "PingDelay", "NumberOfPingSweeps",
                              "Service1", "Command1",       "Argument1", "PingTimeOut1", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(FilePath().c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  kestro::PosixRegistry registry;
  kestro::RegKey key = 0;
  if (!registry.OpenKey("SOFTWARE\\Morvane\\Kestro", &key)) {
    // Far below the size limit, and whole: a file may be refused only as
    // no export.
    const std::string problem = registry.OpenKeyProblem();
    if (!problem.empty() && problem.find("\" does not begin with \"") == std::string::npos &&
        problem.find("\" is UTF-16 text that") == std::string::npos)
      __builtin_trap();
    return 0;
  }
  for (const char* name : kNames) {
    std::string text;
    if (registry.QueryText(key, name, 254, &text) &&
        (text.size() > 253 || text.find('\0') != std::string::npos))
      __builtin_trap();
    std::uint32_t number = 0;
    registry.QueryDword(key, name, &number);
  }
  registry.CloseKey(key);
  return 0;
}
