#include "MonitorHarness.h"

#include "StandIn.h"

namespace Monitor {

double now() {
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / perMs;
}

LRESULT Owner::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= MyPens::WM_PENDOCKED && msg <= MyPens::WM_OUTBOXITEMADDED) {
        received.push_back({msg, reinterpret_cast<const char*>(wp), now()});
        return 0;
    }
    return FrameWindow::WindowProc(msg, wp, lp);
}

double Owner::arrival(UINT msg, const std::string& penId, size_t from) const {
    for (size_t i = from; i < received.size(); ++i)
        if (received[i].msg == msg && received[i].penId == penId)
            return received[i].at;
    return -1;
}

bool Owner::receive(UINT msg, const std::string& penId, DWORD timeoutMs, size_t from) {
    return StandIn::pumpUntil([&] { return arrival(msg, penId, from) >= 0; }, timeoutMs);
}

Warnings& Warnings::instance() {
    static Warnings* observer = [] {
        auto* created = new Warnings;
        Log::instance().attachLogObserver(created);
        return created;
    }();
    return *observer;
}

void Warnings::log(LogLevel, const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.emplace_back(text, now());
}

size_t Warnings::count(const char* part) {
    std::lock_guard<std::mutex> guard(lock_);
    size_t found = 0;
    for (const auto& [line, at] : lines_)
        found += line.find(part) != std::string::npos;
    return found;
}

double Warnings::last(const char* part) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (it->first.find(part) != std::string::npos)
            return it->second;
    return -1;
}

void Warnings::clear() {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.clear();
}

} // namespace Monitor
