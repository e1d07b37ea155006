#include "metrics/metrics_text.h"
#include "metrics/write_metrics_file.h"
#include "monitor/last_address_change.h"
#include "monitor/monitor.h"
#include "platform/platform.h"

namespace kestro {

void Monitor::PublishMetrics(PassFigures& figures) {
  ++PassCount;
  if (Settings.MetricsFile.empty()) return;
  figures.EndTime = Os().clock->UnixTime();
  figures.Passes = PassCount;
  figures.AddressChanges = AddressChangeCount.load();
  figures.Version = Version;
  if (Settings.PassInterval != 0 || Settings.PassSplay != 0) {
    figures.PassInterval = PassIntervalInForce(Settings.PassInterval);
    figures.PassSplay = PassSplayInForce(Settings.PassSplay);
  }
  figures.Observing = Settings.Observe != 0;
  LastFigures = figures;
  // A file that cannot be written is logged there; the pass is done either way.
  WriteMetricsFile(Settings.MetricsFile, MetricsText(figures));
}

}  // namespace kestro
