#include "sheet/SubSheet.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "pen/MyPens.h"

using Microsoft::WRL::ComPtr;

SubSheet::SubSheet(const char* name, UINT captionId, HWND parent, UINT firstPage)
    : PropertySheet(LoadResString(captionId), parent, firstPage), m_parent(parent) {
    NameInLog(name);
    EnableStackedTabs(false);
}

PenSource* SubSheet::Owner() const {
    for (HWND window = m_parent; window; window = GetParent(window))
        if (PenSource* source = PenSource::FromWindow(window))
            return source;
    return nullptr;
}

IPen* SubSheet::GetPen() {
    PenSource* owner = Owner();
    return owner ? owner->GetPen() : nullptr;
}

ComPtr<IPairedDevice> SubSheet::GetPairedDevice(int index) {
    PenSource* owner = Owner();
    return owner ? owner->GetPairedDevice(index) : nullptr;
}

void SubSheet::OnPagesApplied() {
    Tell(Handle());
}

bool SubSheet::OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return DispatchPenMessage(msg, wp, lp, result) || PropertySheet::OnAppMessage(msg, wp, lp, result);
}

LRESULT SubSheet::OnPenDocked(const char* penId, LPARAM lp) {
    TraceScope scope(ScopeName("OnPenDocked"));
    scope.trace("Pen %s docked.", penId);
    SendMessageToDescendants(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    return 0;
}

LRESULT SubSheet::OnPenUndocked(const char* penId, LPARAM lp) {
    TraceScope scope(ScopeName("OnPenUndocked"));
    scope.trace("Pen %s undocked.", penId);
    SendMessageToDescendants(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    return 0;
}
