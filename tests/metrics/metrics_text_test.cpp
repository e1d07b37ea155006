// The metrics file's text for each kind of pass, compared with the text
// expected.
#include <gtest/gtest.h>

#include <sstream>

#include "metrics/metrics_text.h"

namespace kestro {
namespace {

PassFigures Program() {
  PassFigures f;
  f.EndTime = 1796623312;
  f.Passes = 3;
  f.AddressChanges = 2;
  f.Version = "2001.02.03.4";
  return f;
}

// A completed sweep of seven requests of 1024 bytes with these answers.
PassFigures Swept(std::initializer_list<std::uint32_t> answers) {
  PassFigures f = Program();
  f.Swept = true;
  f.Server = "staging7.example.com";
  f.Sweep.TotalCount = f.Sweep.TimeoutCount = 7;
  f.Sweep.Timeout = 2.0f;
  for (std::uint32_t ms : answers) f.Sweep.RecordReply(ms);
  f.Sweep.FinishSweep();
  return f;
}

// The samples alone, without the HELP and TYPE lines.
std::string Samples(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line[0] != '#') out += line + "\n";
  return out;
}

const char kProgramSamples[] =
    "kestro_last_pass_timestamp_seconds 1796623312\n"
    "kestro_passes_total 3\n"
    "kestro_address_changes_total 2\n"
    "kestro_build_info{version=\"2001.02.03.4\"} 1\n";

// Every family has its HELP and TYPE lines before its samples, and nothing
// else is in the file.
TEST(MetricsText, EachFamilyIsDescribedBeforeItsSamples) {
  PassFigures f = Swept({5});
  f.Slots = {{1, true, true}, {3, false, false}};
  std::istringstream in(MetricsText(f));
  std::string line, family;
  int families = 0;
  while (std::getline(in, line)) {
    if (line.rfind("# HELP ", 0) == 0) {
      family = line.substr(7, line.find(' ', 7) - 7);
      ASSERT_TRUE(std::getline(in, line));
      EXPECT_TRUE(line == "# TYPE " + family + " gauge" ||
                  (line == "# TYPE " + family + " counter" &&
                   family.compare(family.size() - 6, 6, "_total") == 0)) << line;
      ++families;
    } else {
      EXPECT_EQ(0u, line.find(family + (line[family.size()] == '{' ? "{" : " "))) << line;
    }
  }
  EXPECT_EQ(15, families);
}

TEST(MetricsText, EachKindOfPass) {
  PassFigures silent = Swept({});
  silent.Slots = {{2, false, true}};
  PassFigures failed = Program();
  failed.Swept = true;
  failed.Server = "nowhere";
  failed.Sweep.TotalCount = failed.Sweep.TimeoutCount = 7;
  failed.Sweep.Timeout = 2.0f;
  failed.Sweep.ErrorCode = 8;
  failed.Slots = {{1, false, true}};
  PassFigures healthy = Swept({5, 6, 3, 17, 7, 9, 8});
  healthy.Slots = {{1, true, true}, {3, false, false}};
  PassFigures confirming = Swept({5, 6, 3, 17, 7, 9, 8});
  confirming.Slots = {{2, false, true, true, 1}};
  confirming.Confirming = true;
  PassFigures observed = Swept({5, 6, 3, 17, 7, 9, 8});
  observed.Slots = {{1, false, true, true, 1}};
  observed.Observing = true;
  observed.PassInterval = 300;
  observed.PassSplay = 120;
  observed.HeldUntil = 1796623400;
  PassFigures connects = healthy;
  connects.Sweep.ProbePort = 8530;
  PassFigures empty = Swept({});
  empty.Sweep.TotalCount = empty.Sweep.TimeoutCount = 0;
  empty.Sweep.FinishSweep();
  const std::string sweepHead = "kestro_staging_server_info{host=\"staging7.example.com\"} 1\n";
  const std::string healthySweep =
      sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 7\nkestro_sweep_answers 7\n"
      "kestro_sweep_timeouts 0\nkestro_sweep_answer_min_seconds 0.00300\n"
      "kestro_sweep_answer_max_seconds 0.01700\nkestro_sweep_answer_average_seconds 0.00786\n"
      "kestro_sweep_bytes_per_second 131850\n";
  const struct {
    const char* name;
    PassFigures figures;
    std::string samples;
  } cases[] = {
      {"healthy sweep", healthy,
       healthySweep + "kestro_slot_start{slot=\"1\"} 1\nkestro_slot_start{slot=\"3\"} 0\n"
       "kestro_slot_action_succeeded{slot=\"1\"} 1\nkestro_slot_action_succeeded{slot=\"3\"} 0\n"},
      {"connect sweep", connects,
       healthySweep + "kestro_sweep_tcp_port 8530\nkestro_slot_start{slot=\"1\"} 1\n"
       "kestro_slot_start{slot=\"3\"} 0\nkestro_slot_action_succeeded{slot=\"1\"} 1\n"
       "kestro_slot_action_succeeded{slot=\"3\"} 0\n"},
      {"silent host", silent,
       sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 7\nkestro_sweep_answers 0\n"
       "kestro_sweep_timeouts 7\nkestro_sweep_answer_min_seconds NaN\n"
       "kestro_sweep_answer_max_seconds NaN\nkestro_sweep_answer_average_seconds 0.00200\n"
       "kestro_sweep_bytes_per_second 518000\n"
       "kestro_slot_start{slot=\"2\"} 0\nkestro_slot_action_succeeded{slot=\"2\"} 1\n"},
      {"failed sweep", failed,
       "kestro_staging_server_info{host=\"nowhere\"} 1\nkestro_sweep_error_code 8\n"
       "kestro_sweep_requests 7\nkestro_sweep_answers 0\nkestro_sweep_timeouts 7\n"
       "kestro_sweep_answer_min_seconds NaN\nkestro_sweep_answer_max_seconds NaN\n"
       "kestro_sweep_answer_average_seconds NaN\nkestro_sweep_bytes_per_second 0\n"
       "kestro_slot_start{slot=\"1\"} 0\nkestro_slot_action_succeeded{slot=\"1\"} 1\n"},
      {"a stop pending", confirming,
       healthySweep + "kestro_slot_start{slot=\"2\"} 0\nkestro_slot_action_succeeded{slot=\"2\"} 1\n"
       "kestro_slot_acted_start{slot=\"2\"} 1\nkestro_slot_pending_sweeps{slot=\"2\"} 1\n"},
      {"observed, on a schedule, a pass held", observed,
       "kestro_pass_interval_seconds 300\nkestro_pass_splay_seconds 120\n"
       "kestro_pass_held_until_timestamp_seconds 1796623400\nkestro_observe 1\n" + healthySweep +
       "kestro_slot_start{slot=\"1\"} 0\nkestro_slot_action_succeeded{slot=\"1\"} 1\n"
       "kestro_slot_acted_start{slot=\"1\"} 1\nkestro_slot_pending_sweeps{slot=\"1\"} 1\n"},
      {"no requests", empty,
       sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 0\nkestro_sweep_answers 0\n"
       "kestro_sweep_timeouts 0\nkestro_sweep_answer_min_seconds NaN\n"
       "kestro_sweep_answer_max_seconds NaN\nkestro_sweep_answer_average_seconds +Inf\n"
       "kestro_sweep_bytes_per_second 0\n"},
      {"no staging server", Program(), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kProgramSamples + c.samples, Samples(MetricsText(c.figures))) << c.name;
}

TEST(MetricsText, LabelValuesAreEscapedAndUtf8) {
  const struct {
    std::string raw, label;
  } cases[] = {
      {"plain.example.com", "plain.example.com"},
      {"a\"b\\c\nd", "a\\\"b\\\\c\\nd"},
      {"tab\tcr\r", "tab\tcr\r"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},                      // UTF-8 kept
      {"Pr\xfc" "fserver", "Pr\xc3\xbc" "fserver"},         // Latin-1 made UTF-8
      {"\xe0\xa0", "\xc3\xa0\xc2\xa0"},                     // a cut-off sequence
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},         // a surrogate
      {"\xf0\x9f\x98\x80!", "\xf0\x9f\x98\x80!"},
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                     // overlong
  };
  for (const auto& c : cases) EXPECT_EQ(c.label, LabelValue(c.raw)) << c.raw;
  PassFigures f = Swept({1});
  f.Server = "x\"}\n1";
  EXPECT_NE(std::string::npos,
            MetricsText(f).find("\nkestro_staging_server_info{host=\"x\\\"}\\n1\"} 1\n"));
}

}  // namespace
}  // namespace kestro
