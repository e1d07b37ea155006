#include "app/usage.h"

#include "app/file_version.h"
#include "app/program_path.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace kestro {

void PrintUsage(const std::string& programPath, const std::string& header) {
  const std::string name = SplitProgramPath(programPath).fileName;
  Console& console = *Os().console;
  console.Write(Stream::Error, "\n" + header + "\n" +
                                   "Use-Case 1: " + name + " -help\n" +
                                   "Use-Case 2: " + name + " -installservice | -removeservice\n" +
                                   "Use-Case 3: " + name + " -service\n" +
                                   "Use-Case 4: " + name + " -direct\n" +
                                   "\n\n" +
                                   "version " + GetFileVersionText() + "\n");
  console.Flush(Stream::Error);
}

void PrintHelp(const std::string& programPath) {
  PrintUsage(programPath, "Help:");
  Console& console = *Os().console;
  console.Write(Stream::Error, std::string("\n"
                                           "-help : display additional information (this output)\n") +
                                   kServiceOptionsHelp +
                                   "-direct : run on command line without service\n"
                                   "\n");
  console.Flush(Stream::Error);
  Os().process->Exit(kExitHelp);
}

}  // namespace kestro
