#pragma once
#include "fakes/fault_plan.h"
#include "platform/event_log.h"

namespace kestro::testing {

struct EventEntry {
  std::uint16_t type;
  std::uint16_t category;
  std::uint32_t eventId;
  std::vector<std::string> strings;
};

// Keeps every entry. Calls: RegisterEventSourceA, ReportEventA,
// DeregisterEventSource.
class FakeEventLog : public EventLog {
 public:
  explicit FakeEventLog(FaultPlan& plan) : plan_(plan) {}

  EventSource RegisterSource(const std::string& name) override {
    if (plan_.Enter("RegisterEventSourceA")) return 0;
    std::lock_guard<std::mutex> guard(mutex_);
    sourceName = name;
    ++registered_;
    return 7;
  }
  bool Report(EventSource, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
              const std::vector<std::string>& strings) override {
    if (plan_.Enter("ReportEventA")) return false;
    std::lock_guard<std::mutex> guard(mutex_);
    entries_.push_back({type, category, eventId, strings});
    return true;
  }
  void DeregisterSource(EventSource) override {
    plan_.Enter("DeregisterEventSource");
    std::lock_guard<std::mutex> guard(mutex_);
    --registered_;
  }

  std::vector<EventEntry> Entries() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return entries_;
  }
  int Registered() const { return registered_; }
  std::string sourceName;

 private:
  FaultPlan& plan_;
  mutable std::mutex mutex_;
  std::vector<EventEntry> entries_;
  int registered_ = 0;
};

}  // namespace kestro::testing
