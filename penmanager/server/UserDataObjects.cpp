// The owner's details: a copy of the pen's user data, with its two postal addresses.
#include "CopyObjects.h"
#include "WorkingCopy.h"

using nlohmann::json;

namespace {

class PostalAddress : public CopyPart<IPostalAddress> {
public:
    using CopyPart::CopyPart;
    PM_TEXT_FIELD(IPostalAddress, Street, "street")
    PM_TEXT_FIELD(IPostalAddress, Street2, "street2")
    PM_TEXT_FIELD(IPostalAddress, City, "city")
    PM_TEXT_FIELD(IPostalAddress, Postal, "postal")
    PM_TEXT_FIELD(IPostalAddress, State, "state")
    PM_TEXT_FIELD(IPostalAddress, Country, "country")
};

class UserData : public WorkingCopy<IUserData> {
public:
    explicit UserData(json copy) : WorkingCopy(std::move(copy)), fields_(copy_, false) {
        if (!copy_.is_object())
            copy_ = json::object();
    }

#define PM_USER_FIELD(Name, key)                                                        \
    PM_TEXT_FIELD(IUserData, Name, key)                                                 \
    STDMETHODIMP Is##Name##ReadOnly(VARIANT_BOOL* v) override {                         \
        PM_CALL("IUserData::Is" #Name "ReadOnly", { return fields_.isReadOnly(key, v); }); \
    }
    PM_USER_FIELD(Name, "name")
    PM_USER_FIELD(Email, "email")
    PM_USER_FIELD(CellPhone, "cellPhone")
    PM_USER_FIELD(FeedbackLanguage, "feedbackLanguage")
    PM_USER_FIELD(HomePhone, "homePhone")
    PM_USER_FIELD(HomeFax, "homeFax")
    PM_USER_FIELD(Pager, "pager")
    PM_USER_FIELD(BusinessPhone, "businessPhone")
    PM_USER_FIELD(BusinessFax, "businessFax")
#undef PM_USER_FIELD

    STDMETHODIMP GetTimeZone(short* minutes) override {
        PM_CALL("IUserData::GetTimeZone", {
            LONG value = 0;
            if (!minutes)
                return E_POINTER;
            HRESULT hr = fields_.getLong("timeZone", &value);
            *minutes = static_cast<short>(value);
            return hr;
        });
    }
    STDMETHODIMP SetTimeZone(short minutes) override {
        // Offsets run from GMT-12 to GMT+14.
        PM_CALL("IUserData::SetTimeZone", { return fields_.setLong("timeZone", minutes, -12 * 60, 14 * 60); });
    }
    STDMETHODIMP IsTimeZoneReadOnly(VARIANT_BOOL* v) override {
        PM_CALL("IUserData::IsTimeZoneReadOnly", { return fields_.isReadOnly("timeZone", v); });
    }
    STDMETHODIMP GetDeliveryAddress(IPostalAddress** address) override {
        PM_CALL("IUserData::GetDeliveryAddress", { return addressOut("deliveryAddress", address); });
    }
    STDMETHODIMP GetInvoiceAddress(IPostalAddress** address) override {
        PM_CALL("IUserData::GetInvoiceAddress", { return addressOut("invoiceAddress", address); });
    }
    STDMETHODIMP IsDeliveryAddressReadOnly(VARIANT_BOOL* v) override {
        PM_CALL("IUserData::IsDeliveryAddressReadOnly", { return fields_.isReadOnly("deliveryAddress", v); });
    }
    STDMETHODIMP IsInvoiceAddressReadOnly(VARIANT_BOOL* v) override {
        PM_CALL("IUserData::IsInvoiceAddressReadOnly", { return fields_.isReadOnly("invoiceAddress", v); });
    }

private:
    Fields& fields() { return fields_; }
    // One flag covers a whole address.
    HRESULT addressOut(const char* key, IPostalAddress** address) {
        if (!address)
            return E_POINTER;
        *address = nullptr;
        json& fields = copy_[key];
        if (!fields.is_object())
            fields = json::object();
        return Values::handOut(new PostalAddress(this, fields, fields_.readOnly(key)), address);
    }

    Fields fields_;
};

} // namespace

IUserData* newUserData(const json& onPen) { return new UserData(onPen); }

const json* userDataCopy(IUserData* userData) {
    const auto* copy = userData ? UserData::fromInterface(userData) : nullptr;
    return copy ? &copy->copy() : nullptr;
}
