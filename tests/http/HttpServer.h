#pragma once
// HttpServer: the loopback HTTP server of the tests (LoopbackHttpServer.exe beside the
// test executable), one process per test run on a free port of 127.0.0.1, stopped when
// the object goes. It answers every request as told and records what it was sent.
#include <windows.h>

#include <string>
#include <vector>

namespace http {

struct Request {
    std::string method, path, version, host, authorization;
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    int Port() const { return m_port; }
    // "127.0.0.1:PORT", as an address of the server.
    std::wstring Address() const;
    // How the following requests are answered: the status (401: until credentials come,
    // then 200), after a delay.
    bool Answer(int status, int delayMs = 0);
    // The requests received since the last call.
    std::vector<Request> Requests();
    // An address of this machine where nothing listens.
    static std::wstring ClosedAddress();
    // Empties the Unix proxy variables, which Wine's WinINet would follow even to 127.0.0.1.
    static void ClearProxyVariables();

private:
    bool Command(const std::string& line, std::vector<std::string>* reply = nullptr);
    bool ReadLine(std::string& line);

    PROCESS_INFORMATION m_process{};
    HANDLE m_in = nullptr;
    HANDLE m_out = nullptr;
    int m_port = 0;
};

} // namespace http
