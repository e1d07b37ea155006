#include "metrics/write_metrics_file.h"

#include "log/last_error_text.h"
#include "log/write_log.h"
#include "platform/platform.h"

namespace kestro {

bool WriteMetricsFile(const std::string& path, const std::string& text) {
  const std::string temp = path + kMetricsTempSuffix;
  FileWriter& writer = *Os().fileWriter;
  // One left by a pass that was cut off would block the name for good. The
  // collectors read only "*.prom", so they never see this one.
  Os().files->RemoveFile(temp);
  if (writer.WriteNewFile(temp, text) && writer.MoveOver(temp, path)) return true;
  char error[256];
  GetLastErrorText(error, sizeof error);  // before the removal sets its own
  Os().files->RemoveFile(temp);
  WriteLog("Could not write metrics file " + path + " - " + error);
  return false;
}

}  // namespace kestro
