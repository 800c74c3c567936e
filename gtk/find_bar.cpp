#include "gtk/main_window.h"

#include "gtk/webkit_engine.h"

namespace driftway::gtk {

// ---- Find in page

void MainWindow::build_find_bar()
{
    m_find_entry.set_width_chars(24);
    m_find_entry.set_tooltip_text("Text to find in the page");
    m_find_result.set_xalign(0);
    m_find_close.set_relief(Gtk::RELIEF_NONE);
    m_find_close.set_tooltip_text("Close the find bar (Escape)");
    m_find_bar.pack_start(m_find_caption, Gtk::PACK_SHRINK);
    m_find_bar.pack_start(m_find_entry, Gtk::PACK_SHRINK);
    m_find_bar.pack_start(m_find_previous, Gtk::PACK_SHRINK);
    m_find_bar.pack_start(m_find_next, Gtk::PACK_SHRINK);
    m_find_bar.pack_start(m_find_result, Gtk::PACK_EXPAND_WIDGET);
    m_find_bar.pack_end(m_find_close, Gtk::PACK_SHRINK);
    m_status.put(m_find_bar, 0, 0);
    m_find_bar.show_all();
    m_find_bar.hide();
    m_find_bar.set_no_show_all(true);

    m_find_entry.signal_changed().connect([this] { find_again(false); });
    m_find_entry.signal_activate().connect([this] { find_again(false); });
    m_find_next.signal_clicked().connect([this] { find_again(false); });
    m_find_previous.signal_clicked().connect([this] { find_again(true); });
    m_find_close.signal_clicked().connect([this] { close_find_bar(); });
}

void MainWindow::open_find_bar()
{
    m_status_label.hide();
    m_find_bar.show();
    m_find_entry.grab_focus();
    m_find_entry.select_region(0, -1);
}

void MainWindow::close_find_bar()
{
    if (auto* engine = dynamic_cast<WebKitEngine*>(&m_frm->engine()))
        engine->end_find();
    m_find_bar.hide();
    m_find_result.set_text("");
    m_status_label.show();
    m_frm->engine().SetFocus();
}

void MainWindow::find_again(bool backwards)
{
    auto* engine = dynamic_cast<WebKitEngine*>(&m_frm->engine());
    if (!engine)
        return;
    const std::string text = m_find_entry.get_text();
    if (text.empty()) {
        engine->end_find();
        m_find_result.set_text("");
        return;
    }
    engine->find(text, backwards ? FindDirection::Previous : FindDirection::Next);
}

} // namespace driftway::gtk
