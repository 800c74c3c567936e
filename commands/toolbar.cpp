#include "commands/toolbar.h"

#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "platform/runtime_error.h"

namespace driftway::commands {

namespace {

template <typename F> void skip_errors(F&& step)
{
    try {
        step();
    } catch (const platform::RuntimeError&) {
    }
}

} // namespace

void PicToolClick(int Index, CommandContext& frm)
{
    skip_errors([&] { frm.start_busy_timer(); });
    auto& engine = frm.engine();
    switch (Index) {
    case 0:
        skip_errors([&] { engine.GoBack(); });
        break;
    case 1:
        skip_errors([&] { engine.GoForward(); });
        break;
    case 2:
        skip_errors([&] { frm.stop_busy_timer(); });
        skip_errors([&] { engine.Stop(); });
        skip_errors([&] { frm.set_title_from_location(); });
        break;
    case 3:
        skip_errors([&] { engine.Refresh(); });
        break;
    case 4:
        skip_errors([&] { engine.GoHome(); });
        break;
    case 5:
        skip_errors([&] { engine.GoSearch(); });
        break;
    case 6:
        DoViewCommand(kFavoritesPaneItem, frm);
        break;
    case 7:
        DoFileCommand(6, frm);
        break;
    case 8:
        DoFileCommand(1, frm);
        break;
    default:
        break;
    }
}

} // namespace driftway::commands
