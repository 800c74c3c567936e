#include "gtk/import_bar.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/window.h>

namespace driftway::gtk {

namespace {

// Thrown from the progress handlers to end the import; the importer undoes
// what it wrote when one passes through it.
struct Cancelled {};

std::string with_separators(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

} // namespace

int ImportBar::s_running = 0;

ImportBar::ImportBar() : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6)
{
    m_text.set_xalign(0);
    m_text.set_ellipsize(Pango::ELLIPSIZE_END);
    m_cancel.set_tooltip_text("Stop the import and undo it (Escape)");
    // The button fits the status line's height.
    static const auto css = [] {
        auto provider = Gtk::CssProvider::create();
        provider->load_from_data("button { padding: 0 8px; min-height: 0; }");
        return provider;
    }();
    m_cancel.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    m_cancel.signal_clicked().connect([this] { cancel(); });
    pack_start(m_text, Gtk::PACK_EXPAND_WIDGET);
    pack_end(m_cancel, Gtk::PACK_SHRINK);
    show_all_children();
}

void ImportBar::show_progress(const std::string& text, const Hooks& hooks)
{
    m_text.set_text(text);
    if (hooks.do_events)
        hooks.do_events();
    if (m_cancel_asked || (hooks.abandoned && hooks.abandoned()))
        throw Cancelled{};
}

std::optional<favourites::ImportResult> ImportBar::run(const std::string& file, const std::string& root,
                                                       const Hooks& hooks)
{
    struct Running {
        ImportBar& bar;
        sigc::connection escape;
        explicit Running(ImportBar& b) : bar(b)
        {
            ++s_running;
            bar.m_running = true;
            bar.m_cancel_asked = false;
            bar.show();
            if (auto* window = dynamic_cast<Gtk::Window*>(bar.get_toplevel())) {
                escape = window->signal_key_press_event().connect(
                    [this](GdkEventKey* event) {
                        if (event->keyval != GDK_KEY_Escape)
                            return false;
                        bar.cancel();
                        return true;
                    },
                    false);
            }
        }
        ~Running()
        {
            escape.disconnect();
            bar.hide();
            bar.m_running = false;
            --s_running;
        }
    } running(*this);

    const auto reading = [&](std::uint64_t done, std::uint64_t total) {
        const auto percent = total == 0 ? 100 : static_cast<unsigned>(done * 100 / total);
        show_progress("Reading bookmarks: " + std::to_string(percent) + "%", hooks);
    };
    const auto writing = [&](std::size_t done, std::size_t total) {
        show_progress("Importing bookmarks: " + with_separators(done) + " of " + with_separators(total),
                      hooks);
    };
    try {
        return favourites::import_bookmarks(file, root, writing, reading);
    } catch (const Cancelled&) {
        return std::nullopt;
    }
}

} // namespace driftway::gtk
