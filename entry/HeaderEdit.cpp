#include "entry/HeaderEdit.h"

#include "platform/Database.h"

#include <algorithm>

HeaderEdit headerEditOf(const HeaderCell& cell)
{
    HeaderEdit e;
    e.text = cell.text;
    e.fontName = cell.fontName;
    e.fontSize = cell.fontSize;
    e.bold = cell.bold;
    e.italic = cell.italic;
    e.chars = cell.chars;
    e.chars.indent = std::clamp(e.chars.indent, 0, 9);
    return e;
}

int saveHeaderEdit(Database& dictionary, int tableIdent, int column, int row, const HeaderEdit& edit)
{
    return dictionary.exec(QStringLiteral(R"(update "titles" set "fontname"=?, "fontsize"=?,
        "fontbold"=?, "fontitalic"=?, "tchars"=?, "txt"=?
        where "table"=? and "column"=? and "row"=?)"),
                           {edit.fontName, edit.fontSize, edit.bold ? 1 : 0, edit.italic ? 1 : 0,
                            edit.chars.code(), headerTextToStored(edit.text), tableIdent, column, row});
}
