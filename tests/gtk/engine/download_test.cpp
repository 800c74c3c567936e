// Downloads through the WebKit engine: a file saved under the chosen name
// with progress in the status text, a cancelled choice, and a transfer cut
// off midway that leaves nothing under the final name. Needs Xvfb.
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include <filesystem>

namespace driftway::testing {
namespace {

std::string big_body(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    return body;
}

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
    // The server promises 5 MB and hangs up after 1 MB.
    ScriptedServer server([](const std::string&) {
        std::string response = http_response("200 OK", std::string(5 * 1024 * 1024, 'x'),
                                             "Content-Disposition: attachment; filename=\"cut.bin\"\r\n",
                                             "application/octet-stream");
        response.resize(response.size() - 4 * 1024 * 1024);
        return response;
    });
    const std::string target = m_dir.str() + "/cut.bin";
    engine().choose_download_path = [&](const std::string&) -> std::optional<std::string> { return target; };
    std::vector<std::string> errors;
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };
    engine().Navigate2(server.url("/cut.bin"));
    ASSERT_TRUE(wait_until([&] { return !errors.empty(); }, 30000));
    EXPECT_NE(errors.front().find("cut.bin"), std::string::npos);
    pump_for(200);
    // Neither the final name nor a partial file is left behind.
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

} // namespace
} // namespace driftway::testing
