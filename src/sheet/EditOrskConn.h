#pragma once
// EditOrskConn: "Cambiar servidor". The user types a new server address; it is tested
// (TestOrskConn), kept after a question when the test did not succeed, and written to
// the pen manager. A write that fails is told to the user and the dialog stays open.
#include <string>

#include "controls/HostEdit.h"
#include "framework/Dialog.h"
#include "sheet/WriteFailures.h"

class EditOrskConn : public Dialog, private WriteFailures {
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
    // Writes the address to the pen manager; false, told to the user, when it failed.
    bool WriteAddress(const std::wstring& address);

    std::wstring m_addressAsRead;
    HostEdit m_addressEdit{-1};
};
