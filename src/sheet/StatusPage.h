#pragma once
// StatusPage: "Estado del lápiz", the first page. Shows the docked pen's battery as one
// line, refreshed every ten minutes while a pen is shown, and owns the service log
// window, which it brings to the front on request.
#include "dialogs/PenHistory.h"
#include "sheet/SheetPage.h"

class StatusPage : public SheetPage {
public:
    static constexpr UINT_PTR kRefreshTimer = 4711;
    static constexpr UINT kRefreshMs = 600000;

    StatusPage();

    // False while the service log window is shown: the program must go on running.
    BOOL CanClose() const { return !m_history.IsVisible(); }
    void UpdatePage() override;
    PenHistory& History() { return m_history; }

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code) override;
    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;

    void OnPenHistory();

private:
    // One shot, from OnInitDialog: makes the service log window.
    static constexpr UINT_PTR kCreateHistoryTimer = 4712;
    void CreateHistory();

    UINT_PTR m_timer = 0;
    PenHistory m_history;
};
