// Downloads: the right bytes under the chosen name, nothing when cancelled
// or cut off, and gzip-coded ones kept whole.
#include "tests/gtk/engine/engine_fixture.h"

#include <gio/gio.h>

#include <filesystem>

namespace driftway::testing {
namespace {

std::string gzip(const std::string& data)
{
    GZlibCompressor* compressor = g_zlib_compressor_new(G_ZLIB_COMPRESSOR_FORMAT_GZIP, 9);
    std::string out(data.size() + 1024, '\0');
    gsize read = 0, written = 0;
    const auto result = g_converter_convert(G_CONVERTER(compressor), data.data(), data.size(), out.data(),
                                            out.size(), G_CONVERTER_INPUT_AT_END, &read, &written, nullptr);
    g_object_unref(compressor);
    EXPECT_EQ(result, G_CONVERTER_FINISHED);
    out.resize(written);
    return out;
}

std::string attachment(const std::string& name, const std::string& body, const std::string& headers = "")
{
    return http_response("200 OK", body,
                         headers + "Content-Disposition: attachment; filename=\"" + name + "\"\r\n",
                         "application/octet-stream");
}

TEST_F(EngineTest, DownloadsKeepTheRightBytesUnderTheChosenNameOrNothingAtAll)
{
    HttpServer server;
    server.route("/x.zip", http_response("200 OK", "PK not really", "", "application/zip"));
    std::string body(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    server.route("/files/data.bin", attachment("data.bin", body));
    // This one promises 5 MB and hangs up after 1 MB.
    std::string cut = attachment("cut.bin", std::string(5 * 1024 * 1024, 'x'));
    cut.resize(cut.size() - 4 * 1024 * 1024);
    server.route("/cut.bin", cut);
    std::string report;
    for (int line = 0; report.size() < 100000; ++line)
        report += "line " + std::to_string(line % 10) + " of a compressible report\n";
    report.resize(100000);
    const std::string coded = gzip(report);
    ASSERT_LT(coded.size(), 2000u);
    server.route("/report.txt", attachment("report.txt", coded, "Content-Encoding: gzip\r\n"));
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

    // Cut off: neither the final name nor a partial file stays.
    target = m_dir.str() + "/cut.bin";
    engine().Navigate2(server.url("/cut.bin"));
    ASSERT_TRUE(wait_until([&] { return !errors.empty(); }, 30000));
    EXPECT_NE(errors.front().find("cut.bin"), std::string::npos);
    pump_for(200);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
    errors.clear();

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

    // Complete when the engine says so, though the bytes on the wire are few.
    target = m_dir.str() + "/report.txt";
    engine().Navigate2(server.url("/report.txt"));
    ASSERT_TRUE(
        wait_until([&] { return saw("status Download complete: report.txt") || !errors.empty(); }, 30000));
    EXPECT_TRUE(errors.empty()) << errors.front();
    const std::string saved = read_file(*target);
    EXPECT_EQ(saved.size(), report.size());
    EXPECT_TRUE(saved == report);
}

} // namespace
} // namespace driftway::testing
