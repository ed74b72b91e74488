#include "ui/driver/PageFixture.h"

namespace ui {

void PageTest::SetUp() {
    ASSERT_TRUE(log.IsListening());
    ASSERT_TRUE(StandIn::Clear());
    ASSERT_NO_FATAL_FAILURE(RestorePen());
    ASSERT_TRUE(StandIn::Dock(kPen));
}

void PageTest::RestorePen() {
    static const nlohmann::json first = Pen();
    ASSERT_TRUE(StandIn::SetJson(kPen, L"/userData", first.at("userData").dump()));
    ASSERT_TRUE(StandIn::SetJson(kPen, L"/shortcuts", first.at("shortcuts").dump()));
}

void PageTest::TearDown() {
    Quit();
}

bool PageTest::Quit(DWORD timeoutMs) {
    if (HWND frame = app.FindTopWindow(kFrameClass))
        Post(frame, WM_CLOSE);
    return app.WaitExit(timeoutMs);
}

nlohmann::json PageTest::Pen() {
    return StandIn::State()["pens"]["AAA-BBB-CCC-DD"];
}

void PageTest::Redock() {
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(StandIn::Dock(kPen));
}

void PageTest::StartOn(const std::wstring& tab, const std::function<bool()>& ready) {
    ASSERT_TRUE(app.Start(L"Quillpad.exe"));
    sheet = Sheet::Find(app.Pid(), kSheetCaption);
    ASSERT_TRUE(sheet) << log.Dump();
    ASSERT_TRUE(sheet.SelectPage(tab));
    if (ready) {
        ASSERT_TRUE(WaitUntil(ready)) << log.Dump();
    }
}

HWND PageTest::Open(const Control& button, const wchar_t* caption) const {
    button.PostClick();
    return WaitFor([&] {
        HWND window = FindDialog(app.Pid(), caption);
        return window && IsWindowVisible(window) ? window : nullptr;
    });
}

std::wstring PageTest::Answer(int button, std::wstring* caption) const {
    MessageBoxWindow box = MessageBoxWindow::Wait(app.Pid());
    if (!box)
        return L"(no box)";
    const std::wstring text = box.Text();
    if (caption)
        *caption = box.Caption();
    box.Answer(button);
    EXPECT_TRUE(box.WaitClosed());
    return text;
}

int PageTest::LogLines(const std::string& text) {
    return log.Count(app.Pid(), text);
}

void PageTest::Apply(const Sheet& on, const char* doneLine) {
    const int before = LogLines(doneLine);
    on.Button(Sheet::kApply).PostClick();
    ASSERT_TRUE(WaitUntil([&] { return LogLines(doneLine) > before; })) << log.Dump();
}

void PageTest::Close() {
    sheet.Button(Sheet::kCancel).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));
}

} // namespace ui

namespace ui {

const std::vector<SheetRow> kSheetRows = {
    {"applies", Press::Apply, Write::Saved, PenMessage::None, true, nullptr, 1, true, false},
    {"applies, the pen refuses", Press::Apply, Write::Refused, PenMessage::None, true, nullptr, 1, false, true},
    {"applies again after a refusal", Press::Apply, Write::RefusedOnce, PenMessage::None, true, nullptr, 2, true,
     true},
    {"presses OK", Press::Ok, Write::Saved, PenMessage::None, false, nullptr, 1, true, false},
    {"presses OK, the pen refuses", Press::Ok, Write::Refused, PenMessage::None, true, nullptr, 1, false, true},
    {"presses OK again after a refusal", Press::Ok, Write::RefusedOnce, PenMessage::None, false, nullptr, 2, true,
     true},
    {"cancels", Press::Cancel, Write::Saved, PenMessage::None, false, nullptr, 0, false, false},
    {"presses OK after the pen went", Press::Ok, Write::Saved, PenMessage::Undocked, false, nullptr, 0, false,
     false},
    {"presses OK after the pen came back", Press::Ok, Write::Saved, PenMessage::Redocked, false, nullptr, 0, false,
     false},
    {"undocks while 'Entrada no válida' is open", Press::Apply, Write::Saved, PenMessage::UndockedOverInvalidBox,
     true, kNoPenText, 0, false, false},
};

void PageTest::Run(const SheetUnderTest& under, const SheetRow& row) {
    SCOPED_TRACE(std::string(row.did) + " (" + Utf8(under.writeBack) + ")");
    Sheet on;
    RunSteps(under, row, on);
    // Whatever failed above, the next row starts afresh. A sheet the panel opens is
    // closed (the panel stays); the panel's own ends it.
    if (row.write != Write::Saved) {
        EXPECT_TRUE(StandIn::Clear());
    }
    if (row.pen != PenMessage::None) {
        EXPECT_TRUE(StandIn::Dock(kPen));
    }
    if (on && on.Hwnd() != sheet.Hwnd() && !MessageBoxWindow::Find(app.Pid())) {
        if (IsWindow(on.Hwnd()))
            on.Button(Sheet::kCancel).PostClick();
        if (on.WaitClosed() && sheet.IsVisible())
            return;
    }
    Quit();
}

void PageTest::RunSteps(const SheetUnderTest& under, const SheetRow& row, Sheet& on) {
    on = under.open();
    ASSERT_TRUE(on) << log.Dump();
    const std::string writeBack(under.writeBack, under.writeBack + wcslen(under.writeBack));
    const std::wstring asRead = on.Item(under.field).Text();
    const int writes = StandIn::CallCount(writeBack), told = LogLines("-->(WriteFailures::Message)");
    const bool invalid = row.pen == PenMessage::UndockedOverInvalidBox;
    if (under.setText)
        on.Item(under.field).SetText(under.typed);
    else
        Retype(on.Item(under.field), invalid ? under.invalid : under.typed);
    if (row.write != Write::Saved) {
        ASSERT_TRUE(StandIn::Fail(under.writeBack, kFail, row.write == Write::RefusedOnce ? 1 : -1));
    }
    auto shows = [&](const std::wstring& text) {
        return WaitUntil([&] { return on.Item(under.field).Text() == text; });
    };
    if (row.pen == PenMessage::Undocked) {
        ASSERT_TRUE(StandIn::Undock(kPen));
        ASSERT_TRUE(shows(kNoPenText)) << "the window did not hear the pen go";
    } else if (row.pen == PenMessage::Redocked) {
        Redock();
        ASSERT_TRUE(shows(asRead)) << "the window did not hear the pen come back";
    }
    const int button = row.press == Press::Apply ? Sheet::kApply : row.press == Press::Ok ? Sheet::kOk : Sheet::kCancel;
    on.Button(button).PostClick();
    if (invalid) {
        MessageBoxWindow box = MessageBoxWindow::Wait(app.Pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(box.Caption(), L"Entrada no válida");
        ASSERT_TRUE(StandIn::Undock(kPen));
        EXPECT_TRUE(box.WaitClosed()) << "the pen went, the question stayed";
    } else if (row.told) {
        const std::wstring text = Answer(IDOK);
        EXPECT_NE(text.find(std::wstring(L"- ") + under.valueName), std::wstring::npos) << Utf8(text);
        if (row.write == Write::RefusedOnce)
            on.Button(button).PostClick();
    }
    const std::wstring expectShown = row.shows ? row.shows : under.typed;
    if (!row.open) {
        EXPECT_TRUE(on.WaitClosed()) << "still open";
    } else {
        // Whatever the press still does, it does now.
        EXPECT_FALSE(on.WaitClosed(500)) << "closed";
        if (row.saved) {
            EXPECT_TRUE(WaitUntil([&] { return !on.Button(Sheet::kApply).IsEnabled(); }));
        }
        EXPECT_TRUE(shows(expectShown)) << Utf8(on.Item(under.field).Text());
        EXPECT_EQ(on.Button(Sheet::kApply).IsEnabled(), expectShown == under.typed && !row.saved);
        EXPECT_FALSE(MessageBoxWindow::Find(app.Pid()));
    }
    EXPECT_EQ(StandIn::CallCount(writeBack) - writes, row.writes);
    EXPECT_EQ(under.penValue() == under.typed, row.saved) << Utf8(under.penValue());
    EXPECT_EQ(LogLines("-->(WriteFailures::Message)") - told, row.told ? 1 : 0) << "messages told";
}

std::string PageTest::Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring PageTest::FromUtf8(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

} // namespace ui
