// A download sent gzip-coded (a few hundred bytes on the wire, 100,000 once
// decoded) is kept whole and reported complete; needs Xvfb and the local
// HTTP server.
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include <gio/gio.h>

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

TEST_F(EngineTest, ACompressedDownloadIsCompleteWhenTheEngineSaysSo)
{
    std::string body;
    for (int line = 0; body.size() < 100000; ++line)
        body += "line " + std::to_string(line % 10) + " of a compressible report\n";
    body.resize(100000);
    const std::string coded = gzip(body);
    ASSERT_LT(coded.size(), 2000u);
    HttpServer server;
    server.route("/report.txt",
                 http_response("200 OK", coded,
                               "Content-Encoding: gzip\r\n"
                               "Content-Disposition: attachment; filename=\"report.txt\"\r\n",
                               "text/plain"));
    const std::string target = m_dir.str() + "/report.txt";
    engine().choose_download_path = [&](const std::string&) -> std::optional<std::string> { return target; };
    std::vector<std::string> errors;
    engine().report_error = [&](const std::string& message) { errors.push_back(message); };

    engine().Navigate2(server.url("/report.txt"));
    ASSERT_TRUE(
        wait_until([&] { return saw("status Download complete: report.txt") || !errors.empty(); }, 30000));
    EXPECT_TRUE(errors.empty()) << errors.front();
    const std::string saved = read_file(target);
    EXPECT_EQ(saved.size(), body.size());
    EXPECT_TRUE(saved == body);
}

} // namespace
} // namespace driftway::testing
