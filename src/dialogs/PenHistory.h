#pragma once
// PenHistory: the service log window. Lists the service requests in the docked pen's
// outbox (service, date and time, answer link and message); links open in the web
// browser and are marked visited in the pen, and a selected request can be removed from
// the pen. A resizable modeless dialog that keeps its placement and column widths in the
// settings. The pen comes from the owner window, a PenSource.
#include <windows.h>
#include <commctrl.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "framework/MyMessageBox.h"
#include "core/TraceScope.h"
#include "controls/MyListCtrl.h"
#include "framework/Dialog.h"
#include "pen/PenManager.h"
#include "pen/PenMessageReceiver.h"

class PenHistory : public Dialog, private PenMessageReceiver {
public:
    PenHistory();
    ~PenHistory() override;

    // Creates the window, hidden, owned by the pen source owner.
    bool Create(HWND owner);

    // Reloads the rows from the pen's outbox.
    void UpdatePage();
    // Enables the list and the remove button by the pen and the selection.
    void OnUpdateUI();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(NMHDR* header) override;
    bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    LRESULT OnPenDocked(const char* penId, LPARAM) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM) override;
    void OnMove();
    void OnSize(UINT type);
    void OnSizing(UINT edge, RECT* rect);
    void OnShowWindow(bool shown);
    LRESULT OnItemChanged();
    LRESULT OnItemActivate();
    LRESULT OnAnchor(const NMLISTVIEW* cell);
    LRESULT OnAnchorVisited(const NMLISTVIEW* cell);
    LRESULT OnAnchorActivate(const NMITEMACTIVATE* cell);
    LRESULT OnDeleteItem(const NMLISTVIEW* row);
    void OnRemoveItem();

    // The pen's outbox (a new reference), or null.
    Microsoft::WRL::ComPtr<IOutbox> GetOutbox();
    // A shared icon of this program's resources, or null.
    static HICON LoadIcon(UINT id, int width, int height);
    static HICON LoadIcon(UINT id);

private:
    // What a row keeps besides its texts; the time stamp also finds the request again.
    struct RowRecord {
        int64_t timeStamp = -1; // milliseconds since 1970-01-01 UTC, -1 when unknown
        bool visited = false;
    };
    struct ImageListDeleter {
        void operator()(HIMAGELIST images) const { ImageList_Destroy(images); }
    };

    IPen* GetPen() const;
    RowRecord* Record(int row) const;
    // Reads one outbox item and appends its row unless the request is hidden.
    void LoadRow(IOutbox* outbox, LONG index, TraceScope& scope);
    // After a pen message: reloads a shown window and answers an open question No.
    void OnPenChanged();
    // Hides the window; true when the owner is hidden too, so that both go.
    bool HideWindow();

    HWND m_owner = nullptr;
    bool m_initialised = false;
    RECT m_windowRect{};
    MyListCtrl m_list;
    std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> m_images;
    std::unique_ptr<MyMessageBox> m_messageBox;
};
