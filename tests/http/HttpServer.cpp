#include "http/HttpServer.h"

#include <winsock2.h>

#include <nlohmann/json.hpp>

namespace http {

namespace {
std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}
} // namespace

HttpServer::HttpServer() {
    ClearProxyVariables();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &m_in, &inherit, 0) || !CreatePipe(&m_out, &childOut, &inherit, 0))
        return;
    SetHandleInformation(m_in, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_out, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring command = L"\"" + BesideThisProgram(L"LoopbackHttpServer.exe") + L"\"";
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &m_process);
    CloseHandle(childIn);
    CloseHandle(childOut);
    std::string line;
    if (started && ReadLine(line) && line.rfind("port ", 0) == 0)
        m_port = std::stoi(line.substr(5));
}

HttpServer::~HttpServer() {
    if (m_in) {
        Command("quit");
        CloseHandle(m_in);
    }
    if (m_process.hProcess) {
        if (WaitForSingleObject(m_process.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    if (m_out)
        CloseHandle(m_out);
}

std::wstring HttpServer::Address() const {
    return L"127.0.0.1:" + std::to_wstring(m_port);
}

bool HttpServer::Answer(int status, int delayMs) {
    std::vector<std::string> reply;
    return Command("answer " + std::to_string(status) + " " + std::to_string(delayMs), &reply);
}

std::vector<Request> HttpServer::Requests() {
    std::vector<std::string> lines;
    std::vector<Request> requests;
    if (!Command("requests", &lines))
        return requests;
    for (const std::string& line : lines) {
        auto json = nlohmann::json::parse(line, nullptr, false);
        if (json.is_object())
            requests.push_back({json.value("method", ""), json.value("path", ""), json.value("version", ""),
                                json.value("host", ""), json.value("authorization", "")});
    }
    return requests;
}

std::wstring HttpServer::ClosedAddress() {
    // A port that was free a moment ago: bound, read and closed again.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(probe);
    WSACleanup();
    return L"127.0.0.1:" + std::to_wstring(ntohs(address.sin_port));
}

void HttpServer::ClearProxyVariables() {
    for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY", L"https_proxy", L"HTTPS_PROXY", L"all_proxy",
                                L"ALL_PROXY", L"no_proxy", L"NO_PROXY"})
        SetEnvironmentVariableW(name, nullptr);
}

bool HttpServer::Command(const std::string& line, std::vector<std::string>* reply) {
    const std::string text = line + "\n";
    DWORD written = 0;
    if (!m_in || !WriteFile(m_in, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return false;
    if (!reply)
        return true;
    std::string answer;
    while (ReadLine(answer)) {
        if (answer == "ok" || answer == "end")
            return true;
        reply->push_back(answer);
    }
    return false;
}

bool HttpServer::ReadLine(std::string& line) {
    line.clear();
    char c = 0;
    DWORD got = 0;
    while (ReadFile(m_out, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n')
            return true;
        if (c != '\r')
            line += c;
    }
    return false;
}

} // namespace http
