#include "sheet/WriteFailures.h"

#include <algorithm>

#include "core/TraceScope.h"
#include "framework/MyMessageBox.h"
#include "framework/ResourceText.h"
#include "framework/Window.h"
#include "pen/HResultToMessage.h"
#include "res/resource.h"

void WriteFailures::Add(const std::wstring& value, HRESULT hr) {
    TraceScope scope("WriteFailures::Add");
    m_failures.push_back({value, hr});
}

std::wstring WriteFailures::Message() const {
    TraceScope scope("WriteFailures::Message");
    std::wstring values, reasons;
    std::vector<HRESULT> told;
    for (const Failure& failure : m_failures) {
        values += (values.empty() ? L"- " : L"\n- ") + failure.value;
        // One sentence per distinct error, in the order they happened.
        if (std::find(told.begin(), told.end(), failure.hr) == told.end()) {
            told.push_back(failure.hr);
            reasons += (reasons.empty() ? L"" : L"\n") + HResultToMessage(failure.hr);
        }
    }
    return FormatResString(
        m_textId ? m_textId : IDS_WRITE_FAILED,
        {reinterpret_cast<DWORD_PTR>(values.c_str()), reinterpret_cast<DWORD_PTR>(reasons.c_str())});
}

void WriteFailures::Tell(HWND owner) {
    TraceScope scope("WriteFailures::Tell");
    if (m_failures.empty())
        return;
    const std::wstring text = Message();
    m_failures.clear();
    MyMessageBox box(owner);
    box.MessageBox(text, LoadResString(IDS_SHEET_CAPTION), MB_ICONERROR | MB_OK);
}

WriteFailures* WriteFailures::FromWindow(HWND sheet) {
    return dynamic_cast<WriteFailures*>(Window::FromHandle(sheet));
}
