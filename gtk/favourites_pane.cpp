#include "gtk/favourites_pane.h"

#include "gtk/resources.h"
#include "gtk/twips.h"

#include <glibmm/main.h>
#include <gtkmm/cssprovider.h>

#include <algorithm>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr browser::Rect kSearchBoxRect{40, 120, 2870, 330};
constexpr browser::Rect kSearchButtonRect{600, 600, 1335, 300};
constexpr float kPicFavLeft = 360;
constexpr float kPicFavStep = 615;
constexpr float kPicFavTop = 1080;
constexpr float kPicFavSize = 360;
constexpr int kPicFavPictureSize = 24;

struct PicFavLook {
    const char* tooltip;
    const char* theme_icon;
};
constexpr PicFavLook kPicFav[3] = {
    {"Add To Favorites...", "list-add"},
    {"Organize Favorites...", "folder"},
    {"Remove From Favorites", "list-remove"},
};

// PicFav are picture boxes: the picture fills the button, with no frame.
constexpr const char* kPicFavCss = "button.driftway-picfav { padding: 0; min-width: 0; min-height: 0; }";

void make_picture_button(Gtk::Button& button)
{
    static const Glib::RefPtr<Gtk::CssProvider> provider = [] {
        auto p = Gtk::CssProvider::create();
        p->load_from_data(kPicFavCss);
        return p;
    }();
    button.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    button.get_style_context()->add_class("driftway-picfav");
    button.set_relief(Gtk::RELIEF_NONE);
}

} // namespace

std::string mnemonic_label(const std::string& caption)
{
    std::string out;
    out.reserve(caption.size() + 1);
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

FavouritesPane::FavouritesPane(fav::TreeModel& model, platform::Prompts& prompts, float tpp)
    : m_tpp(tpp), m_search(model, prompts), m_tree(model)
{
    // The pane's own area is the splitter, handled by the window.
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::POINTER_MOTION_MASK);

    m_txt_search.set_text(fav::kSearchInitialText);
    m_txt_search.set_tooltip_text(fav::kSearchBoxTooltip);
    m_txt_search.signal_changed().connect(sigc::mem_fun(*this, &FavouritesPane::on_search_changed));
    m_txt_search.signal_focus_in_event().connect(sigc::mem_fun(*this, &FavouritesPane::on_search_focus_in),
                                                 false);
    m_txt_search.signal_activate().connect([this] { m_cmd_search.clicked(); });
    place(m_txt_search, kSearchBoxRect);

    m_cmd_search.set_label(mnemonic_label(m_search.caption()));
    m_cmd_search.set_use_underline(true);
    m_cmd_search.set_tooltip_text(fav::kSearchButtonTooltip);
    m_cmd_search.signal_clicked().connect(sigc::mem_fun(*this, &FavouritesPane::on_search_clicked));
    place(m_cmd_search, kSearchButtonRect);

    for (int i = 0; i < 3; ++i) {
        auto& button = m_pic_fav[static_cast<std::size_t>(i)];
        auto& image = m_pic_fav_images[static_cast<std::size_t>(i)];
        const PicFavLook& look = kPicFav[i];
        button.add(image);
        make_picture_button(button);
        button.set_tooltip_text(look.tooltip);
        button.signal_clicked().connect([this, i] {
            if (on_picfav)
                on_picfav(i);
        });
        place(button,
              {kPicFavLeft + kPicFavStep * static_cast<float>(i), kPicFavTop, kPicFavSize, kPicFavSize});
    }

    place(m_tree, browser::Layout{}.tree);
    show_all_children();

    // The buttons' pictures are read when the pane first shows: most
    // windows never show it.
    m_pictures_once = signal_map().connect([this] {
        for (std::size_t i = 0; i < m_pic_fav_images.size(); ++i) {
            const auto picture =
                load_picture_or_icon(picture::kFavButtons[i], kPicFav[i].theme_icon, kPicFavPictureSize);
            if (picture)
                m_pic_fav_images[i].set(picture);
        }
        m_pictures_once.disconnect();
    });
}

void FavouritesPane::set_tree_rect(const browser::Rect& rect)
{
    move(m_tree, to_pixels(rect.left, m_tpp), to_pixels(rect.top, m_tpp));
    m_tree.set_size_request(std::max(1, to_pixels(rect.width, m_tpp)),
                            std::max(1, to_pixels(rect.height, m_tpp)));
}

void FavouritesPane::place(Gtk::Widget& child, const browser::Rect& rect)
{
    put(child, to_pixels(rect.left, m_tpp), to_pixels(rect.top, m_tpp));
    child.set_size_request(std::max(1, to_pixels(rect.width, m_tpp)),
                           std::max(1, to_pixels(rect.height, m_tpp)));
}

void FavouritesPane::on_search_clicked()
{
    m_search.cmdSearch_Click(m_txt_search.get_text());
    m_cmd_search.set_label(mnemonic_label(m_search.caption()));
}

void FavouritesPane::on_search_changed()
{
    m_search.txtSearch_Change();
}

bool FavouritesPane::on_search_focus_in(GdkEventFocus* /*event*/)
{
    // A click that brought the focus places the cursor after this handler;
    // selecting once that is done makes typing replace the whole term.
    Glib::signal_idle().connect_once(sigc::mem_fun(*this, &FavouritesPane::select_search_text));
    return false;
}

void FavouritesPane::select_search_text()
{
    m_txt_search.select_region(0, -1);
}

} // namespace driftway::gtk
