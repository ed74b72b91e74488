#pragma once
// SheetPage: what every page of the settings sheet (and of its sub-sheets) has in common.
// It takes the current pen from the sheet it sits on, turns the change notifications of
// its controls into OnUpdateUI, and answers the pen messages: the page reloads, a
// sub-sheet it has open hears the message and stays open, a dialog that shows what the
// pen holds is closed and a question is answered No. Pages only say what is theirs:
// UpdatePage, OnUpdateUI, OnApply, and which of their windows is which (RunDialog).
#include <memory>
#include <string>
#include <utility>

#include "framework/MyMessageBox.h"
#include "framework/PropertyPage.h"
#include "framework/ScopeNames.h"
#include "pen/PenManager.h"
#include "pen/PenMessageReceiver.h"

class SheetPage : public PropertyPage, protected PenMessageReceiver {
public:
    // name: the page's class in the log ("DeliveryPage::UpdatePage").
    explicit SheetPage(UINT templateId, const char* name = "SheetPage")
        : PropertyPage(templateId), m_names(name) {}

    // Reloads every value from the current pen (or shows the no-pen state).
    virtual void UpdatePage() = 0;

protected:
    // What a pen message does to a window the page runs.
    enum class PenMessages {
        Close,  // a dialog on what the pen holds: it gets WM_CLOSE
        PassOn, // a sub-sheet: it hears the message, reloads and stays open
    };

    // The current pen of the sheet the page sits on (borrowed), or null.
    IPen* GetPen() const;
    // A new reference to paired device index (from 0) of that pen, or null.
    Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int index) const;
    // "Name::operation", for the page's trace scopes.
    const char* ScopeName(const char* operation) { return m_names(operation); }

    // Compares the controls with the values as read and sets the modified state.
    virtual void OnUpdateUI() {}
    // The page reloads (UpdatePage), then its open windows hear of it.
    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;

    // Asks a question that a pen message answers with No; returns the answer.
    int AskQuestion(UINT textId, UINT captionId, UINT type);
    // Runs a modal dialog or sheet of the page, kept in member while it runs (so that a
    // pen message reaches it) and deleted afterwards; returns what DoModal returned.
    template <class D, class... Args>
    INT_PTR RunDialog(std::unique_ptr<D>& member, PenMessages pen, Args&&... args) {
        member = std::make_unique<D>(std::forward<Args>(args)...);
        Window*& open = pen == PenMessages::Close ? m_closedByPen : m_hearsPen;
        open = member.get();
        const INT_PTR result = member->DoModal();
        open = nullptr;
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

private:
    void PassOnPenMessage(UINT msg, const char* penId, LPARAM lp);

    Window* m_closedByPen = nullptr;
    Window* m_hearsPen = nullptr;
    std::unique_ptr<MyMessageBox> m_question;
    ScopeNames m_names;
};
