#include "framework/MyMessageBox.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"

int MyMessageBox::MessageBox(const std::wstring& text, const std::wstring& caption, UINT type) {
    TraceScope scope("MyMessageBox::MessageBox");
    return Show(text, caption, type);
}

int MyMessageBox::MessageBox(UINT textId, UINT captionId, UINT type) {
    TraceScope scope("MyMessageBox::MessageBox");
    return MessageBox(LoadResString(textId), LoadResString(captionId), type);
}
