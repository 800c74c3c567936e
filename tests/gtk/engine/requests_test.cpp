// The page's requests answered like a desktop browser: sign-in, permissions,
// a bad certificate, and cookies kept from one run to the next. Needs Xvfb;
// the certificate test needs openssl and python3, and is skipped without them.
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace driftway::testing {
namespace {

using platform::gtk::WebKitEngine;

TEST_F(EngineTest, SignInAsksAndLoadsThePageBehindIt)
{
    // "ann:secret" in base64.
    ScriptedServer server([](const std::string& request) {
        if (request.find("Authorization: Basic YW5uOnNlY3JldA==") != std::string::npos)
            return http_response("200 OK", "<title>Inside</title>");
        return http_response("401 Unauthorized", "<title>Denied</title>",
                             "WWW-Authenticate: Basic realm=\"Test Realm\"\r\n");
    });
    std::string asked_realm;
    engine().ask_credentials = [&](const std::string&, const std::string& realm) {
        asked_realm = realm;
        return std::optional<WebKitEngine::Credentials>({"ann", "secret"});
    };
    load(server.url("/private"), "Inside");
    EXPECT_EQ(asked_realm, "Test Realm");
}

TEST_F(EngineTest, SignInRefusedShowsNoPageContent)
{
    ScriptedServer server([](const std::string&) {
        return http_response("401 Unauthorized", "<title>Denied</title>",
                             "WWW-Authenticate: Basic realm=\"Closed\"\r\n");
    });
    int asked = 0;
    engine().ask_credentials = [&](const std::string&, const std::string&) {
        ++asked;
        return std::optional<WebKitEngine::Credentials>();
    };
    engine().Navigate2(server.url("/private"));
    ASSERT_TRUE(wait_until([&] { return asked > 0; }));
    EXPECT_TRUE(wait_idle(engine()));
    EXPECT_EQ(asked, 1);
}

TEST_F(EngineTest, PermissionsNeedTheUsersYes)
{
    ScriptedServer server(
        [](const std::string&) { return http_response("200 OK", "<title>Asking</title>"); });
    std::vector<std::string> questions;
    bool answer = false;
    engine().ask_permission = [&](const std::string& question) {
        questions.push_back(question);
        return answer;
    };
    load(server.url("/ask"), "Asking");
    const std::string ask = "Notification.requestPermission().then(p => { document.title = p; }); 1";
    evaluate(engine().view(), ask);
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "denied"; }));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Allow 127.0.0.1 to show notifications?");

    // The location is asked for as well, and a "no" reaches the page as such.
    evaluate(engine().view(), "navigator.geolocation.getCurrentPosition(() => { document.title = 'where'; }, "
                              "e => { document.title = 'refused ' + e.code; }); 1");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "refused 1"; }));
    EXPECT_EQ(questions.back(), "Allow 127.0.0.1 to know your location?");
}

TEST_F(EngineTest, BadCertificateShowsAnErrorPageNotThePage)
{
    if (std::system("command -v openssl >/dev/null && command -v python3 >/dev/null") != 0)
        GTEST_SKIP() << "needs openssl and python3";
    const std::string dir = m_dir.str();
    const std::string make_cert = "openssl req -x509 -newkey rsa:2048 -nodes -keyout '" + dir +
                                  "/key.pem' -out '" + dir +
                                  "/cert.pem' -days 2 -subj /CN=127.0.0.1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(make_cert.c_str()), 0);
    const auto script = m_dir.write("tls_server.py", R"(import http.server, os, ssl, sys, threading
class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"<title>Secret page</title>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Page)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Timer(60, lambda: os._exit(0)).start()
server.serve_forever()
)");
    const std::string command =
        "python3 '" + script.string() + "' '" + dir + "/cert.pem' '" + dir + "/key.pem' & echo $! ; wait";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    int pid = 0, port = 0;
    ASSERT_EQ(fscanf(pipe, "%d %d", &pid, &port), 2);

    engine().Navigate2("https://127.0.0.1:" + std::to_string(port) + "/");
    EXPECT_TRUE(wait_idle(engine()));
    pump_for(300);
    EXPECT_NE(engine().LocationName(), "Secret page");
    EXPECT_EQ(evaluate(engine().view(), "document.body.innerText.indexOf('Secret') < 0 ? 'safe' : 'shown'"),
              "safe");
    kill(pid, SIGTERM);
    pclose(pipe);
}

// Run by CookiesLastFromOneRunToTheNext in a process of its own.
TEST_F(EngineTest, CookieRunHelper)
{
    const char* url = std::getenv("DRIFTWAY_COOKIE_URL");
    if (!url)
        GTEST_SKIP() << "only run as a helper";
    engine().Navigate2(url);
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "done"; }));
    // Let the network process write its store before the process ends.
    pump_for(1500);
}

TEST_F(EngineTest, CookiesLastFromOneRunToTheNext)
{
    HttpServer server;
    server.route(
        "/set",
        {200, "text/html", "<title>done</title>", {{"Set-Cookie", "kept=yes; Max-Age=3600; Path=/"}}});
    server.page("/check", "<title>done</title>");
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    auto run = [&](const std::string& path) {
        const std::string command =
            "XDG_DATA_HOME='" + m_dir.str() + "/data' XDG_CACHE_HOME='" + m_dir.str() +
            "/cache' DRIFTWAY_TEST_KEEP_USER_DIRS=1 ASAN_OPTIONS=detect_leaks=0 DRIFTWAY_COOKIE_URL='" +
            server.url(path) + "' '" + self + "' --gtest_filter=EngineTest.CookieRunHelper >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    ASSERT_EQ(run("/set"), 0);
    ASSERT_EQ(run("/check"), 0);
    std::string check;
    for (const auto& request : server.requests())
        if (request.rfind("GET /check", 0) == 0)
            check = request;
    EXPECT_NE(check.find("kept=yes"), std::string::npos) << check;
}

} // namespace
} // namespace driftway::testing
