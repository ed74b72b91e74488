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
    int count = 0;
    for (const auto& line : log.Lines())
        count += line.pid == app.Pid() && line.text.find(text) != std::string::npos;
    return count;
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
