// Runs the benchmarks, then prints for each pair (ours, peer) the ratio of their times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Console output as usual, and the times of every run (or of its median when repeated) kept by
// name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.str()] = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }

  // Pairs are named ".../ours/..." and ".../<peer>/..." with the rest equal. A variant of ours
  // named "<name>_without_fsync/ours/..." is set against the peer of "<name>".
  void PrintRatios() const {
    std::printf(
        "\nRatios ours / peer (medians; below 1 means we are faster). Wall time is the measure;\n"
        "CPU time of this process is shown beside it because the machine may be shared.\n");
    std::printf("  %-52s %8s %8s\n", "pair", "wall", "cpu");
    for (const auto& [name, ours] : times_) {
      // ".../ours/rest", or ".../ours" at the end.
      std::size_t at = name.find("/ours/");
      const bool atEnd = name.size() >= 5 && name.compare(name.size() - 5, 5, "/ours") == 0;
      if (at == std::string::npos && !atEnd) continue;
      if (at == std::string::npos) at = name.size() - 5;
      std::string prefix = name.substr(0, at);
      const std::string rest = at + 6 <= name.size() ? name.substr(at + 6) : std::string();
      const std::string variant = "_without_fsync";
      if (prefix.size() > variant.size() &&
          prefix.compare(prefix.size() - variant.size(), variant.size(), variant) == 0) {
        prefix.erase(prefix.size() - variant.size());
      }
      for (const char* peer : {"zint", "zxing", "peer"}) {
        const auto it = times_.find(prefix + "/" + peer + (rest.empty() ? "" : "/" + rest));
        if (it == times_.end() || it->second.real <= 0 || it->second.cpu <= 0) continue;
        const std::string pair = name.substr(0, at) + " vs " + peer + " /" + rest;
        std::printf("  %-52s %8.3f %8.3f\n", pair.c_str(), ours.real / it->second.real,
                    ours.cpu / it->second.cpu);
      }
    }
  }

 private:
  struct Times {
    double real = 0;
    double cpu = 0;
  };
  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
