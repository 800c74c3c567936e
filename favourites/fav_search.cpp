#include "favourites/fav_search.h"

#include "favourites/display_text.h"
#include "favourites/tree.h"
#include "platform/prompts.h"

#include <glib.h>

namespace driftway::favourites {

std::string lower_text(const std::string& text)
{
    bool ascii = true;
    for (const char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        std::string out = text;
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    }
    const std::string valid =
        g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) ? text : display_name(text);
    gchar* lower = g_utf8_strdown(valid.data(), static_cast<gssize>(valid.size()));
    std::string out = lower;
    g_free(lower);
    return out;
}

int FavSearch::cmdSearch_Click(const std::string& term)
{
    const std::string wanted = lower_text(term);
    const int count = m_tree.Count();
    int hit = 0;
    for (int i = m_search_pos + 1; i <= count; ++i) {
        m_search_pos = i;
        if (lower_text(m_tree.Text(i)).find(wanted) != std::string::npos) {
            hit = i;
            break;
        }
    }
    if (hit != 0) {
        m_tree.SetSelected(hit, true);
        m_tree.SetDropHighlight(hit);
        m_caption = kSearchNextCaption;
        return hit;
    }
    m_prompts.message_box(kSearchNotFound, kSearchNotFoundTitle, platform::MsgButtons::Ok,
                          platform::MsgIcon::Exclamation);
    m_caption = kSearchCaption;
    return 0;
}

} // namespace driftway::favourites
