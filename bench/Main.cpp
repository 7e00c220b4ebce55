// The benchmark program's main: runs the benchmarks as usual and ends with one line that sets the
// figures that matter side by side, each a ratio of two times measured in this run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

/// The console's report, keeping every run's counters for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    /// In colour on a terminal only, as the library's own console report.
    SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                runs_.push_back(run);
    }

    /// One line: cadentra against pugixml (lowest and highest ratio over the repetitions), COPY's
    /// time per frame at the largest size over the smallest, and the highest ratio over the sizes
    /// of COPY to its own host traffic. The best repetition of each size stands for it.
    void PrintSummary(std::ostream& out) const {
        const auto cli = Values("CadentraAgainstPugixml/", "ratio");
        std::map<std::string, double> copy;
        std::map<std::string, double> traffic;
        for (const Run& run : runs_) {
            if (run.run_name.function_name != "CopyRhythmOnScore") continue;
            Best(copy, run.run_name.args, Counter(run, "time_per_frame") * 1e6);
            Best(traffic, run.run_name.args, Counter(run, "host_traffic_us_per_frame"));
        }
        char line[512];
        std::string text = "summary:";
        if (cli.empty()) {
            text += " cadentra copy / pugixml load+save n/a;";
        } else {
            std::snprintf(line, sizeof line,
                          " cadentra copy / pugixml load+save %.2f-%.2f over %zu runs (goal <= 1.3);",
                          *std::min_element(cli.begin(), cli.end()),
                          *std::max_element(cli.begin(), cli.end()), cli.size());
            text += line;
        }
        if (copy.count("8/100") && copy.count("64/800")) {
            std::snprintf(line, sizeof line,
                          " COPY per frame 64x800 / 8x100 %.2f (%.2f / %.2f us, goal <= 1.3);",
                          copy.at("64/800") / copy.at("8/100"), copy.at("64/800"),
                          copy.at("8/100"));
            text += line;
        } else {
            text += " COPY per frame 64x800 / 8x100 n/a;";
        }
        double worst = 0;
        std::string worstSize;
        for (const auto& [size, seconds] : copy)
            if (traffic.count(size) && traffic.at(size) > 0 &&
                seconds / traffic.at(size) > worst) {
                worst = seconds / traffic.at(size);
                worstSize = size;
            }
        if (worstSize.empty()) {
            text += " COPY / its host traffic n/a";
        } else {
            std::snprintf(line, sizeof line,
                          " COPY / its host traffic at most %.2f (at %s, goal <= 2)", worst,
                          worstSize.c_str());
            text += line;
        }
        out << text << std::endl;
    }

private:
    static double Counter(const Run& run, const std::string& name) {
        auto it = run.counters.find(name);
        return it == run.counters.end() ? 0.0 : it->second.value;
    }

    static void Best(std::map<std::string, double>& best, const std::string& key, double value) {
        if (value <= 0) return;
        auto [it, fresh] = best.emplace(key, value);
        if (!fresh) it->second = std::min(it->second, value);
    }

    /// The counter `counter` of every run whose name begins with `prefix`.
    std::vector<double> Values(const std::string& prefix, const std::string& counter) const {
        std::vector<double> values;
        for (const Run& run : runs_)
            if (run.benchmark_name().rfind(prefix, 0) == 0) values.push_back(Counter(run, counter));
        return values;
    }

    std::vector<Run> runs_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary(std::cout);
    benchmark::Shutdown();
    return 0;
}
