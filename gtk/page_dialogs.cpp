#include "gtk/page_dialogs.h"

#include "gtk/poppler_library.h"

#include <algorithm>
#include <cstdio>

namespace driftway::gtk {

namespace {

constexpr const char* kFormatChoice = "format";

// Only used with a document open, which Poppler being loaded made possible.
const PopplerLibrary& poppler()
{
    return *poppler_library();
}

GtkWidget* caption_label(const char* text)
{
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_widget_set_valign(label, GTK_ALIGN_START);
    return label;
}

std::string format_bytes(std::size_t size)
{
    std::string digits = std::to_string(size);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits + (size == 1 ? " byte" : " bytes");
}

} // namespace

OwnedWindow::~OwnedWindow()
{
    reset(nullptr);
}

void OwnedWindow::reset(GtkWidget* window)
{
    // Our own reference keeps the object valid even when its parent window
    // destroyed it first; destroying twice is harmless.
    if (m_window) {
        gtk_widget_destroy(m_window);
        g_object_unref(m_window);
    }
    m_window = window;
    if (m_window)
        g_object_ref(m_window);
}

std::string suggested_file_name(const std::string& title, const std::string& uri)
{
    std::string name = title;
    if (name.empty()) {
        std::string path = uri.substr(0, uri.find_first_of("?#"));
        while (!path.empty() && path.back() == '/')
            path.pop_back();
        const auto slash = path.rfind('/');
        name = slash == std::string::npos ? path : path.substr(slash + 1);
        GCharPtr unescaped(g_uri_unescape_string(name.c_str(), nullptr));
        if (unescaped)
            name = unescaped.get();
    }
    std::string safe;
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            safe += '-';
        else
            safe += c;
    }
    while (!safe.empty() && (safe.front() == '.' || safe.front() == ' '))
        safe.erase(safe.begin());
    if (safe.size() > 200)
        safe.resize(200);
    if (safe.empty())
        safe = "page";
    const auto dot = safe.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : safe.substr(dot);
    if (ext != ".html" && ext != ".htm")
        safe += ".html";
    return safe;
}

std::optional<SaveTarget> choose_save_target(GtkWindow* parent, const std::string& suggested_name)
{
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new("Save Web Page", parent, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_name(chooser, suggested_name.c_str());
    const char* ids[] = {"html", "mhtml", nullptr};
    const char* labels[] = {"Web page, HTML only", "Web page, complete (single file)", nullptr};
    gtk_file_chooser_add_choice(chooser, kFormatChoice, "Save as:", ids, labels);
    gtk_file_chooser_set_choice(chooser, kFormatChoice, "html");

    std::optional<SaveTarget> target;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        GCharPtr path(gtk_file_chooser_get_filename(chooser));
        const char* choice = gtk_file_chooser_get_choice(chooser, kFormatChoice);
        if (path) {
            const bool complete = choice && std::string(choice) == "mhtml";
            std::string chosen = path.get();
            // An archive under an .html name would open as text: give it its
            // own extension, unless that would replace a file unasked.
            if (complete) {
                const auto dot = chosen.rfind('.');
                const std::string ext = dot == std::string::npos ? "" : chosen.substr(dot);
                if (g_ascii_strcasecmp(ext.c_str(), ".html") == 0 ||
                    g_ascii_strcasecmp(ext.c_str(), ".htm") == 0) {
                    const std::string archive = chosen.substr(0, dot) + ".mhtml";
                    if (!g_file_test(archive.c_str(), G_FILE_TEST_EXISTS))
                        chosen = archive;
                }
            }
            target = SaveTarget{chosen, complete ? SaveKind::Complete : SaveKind::HtmlOnly};
        }
    }
    gtk_widget_destroy(dialog);
    return target;
}

PropertiesWindow::PropertiesWindow(GtkWindow* parent, const PageProperties& properties)
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    m_window.reset(window);
    gtk_window_set_title(GTK_WINDOW(window), "Properties");
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    if (parent) {
        gtk_window_set_transient_for(GTK_WINDOW(window), parent);
        gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
    }
    // Closing hides the window; the engine drops it with the next one.
    g_signal_connect(window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    // Escape closes it, as it closes a dialog.
    g_signal_connect(window, "key-press-event", G_CALLBACK(+[](GtkWidget* w, GdkEventKey* e, gpointer) -> gboolean {
                         if (e->keyval != GDK_KEY_Escape)
                             return FALSE;
                         gtk_widget_hide(w);
                         return TRUE;
                     }),
                     nullptr);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_container_add(GTK_CONTAINER(window), box);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_box_pack_start(GTK_BOX(box), grid, TRUE, TRUE, 0);

    const std::string size = properties.size ? format_bytes(*properties.size) : "Not available";
    const std::pair<const char*, std::string> rows[] = {
        {"Title:", properties.title.empty() ? "(none)" : properties.title},
        {"Address:", properties.address},
        {"Type:", properties.mime_type.empty() ? "Not available" : properties.mime_type},
        {"Size:", size},
        {"Connection:", properties.security},
    };
    int row = 0;
    for (const auto& [caption, text] : rows) {
        GtkWidget* value = gtk_label_new(text.c_str());
        gtk_label_set_xalign(GTK_LABEL(value), 0.0f);
        gtk_label_set_selectable(GTK_LABEL(value), TRUE);
        gtk_label_set_line_wrap(GTK_LABEL(value), TRUE);
        gtk_label_set_line_wrap_mode(GTK_LABEL(value), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_width_chars(GTK_LABEL(value), 50);
        gtk_label_set_max_width_chars(GTK_LABEL(value), 70);
        gtk_widget_set_hexpand(value, TRUE);
        gtk_grid_attach(GTK_GRID(grid), caption_label(caption), 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), value, 1, row, 1, 1);
        m_values[caption] = value;
        ++row;
    }

    GtkWidget* close = gtk_button_new_with_mnemonic("_Close");
    gtk_widget_set_halign(close, GTK_ALIGN_END);
    g_signal_connect_swapped(close, "clicked", G_CALLBACK(gtk_widget_hide), window);
    gtk_box_pack_end(GTK_BOX(box), close, FALSE, FALSE, 0);
    gtk_widget_show_all(window);
    // Selectable labels select their text when shown; nothing is chosen yet.
    for (const auto& [caption, label] : m_values)
        gtk_label_select_region(GTK_LABEL(label), 0, 0);
    gtk_widget_grab_focus(close);
}

std::string PropertiesWindow::value(const std::string& caption) const
{
    const auto it = m_values.find(caption);
    return it == m_values.end() ? std::string() : gtk_label_get_text(GTK_LABEL(it->second));
}

PrintPreviewWindow::PrintPreviewWindow(GtkWindow* parent, std::string pdf_path,
                                       std::function<void()> on_print)
    : m_pdf_path(std::move(pdf_path)), m_on_print(std::move(on_print))
{
    GError* error = nullptr;
    GCharPtr uri(g_filename_to_uri(m_pdf_path.c_str(), nullptr, &error));
    const PopplerLibrary* library = poppler_library();
    if (uri && library)
        m_document.reset(library->document_new_from_file(uri.get(), nullptr, &error));
    GErrorPtr owned_error(error);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    m_window.reset(window);
    gtk_window_set_title(GTK_WINDOW(window), "Print Preview");
    if (parent) {
        gtk_window_set_transient_for(GTK_WINDOW(window), parent);
        gtk_window_set_destroy_with_parent(GTK_WINDOW(window), TRUE);
    }
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window), box);

    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(bar), 6);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
    GtkWidget* print = gtk_button_new_with_mnemonic("_Print...");
    m_previous = gtk_button_new_with_mnemonic("Pre_vious Page");
    m_next = gtk_button_new_with_mnemonic("_Next Page");
    m_label = gtk_label_new("");
    GtkWidget* close = gtk_button_new_with_mnemonic("_Close");
    gtk_box_pack_start(GTK_BOX(bar), print, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), m_previous, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(bar), m_label, FALSE, FALSE, 6);
    gtk_box_pack_start(GTK_BOX(bar), m_next, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(bar), close, FALSE, FALSE, 0);
    g_signal_connect(print, "clicked", G_CALLBACK(on_print_clicked), this);
    g_signal_connect(m_previous, "clicked", G_CALLBACK(on_previous), this);
    g_signal_connect(m_next, "clicked", G_CALLBACK(on_next), this);
    g_signal_connect(close, "clicked", G_CALLBACK(on_close_clicked), this);

    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_box_pack_start(GTK_BOX(box), scroller, TRUE, TRUE, 0);
    m_area = gtk_drawing_area_new();
    gtk_widget_set_halign(m_area, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(m_area, 12);
    gtk_widget_set_margin_bottom(m_area, 12);
    gtk_container_add(GTK_CONTAINER(scroller), m_area);
    g_signal_connect(m_area, "draw", G_CALLBACK(on_draw), this);

    // Wide enough for the paper, as tall as the screen comfortably allows.
    double paper_width = 595, paper_height = 842;
    if (page_count() > 0) {
        GObjectPtr<PopplerPage> first(poppler().document_get_page(m_document.get(), 0));
        if (first)
            poppler().page_get_size(first.get(), &paper_width, &paper_height);
    }
    gtk_window_set_default_size(GTK_WINDOW(window), static_cast<int>(paper_width * m_scale) + 60,
                                std::min(static_cast<int>(paper_height * m_scale) + 100, 900));
    if (!m_document) {
        gtk_label_set_text(GTK_LABEL(m_label), "The preview could not be made.");
        gtk_widget_set_sensitive(m_previous, FALSE);
        gtk_widget_set_sensitive(m_next, FALSE);
    }
    update();
    gtk_widget_show_all(window);
}

PrintPreviewWindow::~PrintPreviewWindow()
{
    m_window.reset(nullptr);
    m_document.reset();
    std::remove(m_pdf_path.c_str());
}

int PrintPreviewWindow::page_count() const
{
    return m_document ? poppler().document_get_n_pages(m_document.get()) : 0;
}

void PrintPreviewWindow::show_page(int index)
{
    if (index < 0 || index >= page_count())
        return;
    m_page = index;
    update();
}

std::string PrintPreviewWindow::page_label() const
{
    return gtk_label_get_text(GTK_LABEL(m_label));
}

std::string PrintPreviewWindow::page_text() const
{
    if (!m_document || page_count() == 0)
        return {};
    GObjectPtr<PopplerPage> page(poppler().document_get_page(m_document.get(), m_page));
    GCharPtr text(page ? poppler().page_get_text(page.get()) : nullptr);
    return text ? text.get() : "";
}

void PrintPreviewWindow::press_print()
{
    if (m_on_print)
        m_on_print();
}

void PrintPreviewWindow::update()
{
    const int count = page_count();
    if (count == 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "Page %d of %d", m_page + 1, count);
    gtk_label_set_text(GTK_LABEL(m_label), text);
    gtk_widget_set_sensitive(m_previous, m_page > 0);
    gtk_widget_set_sensitive(m_next, m_page + 1 < count);
    GObjectPtr<PopplerPage> page(poppler().document_get_page(m_document.get(), m_page));
    double width = 0, height = 0;
    if (page)
        poppler().page_get_size(page.get(), &width, &height);
    gtk_widget_set_size_request(m_area, static_cast<int>(width * m_scale),
                                static_cast<int>(height * m_scale));
    gtk_widget_queue_draw(m_area);
}

gboolean PrintPreviewWindow::on_draw(GtkWidget* area, cairo_t* cr, gpointer data)
{
    auto* self = static_cast<PrintPreviewWindow*>(data);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    if (!self->m_document)
        return TRUE;
    GObjectPtr<PopplerPage> page(poppler().document_get_page(self->m_document.get(), self->m_page));
    if (!page)
        return TRUE;
    cairo_save(cr);
    cairo_scale(cr, self->m_scale, self->m_scale);
    poppler().page_render_for_printing(page.get(), cr);
    cairo_restore(cr);
    // A thin frame marks the paper's edge.
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, gtk_widget_get_allocated_width(area) - 1,
                    gtk_widget_get_allocated_height(area) - 1);
    cairo_stroke(cr);
    return TRUE;
}

void PrintPreviewWindow::on_previous(GtkButton*, gpointer self)
{
    auto* preview = static_cast<PrintPreviewWindow*>(self);
    preview->show_page(preview->m_page - 1);
}

void PrintPreviewWindow::on_next(GtkButton*, gpointer self)
{
    auto* preview = static_cast<PrintPreviewWindow*>(self);
    preview->show_page(preview->m_page + 1);
}

void PrintPreviewWindow::on_print_clicked(GtkButton*, gpointer self)
{
    auto* preview = static_cast<PrintPreviewWindow*>(self);
    gtk_widget_hide(preview->m_window.get());
    preview->press_print();
}

void PrintPreviewWindow::on_close_clicked(GtkButton*, gpointer self)
{
    gtk_widget_hide(static_cast<PrintPreviewWindow*>(self)->m_window.get());
}

gboolean PrintPreviewWindow::on_delete(GtkWidget* widget, GdkEvent*, gpointer)
{
    gtk_widget_hide(widget);
    return TRUE;
}

} // namespace driftway::gtk
