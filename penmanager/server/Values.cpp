#include "Values.h"

#include "PenStore.h"

namespace Values {

bool isAddressText(const std::string& text) {
    if (text.empty())
        return true;
    int parts = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t dot = text.find('.', at);
        std::string part = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255)
            return false;
        ++parts;
        if (dot == std::string::npos)
            break;
        at = dot + 1;
    }
    return parts == 4;
}

json* dockedPen(const std::string& penId, HRESULT& hr, bool evenLocked) {
    json* pen = PenStore::instance().findPen(penId);
    if (!pen || !flag(*pen, "docked")) {
        hr = kPenNotDocked;
        return nullptr;
    }
    if (!evenLocked && flag(*pen, "locked")) {
        hr = kPenLocked;
        return nullptr;
    }
    hr = S_OK;
    return pen;
}

} // namespace Values
