// Optional timing of the loading phases, for the benchmark. With no recorder
// installed (the demo) a phase scope costs one pointer test. A leaf of base/:
// the loaders in every layer report to it, and it includes nothing of theirs.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tandril::base {

struct PhaseRecord {
    std::string name;
    double seconds = 0.0;
};

class PhaseRecorder {
  public:
    void add(std::string name, double seconds) { m_records.push_back({std::move(name), seconds}); }
    const std::vector<PhaseRecord>& records() const { return m_records; }

  private:
    std::vector<PhaseRecord> m_records;
};

// Where phase scopes report; null unless someone is measuring.
extern PhaseRecorder* phaseRecorder;

// Times its own lifetime under `category` followed by `detail`.
class PhaseScope {
  public:
    explicit PhaseScope(std::string_view category, std::string_view detail = {});
    ~PhaseScope();
    PhaseScope(const PhaseScope&) = delete;
    PhaseScope& operator=(const PhaseScope&) = delete;

  private:
    std::string m_name;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace tandril::base
