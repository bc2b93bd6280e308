#pragma once
// libxlsxwriter as this process may call it. On glibc the library is loaded a second time, into
// a link-map namespace of its own: it zips through the shared minizip, while QuaZip carries its
// own minizip whose zipOpen, zipOpen3, ... have the same names and other arguments. In one
// namespace the first library loaded serves both, and the other crashes. Elsewhere each library
// keeps its own imports and the functions are called directly.

#include <QString>
#include <xlsxwriter.h>

struct ExcelCellFormat;

#define KESTRIN_XLSX_FUNCTIONS(X) \
    X(workbook_new_opt) \
    X(workbook_add_worksheet) \
    X(workbook_add_format) \
    X(workbook_close) \
    X(lxw_strerror) \
    X(format_set_num_format) \
    X(format_set_font_name) \
    X(format_set_font_size) \
    X(format_set_bold) \
    X(format_set_italic) \
    X(format_set_align) \
    X(format_set_text_wrap) \
    X(format_set_rotation) \
    X(format_set_indent) \
    X(format_set_left) \
    X(format_set_right) \
    X(format_set_top) \
    X(format_set_bottom) \
    X(worksheet_set_column) \
    X(worksheet_set_row) \
    X(worksheet_merge_range) \
    X(worksheet_write_string) \
    X(worksheet_write_number) \
    X(worksheet_write_blank) \
    X(worksheet_freeze_panes) \

struct XlsxLibrary {
#define KESTRIN_XLSX_POINTER(name) decltype(&::name) name = nullptr;
    KESTRIN_XLSX_FUNCTIONS(KESTRIN_XLSX_POINTER)
#undef KESTRIN_XLSX_POINTER
    QString error;   // why the library could not be loaded; empty when it was
};

// Loaded on first use; every writer of .xlsx goes through it.
const XlsxLibrary& xlsxLibrary();

// A new format of `book` with what `f` sets; the caller keeps one per distinct format.
lxw_format* addXlsxFormat(lxw_workbook* book, const ExcelCellFormat& f);
