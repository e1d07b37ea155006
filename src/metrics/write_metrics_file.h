#pragma once
#include <string>

namespace kestro {

// Puts `text` in place of the file `path` in one step: written to
// `path` + ".tmp" in the same directory, then renamed over it, so that a
// collector reads the old figures or the new ones, never a part. A failure
// costs one log line, "Could not write metrics file PATH - TEXT", and leaves
// no temporary file behind. True when the file was replaced.
bool WriteMetricsFile(const std::string& path, const std::string& text);

inline constexpr char kMetricsTempSuffix[] = ".tmp";

}  // namespace kestro
