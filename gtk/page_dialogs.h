#pragma once

#include "gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef struct _PopplerDocument PopplerDocument;

namespace driftway::gtk {

enum class SaveKind { HtmlOnly, Complete };

// What the properties window shows about the current page.
struct PageProperties {
    std::string title;
    std::string address;
    std::string mime_type;
    std::optional<std::size_t> size; // bytes of the main resource
    std::string security;            // one line on the connection
};

enum class FindDirection { Next, Previous };

// Owns a toplevel GTK window: destroyed with the object.
class OwnedWindow {
public:
    OwnedWindow() = default;
    ~OwnedWindow();
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    GtkWidget* get() const { return m_window; }
    void reset(GtkWidget* window);

private:
    GtkWidget* m_window = nullptr;
};

// The save dialog of File > Save As: a file name and the choice between the
// page's HTML alone and the complete page in one archive file.
struct SaveTarget {
    std::string path;
    SaveKind kind;
};
std::optional<SaveTarget> choose_save_target(GtkWindow* parent, const std::string& suggested_name);

// A file name offered for saving a page: its title, or the last part of its
// address, made safe for a file name.
std::string suggested_file_name(const std::string& title, const std::string& uri);

// The page's properties in a small window of its own (not modal).
class PropertiesWindow {
public:
    PropertiesWindow(GtkWindow* parent, const PageProperties& properties);

    GtkWidget* window() const { return m_window.get(); }
    // The text shown beside a caption ("Title:", "Address:", ...).
    std::string value(const std::string& caption) const;

private:
    OwnedWindow m_window;
    std::map<std::string, GtkWidget*> m_values;
};

// The printed pages of a document (a PDF the print engine wrote), one at a
// time, with page navigation, a Print button and Close. The window owns the
// PDF file and deletes it when it goes.
class PrintPreviewWindow {
public:
    PrintPreviewWindow(GtkWindow* parent, std::string pdf_path, std::function<void()> on_print);
    ~PrintPreviewWindow();
    PrintPreviewWindow(const PrintPreviewWindow&) = delete;
    PrintPreviewWindow& operator=(const PrintPreviewWindow&) = delete;

    GtkWidget* window() const { return m_window.get(); }
    int page_count() const;
    int current_page() const { return m_page; }
    void show_page(int index);
    std::string page_label() const;
    // The text on the shown page, as the preview's document holds it.
    std::string page_text() const;
    void press_print();

private:
    static gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer self);
    static void on_previous(GtkButton*, gpointer self);
    static void on_next(GtkButton*, gpointer self);
    static void on_print_clicked(GtkButton*, gpointer self);
    static void on_close_clicked(GtkButton*, gpointer self);
    static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer self);
    void update();

    std::string m_pdf_path;
    std::function<void()> m_on_print;
    GObjectPtr<PopplerDocument> m_document;
    OwnedWindow m_window;
    GtkWidget* m_area = nullptr;
    GtkWidget* m_label = nullptr;
    GtkWidget* m_previous = nullptr;
    GtkWidget* m_next = nullptr;
    int m_page = 0;
    double m_scale = 96.0 / 72.0;
};

} // namespace driftway::gtk
