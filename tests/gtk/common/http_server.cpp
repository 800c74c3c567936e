#include "tests/gtk/common/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace driftway::testing {

HttpServer::HttpServer()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_listen, 16) != 0)
        throw std::runtime_error("bind/listen on 127.0.0.1");
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { serve(); });
}

HttpServer::~HttpServer()
{
    m_stop = true;
    m_thread.join();
    for (auto& worker : m_workers)
        worker.join();
    ::close(m_listen);
}

void HttpServer::route(const std::string& path, Response response)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(response);
}

std::string HttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> HttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int HttpServer::request_count(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto& r : m_requests)
        n += r.rfind("GET " + path + " ", 0) == 0;
    return n;
}

void HttpServer::serve()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        m_workers.emplace_back([this, client] {
            answer(client);
            ::close(client);
        });
    }
}

void HttpServer::answer(int client)
{
    std::string head;
    char buf[4096];
    // Read the request head, bounded in size and time.
    for (int rounds = 0; rounds < 50 && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536; ++rounds) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(client, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        head.append(buf, static_cast<std::size_t>(n));
    }
    const auto line_end = head.find("\r\n");
    const std::string line = head.substr(0, line_end);
    std::string path;
    if (const auto sp = line.find(' '); sp != std::string::npos) {
        const auto sp2 = line.find(' ', sp + 1);
        path = line.substr(sp + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp - 1);
    }
    Response r{404, "text/html", "<html><head><title>Not Found</title></head><body>Not Found</body></html>", {}};
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(head.substr(0, head.find("\r\n\r\n")));
        if (const auto it = m_routes.find(path); it != m_routes.end())
            r = it->second;
    }
    for (int waited = 0; waited < r.delay_ms && !m_stop; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string out = "HTTP/1.0 " + std::to_string(r.status) + " X\r\nContent-Type: " + r.content_type +
                      "\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\nConnection: close\r\n";
    for (const auto& [k, v] : r.headers)
        out += k + ": " + v + "\r\n";
    out += "\r\n" + r.body;
    std::size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t n = ::send(client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace driftway::testing
