#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace driftway::testing {

// A small HTTP/1.0 server on 127.0.0.1 with a free port, for tests that load
// pages over the network. It serves fixed responses by path, records the
// requests it saw, and stops with the object. Each request is answered on a
// thread of its own, so a slow answer holds up no other.
class HttpServer {
public:
    struct Response {
        int status = 200;
        std::string content_type = "text/html; charset=utf-8";
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        // How long the server waits before it answers.
        int delay_ms = 0;
    };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void route(const std::string& path, Response response);
    void page(const std::string& path, const std::string& html) { route(path, Response{200, "text/html; charset=utf-8", html, {}}); }

    std::string url(const std::string& path) const;
    // Raw request heads, in order of arrival.
    std::vector<std::string> requests() const;
    int request_count(const std::string& path) const;

private:
    void serve();
    void answer(int client);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<std::string, Response> m_routes;
    std::vector<std::string> m_requests;
    std::thread m_thread;
    std::vector<std::thread> m_workers;
};

}  // namespace driftway::testing
