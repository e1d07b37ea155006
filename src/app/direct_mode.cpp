#include "app/direct_mode.h"

#include "app/file_version.h"
#include "app/monitor_app.h"
#include "log/write_log.h"
#include "monitor/supervisor.h"

namespace kestro {

void RunDirectMode(MonitorApp& app) {
  WriteLog("");  // a line of only the stamp separates runs in the log
  WriteLog("Interaktiver aufruf...");
  app.Version = GetFileVersionText();
  RunDirectTickLoop(app);
}

}  // namespace kestro
