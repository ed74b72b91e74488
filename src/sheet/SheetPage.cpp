#include "sheet/SheetPage.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "pen/MyPens.h"
#include "pen/PenSource.h"
#include "sheet/WriteFailures.h"

IPen* SheetPage::GetPen() const {
    PenSource* source = PenSource::FromWindow(SheetHandle());
    return source ? source->GetPen() : nullptr;
}

Microsoft::WRL::ComPtr<IPairedDevice> SheetPage::GetPairedDevice(int index) const {
    PenSource* source = PenSource::FromWindow(SheetHandle());
    return source ? source->GetPairedDevice(index) : nullptr;
}

LRESULT SheetPage::OnPenDocked(const char* penId, LPARAM lp) {
    TraceScope scope(ScopeName("OnPenDocked"));
    scope.trace("Pen %s docked.", penId);
    PassOnPenMessage(MyPens::WM_PENDOCKED, penId, lp);
    return 0;
}

LRESULT SheetPage::OnPenUndocked(const char* penId, LPARAM lp) {
    TraceScope scope(ScopeName("OnPenUndocked"));
    scope.trace("Pen %s undocked.", penId);
    PassOnPenMessage(MyPens::WM_PENUNDOCKED, penId, lp);
    return 0;
}

void SheetPage::PassOnPenMessage(UINT msg, const char* penId, LPARAM lp) {
    UpdatePage();
    if (m_hearsPen && m_hearsPen->IsWindow())
        m_hearsPen->Send(msg, reinterpret_cast<WPARAM>(penId), lp);
    if (m_closedByPen && m_closedByPen->IsWindow())
        m_closedByPen->Send(WM_CLOSE);
    if (m_question)
        m_question->Close(IDNO);
}

int SheetPage::AskQuestion(UINT textId, UINT captionId, UINT type) {
    TraceScope scope("SheetPage::AskQuestion");
    m_question = std::make_unique<MyMessageBox>(m_hwnd);
    int answer = m_question->MessageBox(textId, captionId, type);
    m_question.reset();
    return answer;
}

void SheetPage::WriteFailed(UINT valueNameId, HRESULT hr) {
    TraceScope scope("SheetPage::WriteFailed");
    if (WriteFailures* failures = WriteFailures::FromWindow(SheetHandle()))
        failures->Add(LoadResString(valueNameId), hr);
}

void SheetPage::FillCB(int id, UINT stringId) {
    TraceScope scope("SheetPage::FillCB");
    HWND combo = Item(id);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    std::wstring text = LoadResString(stringId);
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\n', start);
        std::wstring part = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(part.c_str()));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
}

void SheetPage::SetCBItem(int id, int index, bool readOnly) {
    TraceScope scope("SheetPage::SetCBItem");
    SendDlgItemMessageW(m_hwnd, id, CB_SETCURSEL, static_cast<WPARAM>(index < 0 ? -1 : index), 0);
    EnableItem(id, index >= 0 && !readOnly);
}

void SheetPage::SetCBState(int id, int state) {
    TraceScope scope("SheetPage::SetCBState");
    CheckDlgButton(m_hwnd, id, state >= 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableItem(id, state >= 0);
}

bool SheetPage::OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return DispatchPenMessage(msg, wp, lp, result) || PropertyPage::OnAppMessage(msg, wp, lp, result);
}

bool SheetPage::OnCommand(int id, int code) {
    if (code == EN_CHANGE || code == BN_CLICKED || code == CBN_SELCHANGE) {
        OnUpdateUI();
        return false; // the page may still act on the control itself
    }
    return PropertyPage::OnCommand(id, code);
}
