// Working copies, as the suite's pen manager hands them out: GetUserData,
// GetAddressShortcuts and GetIspSettings give a copy of part of the pen's state;
// setters change only the copy, and the pen sees the change when the copy is written
// back (SetUserData, SetAddressShortcuts, SetIspSettings). A page that forgets to write
// back loses its change.
#pragma once

#include <set>
#include <utility>

#include <nlohmann/json.hpp>

#include "Calls.h"
#include "Values.h"

// The fields of one object of a copy. Read-only flags come from the object's
// "readOnly" member ({"email": true}), or cover the whole object; the pen refuses a
// change of a read-only field.
class Fields {
public:
    Fields(nlohmann::json& fields, bool allReadOnly) : fields_(fields), allReadOnly_(allReadOnly) {}

    bool readOnly(const char* key) const;
    HRESULT getText(const char* key, BSTR* out) const { return Values::stringOut(fields_, key, out); }
    HRESULT setText(const char* key, BSTR value);
    // Texts that hold an IPv4 address: dotted text or empty.
    HRESULT setAddress(const char* key, BSTR value);
    HRESULT getLong(const char* key, LONG* out) const { return Values::longOut(fields_, key, out); }
    HRESULT setLong(const char* key, LONG value, LONG lowest, LONG highest);
    HRESULT getFlag(const char* key, VARIANT_BOOL* out) const;
    HRESULT setFlag(const char* key, VARIANT_BOOL value);
    HRESULT isReadOnly(const char* key, VARIANT_BOOL* out) const { return Values::boolOut(readOnly(key), out); }

private:
    nlohmann::json& fields_;
    bool allReadOnly_;
};

// What the pen keeps when a copy comes back: the copy's values, but the pen's own
// read-only flags and read-only fields, and the pen's fixed number of list items.
nlohmann::json writeBack(const nlohmann::json& onPen, const nlohmann::json& copy);

// The object a getter hands out, owning its copy.
template <class I>
class WorkingCopy : public DualObject<I> {
public:
    explicit WorkingCopy(nlohmann::json copy) : copy_(std::move(copy)) { live().insert(this); }
    ~WorkingCopy() override { live().erase(this); }

    // Our own copy coming back (an object handed back to its server arrives as itself);
    // null for any other object, which the pen refuses.
    static WorkingCopy* fromInterface(I* object) {
        auto it = live().find(object);
        return it == live().end() ? nullptr : static_cast<WorkingCopy*>(*it);
    }
    const nlohmann::json& copy() const { return copy_; }

protected:
    nlohmann::json copy_;

private:
    static std::set<I*>& live() {
        static std::set<I*> objects;
        return objects;
    }
};

// An object inside a copy (an address of the user data, one shortcut, one dial-up
// account): it changes the owner's copy and keeps the owner alive.
template <class I>
class CopyPart : public DualObject<I> {
public:
    CopyPart(IUnknown* owner, nlohmann::json& fields, bool allReadOnly)
        : owner_(owner), fields_(fields, allReadOnly) {
        owner_->AddRef();
    }
    ~CopyPart() override { owner_->Release(); }

protected:
    Fields& fields() { return fields_; }

private:
    IUnknown* owner_;
    Fields fields_;
};

// Getter and setter of one text field of a copy object that has fields().
#define PM_TEXT_FIELD(Iface, Name, key)                                                 \
    STDMETHODIMP Get##Name(BSTR* v) override {                                          \
        PM_CALL(#Iface "::Get" #Name, { return fields().getText(key, v); });            \
    }                                                                                   \
    STDMETHODIMP Set##Name(BSTR v) override {                                           \
        PM_CALL(#Iface "::Set" #Name, { return fields().setText(key, v); });            \
    }
