#pragma once
// The year's dictionary read once into memory: forms, tables with their attributes, the
// administrative structure and the indicator tree. Every window looks forms and tables up here
// instead of asking the dictionary again, so the main window refills the caches after every
// change of year and after the forms catalogue closes (and the structure after its setup
// window, the indicator tree after its window).

#include "core/TableShape.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// Texts with an integer kept beside each (the id an item stands for).
struct IdStringList {
    QStringList strings;
    QList<int> objects;

    qsizetype size() const { return strings.size(); }
    bool isEmpty() const { return strings.isEmpty(); }
    void append(const QString& text, int object)
    {
        strings.append(text);
        objects.append(object);
    }
    void clear()
    {
        strings.clear();
        objects.clear();
    }
};

// GetForms: one item per form ordered by ind, the name in capitals + " - " + decipher, the id
// as object.
inline IdStringList FormsList;
// GetForms: the form names in capitals, parallel to FormsList (so that a name holding " - "
// still reads back whole).
inline QStringList FormNames;
// GetForms: the names, as stored, of the network (Ф47) forms, in the same order.
inline QStringList NetForms;
// GetTables: one item per table ordered by form, tablen: form name in capitals + "*Т" +
// tablen + " - " + name; TableInfo[i] describes TablesList[i], its form name in capitals.
inline QStringList TablesList;
inline QList<TableShape> TableInfo;

// GetStruct: the administrative structure ordered by dependence, ind: unit, id, dependence.
// StructNodeIndex (same size, all 0) is filled by the tree builders with each entry's node.
inline QStringList StructNames;
inline QList<int> StructIdents;
inline QList<int> StructDepends;
inline QList<int> StructNodeIndex;
inline int StructCount = 0;

// The positions in the structure cache of its roots: the entries whose dependence is no entry
// of the structure (0 for a top-level one), in cache order.
QList<int> structureRoots();

// GetTree: the indicator tree ordered by depend, part: part, ident, depend.
inline QStringList TreeNames;
inline QList<int> TreeIdents;
inline QList<int> TreeDepends;

// Each clears its globals and refills them from the dictionary; DbError passes through and
// leaves them cleared. GetTables reads the form names from FormsList, so GetForms runs first.
void GetForms(Database& dictionary);
void GetTables(Database& dictionary);
void GetStruct(Database& dictionary);
void GetTree(Database& dictionary);
// The same on the alias "dbmain".
void GetForms();
void GetTables();
void GetStruct();
void GetTree();
// Every cache of a year, read into one object; the globals are not touched.
struct StructureCaches {
    IdStringList forms;
    QStringList formNames, netForms, tablesList;
    QList<TableShape> tableInfo;
    QStringList structNames;
    QList<int> structIdents, structDepends;
    QStringList treeNames;
    QList<int> treeIdents, treeDepends;
};
// Reads what GetStruct, GetTree, GetForms and GetTables read, in that order, into a new object.
// DbError passes through and leaves every global as it was.
StructureCaches readStructureCaches(Database& dictionary);
// Puts every cache in place at once.
void installStructureCaches(StructureCaches caches);
// What opening a year refills: read whole first, then installed, so a failing read leaves the
// caches as they were.
void refreshStructureCaches(Database& dictionary);
// Empties every cache (no year open).
void clearStructureCaches();
