#include "app/entry.h"
#include "platform/platform.h"

int main(int, char** argv) {
  kestro::SetPlatform(kestro::SystemPlatform());
  return kestro::RunProgram(argv);
}
