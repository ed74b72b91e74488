// The stand-in's pen state: every pen the manager has seen, kept as JSON in memory and
// in one file per pen, so a restarted stand-in shows the same pens.
#pragma once

#include <windows.h>

#include <string>

#include <nlohmann/json.hpp>

class PenStore {
public:
    static PenStore& instance();

    // Loads the data folder; the first start of a prefix writes the demo pen.
    void open(const std::wstring& folder);

    nlohmann::json& manager() { return manager_; }
    nlohmann::json& pens() { return pens_; }
    // The pen's state, or null when the pen is unknown.
    nlohmann::json* findPen(const std::string& penId);
    nlohmann::json& ensurePen(const std::string& penId);

    // Writes a pen (or the manager values) before the changing call returns.
    bool savePen(const std::string& penId);
    bool saveManager();
    bool saveAll();

    nlohmann::json dump() const;

    static nlohmann::json demoPen();
    static bool validPenId(const std::string& penId);

private:
    bool writeFile(const std::wstring& path, const nlohmann::json& content);
    std::wstring penPath(const std::string& penId) const;

    std::wstring folder_;
    nlohmann::json manager_ = nlohmann::json::object();
    nlohmann::json pens_ = nlohmann::json::object();
};
