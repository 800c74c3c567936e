// The WebKit engine's page commands: print to PDF, save, zoom, the clipboard,
// properties and Stop. Needs Xvfb and poppler-utils.
#include "tests/gtk/engine/engine_fixture.h"

#include "browser/address_fixup.h"
#include "platform/runtime_error.h"
#include "tests/gtk/common/dialogs.h"
#include "tests/gtk/common/x_input.h"

#include <gtk/gtkunixprint.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/printunixdialog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace driftway::testing {
namespace {

using gtk::SaveKind;
using platform::OleCmd;
using platform::OleExecOpt;

const std::string kPage =
    page("Command Page", "<p id=text style=\"font-size:16px\">Driftway print marker, one "
                         "two three.</p><input id=f value=\"\">");

std::string pdf_text(const std::string& path)
{
    std::string text;
    run({"pdftotext", path, "-"}, &text);
    return text;
}

int error_number(const std::function<void()>& action)
{
    try {
        action();
    } catch (const platform::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

void answer_save_dialog(const std::string& folder, const std::string& name, const char* format, bool accept)
{
    when_shown<Gtk::FileChooserDialog>([=](Gtk::FileChooserDialog& dialog) {
        auto* chooser = GTK_FILE_CHOOSER(dialog.gobj());
        // The chooser changes folders in the background: answer only once it
        // names the file we mean.
        gchar* current = gtk_file_chooser_get_filename(chooser);
        const bool ready = current && folder + "/" + name == current;
        g_free(current);
        if (!ready) {
            gtk_file_chooser_set_current_folder(chooser, folder.c_str());
            gtk_file_chooser_set_current_name(chooser, name.c_str());
            return false;
        }
        gtk_file_chooser_set_choice(chooser, "format", format);
        dialog.response(accept ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
        return true;
    });
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

// Answers the next print dialog as a user would: "Print to File", the file
// name, then Print.
void print_to_file_through_dialog(const std::string& printed)
{
    when_shown<Gtk::PrintUnixDialog>([printed](Gtk::PrintUnixDialog& dialog) {
        auto* print = dialog.gobj();
        GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(print);
        gchar* uri = g_filename_to_uri(printed.c_str(), nullptr, nullptr);
        GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(print);
        const char* output = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
        const bool ready = printer && gtk_printer_is_virtual(printer) && output && std::string(output) == uri;
        g_object_unref(settings);
        if (ready) {
            g_free(uri);
            dialog.response(GTK_RESPONSE_OK);
            return true;
        }
        settings = gtk_print_settings_new();
        gtk_print_settings_set_printer(settings, "Print to File");
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        gtk_print_unix_dialog_set_settings(print, settings);
        g_free(uri);
        g_object_unref(settings);
        return false;
    });
}

TEST_F(CommandTest, PrintsToPdfThroughTheDialogAndInPreview)
{
    // A landscape page setup is kept and used by the direct print and by the
    // dialog, which once printed it as an empty page.
    GtkPageSetup* landscape = gtk_page_setup_new();
    gtk_page_setup_set_orientation(landscape, GTK_PAGE_ORIENTATION_LANDSCAPE);
    engine().set_page_setup(landscape);
    g_object_unref(landscape);
    const auto is_landscape = [](const std::string& pdf) {
        double width = 0, height = 0;
        std::string info;
        run({"pdfinfo", pdf}, &info);
        std::sscanf(info.c_str() + info.find("Page size:"), "Page size: %lf x %lf", &width, &height);
        return width > height;
    };
    const std::string direct = m_dir.str() + "/direct.pdf", printed = m_dir.str() + "/dialog.pdf";
    engine().print_to_file(direct);
    EXPECT_NE(pdf_text(direct).find("Driftway print marker"), std::string::npos);
    EXPECT_TRUE(is_landscape(direct));
    print_to_file_through_dialog(printed);
    engine().ExecWB(OleCmd::Print, OleExecOpt::DoDefault);
    EXPECT_TRUE(wait_until(
        [&] { return pdf_text(printed).find("Driftway print marker") != std::string::npos; }, 8000));
    EXPECT_TRUE(is_landscape(printed));

    engine().ExecWB(OleCmd::PrintPreview, OleExecOpt::DoDefault);
    auto* preview = engine().print_preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_GE(preview->page_count(), 1);
    EXPECT_EQ(preview->page_label(), "Page 1 of " + std::to_string(preview->page_count()));
    EXPECT_NE(preview->page_text().find("Driftway print marker"), std::string::npos);
    EXPECT_TRUE(gtk_widget_get_visible(preview->window()));
}

TEST_F(CommandTest, SavesBothWaysAndNeverOverAnotherFileOrFolder)
{
    answer_save_dialog(m_dir.str(), "kept.html", "mhtml", true);
    engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser);
    // The archive gets its own extension rather than posing as HTML.
    EXPECT_NE(read_file(m_dir.path() / "kept.mhtml").find("multipart/related"), std::string::npos);
    answer_save_dialog(m_dir.str(), "plain.html", "html", true);
    engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser);
    EXPECT_EQ(read_file(m_dir.path() / "plain.html"), kPage);
    answer_save_dialog(m_dir.str(), "never.html", "html", false);
    EXPECT_EQ(error_number([&] { engine().ExecWB(OleCmd::SaveAs, OleExecOpt::PromptUser); }), 32755);
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "never.html"));

    // Both open again as the page they were.
    for (const char* saved : {"/plain.html", "/kept.mhtml"}) {
        load(m_dir.str() + saved, "Command Page");
        EXPECT_EQ(evaluate(engine().view(), "document.getElementById('text').textContent"),
                  "Driftway print marker, one two three.");
    }

    // A file where a folder should be stops even root.
    const auto file = m_dir.write("plain.txt", "keep");
    EXPECT_EQ(error_number([&] { engine().save_page(file.string() + "/p.html", SaveKind::HtmlOnly); }), 75);
    EXPECT_EQ(read_file(file), "keep");
    const auto folder = m_dir.mkdir("taken.html");
    EXPECT_EQ(error_number([&] { engine().save_page(folder.string(), SaveKind::Complete); }), 75);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// Zoom, the clipboard, properties and Stop, as the menus use them.
TEST_F(CommandTest, ZoomClipboardPropertiesAndStopActOnThePage)
{
    const auto js = [&](const std::string& script) { return evaluate(engine().view(), script); };
    const auto height = [&] {
        return std::atof(js("document.getElementById('text').getBoundingClientRect().height").c_str());
    };
    const double normal = height();
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, 4);
    ASSERT_TRUE(wait_until([&] { return height() > normal * 1.3; }));
    // Text only: the page itself keeps its scale.
    EXPECT_EQ(js("window.devicePixelRatio"), "1");
    std::optional<int> level;
    engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, std::nullopt, &level);
    EXPECT_EQ(level, 4);

    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, "pasted words", -1);
    js("document.getElementById('f').focus(); 1");
    engine().ExecWB(OleCmd::Paste, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until([&] { return js("document.getElementById('f').value") == "pasted words"; }));
    js("document.getElementById('f').select(); 1");
    engine().ExecWB(OleCmd::Cut, OleExecOpt::DoDefault);
    ASSERT_TRUE(wait_until([&] { return js("document.getElementById('f').value").empty(); }));

    engine().ExecWB(OleCmd::Properties, OleExecOpt::DoDefault);
    ASSERT_NE(engine().properties_window(), nullptr);
    EXPECT_EQ(engine().properties_window()->value("Address:"), browser::file_uri_from_path(m_page));
    EXPECT_EQ(engine().properties_window()->value("Size:"), std::to_string(kPage.size()) + " bytes");

    // A loopback port that takes connections and never answers.
    int port = 0;
    const int listener = listen_on_loopback(port);
    engine().Navigate2("http://127.0.0.1:" + std::to_string(port) + "/never");
    ASSERT_TRUE(wait_until([&] { return engine().Busy(); }));
    pump_for(200);
    EXPECT_TRUE(engine().Busy());
    engine().ExecWB(OleCmd::Stop, OleExecOpt::DoDefault);
    EXPECT_TRUE(wait_until([&] { return !engine().Busy(); }));
    close(listener);
}

} // namespace
} // namespace driftway::testing
