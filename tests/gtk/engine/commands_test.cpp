// The WebKit engine's page commands: print to PDF and preview, save both
// ways, zoom, clipboard and selection, properties and the status query.
// Needs Xvfb and pdftotext (poppler-utils).
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include "browser/address_fixup.h"
#include "platform/runtime_error.h"

#include <gtk/gtkunixprint.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace driftway::testing {
namespace {

using browser::OleCmd;
using browser::OleExecOpt;
using platform::RuntimeError;
using platform::gtk::SaveKind;

const std::string kPage = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Command Page</title>"
                          "<style>p{font-size:16px}</style></head><body>"
                          "<p id=text>Driftway print marker, one two three.</p></body></html>";

std::string pdf_text(const std::string& path)
{
    const std::string command = "pdftotext '" + path + "' - 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

int error_number(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

class CommandTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_page = m_dir.write("command.html", kPage).string();
        load(m_page, "Command Page");
    }
    std::string m_page;
};

TEST_F(CommandTest, PrintsToPdfAndPreviewsThePrintedPages)
{
    const std::string pdf = m_dir.str() + "/out.pdf";
    engine().print_to_file(pdf);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_NE(pdf_text(pdf).find("Driftway print marker"), std::string::npos);

    // A landscape page setup is kept and used by the next print.
    GtkPageSetup* landscape = gtk_page_setup_new();
    gtk_page_setup_set_orientation(landscape, GTK_PAGE_ORIENTATION_LANDSCAPE);
    engine().set_page_setup(landscape);
    g_object_unref(landscape);
    const std::string turned = m_dir.str() + "/landscape.pdf";
    engine().print_to_file(turned);
    double width = 0, height = 0;
    if (FILE* pipe = popen(("pdfinfo '" + turned + "' 2>/dev/null").c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, pipe))
            std::sscanf(line, "Page size: %lf x %lf", &width, &height);
        pclose(pipe);
    }
    EXPECT_GT(width, height);

    engine().ExecWB(OleCmd::PrintPreview, OleExecOpt::DoDefault);
    auto* preview = engine().print_preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_GE(preview->page_count(), 1);
    EXPECT_EQ(preview->page_label(), "Page 1 of " + std::to_string(preview->page_count()));
    EXPECT_NE(preview->page_text().find("Driftway print marker"), std::string::npos);
    EXPECT_TRUE(gtk_widget_get_visible(preview->window()));
    pump_for(100);
}

TEST_F(CommandTest, PrintDialogPrintsToAFile)
{
    const std::string pdf = m_dir.str() + "/dialog.pdf";
    // The user picks "Print to File" with a file name and presses Print.
    g_timeout_add(
        200,
        [](gpointer data) -> gboolean {
            GList* windows = gtk_window_list_toplevels();
            GtkWidget* dialog = nullptr;
            for (GList* w = windows; w; w = w->next)
                if (GTK_IS_PRINT_UNIX_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
                    dialog = GTK_WIDGET(w->data);
            g_list_free(windows);
            if (!dialog)
                return G_SOURCE_CONTINUE;
            GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
            if (!printer || !gtk_printer_is_virtual(printer)) {
                auto* path = static_cast<std::string*>(data);
                GtkPrintSettings* settings = gtk_print_settings_new();
                gchar* uri = g_filename_to_uri(path->c_str(), nullptr, nullptr);
                gtk_print_settings_set_printer(settings, "Print to File");
                gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
                gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
                gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog), settings);
                g_free(uri);
                g_object_unref(settings);
                return G_SOURCE_CONTINUE;
            }
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
            return G_SOURCE_REMOVE;
        },
        const_cast<std::string*>(&pdf));
    engine().ExecWB(OleCmd::Print, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until([&] { return pdf_text(pdf).find("Driftway print marker") != std::string::npos; }));
}

TEST_F(CommandTest, PrintStatusFollowsTheLoadedPage)
{
    const int status = engine().QueryStatusWB(OleCmd::Print);
    EXPECT_EQ(status, browser::kOleCmdFSupported | browser::kOleCmdFEnabled);
    EXPECT_EQ(error_number([&] { engine().QueryStatusWB(static_cast<OleCmd>(99)); }), 438);
    EXPECT_EQ(error_number([&] { engine().ExecWB(static_cast<OleCmd>(99), OleExecOpt::DoDefault); }), 438);

    auto& blank = make_engine();
    EXPECT_EQ(blank.QueryStatusWB(OleCmd::Print), browser::kOleCmdFSupported);
}

TEST_F(CommandTest, SavesHtmlOnlyAndCompleteAndBothReopen)
{
    const std::string html = m_dir.str() + "/saved/page.html";
    const std::string archive = m_dir.str() + "/saved/page.mhtml";
    engine().save_page(html, SaveKind::HtmlOnly);
    engine().save_page(archive, SaveKind::Complete);
    EXPECT_EQ(read_file(html), kPage);
    const std::string mhtml = read_file(archive);
    EXPECT_NE(mhtml.find("MIME-Version"), std::string::npos);
    EXPECT_NE(mhtml.find("multipart/related"), std::string::npos);

    load(html, "Command Page");
    load(archive, "Command Page");
    EXPECT_EQ(evaluate(engine().view(), "document.getElementById('text').textContent"),
              "Driftway print marker, one two three.");
}

// Answers the next file dialog that opens, as a user would.
void answer_file_dialog(const std::string& folder, const std::string& name, const char* format, bool accept)
{
    struct Answer {
        std::string folder, name;
        const char* format;
        bool accept;
    };
    g_timeout_add(
        100,
        [](gpointer data) -> gboolean {
            auto* answer = static_cast<Answer*>(data);
            GList* windows = gtk_window_list_toplevels();
            GtkWidget* dialog = nullptr;
            for (GList* w = windows; w; w = w->next)
                if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
                    dialog = GTK_WIDGET(w->data);
            g_list_free(windows);
            if (!dialog)
                return G_SOURCE_CONTINUE;
            auto* chooser = GTK_FILE_CHOOSER(dialog);
            // The chooser changes folders in the background: answer only once
            // it names the file we mean.
            const std::string wanted = answer->folder + "/" + answer->name;
            gchar* current = gtk_file_chooser_get_filename(chooser);
            const bool ready = current && wanted == current;
            g_free(current);
            if (!ready) {
                gtk_file_chooser_set_current_folder(chooser, answer->folder.c_str());
                gtk_file_chooser_set_current_name(chooser, answer->name.c_str());
                return G_SOURCE_CONTINUE;
            }
            gtk_file_chooser_set_choice(chooser, "format", answer->format);
            gtk_dialog_response(GTK_DIALOG(dialog),
                                answer->accept ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
            delete answer;
            return G_SOURCE_REMOVE;
        },
        new Answer{folder, name, format, accept});
}

TEST_F(CommandTest, SaveAsAsksForNameAndKind)
{
    answer_file_dialog(m_dir.str(), "kept.html", "mhtml", true);
    engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser);
    // The archive gets its own extension rather than posing as HTML.
    EXPECT_NE(read_file(m_dir.path() / "kept.mhtml").find("multipart/related"), std::string::npos);

    answer_file_dialog(m_dir.str(), "plain.html", "html", true);
    engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser);
    EXPECT_EQ(read_file(m_dir.path() / "plain.html"), kPage);

    answer_file_dialog(m_dir.str(), "never.html", "html", false);
    EXPECT_EQ(error_number([&] { engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser); }), 32755);
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "never.html"));
}

TEST(SuggestedFileName, FromTitleOrAddressMadeSafe)
{
    using platform::gtk::suggested_file_name;
    EXPECT_EQ(suggested_file_name("News/Today: 1", "http://x/"), "News-Today: 1.html");
    EXPECT_EQ(suggested_file_name("", "http://x/dir/file%20name.htm?q=1#top"), "file name.htm");
    EXPECT_EQ(suggested_file_name("", "http://x/dir/"), "dir.html");
    EXPECT_EQ(suggested_file_name("..hidden", ""), "hidden.html");
    EXPECT_EQ(suggested_file_name("", ""), "page.html");
}

TEST_F(CommandTest, SaveToAnUnwritablePlaceFailsAndChangesNothing)
{
    // A file where a folder should be stops even root.
    const auto file = m_dir.write("plain.txt", "keep");
    EXPECT_EQ(error_number([&] { engine().save_page(file.string() + "/p.html", SaveKind::HtmlOnly); }), 75);
    EXPECT_EQ(read_file(file), "keep");

    const auto folder = m_dir.mkdir("taken.html");
    EXPECT_EQ(error_number([&] { engine().save_page(folder.string(), SaveKind::Complete); }), 75);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(CommandTest, ZoomChangesTextSizeInFiveLevels)
{
    WebKitWebView* view = engine().view();
    const std::string height = "document.getElementById('text').getBoundingClientRect().height";
    const double normal = evaluate_number(view, height);
    std::optional<int> level;
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, std::nullopt, &level);
    EXPECT_EQ(level, 2);

    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, 4);
    ASSERT_TRUE(wait_until([&] { return evaluate_number(view, height) > normal * 1.3; }));
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, 0);
    ASSERT_TRUE(wait_until([&] { return evaluate_number(view, height) < normal; }));
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, std::nullopt, &level);
    EXPECT_EQ(level, 0);
    // Text only: the page itself keeps its scale.
    EXPECT_EQ(evaluate(view, "window.devicePixelRatio"), "1");

    EXPECT_EQ(error_number([&] { engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, 5); }), 5);
    EXPECT_EQ(error_number([&] { engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, -1); }), 5);
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, std::nullopt, &level);
    EXPECT_EQ(level, 0);
}

TEST_F(CommandTest, SelectAllCopyAndClearSelection)
{
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, "before", -1);
    engine().SetFocus();
    engine().ExecWB(OleCmd::SelectAll, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until([&] {
        return evaluate(engine().view(), "window.getSelection().toString()").find("print marker") !=
               std::string::npos;
    }));
    engine().ExecWB(OleCmd::Copy, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until([&] {
        gchar* text = gtk_clipboard_wait_for_text(clipboard);
        const bool copied = text && std::string(text).find("Driftway print marker") != std::string::npos;
        g_free(text);
        return copied;
    }));
    engine().ExecWB(OleCmd::ClearSelection, OleExecOpt::DoDefault);
    ASSERT_TRUE(
        wait_until([&] { return evaluate(engine().view(), "window.getSelection().toString()").empty(); }));
}

TEST_F(CommandTest, PasteAndCutActOnAFocusedField)
{
    const std::string form = "<!DOCTYPE html><html><head><title>Form</title></head><body>"
                             "<input id=f value=\"\"></body></html>";
    load(m_dir.write("form.html", form).string(), "Form");
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "pasted words", -1);
    engine().SetFocus();
    evaluate(engine().view(), "document.getElementById('f').focus(); 1");
    engine().ExecWB(OleCmd::Paste, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until(
        [&] { return evaluate(engine().view(), "document.getElementById('f').value") == "pasted words"; }));
    evaluate(engine().view(), "document.getElementById('f').select(); 1");
    engine().ExecWB(OleCmd::Cut, OleExecOpt::DoDefault);
    ASSERT_TRUE(
        wait_until([&] { return evaluate(engine().view(), "document.getElementById('f').value").empty(); }));
}

TEST_F(CommandTest, PropertiesDescribeTheLocalAndTheHttpPage)
{
    auto properties = engine().page_properties();
    EXPECT_EQ(properties.title, "Command Page");
    EXPECT_EQ(properties.address, browser::file_uri_from_path(m_page));
    EXPECT_EQ(properties.mime_type, "text/html");
    EXPECT_EQ(properties.size, kPage.size());
    EXPECT_NE(properties.security.find("Local file"), std::string::npos);

    engine().ExecWB(OleCmd::Properties, OleExecOpt::DoDefault);
    ASSERT_NE(engine().properties_window(), nullptr);
    EXPECT_EQ(engine().properties_window()->value("Title:"), "Command Page");
    EXPECT_EQ(engine().properties_window()->value("Size:"), std::to_string(kPage.size()) + " bytes");

    HttpServer server;
    server.page("/remote", "<title>Remote</title><p>x</p>");
    load(server.url("/remote"), "Remote");
    properties = engine().page_properties();
    EXPECT_EQ(properties.address, server.url("/remote"));
    EXPECT_NE(properties.security.find("Not encrypted"), std::string::npos);
}

TEST_F(CommandTest, StopEndsALoadThatDoesNotFinish)
{
    // A loopback port that takes connections and never answers.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/never";

    engine().Navigate2(url);
    ASSERT_TRUE(wait_until([&] { return engine().Busy(); }));
    pump_for(200);
    EXPECT_TRUE(engine().Busy());
    engine().ExecWB(OleCmd::Stop, OleExecOpt::DoDefault);
    EXPECT_TRUE(wait_until([&] { return !engine().Busy(); }));
    close(listener);
}

} // namespace
} // namespace driftway::testing
