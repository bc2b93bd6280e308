#pragma once
// Lookups in the structure caches, and the small string routines the windows share.
// Names are matched without regard to letter case (Unicode upper case, Cyrillic included);
// a table number is matched exactly, as a text ("(1)" never finds "(10)").

#include "core/ResultList.h"
#include "core/StructureCache.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// The form's name in capitals; empty when no cached form has the id.
QString FormNameById(int formId);
// The id of the first cached form whose name matches; -1 when there is none.
int FormIdByName(const QString& formName);
// The same lookup, for the controls editor.
int FormIdByNameForControls(const QString& formName);

// The ident of the form's table with that number; an empty number gives the form's first table
// in cache order. -1 when there is none.
int FindTableIdent(const QString& formName, const QString& tableNumber);
// The same for a form given by id (as text or number); -1 also for an id that is not a number
// or names no cached form.
int FindTableIdentByFormId(int formId, const QString& tableNumber);
int FindTableIdentByFormId(const QString& formId, const QString& tableNumber);
// Index of the first TableInfo row with the ident; -1 when there is none.
int FindTableIndexByIdent(int tableIdent);
// Index in TableInfo of the table found as by FindTableIdent / FindTableIdentByFormId; -1 none.
int FindTableIndex(const QString& formName, const QString& tableNumber);
int FindTableIndexByFormId(int formId, const QString& tableNumber);

// The cached shape of a table by form name or form id, as TableInfo holds it; a table not cached
// (-1 or an unknown id too) gives an empty shape, found() false.
TableShape GetTableGeometry(const QString& formName, const QString& tableNumber);
TableShape GetTableGeometryById(int formId, const QString& tableNumber);

// Index of the first item whose object is the id; -1 when there is none.
int IndexOfObjectId(int id, const IdStringList& list);
int IndexOfObjectId(int id, const QList<int>& objects);

// String routines. Positions count from 1, as the users of these routines count them.
// The text with every `oldChar` replaced by `newChar`.
QString ReplaceChar(QChar newChar, QChar oldChar, const QString& text);
// Every whole number of a comma list plus `offset`, joined by ",". An item that is not a whole
// number is copied unchanged and sets *ok to false.
QString ShiftNumberList(const QString& list, int offset, bool* ok = nullptr);
// "1,3..5" -> "1,3,4,5": a range a..b of whole numbers becomes its numbers (none when a > b);
// other items are copied; order and duplicates stay. A range of more than MaxRangeLength
// numbers contributes nothing and sets *ok to false (it can only be a typing error).
inline constexpr int MaxRangeLength = 100000;
QString ExpandRangeList(const QString& list, bool* ok = nullptr);
// First position >= start of `pattern` in `text`; text length + 1 when it does not occur.
int PosFrom(const QString& pattern, const QString& text, int start);
// Last position <= position - length(pattern) of `pattern` in `text`; 0 when it does not
// occur; a start below 1 is returned as it is.
int LastPosBefore(const QString& text, int position, const QString& pattern);
// True when every character is a digit 0-9 or "." (the empty text too); no sign.
bool IsNumber(const QString& text);

// Fills `list` from tab-separated texts: one column per part of `heading`; per line the text
// before the first tab is the caption and the further parts are the sub-items, the last column
// taking the rest of the line. A line without a tab has an empty caption and the whole line as
// its first sub-item. objects[i] (when given) becomes the object of line i. The window caption
// and title stay as they were.
void FillResultList(ResultList& list, const QStringList& lines, const QString& heading,
                    const QList<int>& objects = {});
