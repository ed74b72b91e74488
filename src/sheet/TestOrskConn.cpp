#include "sheet/TestOrskConn.h"

#include <commctrl.h>

#include <cstdlib>
#include <utility>

#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

namespace {
constexpr UINT_PTR kSubclassId = 1;
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
constexpr DWORD kCredentialFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                   FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;
} // namespace

TestOrskConn::TestOrskConn(std::string address, HWND owner)
    : MyMessageBox(owner), m_address(std::move(address)) {}

TestOrskConn::~TestOrskConn() {
    // The box joins its worker when it goes; this only covers a box that never showed.
    Join();
}

INT_PTR TestOrskConn::DoModal() {
    TraceScope scope("TestOrskConn::DoModal");
    const std::wstring caption = LoadResString(IDS_TEST_CAPTION);
    const std::wstring address = StringPackage::ansiToWide(m_address);
    const std::wstring text =
        FormatResString(IDS_TEST_CONNECTING, {reinterpret_cast<DWORD_PTR>(address.c_str())});
    return MessageBox(text, caption, MB_OKCANCEL);
}

void TestOrskConn::OnBoxCreated(HWND box) {
    TraceScope scope("TestOrskConn::OnBoxCreated");
    m_box = box;
    SetWindowSubclass(box, &TestOrskConn::BoxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TestOrskConn::BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    TraceScope scope("TestOrskConn::BoxProc", true);
    auto* test = reinterpret_cast<TestOrskConn*>(self);
    switch (msg) {
    case WM_INITDIALOG:
        return test->OnInitDialog(wp, lp);
    case WM_CLOSE:
        if (!test->OnClose())
            return 0;
        break;
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL && !test->OnCancel())
            return 0;
        // Only the worker's result ends the box (the hidden OK included).
        if (LOWORD(wp) != IDCANCEL && !test->m_finished.load())
            return 0;
        break;
    case WM_TESTFINISHED:
        return test->OnFinished(static_cast<int>(wp));
    case WM_DESTROY:
        test->OnDestroy();
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &TestOrskConn::BoxProc, kSubclassId);
        test->m_box = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT TestOrskConn::OnInitDialog(WPARAM wp, LPARAM lp) {
    TraceScope scope("TestOrskConn::OnInitDialog");
    if (DefSubclassProc(m_box, WM_INITDIALOG, wp, lp) != 0)
        return 0;
    ShowWindow(GetDlgItem(m_box, IDOK), SW_HIDE);
    // Cancel alone, in the middle.
    HWND cancel = GetDlgItem(m_box, IDCANCEL);
    RECT client{}, button{};
    GetClientRect(m_box, &client);
    GetWindowRect(cancel, &button);
    MapWindowPoints(nullptr, m_box, reinterpret_cast<POINT*>(&button), 2);
    const int width = button.right - button.left;
    MoveWindow(cancel, (client.right - width) / 2, button.top, width, button.bottom - button.top, TRUE);
    PostMessageW(m_box, DM_SETDEFID, IDCANCEL, 0);

    m_worker = CreateThread(nullptr, 0, &TestOrskConn::Worker, this, CREATE_SUSPENDED, nullptr);
    if (m_worker)
        ResumeThread(m_worker);
    else // no test without a worker: the box ends as failed
        PostMessageW(m_box, WM_TESTFINISHED, kFailed, 0);
    return 0;
}

void TestOrskConn::OnDestroy() {
    TraceScope scope("TestOrskConn::OnDestroy");
    Join();
    for (HINTERNET* handle : {&m_request, &m_connection, &m_root}) {
        if (*handle)
            InternetCloseHandle(*handle);
        *handle = nullptr;
    }
}

void TestOrskConn::Join() {
    if (!m_worker)
        return;
    WaitForSingleObject(m_worker, INFINITE);
    CloseHandle(m_worker);
    m_worker = nullptr;
}

bool TestOrskConn::OnClose() {
    TraceScope scope("TestOrskConn::OnClose");
    if (m_finished.load())
        return true;
    EnableWindow(GetDlgItem(m_box, IDCANCEL), FALSE);
    return false;
}

bool TestOrskConn::OnCancel() {
    TraceScope scope("TestOrskConn::OnCancel");
    m_cancelRequested = 1;
    if (m_finished.load())
        return true;
    EnableWindow(GetDlgItem(m_box, IDCANCEL), FALSE);
    return false;
}

LRESULT TestOrskConn::OnFinished(int result) {
    TraceScope scope("TestOrskConn::OnFinished");
    scope.trace("Result %d.", result);
    m_finished = 1;
    SendMessageW(m_box, WM_COMMAND, MAKEWPARAM(result, BN_CLICKED), 0);
    return 0;
}

DWORD WINAPI TestOrskConn::Worker(void* self) {
    TraceScope scope("TestOrskConn::Worker");
    auto* test = static_cast<TestOrskConn*>(self);
    const int result = test->RunTest() ? kConnected : test->CancelRequested() ? kCancelled : kFailed;
    PostMessageW(test->m_box, WM_TESTFINISHED, static_cast<WPARAM>(result), 0);
    return 0;
}

bool TestOrskConn::RunTest() {
    TraceScope scope("TestOrskConn::RunTest");
    DWORD state = 0;
    if (!InternetGetConnectedState(&state, 0)) {
        scope.trace("Not connected.");
        return false;
    }
    if (CancelRequested())
        return false;
    const std::string url = "http://" + m_address + "/1";
    if ((state & INTERNET_CONNECTION_OFFLINE) && !InternetGoOnlineA(const_cast<char*>(url.c_str()), m_box, 0))
        return false;
    if (CancelRequested())
        return false;
    const std::string agent = StringPackage::wideToAnsi(LoadResString(IDS_SHEET_CAPTION));
    m_root = InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!m_root || CancelRequested())
        return false;
    // "host:port"; a port that is not a number is 0, the service's default.
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    std::string host = m_address;
    if (const size_t colon = m_address.find(':'); colon != std::string::npos) {
        port = static_cast<INTERNET_PORT>(std::strtol(m_address.c_str() + colon + 1, nullptr, 10));
        host = m_address.substr(0, colon);
    }
    if (CancelRequested())
        return false;
    m_connection =
        InternetConnectA(m_root, host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!m_connection || CancelRequested())
        return false;
    const char* accept[] = {"*/*", nullptr};
    m_request = HttpOpenRequestA(m_connection, nullptr, "/1", "HTTP/1.1", nullptr, accept, kRequestFlags, 0);
    if (!m_request || CancelRequested())
        return false;
    for (;;) {
        if (!HttpSendRequestA(m_request, nullptr, 0, nullptr, 0) || CancelRequested())
            return false;
        DWORD status = 0, length = sizeof(status);
        if (!HttpQueryInfoA(m_request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                            nullptr))
            return false;
        scope.trace("Status %lu.", status);
        if (status == HTTP_STATUS_OK || status == HTTP_STATUS_PARTIAL_CONTENT)
            return true;
        if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_PROXY_AUTH_REQ)
            return false;
        // Credentials asked for: drain the answer, then let the user give them.
        if (CancelRequested())
            return false;
        char scratch[50];
        DWORD read = 0;
        do {
            if (!InternetReadFile(m_request, scratch, sizeof(scratch), &read))
                read = 0;
            if (CancelRequested())
                return false;
        } while (read > 0);
        const DWORD answer =
            InternetErrorDlg(m_box, m_request, ERROR_INTERNET_INCORRECT_PASSWORD, kCredentialFlags, nullptr);
        if (answer != ERROR_INTERNET_FORCE_RETRY || CancelRequested())
            return false;
    }
}
