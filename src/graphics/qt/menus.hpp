#pragma once
// The window's menu bar from the figure's uimenus: a top-level uimenu with children is a menu of
// the bar, its children entries or submenus. Opening a menu runs its "Callback" (as the runtime
// has always done, so a menu can update its entries before they show); choosing an entry runs
// the entry's.
#include "graphics/graphics.hpp"

class QMenuBar;

namespace kolvar::graphics {

// Replace the contents of `bar` by the menus of `fig`, in creation order ("Position" orders
// siblings when set). The bar is hidden when the figure has no visible menu.
void rebuildMenuBar(QMenuBar& bar, Handle fig);

// True when a change of `property` of a uimenu shows in the menu bar.
bool menuPropertyShows(std::string_view property);

}  // namespace kolvar::graphics
