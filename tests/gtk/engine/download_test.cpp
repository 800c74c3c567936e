// Downloads through the WebKit engine: a file saved under the chosen name
// with progress in the status text, a cancelled choice, and a transfer cut
// off midway that leaves nothing under the final name. Needs Xvfb.
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

namespace driftway::testing {
namespace {

std::string big_body(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    return body;
}

// Answers one request with a promise of `promised` bytes and sends only
// `sent` of them before hanging up.
class CutOffServer {
public:
    CutOffServer(std::size_t promised, std::size_t sent)
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 4);
        socklen_t length = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, promised, sent] {
            const int client = accept(m_listen, nullptr, nullptr);
            if (client < 0)
                return;
            char request[4096];
            (void)!read(client, request, sizeof request);
            const std::string head =
                "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                "Content-Disposition: attachment; filename=\"cut.bin\"\r\nContent-Length: " +
                std::to_string(promised) + "\r\nConnection: close\r\n\r\n";
            (void)!write(client, head.data(), head.size());
            const std::string body(sent, 'x');
            (void)!write(client, body.data(), body.size());
            close(client);
        });
    }
    ~CutOffServer()
    {
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_thread.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/cut.bin"; }

private:
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

TEST_F(EngineTest, DownloadSavesTheRightBytesUnderTheChosenName)
{
    HttpServer server;
    const std::string body = big_body(5 * 1024 * 1024);
    server.route("/files/data.bin", {200,
                                     "application/octet-stream",
                                     body,
                                     {{"Content-Disposition", "attachment; filename=\"data.bin\""}}});
    std::string suggested;
    const std::string target = m_dir.str() + "/chosen name.bin";
    engine().choose_download_path = [&](const std::string& name) -> std::optional<std::string> {
        suggested = name;
        return target;
    };
    std::vector<std::string> errors;
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };
    engine().Navigate2(server.url("/files/data.bin"));
    ASSERT_TRUE(wait_until([&] { return saw("status Download complete: chosen name.bin"); }, 30000));
    EXPECT_EQ(suggested, "data.bin");
    EXPECT_EQ(read_file(target), body);
    EXPECT_FALSE(std::filesystem::exists(target + ".part"));
    EXPECT_TRUE(errors.empty());
    const bool progress = std::any_of(m_events.begin(), m_events.end(), [](const std::string& e) {
        return e.rfind("status Downloading chosen name.bin: ", 0) == 0;
    });
    EXPECT_TRUE(progress);
}

TEST_F(EngineTest, DownloadCancelledAtTheChoiceWritesNothing)
{
    HttpServer server;
    server.route("/x.zip", {200, "application/zip", "PK not really", {}});
    bool asked = false;
    engine().choose_download_path = [&](const std::string&) -> std::optional<std::string> {
        asked = true;
        return std::nullopt;
    };
    engine().Navigate2(server.url("/x.zip"));
    ASSERT_TRUE(wait_until([&] { return asked; }));
    pump_for(300);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

TEST_F(EngineTest, InterruptedDownloadLeavesNoFileUnderTheFinalName)
{
    CutOffServer server(5 * 1024 * 1024, 1024 * 1024);
    const std::string target = m_dir.str() + "/cut.bin";
    engine().choose_download_path = [&](const std::string&) -> std::optional<std::string> { return target; };
    std::vector<std::string> errors;
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };
    engine().Navigate2(server.url());
    ASSERT_TRUE(wait_until([&] { return !errors.empty(); }, 30000));
    EXPECT_NE(errors.front().find("cut.bin"), std::string::npos);
    pump_for(200);
    // Neither the final name nor a partial file is left behind.
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

} // namespace
} // namespace driftway::testing
