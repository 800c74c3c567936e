// Downloads: saved under the chosen name with progress in the status text,
// nothing written when the choice is cancelled or the transfer is cut off.
#include "tests/gtk/engine/engine_fixture.h"

#include <filesystem>

namespace driftway::testing {
namespace {

TEST_F(EngineTest, DownloadSavesTheRightBytesUnderTheChosenNameOrNothingAtAll)
{
    HttpServer server;
    server.route("/x.zip", http_response("200 OK", "PK not really", "", "application/zip"));
    std::string body(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    server.route("/files/data.bin",
                 http_response("200 OK", body, "Content-Disposition: attachment; filename=\"data.bin\"\r\n",
                               "application/octet-stream"));
    std::vector<std::string> suggested, errors;
    std::optional<std::string> target;
    engine().choose_download_path = [&](const std::string& name) {
        suggested.push_back(name);
        return target;
    };
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };

    // Cancelled at the choice.
    engine().Navigate2(server.url("/x.zip"));
    ASSERT_TRUE(wait_until([&] { return !suggested.empty(); }));
    pump_for(300);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));

    target = m_dir.str() + "/chosen name.bin";
    engine().Navigate2(server.url("/files/data.bin"));
    ASSERT_TRUE(wait_until([&] { return saw("status Download complete: chosen name.bin"); }, 30000));
    EXPECT_EQ(suggested.back(), "data.bin");
    EXPECT_EQ(read_file(*target), body);
    EXPECT_FALSE(std::filesystem::exists(*target + ".part"));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [](const std::string& e) {
        return e.rfind("status Downloading chosen name.bin: ", 0) == 0;
    }));
}

TEST_F(EngineTest, InterruptedDownloadLeavesNoFileUnderTheFinalName)
{
    // The server promises 5 MB and hangs up after 1 MB.
    HttpServer server([](const std::string&) {
        std::string response = http_response("200 OK", std::string(5 * 1024 * 1024, 'x'),
                                             "Content-Disposition: attachment; filename=\"cut.bin\"\r\n",
                                             "application/octet-stream");
        response.resize(response.size() - 4 * 1024 * 1024);
        return response;
    });
    engine().choose_download_path = [&](const std::string&) -> std::optional<std::string> {
        return m_dir.str() + "/cut.bin";
    };
    std::vector<std::string> errors;
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };
    engine().Navigate2(server.url("/cut.bin"));
    ASSERT_TRUE(wait_until([&] { return !errors.empty(); }, 30000));
    EXPECT_NE(errors.front().find("cut.bin"), std::string::npos);
    pump_for(200);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path())); // neither the final name nor a partial file
}

} // namespace
} // namespace driftway::testing
