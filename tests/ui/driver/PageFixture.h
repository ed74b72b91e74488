#pragma once
// PageTest: what the tests of the panel's pages share. The stand-in's demo pen docked,
// the panel started on a page once it shows the pen, the dialogs and questions its
// buttons open, and Apply pressed and waited for as a user's click comes.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver/Driver.h"

namespace ui {

// One row of a sheet's Apply/OK/Cancel table: what the user pressed, what the pen did
// with the write, the pen message that came while the window was open, and what the user
// is left with.
enum class Press { Apply, Ok, Cancel };
enum class Write { Saved, Refused, RefusedOnce }; // RefusedOnce: saved when pressed again
enum class PenMessage { None, Undocked, Redocked, UndockedOverInvalidBox };
struct SheetRow {
    const char* did;
    Press press;
    Write write;
    PenMessage pen;
    bool open;            // the window is still open
    const wchar_t* shows; // the edited field afterwards, when open (null: what was typed)
    int writes;           // write-backs the stand-in served
    bool saved;           // the pen holds what was typed
    bool told;            // the one message the user got names the field
};
// What the user does in any sheet and what he is left with.
extern const std::vector<SheetRow> kSheetRows;
// The sheet a table drives and the one field its rows edit.
struct SheetUnderTest {
    // On the field's page, once it shows the pen, with the field as the pen had it; a
    // sheet the panel opens is opened on the running panel when there is one.
    std::function<Sheet()> open;
    int field;
    const wchar_t* typed;
    const wchar_t* invalid; // a text the field refuses when it is left
    const wchar_t* writeBack; // the call that saves the field (or that the rows make fail)
    std::function<std::wstring()> penValue;
    const wchar_t* valueName; // the field as a message names it
    bool setText = false; // the field takes its text at once (an IP address control)
};

class PageTest : public ::testing::Test {
public: // the cases of a table act on the fixture too
    static constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);
    static constexpr const wchar_t* kPen = StandIn::kDemoPen;
    static constexpr const wchar_t* kUnexpected = L"Ha ocurrido un error imprevisto.";

    // The log is listened to, the stand-in cleared and the demo pen docked with the user
    // data and shortcuts it had at the first test.
    void SetUp() override;
    // Closed the way the user ends it, so that the stand-in is not left with the event
    // sink of a killed panel (the next test's penctl calls time out after one).
    void TearDown() override;

    // The demo pen's state in the stand-in.
    static nlohmann::json Pen();
    // The demo pen's user data and shortcuts as they were at the first test.
    static void RestorePen();
    // Undocked and docked again: the pages read what the stand-in holds now.
    static void Redock();

    // Starts the panel and selects the page with this tab; with ready, waits until it
    // holds (the page shows the pen).
    void StartOn(const std::wstring& tab, const std::function<bool()>& ready = {});
    Control Item(int id) const { return sheet.Item(id); }
    // Posts a click to the button and waits for the window with this caption to show
    // (shown once it has initialised its fields); null when none does.
    HWND Open(const Control& button, const wchar_t* caption) const;
    // Replaces a field's text by typing, as the user does (the edit's key filter applies).
    static void Retype(const Control& field, const std::wstring& text) {
        field.SelectAll();
        field.Type(text);
    }
    // Retypes fields of a dialog by id.
    static void Fill(HWND dialog, std::initializer_list<std::pair<int, const wchar_t*>> fields) {
        for (const auto& [id, text] : fields)
            Retype(Control(dialog, id), text);
    }
    static bool Closed(HWND window) {
        return WaitUntil([&] { return !IsWindow(window); });
    }
    // The next message box, answered; its text (and caption), or "(no box)".
    std::wstring Answer(int button, std::wstring* caption = nullptr) const;
    // Apply of this sheet pressed as a real click comes (posted: pen manager calls made
    // inside a message sent from another process are refused with
    // RPC_E_CANTCALLOUT_ININPUTSYNCCALL), then waited for until the apply has ended,
    // known by the log line its handler leaves.
    void Apply(const Sheet& on, const char* doneLine = "<--(SettingsSheet::ApplyPages)");
    void Apply() { Apply(sheet); }
    bool ApplyEnabled() const { return sheet.Button(Sheet::kApply).IsEnabled(); }
    // How many lines of the program's log so far contain text.
    int LogLines(const std::string& text);
    // Cancel, and the program ends.
    void Close();
    bool Running() { return app.Pid() && !app.WaitExit(0); }
    // Closes the program as the system does from outside (WM_CLOSE to its main window);
    // true when it ended in time.
    bool Quit(DWORD timeoutMs = 10000);

    // A row of a table, from the sheet opened to the sheet closed again.
    void Run(const SheetUnderTest& under, const SheetRow& row);
    static std::string Utf8(const std::wstring& text);
private:
    void RunSteps(const SheetUnderTest& under, const SheetRow& row, Sheet& on);

public:
    static std::wstring FromUtf8(const std::string& utf8);

    DebugLog log;
    Process app;
    Sheet sheet;
};

} // namespace ui
