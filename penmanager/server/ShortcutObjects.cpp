// The pen's address shortcuts: a copy of the whole list, one object per shortcut.
#include "CopyObjects.h"
#include "WorkingCopy.h"

using nlohmann::json;

namespace {

class AddressShortcut : public CopyPart<IAddressShortcut> {
public:
    using CopyPart::CopyPart;
    PM_TEXT_FIELD(IAddressShortcut, Name, "name")
    PM_TEXT_FIELD(IAddressShortcut, Email, "email")
    PM_TEXT_FIELD(IAddressShortcut, CellPhone, "cellPhone")
    PM_TEXT_FIELD(IAddressShortcut, Fax, "fax")
};

class AddressShortcuts : public WorkingCopy<IAddressShortcuts> {
public:
    explicit AddressShortcuts(json copy) : WorkingCopy(std::move(copy)) {
        if (!copy_.is_array())
            copy_ = json::array();
    }
    STDMETHODIMP GetCount(LONG* count) override {
        PM_CALL("IAddressShortcuts::GetCount", { return Values::countOut(Values::listCount(copy_), count); });
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_CALL("IAddressShortcuts::GetItem", {
            if (!Values::inList(copy_, index))
                return E_INVALIDARG;
            json& shortcut = copy_[index - 1];
            if (!shortcut.is_object())
                return E_FAIL;
            return Values::handOutVariant(new AddressShortcut(this, shortcut, false), item);
        });
    }
};

} // namespace

IAddressShortcuts* newAddressShortcuts(const json& onPen) { return new AddressShortcuts(onPen); }

const json* shortcutsCopy(IAddressShortcuts* shortcuts) {
    const auto* copy = shortcuts ? AddressShortcuts::fromInterface(shortcuts) : nullptr;
    return copy ? &copy->copy() : nullptr;
}
