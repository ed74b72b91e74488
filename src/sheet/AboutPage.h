#pragma once
// AboutPage: "Acerca de", the last page. It shows the program's picture over the page and
// the list support staff ask for: the docked pen's identifier, clock, memory use, paired
// devices and firmware revisions, then the file versions of this program and of the
// components it works with. "Copiar" puts the whole list on the clipboard as text. The
// page edits nothing; it reloads on every pen docked or undocked.
#include <string>
#include <vector>

#include "framework/AlphaPicture.h"
#include "sheet/SheetPage.h"

class AboutPage : public SheetPage {
public:
    // One line of the list: its name and its data.
    struct Row {
        std::wstring name;
        std::wstring data;
        bool operator==(const Row&) const = default;
    };
    using Rows = std::vector<Row>;

    AboutPage();
    ~AboutPage() override;

    void UpdatePage() override;

    // The memory row's data; a total of 0 counts as full.
    static std::wstring MemoryText(long used, long total);
    // The pen's clock (seconds since 1970 UTC and milliseconds) in local time.
    static std::wstring PenTimeText(long seconds, long milliseconds);

    // The rows of one file: one per translation of its version information, or its name
    // and the unexpected-error text when it has none or can't be found.
    static void InsertFileVersion(const std::wstring& path, Rows& rows);
    // The rows of one file's version information; nothing when it has none.
    static void GetVersionInformation(const std::wstring& path, Rows& rows);
    static std::wstring GetMyExePath();
    static std::wstring GetMyPath();
    // The first of: beside this program, in folder, below treePath in this program's
    // folder (as is, in Release, in ReleaseMinDependency); else the bare name, which the
    // version lookup then searches the system's way. Empty folder or treePath: not tried.
    static std::wstring GetFilePath(const std::wstring& name, const std::wstring& folder,
                                    const std::wstring& treePath);

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;

    void OnPaint();
    void OnCopyInfo();

private:
    // The rows of the pen (none without one), then those of this program and of every
    // component, as the list shows them.
    static Rows ReadRows(IPen* pen);
    // The list's text for the clipboard: name, tab, data and CR LF for every row.
    static std::wstring ClipboardText(const Rows& rows);
    void LoadBitmap();
    void FreeBitmap();
    void ShowRows(Rows rows);

    Window m_list;
    AlphaPicture m_picture;
    // The rows shown, for the clipboard.
    Rows m_rows;
};
