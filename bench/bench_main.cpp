// Runs the benchmarks, then prints for each pair (ours, peer) the ratio of their times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Console output as usual, and the time of every run (or of its median when repeated) kept by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      std::string name = run.run_name.str();
      times_[name] = run.GetAdjustedRealTime();
    }
  }

  // Pairs are named ".../ours/..." and ".../<peer>/..." with the rest equal.
  void PrintRatios() const {
    std::printf("\nRatios ours / peer (median wall time; below 1 means we are faster):\n");
    for (const auto& [name, ours] : times_) {
      const std::size_t at = name.find("/ours/");
      if (at == std::string::npos) continue;
      for (const char* peer : {"zint", "zxing"}) {
        std::string other = name;
        other.replace(at, 6, std::string("/") + peer + "/");
        const auto it = times_.find(other);
        if (it == times_.end() || it->second <= 0) continue;
        std::printf("  %-48s %7.3f\n", other.replace(at, std::string(peer).size() + 2, "/").c_str(),
                    ours / it->second);
      }
    }
  }

 private:
  std::map<std::string, double> times_;
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
