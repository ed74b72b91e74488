#include "framework/ModalLoop.h"

#include <algorithm>
#include <vector>

#include "core/TraceScope.h"

namespace {
thread_local std::vector<ModalLoop*> t_loops;
} // namespace

ModalLoop::ModalLoop(Ender ender) : m_ender(std::move(ender)) {
    t_loops.push_back(this);
}

ModalLoop::~ModalLoop() {
    t_loops.erase(std::remove(t_loops.begin(), t_loops.end(), this), t_loops.end());
}

bool ModalLoop::AnyRunning() {
    return !t_loops.empty();
}

void ModalLoop::EndAll() {
    TraceScope scope("ModalLoop::EndAll");
    scope.trace("Ending %d modal loop(s).", static_cast<int>(t_loops.size()));
    // An ender may run code that opens or ends loops: work on a copy, innermost first.
    std::vector<ModalLoop*> loops = t_loops;
    for (auto it = loops.rbegin(); it != loops.rend(); ++it)
        if (std::find(t_loops.begin(), t_loops.end(), *it) != t_loops.end() && (*it)->m_ender)
            (*it)->m_ender();
}
