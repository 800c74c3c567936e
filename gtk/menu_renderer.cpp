#include "gtk/menu_renderer.h"

#include <gtkmm/checkmenuitem.h>
#include <gtkmm/separatormenuitem.h>

namespace driftway::gtk {

MenuRenderer::MenuRenderer(Glib::RefPtr<Gtk::AccelGroup> accel, Activate on_activate)
    : m_accel(std::move(accel)), m_on_activate(std::move(on_activate))
{
}

std::string MenuRenderer::mnemonic(const std::string& caption)
{
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '_') {
            out += "__";
        } else if (c == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else {
            out += c;
        }
    }
    return out;
}

void MenuRenderer::remember(const platform::MenuEntry& entry, Gtk::MenuItem* widget)
{
    if (!entry.set.empty())
        m_by_set[{entry.set, entry.index}] = widget;
}

Gtk::MenuItem* MenuRenderer::make_item(const platform::MenuEntry& entry)
{
    Gtk::MenuItem* widget = nullptr;
    if (entry.kind == platform::MenuEntryKind::Separator || entry.caption == "-") {
        widget = Gtk::manage(new Gtk::SeparatorMenuItem());
    } else if (entry.checkable || entry.checked) {
        auto* check = Gtk::manage(new Gtk::CheckMenuItem(mnemonic(entry.caption), true));
        check->set_active(entry.checked);
        widget = check;
    } else {
        widget = Gtk::manage(new Gtk::MenuItem(mnemonic(entry.caption), true));
    }
    widget->set_sensitive(entry.enabled);
    if (entry.visible)
        widget->show();
    else
        widget->hide();
    widget->set_no_show_all(true);
    remember(entry, widget);

    if (!entry.accel.empty() && m_accel) {
        guint key = 0;
        GdkModifierType mods{};
        gtk_accelerator_parse(entry.accel.c_str(), &key, &mods);
        if (key != 0)
            widget->add_accelerator("activate", m_accel, key, static_cast<Gdk::ModifierType>(mods),
                                    Gtk::ACCEL_VISIBLE);
    }

    if (entry.kind == platform::MenuEntryKind::Separator || entry.caption == "-")
        return widget;

    if (entry.kind == platform::MenuEntryKind::Submenu) {
        auto* submenu = Gtk::manage(new Gtk::Menu());
        if (m_accel)
            submenu->set_accel_group(m_accel);
        widget->set_submenu(*submenu);
        // Children are made when the submenu first opens; menus that carry
        // accelerators are filled at once so that their keys work unopened.
        auto children = std::make_shared<std::vector<platform::MenuEntry>>(entry.children);
        auto filled = std::make_shared<bool>(false);
        bool has_accels = false;
        for (const auto& c : entry.children)
            has_accels = has_accels || !c.accel.empty() || c.kind == platform::MenuEntryKind::Submenu;
        auto fill_once = [this, submenu, children, filled] {
            if (*filled)
                return;
            *filled = true;
            fill(*submenu, *children);
        };
        if (has_accels || !entry.set.empty())
            fill_once();
        else
            widget->signal_activate().connect(fill_once, false);
    }

    const platform::MenuEntry copy = [&] {
        platform::MenuEntry e = entry;
        e.children.clear();
        return e;
    }();
    widget->signal_activate().connect([this, widget, copy] {
        if (m_updating[widget])
            return;
        if (auto* check = dynamic_cast<Gtk::CheckMenuItem*>(widget)) {
            // The item toggled itself; the program's logic owns the mark.
            m_updating[widget] = true;
            check->set_active(!check->get_active());
            m_updating[widget] = false;
        }
        if (m_on_activate)
            m_on_activate(copy);
    });
    return widget;
}

void MenuRenderer::fill(Gtk::Menu& menu, const std::vector<platform::MenuEntry>& children)
{
    for (const auto& child : children)
        menu.append(*make_item(child));
}

Gtk::MenuItem* MenuRenderer::append(Gtk::MenuShell& shell, const platform::MenuEntry& entry)
{
    auto* item = make_item(entry);
    shell.append(*item);
    return item;
}

Gtk::MenuItem* MenuRenderer::insert(Gtk::MenuShell& shell, const platform::MenuEntry& entry, int position)
{
    auto* item = make_item(entry);
    shell.insert(*item, position);
    return item;
}

std::unique_ptr<Gtk::Menu> MenuRenderer::popup(const platform::MenuEntry& title)
{
    auto menu = std::make_unique<Gtk::Menu>();
    fill(*menu, title.children);
    return menu;
}

Gtk::MenuItem* MenuRenderer::item(const std::string& set, int index) const
{
    const auto it = m_by_set.find({set, index});
    return it == m_by_set.end() ? nullptr : it->second;
}

void MenuRenderer::set_checked(const std::string& set, int index, bool value)
{
    auto* check = dynamic_cast<Gtk::CheckMenuItem*>(item(set, index));
    if (!check)
        return;
    m_updating[check] = true;
    check->set_active(value);
    m_updating[check] = false;
}

bool MenuRenderer::checked(const std::string& set, int index) const
{
    const auto* check = dynamic_cast<const Gtk::CheckMenuItem*>(item(set, index));
    return check && check->get_active();
}

void MenuRenderer::set_enabled(const std::string& set, int index, bool value)
{
    if (auto* w = item(set, index))
        w->set_sensitive(value);
}

void MenuRenderer::set_visible(const std::string& set, int index, bool value)
{
    if (auto* w = item(set, index))
        w->set_visible(value);
}

void MenuRenderer::forget_ids() {}

} // namespace driftway::gtk
