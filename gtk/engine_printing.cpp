#include "gtk/webkit_engine_internal.h"

#include <glib/gstdio.h>
#include <gtk/gtkunixprint.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace driftway::gtk {

namespace {

void print_failed(WebKitPrintOperation*, GError* error, gpointer data)
{
    auto& pending = *static_cast<PendingPtr*>(data);
    pending->error = error ? error->message : "unknown error";
}

void print_finished(WebKitPrintOperation*, gpointer data)
{
    (*static_cast<PendingPtr*>(data))->done = true;
}

PendingPtr watch_print(WebKitPrintOperation* operation)
{
    auto pending = std::make_shared<Pending>();
    g_signal_connect_data(operation, "failed", G_CALLBACK(print_failed), hold(pending), free_pending,
                          GConnectFlags(0));
    g_signal_connect_data(operation, "finished", G_CALLBACK(print_finished), hold(pending), free_pending,
                          GConnectFlags(0));
    return pending;
}

} // namespace

void WebKitEngine::set_page_setup(GtkPageSetup* setup)
{
    if (setup)
        m_page_setup = ref_gobject(setup);
}

void WebKitEngine::print_with_dialog()
{
    // The print dialog is run here and the page then printed as print_to_file
    // prints it: the engine's own dialog path printed landscape pages empty.
    GtkWidget* dialog = gtk_print_unix_dialog_new(nullptr, toplevel());
    auto* chooser = GTK_PRINT_UNIX_DIALOG(dialog);
    gtk_print_unix_dialog_set_embed_page_setup(chooser, TRUE);
    gtk_print_unix_dialog_set_page_setup(chooser, m_page_setup.get());
    gtk_print_unix_dialog_set_settings(chooser, m_print_settings.get());
    gtk_print_unix_dialog_set_manual_capabilities(
        chooser,
        static_cast<GtkPrintCapabilities>(GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_COPIES |
                                          GTK_PRINT_CAPABILITY_COLLATE | GTK_PRINT_CAPABILITY_REVERSE |
                                          GTK_PRINT_CAPABILITY_SCALE | GTK_PRINT_CAPABILITY_NUMBER_UP |
                                          GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT));
    const std::weak_ptr<int> alive = m_life;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (alive.expired() || response != GTK_RESPONSE_OK) {
        gtk_widget_destroy(dialog);
        if (alive.expired())
            return;
        throw cancelled();
    }
    // The dialog's choices are kept for the next print and preview.
    GObjectPtr<GtkPrintSettings> settings(gtk_print_unix_dialog_get_settings(chooser));
    if (GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(chooser))
        gtk_print_settings_set_printer(settings.get(), gtk_printer_get_name(printer));
    m_page_setup = ref_gobject(gtk_print_unix_dialog_get_page_setup(chooser));
    m_print_settings = std::move(settings);
    gtk_widget_destroy(dialog);
    print_now(m_print_settings.get(), 10 * kWaitMs);
}

void WebKitEngine::print_to_file(const std::string& pdf_path)
{
    GObjectPtr<GtkPrintSettings> settings(gtk_print_settings_copy(m_print_settings.get()));
    GError* error = nullptr;
    GCharPtr uri(g_filename_to_uri(pdf_path.c_str(), nullptr, &error));
    GErrorPtr owned_error(error);
    if (!uri)
        throw platform::RuntimeError(platform::error::kInvalidCall,
                                     "Not a usable file name for printing: " + pdf_path);
    gtk_print_settings_set_printer(settings.get(), "Print to File");
    gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
    print_now(settings.get(), 4 * kWaitMs);
}

void WebKitEngine::print_now(GtkPrintSettings* settings, int timeout_ms)
{
    GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(m_view.get()));
    webkit_print_operation_set_page_setup(operation.get(), m_page_setup.get());
    webkit_print_operation_set_print_settings(operation.get(), settings);
    const PendingPtr pending = watch_print(operation.get());
    webkit_print_operation_print(operation.get());
    if (!run_until([&] { return pending->done; }, timeout_ms))
        throw platform::RuntimeError(platform::error::kEngineFailure, "Printing did not finish in time.");
    if (!pending->error.empty())
        throw platform::RuntimeError(platform::error::kEngineFailure, "Printing failed: " + pending->error);
}

void WebKitEngine::show_print_preview()
{
    GError* error = nullptr;
    char* temp_path = nullptr;
    const int fd = g_file_open_tmp("driftway-preview-XXXXXX.pdf", &temp_path, &error);
    GErrorPtr owned_error(error);
    GCharPtr owned_path(temp_path);
    if (fd < 0)
        throw platform::RuntimeError(kFileAccessError,
                                     std::string("No room for the preview: ") + error->message);
    close(fd);
    const std::weak_ptr<int> alive = m_life;
    try {
        print_to_file(temp_path);
    } catch (...) {
        g_remove(temp_path);
        throw;
    }
    if (alive.expired()) {
        g_remove(temp_path);
        return;
    }
    // The preview's Print button runs inside a GTK signal handler, where no
    // error may escape: failures are told, a cancelled dialog is not.
    m_preview = std::make_unique<PrintPreviewWindow>(toplevel(), temp_path, [this] {
        try {
            print_with_dialog();
        } catch (const platform::RuntimeError& e) {
            if (e.number() != platform::error::kDialogCancelled)
                tell_error(e.description());
        }
    });
}

void WebKitEngine::run_page_setup()
{
    GtkPageSetup* chosen =
        gtk_print_run_page_setup_dialog(toplevel(), m_page_setup.get(), m_print_settings.get());
    // The dialog hands back a new setup, or the old one unchanged on cancel.
    if (chosen)
        m_page_setup.reset(chosen);
}

} // namespace driftway::gtk
