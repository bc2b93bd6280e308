#include "platform/office/XlsxLibrary.h"

#include "platform/office/ExcelWorkbook.h"

#include <QByteArray>

#if defined(__GLIBC__)
#include <dlfcn.h>
#endif

const XlsxLibrary& xlsxLibrary()
{
    static const XlsxLibrary library = [] {
        XlsxLibrary l;
#define KESTRIN_XLSX_DIRECT(name) l.name = &::name;
        KESTRIN_XLSX_FUNCTIONS(KESTRIN_XLSX_DIRECT)
#undef KESTRIN_XLSX_DIRECT
#if defined(__GLIBC__)
        Dl_info info{};
        // A libxlsxwriter built into the program itself has no shared minizip to clash with.
        if (dladdr(reinterpret_cast<void*>(&::workbook_new_opt), &info) && info.dli_fname
            && QByteArray(info.dli_fname).contains("xlsxwriter")) {
            void* handle = dlmopen(LM_ID_NEWLM, info.dli_fname, RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                l.error = QString::fromLocal8Bit(dlerror());
                return l;
            }
#define KESTRIN_XLSX_LOOKUP(name)                                                                    \
    l.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                              \
    if (!l.name && l.error.isEmpty())                                                                \
        l.error = QStringLiteral("в библиотеке libxlsxwriter нет функции %1").arg(QLatin1String(#name));
            KESTRIN_XLSX_FUNCTIONS(KESTRIN_XLSX_LOOKUP)
#undef KESTRIN_XLSX_LOOKUP
        }
#endif
        return l;
    }();
    return library;
}

lxw_format* addXlsxFormat(lxw_workbook* book, const ExcelCellFormat& f)
{
    lxw_format* x = xlsxLibrary().workbook_add_format(book);
    if (!f.numberFormat.isEmpty()) {
        const QByteArray code = f.numberFormat.toUtf8();
        xlsxLibrary().format_set_num_format(x, code.constData());
    }
    if (!f.fontName.isEmpty()) {
        const QByteArray name = f.fontName.toUtf8();
        xlsxLibrary().format_set_font_name(x, name.constData());
    }
    if (f.fontSize > 0)
        xlsxLibrary().format_set_font_size(x, f.fontSize);
    if (f.bold)
        xlsxLibrary().format_set_bold(x);
    if (f.italic)
        xlsxLibrary().format_set_italic(x);
    switch (f.horizontal) {
    case ExcelHorizontal::Left: xlsxLibrary().format_set_align(x, LXW_ALIGN_LEFT); break;
    case ExcelHorizontal::Centre: xlsxLibrary().format_set_align(x, LXW_ALIGN_CENTER); break;
    case ExcelHorizontal::Right: xlsxLibrary().format_set_align(x, LXW_ALIGN_RIGHT); break;
    case ExcelHorizontal::Justify: xlsxLibrary().format_set_align(x, LXW_ALIGN_JUSTIFY); break;
    case ExcelHorizontal::General: break;
    }
    switch (f.vertical) {
    case ExcelVertical::Top: xlsxLibrary().format_set_align(x, LXW_ALIGN_VERTICAL_TOP); break;
    case ExcelVertical::Centre: xlsxLibrary().format_set_align(x, LXW_ALIGN_VERTICAL_CENTER); break;
    case ExcelVertical::Justify: xlsxLibrary().format_set_align(x, LXW_ALIGN_VERTICAL_JUSTIFY); break;
    case ExcelVertical::Bottom: break;
    }
    if (f.wrap)
        xlsxLibrary().format_set_text_wrap(x);
    if (f.rotation != 0)
        xlsxLibrary().format_set_rotation(x, int16_t(f.rotation));
    if (f.indent > 0)
        xlsxLibrary().format_set_indent(x, uint8_t(f.indent));
    if (f.borders & ExcelBorder::Left)
        xlsxLibrary().format_set_left(x, LXW_BORDER_THIN);
    if (f.borders & ExcelBorder::Right)
        xlsxLibrary().format_set_right(x, LXW_BORDER_THIN);
    if (f.borders & ExcelBorder::Top)
        xlsxLibrary().format_set_top(x, LXW_BORDER_THIN);
    if (f.borders & ExcelBorder::Bottom)
        xlsxLibrary().format_set_bottom(x, LXW_BORDER_THIN);
    return x;
}
