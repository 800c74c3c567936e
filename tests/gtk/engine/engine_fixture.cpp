#include "tests/gtk/engine/engine_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace driftway::testing {

ScriptedServer::ScriptedServer(std::function<std::string(const std::string& request)> answer)
    : m_answer(std::move(answer))
{
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_listen, 16);
    socklen_t length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    m_thread.join();
    close(m_listen);
}

std::string ScriptedServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void ScriptedServer::serve()
{
    while (!m_stop) {
        pollfd fd{m_listen, POLLIN, 0};
        if (poll(&fd, 1, 50) <= 0)
            continue;
        const int client = accept(m_listen, nullptr, nullptr);
        if (client < 0)
            continue;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = read(client, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string response = m_answer(request);
        (void)!write(client, response.data(), response.size());
        close(client);
    }
}

std::string http_response(const std::string& status, const std::string& body,
                          const std::string& extra_headers, const std::string& content_type)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + content_type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
           extra_headers + "\r\n" + body;
}

void use_temporary_user_dirs()
{
    static TempDir home;
    static bool done = false;
    if (done)
        return;
    done = true;
    // A test that runs this program again hands its own folders down.
    if (std::getenv("DRIFTWAY_TEST_KEEP_USER_DIRS"))
        return;
    setenv("XDG_DATA_HOME", (home.str() + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home.str() + "/cache").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.str() + "/config").c_str(), 1);
}

namespace {

struct ScriptResult {
    bool done = false;
    std::string text;
};

void script_done(GObject* view, GAsyncResult* result, gpointer data)
{
    auto* out = static_cast<ScriptResult*>(data);
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
    if (value) {
        if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
            char* text = jsc_value_to_string(value);
            out->text = text ? text : "";
            g_free(text);
        }
        g_object_unref(value);
    } else {
        out->text = std::string("error: ") + (error ? error->message : "?");
        g_clear_error(&error);
    }
    out->done = true;
}

} // namespace

std::string evaluate(WebKitWebView* view, const std::string& script)
{
    ScriptResult result;
    webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, script_done,
                                        &result);
    EXPECT_TRUE(wait_until([&] { return result.done; })) << script;
    return result.text;
}

double evaluate_number(WebKitWebView* view, const std::string& script)
{
    return std::atof(evaluate(view, script).c_str());
}

void EngineTest::SetUp()
{
    use_temporary_user_dirs();
    make_engine();
}

void EngineTest::TearDown()
{
    for (auto& w : m_engines) {
        w.engine.reset();
        gtk_widget_destroy(w.window);
    }
    m_engines.clear();
    pump_for(50);
}

platform::gtk::WebKitEngine& EngineTest::make_engine(platform::gtk::WebKitEngine* related)
{
    Window w;
    platform::gtk::EngineOptions options;
    options.acceleration = platform::gtk::Acceleration::Never;
    options.home_page = [this] { return m_dir.str() + "/home.html"; };
    w.engine = std::make_unique<platform::gtk::WebKitEngine>(options, related);
    w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(w.window), 800, 600);
    gtk_window_move(GTK_WINDOW(w.window), 0, 0);
    gtk_container_add(GTK_CONTAINER(w.window), w.engine->widget());
    gtk_widget_show_all(w.window);

    auto& hooks = w.engine->hooks;
    const bool first = m_engines.empty();
    if (first) {
        hooks.before_navigate = [this](const std::string& url) { m_events.push_back("before " + url); };
        hooks.navigate_complete = [this] { m_events.push_back("navigate"); };
        hooks.download_complete = [this] { m_events.push_back("download"); };
        hooks.command_state_change = [this](int command, bool enable) {
            m_events.push_back("command " + std::to_string(command) + " " + (enable ? "1" : "0"));
        };
        hooks.status_text_change = [this](const std::string& text) { m_events.push_back("status " + text); };
    }
    m_engines.push_back(std::move(w));
    return *m_engines.back().engine;
}

bool EngineTest::wait_idle(platform::gtk::WebKitEngine& engine)
{
    // Let the load start before waiting for it to end.
    pump_for(20);
    return wait_until([&] { return !engine.Busy(); });
}

void EngineTest::load(const std::string& address, const std::string& expected_name)
{
    engine().Navigate2(address);
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == expected_name && !engine().Busy(); }))
        << address << " shows " << engine().LocationName();
}

bool EngineTest::saw(const std::string& event) const
{
    for (const auto& e : m_events)
        if (e == event)
            return true;
    return false;
}

} // namespace driftway::testing
