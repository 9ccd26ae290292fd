#include "base/LoadPhaseTimer.h"

namespace tandril::base {

PhaseRecorder* phaseRecorder = nullptr;

PhaseScope::PhaseScope(std::string_view category, std::string_view detail) {
    if (phaseRecorder == nullptr) {
        return;
    }
    m_name = category;
    if (!detail.empty()) {
        m_name.append(" ").append(detail);
    }
    m_start = std::chrono::steady_clock::now();
}

PhaseScope::~PhaseScope() {
    if (phaseRecorder == nullptr || m_name.empty()) {
        return;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
    phaseRecorder->add(std::move(m_name), elapsed.count());
}

}  // namespace tandril::base
