#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace driftway::testing {

// A socket listening on a free loopback port; returns the socket.
inline int listen_on_loopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 16) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// A raw HTTP response that closes its connection.
inline std::string http_response(const std::string& status, const std::string& body,
                                 const std::string& extra_headers = "",
                                 const std::string& content_type = "text/html")
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + content_type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
           extra_headers + "\r\n" + body;
}

// A small HTTP server on 127.0.0.1 with a free port. Each connection gets one
// answer, sent raw (so it may be cut short): what `answer` writes from the
// request head, or else the response routed to the path (404 without one).
// It records the request heads and stops with the object.
class HttpServer {
public:
    explicit HttpServer(std::function<std::string(const std::string& request)> answer = nullptr)
        : m_answer(std::move(answer))
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd p{m_listen, POLLIN, 0};
                const int client =
                    ::poll(&p, 1, 50) > 0 ? ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC) : -1;
                if (client >= 0) {
                    this->answer(client);
                    ::close(client);
                }
            }
        });
    }
    ~HttpServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void route(const std::string& path, const std::string& response)
    {
        std::lock_guard lock(m_mutex);
        m_routes[path] = response;
    }
    void page(const std::string& path, const std::string& html)
    {
        route(path, http_response("200 OK", html));
    }
    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    std::vector<std::string> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int request_count(const std::string& path) const
    {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto& r : m_requests)
            n += r.rfind("GET " + path + " ", 0) == 0;
        return n;
    }

private:
    void answer(int client)
    {
        // The request head, bounded in size and time.
        std::string head;
        char buf[4096];
        for (int rounds = 0; rounds < 50 && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536;
             ++rounds) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = ::recv(client, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            head.append(buf, static_cast<std::size_t>(n));
        }
        const auto start = head.find(' ') + 1;
        const std::string path = head.substr(start, head.find(' ', start) - start);
        std::string out;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(head.substr(0, head.find("\r\n\r\n")));
            const auto it = m_routes.find(path);
            out = it != m_routes.end() ? it->second
                                       : http_response("404 Not Found", "<title>Not Found</title>");
        }
        if (m_answer)
            out = m_answer(head);
        for (std::size_t sent = 0; sent < out.size();) {
            const ssize_t n = ::send(client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
    }

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
