#pragma once
// Quillpad: the program's main window. It is never shown: it owns the window the user
// works with, answers a second start of the program, and opens the help file.
#include <memory>
#include <string>

#include "framework/FrameWindow.h"

class SettingsSheet;

class Quillpad : public FrameWindow {
public:
    Quillpad();
    ~Quillpad() override;

    SettingsSheet* Sheet() const { return m_sheet.get(); }

    static constexpr int kHelpCommand = 57670; // ID_HELP

    // The directory of the program's executable, without a trailing backslash.
    static std::wstring GetMyPath();
    // The help file next to the executable or in the build tree; empty when neither.
    static std::wstring FindHelpFile(const std::wstring& directory);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    int OnCreate(CREATESTRUCTW* create) override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;

    LRESULT OnMeMyselfAndI(WPARAM wp, LPARAM lp);
    void OnHelp();

private:
    static constexpr UINT_PTR kIconTimer = 1;

    void SetIcons();
    static std::wstring ReadHandedOverCommandLine(HWND owner);

    std::unique_ptr<SettingsSheet> m_sheet;
};
