// The page's requests answered like a desktop browser: sign-in, permissions,
// a bad certificate (needs openssl and python3), cookies kept between runs.
#include "tests/gtk/engine/engine_fixture.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace driftway::testing {
namespace {

using Credentials = gtk::WebKitEngine::Credentials;

TEST_F(EngineTest, SignInAsksTheUserAndARefusalShowsNothing)
{
    HttpServer server([](const std::string& request) {
        // "ann:secret" in base64.
        if (request.find("Authorization: Basic YW5uOnNlY3JldA==") != std::string::npos)
            return http_response("200 OK", "<title>Inside</title>");
        return http_response("401 Unauthorized", "<title>Denied</title>",
                             "WWW-Authenticate: Basic realm=\"Test Realm\"\r\n");
    });
    std::vector<std::string> realms;
    std::optional<Credentials> answer;
    engine().ask_credentials = [&](const std::string&, const std::string& realm) {
        realms.push_back(realm);
        return answer;
    };
    engine().Navigate2(server.url("/private"));
    ASSERT_TRUE(wait_until([&] { return !realms.empty(); }));
    EXPECT_TRUE(wait_until([&] { return !engine().Busy(); }));
    EXPECT_EQ(realms, std::vector<std::string>{"Test Realm"});
    EXPECT_NE(engine().LocationName(), "Inside");

    answer = Credentials{"ann", "secret"};
    load(server.url("/private"), "Inside");
    EXPECT_EQ(realms.size(), 2u);
}

TEST_F(EngineTest, PermissionsNeedTheUsersYes)
{
    HttpServer server;
    server.page("/ask", page("Asking"));
    std::vector<std::string> questions;
    engine().ask_permission = [&](const std::string& question) {
        questions.push_back(question);
        return false;
    };
    load(server.url("/ask"), "Asking");
    evaluate(engine().view(), "Notification.requestPermission().then(p => { document.title = p; }); 1");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "denied"; }));
    // The location is asked for as well, and a "no" reaches the page as such.
    evaluate(engine().view(), "navigator.geolocation.getCurrentPosition(() => { document.title = 'where'; }, "
                              "e => { document.title = 'refused ' + e.code; }); 1");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "refused 1"; }));
    EXPECT_EQ(questions, (std::vector<std::string>{"Allow 127.0.0.1 to show notifications?",
                                                   "Allow 127.0.0.1 to know your location?"}));
}

TEST_F(EngineTest, BadCertificateShowsAnErrorPageNotThePage)
{
    if (std::system("command -v openssl >/dev/null && command -v python3 >/dev/null") != 0)
        GTEST_SKIP() << "needs openssl and python3";
    const std::string dir = m_dir.str();
    ASSERT_EQ(std::system(("cd '" + dir +
                           "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem "
                           "-out cert.pem -days 2 -subj /CN=127.0.0.1 >/dev/null 2>&1")
                              .c_str()),
              0);
    m_dir.write("secret.html", "<title>Secret page</title>Secret");
    // A file server over TLS with a self-signed certificate; it prints its port.
    const std::string server = R"(import http.server, ssl
s = http.server.HTTPServer(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
c.load_cert_chain("cert.pem", "key.pem")
s.socket = c.wrap_socket(s.socket, server_side=True)
print(s.server_address[1], flush=True)
s.serve_forever())";
    FILE* pipe =
        popen(("cd '" + dir + "' && { timeout 60 python3 -c '" + server + "' 2>/dev/null & echo $!; wait; }")
                  .c_str(),
              "r");
    ASSERT_NE(pipe, nullptr);
    int pid = 0, port = 0;
    ASSERT_EQ(fscanf(pipe, "%d %d", &pid, &port), 2);
    engine().Navigate2("https://127.0.0.1:" + std::to_string(port) + "/secret.html");
    pump_for(300); // let the load start before waiting for its end
    EXPECT_TRUE(wait_until([&] { return !engine().Busy(); }));
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
    load(url, "done");
    pump_for(1500); // let the network process write its store before the process ends
}

TEST_F(EngineTest, CookiesLastFromOneRunToTheNext)
{
    HttpServer server;
    server.route("/set", http_response("200 OK", "<title>done</title>",
                                       "Set-Cookie: kept=yes; Max-Age=3600; Path=/\r\n"));
    server.page("/check", "<title>done</title>");
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    for (const char* path : {"/set", "/check"}) {
        const std::string command =
            "XDG_DATA_HOME='" + m_dir.str() + "/data' XDG_CACHE_HOME='" + m_dir.str() +
            "/cache' DRIFTWAY_TEST_KEEP_USER_DIRS=1 ASAN_OPTIONS=detect_leaks=0 "
            "DRIFTWAY_COOKIE_URL='" +
            server.url(path) + "' '" + self + "' --gtest_filter=EngineTest.CookieRunHelper >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << path;
    }
    std::string check;
    for (const auto& request : server.requests())
        if (request.rfind("GET /check", 0) == 0)
            check = request;
    EXPECT_NE(check.find("kept=yes"), std::string::npos) << check;
}

} // namespace
} // namespace driftway::testing
