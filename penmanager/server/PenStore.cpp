#include "PenStore.h"

#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "core/Log.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"

using nlohmann::json;

namespace {

constexpr const char* kPenFormat = "quillpad-penmanager-pen";
constexpr const char* kManagerFormat = "quillpad-penmanager";
constexpr int kFormatVersion = 1;

std::string narrow(const std::wstring& text) { return StringPackage::wideToUtf8(text); }

bool readFile(const std::wstring& path, std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    content.clear();
    char buffer[16384];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return true;
}

// A file this program wrote: our format tag and version, and the payload key.
bool parseOwnFile(const std::wstring& path, const char* format, const char* key,
                  json& payload) {
    std::string text;
    if (!readFile(path, text))
        return false;
    json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        Log::instance().error("Refused %s: not valid JSON.", narrow(path).c_str());
        return false;
    }
    if (document.value("format", std::string()) != format ||
        document.value("version", 0) != kFormatVersion || !document.contains(key) ||
        !document[key].is_object()) {
        Log::instance().error("Refused %s: not a %s file of version %d.",
                              narrow(path).c_str(), format, kFormatVersion);
        return false;
    }
    payload = std::move(document[key]);
    return true;
}

// An empty address is no address: a default address of 0.0.0.0 could not be shown
// apart from an empty one.
json account(const char* dial, const char* user, bool isdn, const char* apn, const char* defaultIp,
             int authentication) {
    return {{"isdn", isdn},           {"dialString", dial},     {"username", user},
            {"password", "clave1234"}, {"primaryDns", "80.58.61.250"},
            {"secondaryDns", "80.58.61.254"}, {"proxy", "proxy.velar.es:8080"},
            {"apn", apn},             {"defaultIpAddress", defaultIp},
            {"authentication", authentication}};
}

json address(const char* street, const char* street2, const char* city, const char* postal,
             const char* state) {
    return {{"street", street}, {"street2", street2}, {"city", city},
            {"postal", postal}, {"state", state},    {"country", "España"}};
}

} // namespace

PenStore& PenStore::instance() {
    static PenStore store;
    return store;
}

bool PenStore::validPenId(const std::string& penId) {
    if (penId.empty() || penId.size() > 64)
        return false;
    for (char c : penId)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'))
            return false;
    return true;
}

std::wstring PenStore::penPath(const std::string& penId) const {
    return folder_ + L"\\pens\\" + StringPackage::utf8ToWide(penId) + L".json";
}

void PenStore::open(const std::wstring& folder) {
    TraceScope trace("PenStore::open");
    folder_ = folder;
    SHCreateDirectoryExW(nullptr, (folder_ + L"\\pens").c_str(), nullptr);
    const std::wstring managerPath = folder_ + L"\\manager.json";
    bool firstStart = GetFileAttributesW(managerPath.c_str()) == INVALID_FILE_ATTRIBUTES;

    json manager;
    if (!firstStart && parseOwnFile(managerPath, kManagerFormat, "manager", manager))
        manager_ = manager;
    else
        manager_ = {{"orskUrl", "orsk.velar.es:443"}, {"redirection", false}};

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"\\pens\\*.json").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring path = folder_ + L"\\pens\\" + found.cFileName;
            json pen;
            if (!parseOwnFile(path, kPenFormat, "pen", pen))
                continue;
            std::string id = pen.value("id", std::string());
            if (!validPenId(id) || penPath(id) != path) {
                Log::instance().error("Refused %s: its pen id does not match the file.",
                                      narrow(path).c_str());
                continue;
            }
            pens_[id] = std::move(pen);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }

    if (firstStart) {
        json demo = demoPen();
        std::string id = demo["id"];
        pens_[id] = std::move(demo);
        savePen(id);
        saveManager();
        Log::instance().info("First start: demo pen %s created.", id.c_str());
    }
}

json* PenStore::findPen(const std::string& penId) {
    auto it = pens_.find(penId);
    return it == pens_.end() ? nullptr : &*it;
}

json& PenStore::ensurePen(const std::string& penId) {
    if (json* pen = findPen(penId))
        return *pen;
    json& pen = pens_[penId];
    pen = {{"id", penId},
           {"docked", false},
           {"locked", false},
           {"unlockSucceeds", true},
           {"password", ""},
           {"passwordHint", ""},
           {"passwordSavedOnPc", false},
           {"userData", json::object()},
           {"shortcuts", json::array()},
           {"pairedDevices", json::array()},
           {"outbox", json::array()},
           {"battery", json::object()},
           {"memory", json::object()},
           {"revisions", json::object()}};
    return pen;
}

bool PenStore::writeFile(const std::wstring& path, const json& content) {
    // Temp file, flushed, then renamed over the old one: a kill at any moment leaves
    // either the old or the new file, never half of one.
    const std::wstring temp = path + L".tmp";
    const std::string text = content.dump(2);
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Log::instance().error("Cannot write %s (%lu).", narrow(temp).c_str(), GetLastError());
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok)
        ok = MoveFileExW(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        Log::instance().error("Cannot save %s (%lu).", narrow(path).c_str(), GetLastError());
        DeleteFileW(temp.c_str());
    }
    return ok;
}

bool PenStore::savePen(const std::string& penId) {
    json* pen = findPen(penId);
    if (!pen || !validPenId(penId))
        return false;
    return writeFile(penPath(penId),
                     {{"format", kPenFormat}, {"version", kFormatVersion}, {"pen", *pen}});
}

bool PenStore::saveManager() {
    return writeFile(folder_ + L"\\manager.json",
                     {{"format", kManagerFormat}, {"version", kFormatVersion},
                      {"manager", manager_}});
}

bool PenStore::saveAll() {
    bool ok = saveManager();
    for (auto& [id, pen] : pens_.items())
        ok = savePen(id) && ok;
    return ok;
}

json PenStore::dump() const { return {{"manager", manager_}, {"pens", pens_}}; }

json PenStore::demoPen() {
    json shortcuts = json::array();
    const char* names[] = {"Lucía Fernández", "Javier Muñoz",  "Carmen Ortega",
                           "Álvaro Ruiz",     "Marta Sánchez", "Iñigo Etxeberria",
                           "Nuria Gómez",     "Raúl Castaño",  "Elena Peña",
                           "Óscar Villalba"};
    for (int i = 0; i < 10; ++i) {
        std::string n = std::to_string(i);
        shortcuts.push_back({{"name", names[i]},
                             {"email", "contacto" + n + "@correo.es"},
                             {"cellPhone", "+34 600 11 22 " + std::to_string(30 + i)},
                             {"fax", i % 2 ? "" : "+34 91 555 00 " + std::to_string(10 + i)}});
    }

    json devices = json::array();
    const char* deviceNames[] = {"Móvil de Ana", "Portátil oficina"};
    for (int d = 0; d < 2; ++d) {
        devices.push_back(
            {{"name", deviceNames[d]},
             {"isp",
              {{"priority", d},
               {"ssPrimary", account("*99#", "ana.garcia", false, "movistar.es", "", 1)},
               {"ssSecondary", account("*99***1#", "ana.backup", false, "internet.vodafone.es", "", 0)},
               {"osPrimary", account("0901 20 30 40", "velar01", true, "", "192.168.1.20", 2)},
               {"osSecondary", account("0901 20 30 41", "velar02", true, "", "192.168.1.21", 1)}}}});
    }

    // Every status -1..3 and several results, one second apart from 2026-01-15 09:00 UTC.
    json outbox = json::array();
    const long results[] = {0, 0, static_cast<long>(0x80004005), 0, static_cast<long>(0x800C0005),
                            0, 1, static_cast<long>(0x80070005), 0, 0,
                            static_cast<long>(0x8007000E), 0};
    for (int i = 0; i < 12; ++i) {
        std::string n = std::to_string(i + 1);
        outbox.push_back({{"status", i % 5 - 1},
                          {"serviceName", i % 3 ? "Correo electrónico" : "Fax"},
                          {"tabbet", i},
                          {"network", i % 2 == 0},
                          {"seconds", 1768467600 + i * 60},
                          {"milliseconds", (i * 137) % 1000},
                          {"result", results[i]},
                          {"url", "https://servicios.velar.es/envio/" + n},
                          {"message", "Envío número " + n},
                          {"visited", i % 5 == 0}});
    }

    return {{"id", "AAA-BBB-CCC-DD"},
            {"docked", true},
            {"locked", false},
            {"unlockSucceeds", true},
            {"password", ""},
            {"passwordHint", ""},
            {"passwordSavedOnPc", false},
            {"userData",
             {{"name", "Ana García Núñez"},
              {"email", "ana.garcia@correo.es"},
              {"cellPhone", "+34 612 345 678"},
              {"feedbackLanguage", "es"},
              {"timeZone", 60},
              {"homePhone", "+34 91 123 45 67"},
              {"homeFax", "+34 91 123 45 68"},
              {"pager", "+34 93 222 33 44"},
              {"businessPhone", "+34 91 765 43 21"},
              {"businessFax", "+34 91 765 43 22"},
              {"deliveryAddress", address("Calle de Alcalá 123, 4º B", "a/a Ana García",
                                          "Madrid", "28009", "Madrid")},
              {"invoiceAddress", address("Avinguda Diagonal 456", "c/o Velar Ibérica S.L.",
                                         "Barcelona", "08006", "Cataluña")},
              {"readOnly", json::object()}}},
            {"shortcuts", shortcuts},
            {"pairedDevices", devices},
            {"outbox", outbox},
            {"battery",
             {{"remainingCharge", 72},
              {"writingHours", 5},
              {"writingMinutes", 40},
              {"standbyHours", 130},
              {"standbyMinutes", 15}}},
            {"memory", {{"used", 1310720}, {"total", 4194304}}},
            {"revisions",
             {{"application", "3.2.1"},
              {"boot", "1.0.7"},
              {"customization", "ES-2"},
              {"hardware", "B"},
              {"parameter", "17"},
              {"production", "2025-11"}}}};
}
