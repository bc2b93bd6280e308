#pragma once
// The main window's commands as data: the panel's groups and links, the work mode, data table
// and network flag each one opens its window with, and what is read again after the window
// closes. runCommand() is the one road from a link to its window, so that no window ever sees
// what an earlier command left in the shared globals. No widgets here: the main window builds
// its links from this table and hands each command the callable that opens the real window.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What the caches lose when a command's window changes the dictionary.
enum class AfterClose {
    Nothing,
    FormsAndTables,   // the forms catalogue: GetForms, then GetTables
    Structure,        // the administrative structure in setup: GetStruct
};

struct MainCommand {
    QString group;     // heading caption; empty for the links that stand alone
    QString caption;   // the link's text
    QString handler;   // the main window's handler: "N2Click"
    QString label;     // object name of the link
    // What the window is opened with; empty and false mean neutral.
    QString workMode;
    QString dataTablePrefix;
    bool netMode = false;
    AfterClose afterClose = AfterClose::Nothing;
    // Reads or writes the open year's databases, so it waits for a year.
    bool needsYear = true;
};

// The group headings with the object names of their labels, in the order of the panel.
struct CommandGroup {
    QString caption;
    QString label;
};
const QList<CommandGroup>& commandGroups();

// Every command in the order of the panel.
const QList<MainCommand>& mainCommands();
// The command of a handler name; nullptr for a name no link has.
const MainCommand* findCommand(const QString& handler);

// The data table names the modes may set ("Data", "data", "RepData", "Repdata"), spelled
// exactly so; the empty name means no data table.
const QStringList& knownDataTablePrefixes();
bool isKnownDataTablePrefix(const QString& prefix);

// WorkMode "", DataTablePrefix "", NetMode false, no current institution, empty id list.
void clearWorkGlobals();

// Opens a command's window: sets WorkMode, DataTablePrefix and NetMode as the command says
// (neutral where it says nothing), with no current institution and an empty id list; runs
// `open`; puts every one of them back to neutral, also when `open` throws; then, when `open`
// returned, refreshes the caches of `afterClose` from "dbmain". Returns false, with the error shown and `open` never
// run, when the command's data table is none of knownDataTablePrefixes().
bool runCommand(const MainCommand& command, const std::function<void()>& open);
