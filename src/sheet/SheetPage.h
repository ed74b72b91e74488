#pragma once
// SheetPage: what every page of the settings sheet (and of its sub-sheets) has in common.
// It takes the current pen from the sheet it sits on, turns the pen messages into
// OnPenDocked/OnPenUndocked, turns the change notifications of its controls into
// OnUpdateUI, and keeps the dialog or question it has open so that a pen message can
// close it. Pages only say what is theirs: UpdatePage, OnUpdateUI, OnApply.
#include <memory>
#include <string>
#include <utility>

#include "framework/MyMessageBox.h"
#include "framework/PropertyPage.h"
#include "pen/PenManager.h"
#include "pen/PenMessageReceiver.h"

class SheetPage : public PropertyPage, protected PenMessageReceiver {
public:
    explicit SheetPage(UINT templateId) : PropertyPage(templateId) {}

    // Reloads every value from the current pen (or shows the no-pen state).
    virtual void UpdatePage() = 0;

protected:
    // The current pen of the sheet the page sits on (borrowed), or null.
    IPen* GetPen() const;
    // A new reference to paired device index (from 0) of that pen, or null.
    Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int index) const;

    // The pen messages (OnPenDocked, OnPenUndocked) come through PenMessageReceiver.
    // Compares the controls with the values as read and sets the modified state.
    virtual void OnUpdateUI() {}

    // Closes what the page has open: a dialog gets WM_CLOSE, a question is answered No.
    void CloseOpenWindows();
    // Asks a question that a pen message can answer with No; returns the answer.
    int AskQuestion(UINT textId, UINT captionId, UINT type);
    // Runs a modal dialog of the page, kept in member while it runs (so that a pen
    // message can close it) and deleted afterwards; returns what DoModal returned.
    template <class D, class... Args>
    INT_PTR RunDialog(std::unique_ptr<D>& member, Args&&... args) {
        member = std::make_unique<D>(std::forward<Args>(args)...);
        m_openDialog = member.get();
        const INT_PTR result = member->DoModal();
        m_openDialog = nullptr;
        member.reset();
        return result;
    }
    // During OnApply: a value (string id of its name) that could not be saved. The sheet
    // tells the user once all pages have applied.
    void WriteFailed(UINT valueNameId, HRESULT hr);

    // Combo boxes: the items of a "\n"-separated string resource; the selection (the
    // control enabled exactly for an index of 0 or more, and not read-only).
    void FillCB(int id, UINT stringId);
    void SetCBItem(int id, int index, bool readOnly = false);
    // Check boxes: -1 unknown (unchecked, disabled), 0 unchecked, 1 checked.
    void SetCBState(int id, int state);

    bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnCommand(int id, int code) override;

    // A modal dialog of the page while it runs (not owned).
    Window* m_openDialog = nullptr;

private:
    std::unique_ptr<MyMessageBox> m_question;
};
