#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace driftway::testing {

// A socket listening on a free loopback port; returns the socket.
int listen_on_loopback(int& port);

// A raw HTTP response that closes its connection.
std::string http_response(const std::string& status, const std::string& body,
                          const std::string& extra_headers = "",
                          const std::string& content_type = "text/html");

// A small HTTP server on 127.0.0.1 with a free port. Each connection gets one
// answer, sent raw (so it may be cut short): what `answer` writes from the
// request head, or else the response routed to the path (404 without one).
// It records the request heads and stops with the object.
class HttpServer {
public:
    explicit HttpServer(std::function<std::string(const std::string& request)> answer = nullptr);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void route(const std::string& path, const std::string& response);
    void page(const std::string& path, const std::string& html)
    {
        route(path, http_response("200 OK", html));
    }
    std::string url(const std::string& path) const;
    std::vector<std::string> requests() const;
    int request_count(const std::string& path) const;

private:
    void answer(int client);

    std::function<std::string(const std::string&)> m_answer;
    int m_port = 0;
    int m_listen = listen_on_loopback(m_port);
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_routes;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

} // namespace driftway::testing
