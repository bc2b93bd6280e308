// Found in place of Qt's own header on logic targets only (see kestrin_logic_target): a Qt Widgets
// header has been reached from a logic file. Windows and dialogs belong in the folder's window
// units (the UNITS of its CMakeLists.txt, listed in LAYERS.md); a logic file asks the user
// through platform/Prompts.h.
#error "Qt Widgets in a logic file: only the window units of a folder may include widget headers (see LAYERS.md)"
