#pragma once
#include <string>

#include "metrics/pass_figures.h"

namespace kestro {

// The pass in the Prometheus text exposition format 0.0.4, as the textfile
// collectors of the node exporter and the Windows exporter read it: LF line
// ends, no sample time stamps, UTF-8.
std::string MetricsText(const PassFigures& figures);

// A label value between its quotes: backslash, double quote and line feed
// escaped; bytes that are not UTF-8 read as Latin-1.
std::string LabelValue(const std::string& text);

}  // namespace kestro
