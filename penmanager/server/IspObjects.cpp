// Internet access of a paired phone: a copy of its ISP settings with the four dial-up
// accounts.
#include "CopyObjects.h"
#include "WorkingCopy.h"

using nlohmann::json;

namespace {

class DialUpAccount : public CopyPart<IDialUpAccount> {
public:
    using CopyPart::CopyPart;
    STDMETHODIMP IsIsdn(VARIANT_BOOL* v) override {
        PM_CALL("IDialUpAccount::IsIsdn", { return fields().getFlag("isdn", v); });
    }
    STDMETHODIMP SetIsdn(VARIANT_BOOL v) override {
        PM_CALL("IDialUpAccount::SetIsdn", { return fields().setFlag("isdn", v); });
    }
    PM_TEXT_FIELD(IDialUpAccount, DialString, "dialString")
    PM_TEXT_FIELD(IDialUpAccount, Username, "username")
    PM_TEXT_FIELD(IDialUpAccount, Password, "password")
    PM_TEXT_FIELD(IDialUpAccount, Proxy, "proxy")
    PM_TEXT_FIELD(IDialUpAccount, Apn, "apn")

#define PM_ADDRESS_FIELD(Name, key)                                                     \
    STDMETHODIMP Get##Name(BSTR* v) override {                                          \
        PM_CALL("IDialUpAccount::Get" #Name, { return fields().getText(key, v); });     \
    }                                                                                   \
    STDMETHODIMP Set##Name(BSTR v) override {                                           \
        PM_CALL("IDialUpAccount::Set" #Name, { return fields().setAddress(key, v); });  \
    }
    PM_ADDRESS_FIELD(PrimaryDns, "primaryDns")
    PM_ADDRESS_FIELD(SecondaryDns, "secondaryDns")
    PM_ADDRESS_FIELD(DefaultIpAddress, "defaultIpAddress")
#undef PM_ADDRESS_FIELD

    STDMETHODIMP GetAuthentication(LONG* mode) override {
        PM_CALL("IDialUpAccount::GetAuthentication", { return fields().getLong("authentication", mode); });
    }
    STDMETHODIMP SetAuthentication(LONG mode) override {
        // 0 normal, 1 secure, 2 none.
        PM_CALL("IDialUpAccount::SetAuthentication", { return fields().setLong("authentication", mode, 0, 2); });
    }
};

class IspSettings : public WorkingCopy<IIspSettings> {
public:
    explicit IspSettings(json copy) : WorkingCopy(std::move(copy)), fields_(copy_, false) {
        if (!copy_.is_object())
            copy_ = json::object();
    }
    STDMETHODIMP GetPriority(LONG* priority) override {
        PM_CALL("IIspSettings::GetPriority", { return fields_.getLong("priority", priority); });
    }
    STDMETHODIMP SetPriority(LONG priority) override {
        // 0 the primary dial-up is active, 1 the secondary.
        PM_CALL("IIspSettings::SetPriority", { return fields_.setLong("priority", priority, 0, 1); });
    }
    STDMETHODIMP GetSSPrimaryAccount(IDialUpAccount** account) override {
        PM_CALL("IIspSettings::GetSSPrimaryAccount", { return accountOut("ssPrimary", account); });
    }
    STDMETHODIMP GetSSSecondaryAccount(IDialUpAccount** account) override {
        PM_CALL("IIspSettings::GetSSSecondaryAccount", { return accountOut("ssSecondary", account); });
    }
    STDMETHODIMP GetOSPrimaryAccount(IDialUpAccount** account) override {
        PM_CALL("IIspSettings::GetOSPrimaryAccount", { return accountOut("osPrimary", account); });
    }
    STDMETHODIMP GetOSSecondaryAccount(IDialUpAccount** account) override {
        PM_CALL("IIspSettings::GetOSSecondaryAccount", { return accountOut("osSecondary", account); });
    }

private:
    // A phone that lacks an account has none to hand out.
    HRESULT accountOut(const char* key, IDialUpAccount** account) {
        if (!account)
            return E_POINTER;
        *account = nullptr;
        auto found = copy_.find(key);
        if (found == copy_.end() || !found->is_object())
            return E_FAIL;
        return Values::handOut(new DialUpAccount(this, *found, fields_.readOnly(key)), account);
    }

    Fields fields_;
};

} // namespace

IIspSettings* newIspSettings(const json& onPen) { return new IspSettings(onPen); }

const json* ispSettingsCopy(IIspSettings* settings) {
    const auto* copy = settings ? IspSettings::fromInterface(settings) : nullptr;
    return copy ? &copy->copy() : nullptr;
}
