/* A command for tests: writes the command line it was given to a file, then
   waits and ends as told.  recorder OUTFILE SECONDS EXITCODE [...] */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  FILE* out = fopen(argv[1], "a");
  if (out != NULL) {
    fprintf(out, "commandline=%s\n", GetCommandLineA());
    /* With KESTRO_RECORD_STARTUP set: the reserved start-up fields seen. */
    if (getenv("KESTRO_RECORD_STARTUP") != NULL) {
      STARTUPINFOA startup;
      GetStartupInfoA(&startup);
      fprintf(out, "reserved2=%u\n", (unsigned)startup.cbReserved2);
    }
    fclose(out);
  }
  Sleep((DWORD)atoi(argv[2]) * 1000);
  return atoi(argv[3]);
}
