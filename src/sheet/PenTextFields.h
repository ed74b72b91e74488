#pragma once
// PenTextFields: the text values of one pen object (user data, an address, a dial-up
// account...) that a page shows in validating edits. Every page does the same with them:
// read each value as read (absent when the read failed), show it or the placeholder
// (string 102 with a pen, 103 without) in an edit that is enabled only for a value that
// was read and may be changed, compare the edits with the values as read, and on Apply
// set only what changed. The object reaches the pen only when the page writes it back
// (SetUserData, SetIspSettings...), so a set value becomes the value as read only after
// that write-back succeeded (Commit); until then, and after a failure, the page stays
// modified. Failures are logged and handed to the page's report (WriteFailed).
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/ValidatingEdit.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"

// A value as read from the pen; absent when it could not be read (and so never written).
using TextAsRead = std::optional<std::wstring>;

// The getter's value, or absent when it failed. Failed reads are not logged.
template <class I> TextAsRead ReadPenText(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(BSTR*)) {
    Bstr text;
    if (!object || FAILED((object->*get)(text.Out())))
        return std::nullopt;
    return text.Str();
}

// Shows a value as read in an edit, or the placeholder; enabled only for a value that
// was read and is not read-only.
void ShowPenText(ValidatingEdit& edit, const TextAsRead& value, bool readOnly,
                 const std::wstring& placeholder);
// Whether the edit holds something else than a value that was read.
bool PenTextChanged(ValidatingEdit& edit, const TextAsRead& value);
// The placeholder of an absent value: "unexpected error" with a pen, "no pen" without.
std::wstring PenTextPlaceholder(bool withPen);

// A value that could not be saved: the string id of its name as the user knows it.
using WriteFailedFn = std::function<void(UINT valueName, HRESULT hr)>;

template <class I> class PenTextFields {
public:
    using Getter = HRESULT (STDMETHODCALLTYPE I::*)(BSTR*);
    using Setter = HRESULT (STDMETHODCALLTYPE I::*)(BSTR);
    using FlagGetter = HRESULT (STDMETHODCALLTYPE I::*)(VARIANT_BOOL*);

    struct Field {
        ValidatingEdit* edit;
        Getter get;
        Setter set;
        FlagGetter isReadOnly; // null: the page sets the flag (one flag for all fields)
        const char* setFailed; // the warning, with "(0x%08x)." for the HRESULT
        UINT valueName;        // string id of the value's name
        TextAsRead asRead;
        bool readOnly = true;
        TextAsRead pending; // set on the object, not yet written back
    };

    void Add(ValidatingEdit& edit, Getter get, Setter set, FlagGetter isReadOnly, const char* setFailed,
             UINT valueName) {
        m_fields.push_back(Field{&edit, get, set, isReadOnly, setFailed, valueName, {}, true, {}});
    }

    // Forgets every value (all absent and read-only).
    void Clear() {
        for (Field& field : m_fields) {
            field.asRead.reset();
            field.pending.reset();
            field.readOnly = true;
        }
    }
    // Reads every value in order, then the read-only flags in the same order (a flag
    // that can't be read leaves its field read-only).
    void Read(I* object) {
        ReadValues(object);
        ReadFlags(object);
    }
    void ReadValues(I* object) {
        for (Field& field : m_fields)
            field.asRead = ReadPenText(object, field.get);
    }
    void ReadFlags(I* object) {
        for (Field& field : m_fields) {
            VARIANT_BOOL flag = VARIANT_TRUE;
            if (field.isReadOnly && SUCCEEDED((object->*field.isReadOnly)(&flag)))
                field.readOnly = flag != VARIANT_FALSE;
        }
    }
    // For fields without a flag of their own.
    void SetReadOnly(bool readOnly) {
        for (Field& field : m_fields)
            if (!field.isReadOnly)
                field.readOnly = readOnly;
    }
    void Show(bool withPen) const {
        const std::wstring placeholder = PenTextPlaceholder(withPen);
        for (const Field& field : m_fields)
            ShowPenText(*field.edit, field.asRead, field.readOnly, placeholder);
    }
    bool Modified() const {
        for (const Field& field : m_fields)
            if (PenTextChanged(*field.edit, field.asRead))
                return true;
        return false;
    }
    // Sets every changed field on the object, in order, each whatever the others did;
    // returns whether anything was set (and so the object must be written back).
    bool Write(I* object, TraceScope& scope, const WriteFailedFn& failed) {
        bool written = false;
        for (Field& field : m_fields) {
            field.pending.reset();
            if (!PenTextChanged(*field.edit, field.asRead))
                continue;
            const std::wstring text = field.edit->GetWindowUnicode();
            Bstr value(text);
            const HRESULT hr = (object->*field.set)(value.Get());
            if (FAILED(hr)) {
                scope.warning(field.setFailed, static_cast<unsigned>(hr));
                failed(field.valueName, hr);
                continue;
            }
            field.pending = text;
            written = true;
        }
        return written;
    }
    // The object was written back: what was set is now the value as read.
    void Commit() {
        for (Field& field : m_fields)
            if (field.pending) {
                field.asRead = std::move(field.pending);
                field.pending.reset();
            }
    }
    // The pen's answer to writing the object back: what was set is the value as read now,
    // or, when it failed (logged with failedText), reported while the page stays modified.
    void Settle(HRESULT writeBack, TraceScope& scope, const char* failedText, const WriteFailedFn& failed) {
        if (SUCCEEDED(writeBack)) {
            Commit();
            return;
        }
        scope.warning(failedText, static_cast<unsigned>(writeBack));
        Abandon(writeBack, failed);
    }
    // The object never reached the pen: what was set is reported, the page stays modified.
    void Abandon(HRESULT hr, const WriteFailedFn& failed) {
        for (Field& field : m_fields)
            if (field.pending) {
                failed(field.valueName, hr);
                field.pending.reset();
            }
    }
    // Fields whose edit differs from the value as read, all reported (the object to set
    // them on could not be had).
    void ReportChanged(HRESULT hr, const WriteFailedFn& failed) const {
        for (const Field& field : m_fields)
            if (PenTextChanged(*field.edit, field.asRead))
                failed(field.valueName, hr);
    }

private:
    std::vector<Field> m_fields;
};
