#pragma once
// EditOrskConn: "Cambiar servidor". The user types a new server address; it is tested
// (TestOrskConn), kept after a question when the test did not succeed, and written to
// the pen manager.
#include <string>

#include "controls/HostEdit.h"
#include "framework/Dialog.h"

class EditOrskConn : public Dialog {
public:
    explicit EditOrskConn(HWND parent);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code) override;

private:
    void OnUpdateUI();
    // Whether the user keeps an address whose test did not succeed.
    bool KeepsUntested(const std::wstring& address);

    std::wstring m_addressAsRead;
    HostEdit m_addressEdit{-1};
};
