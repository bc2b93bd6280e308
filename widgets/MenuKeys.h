#pragma once
// Keyboard letters for the menus of a window. Each caption of a menu bar, of its menus and of a
// popup menu gets the first of its letters that no earlier item of the same menu has taken,
// underlined: Alt with that letter opens a menu of the bar or runs a command of it, the letter
// alone picks an item of an open menu. Hidden items keep their letters too, so an item's letter
// does not change with the work mode. The letters follow the captions: an item added, renamed
// or moved later gets its letter then. F10 reaches the bar as a lone Alt does.

class QMenu;
class QMenuBar;
class QString;

// Called once the bar exists, at the latest after its menus are built; later changes follow.
void giveMenuKeys(QMenuBar* bar);
void giveMenuKeys(QMenu* popup);

// A caption as the user reads it, without its letter mark ("&Печать" is "Печать", "&&" is "&").
QString plainCaption(const QString& text);
