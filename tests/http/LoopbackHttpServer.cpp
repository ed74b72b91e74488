// LoopbackHttpServer.exe: a small HTTP server on 127.0.0.1 for the tests and the demo.
// It listens on a free port, prints "port N" on its output, and then takes commands, one
// a line, on its input:
//   answer STATUS [DELAY_MS]  how the following requests are answered (default 200, 0)
//   requests                  the requests so far, one JSON object a line, then "end"
//   quit                      stops (also when its input closes)
// A 401 answer asks for Basic credentials and answers 200 once a request brings them.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::mutex g_lock;
std::vector<std::string> g_requests; // JSON lines
std::atomic<int> g_status{200};
std::atomic<int> g_delayMs{0};

std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20)
            out += c;
    }
    return out + "\"";
}

std::string Header(const std::string& head, const char* name) {
    std::istringstream lines(head);
    std::string line;
    const size_t length = strlen(name);
    while (std::getline(lines, line)) {
        if (line.size() > length && _strnicmp(line.c_str(), name, length) == 0 && line[length] == ':') {
            std::string value = line.substr(length + 1);
            value.erase(0, value.find_first_not_of(' '));
            value.erase(value.find_last_not_of("\r ") + 1);
            return value;
        }
    }
    return {};
}

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    default:
        return "Error";
    }
}

void Serve(SOCKET client) {
    std::string head;
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(client, buffer, sizeof(buffer), 0);
        if (got <= 0)
            break;
        head.append(buffer, got);
    }
    if (!head.empty()) {
        std::istringstream first(head.substr(0, head.find("\r\n")));
        std::string method, path, version;
        first >> method >> path >> version;
        const std::string authorization = Header(head, "Authorization");
        {
            std::lock_guard<std::mutex> lock(g_lock);
            g_requests.push_back("{\"method\":" + JsonText(method) + ",\"path\":" + JsonText(path) +
                                 ",\"version\":" + JsonText(version) +
                                 ",\"host\":" + JsonText(Header(head, "Host")) +
                                 ",\"authorization\":" + JsonText(authorization) + "}");
        }
        if (const int delay = g_delayMs.load())
            Sleep(delay);
        int status = g_status.load();
        if (status == 401 && !authorization.empty())
            status = 200;
        const std::string body = std::to_string(status) + "\n";
        std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
        if (status == 401)
            answer += "WWW-Authenticate: Basic realm=\"loopback\"\r\n";
        answer += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                  "\r\nConnection: close\r\n\r\n" + body;
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}

} // namespace

int main() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0; // a free port
    int size = sizeof(address);
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 2;
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);

    std::thread([listener] {
        for (;;) {
            SOCKET client = accept(listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::thread(Serve, client).detach();
        }
    }).detach();

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream command(line);
        std::string word;
        command >> word;
        if (word == "answer") {
            int status = 200, delay = 0;
            command >> status >> delay;
            g_status = status;
            g_delayMs = delay;
            std::printf("ok\n");
        } else if (word == "requests") {
            std::lock_guard<std::mutex> lock(g_lock);
            for (const std::string& request : g_requests)
                std::printf("%s\n", request.c_str());
            g_requests.clear();
            std::printf("end\n");
        } else if (word == "quit") {
            break;
        }
        std::fflush(stdout);
    }
    closesocket(listener);
    WSACleanup();
    return 0;
}
