#pragma once

namespace kestro {

// "-check": reads what a pass reads and says, one line a finding, whether a
// pass has everything it needs; writes nothing to the log or the event log,
// sends nothing, starts, stops and changes nothing. Returns 0, or the sum of
// the parts in trouble (check_report.h); 99 when a word follows "-check".
int RunCheckMode(const char* const* argv);

}  // namespace kestro
