#include "platform/office/XlsxWriter.h"

#include "platform/Files.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/XlsxLibrary.h"
#include "platform/office/XmlTree.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <unordered_map>

namespace {

const QString kR = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kRelWorksheet = kR + QStringLiteral("/worksheet");
const QString kRelStyles = kR + QStringLiteral("/styles");
const QString kRelSharedStrings = kR + QStringLiteral("/sharedStrings");
const QString kRelCalcChain = kR + QStringLiteral("/calcChain");
const QString kTypeWorksheet =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
const QString kTypeStyles =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");

QString s(const char* latin) { return QString::fromLatin1(latin); }

// Builds the libxlsxwriter formats once per distinct format of the model. Cells of one kind
// follow each other (the data area shares one format, a header row another), so the format of
// the cell before is tried first; the others are found by value.
class Formats {
public:
    explicit Formats(lxw_workbook* book) : m_book(book) {}

    lxw_format* of(const ExcelCellFormat& f)
    {
        if (m_last && f == m_last->first)
            return m_last->second;
        if (f.isDefault())
            return nullptr;
        auto it = m_formats.find(f);
        if (it == m_formats.end())
            it = m_formats.emplace(f, addXlsxFormat(m_book, f)).first;
        m_last = &*it;
        return it->second;
    }

private:
    struct Hash {
        size_t operator()(const ExcelCellFormat& f) const
        {
            return qHashMulti(0, f.numberFormat, f.fontName, f.fontSize, f.bold, f.italic, int(f.horizontal),
                              int(f.vertical), f.wrap, f.rotation, f.indent, f.borders);
        }
    };
    lxw_workbook* m_book;
    std::unordered_map<ExcelCellFormat, lxw_format*, Hash> m_formats;
    const std::pair<const ExcelCellFormat, lxw_format*>* m_last = nullptr;
};

// Excel reads "_x0041_" in a cell's text as the character it codes, and libxlsxwriter writes such
// text unchanged; "_x005F" codes the underscore, so the text comes back as it was.
QString escapeCodedCharacters(const QString& text)
{
    if (!text.contains(QLatin1String("_x"), Qt::CaseInsensitive))
        return text;
    static const QRegularExpression re(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    QString out = text;
    return out.replace(re, QStringLiteral("_x005F_\\1"));
}

// What Excel would refuse, found before anything is written.
QString checkLimits(const ExcelWorkbook& book)
{
    for (int i = 0; i < book.sheetCount(); ++i) {
        const ExcelSheet* sheet = book.sheet(i);
        auto outside = [](int row, int column) {
            return row < 1 || row > ExcelSheet::maxRow || column < 1 || column > ExcelSheet::maxColumn;
        };
        for (const auto& [key, cell] : sheet->cells()) {
            if (outside(key.first, key.second))
                return QStringLiteral("на листе «%1» ячейка (строка %2, столбец %3) вне листа Excel")
                    .arg(sheet->name()).arg(key.first).arg(key.second);
            if (cell.value.type == ExcelValue::Type::Text && cell.value.text.size() > ExcelSheet::maxTextLength)
                return QStringLiteral("на листе «%1» в ячейке %2 больше %3 знаков")
                    .arg(sheet->name(), excelCellName(key.first, key.second)).arg(ExcelSheet::maxTextLength);
        }
        for (const ExcelRange& m : sheet->merges())
            if (outside(m.firstRow, m.firstColumn) || outside(m.lastRow, m.lastColumn))
                return QStringLiteral("на листе «%1» объединение вне листа Excel").arg(sheet->name());
        for (const auto& [column, width] : sheet->columnWidths())
            if (outside(1, column))
                return QStringLiteral("на листе «%1» столбец %2 вне листа Excel").arg(sheet->name()).arg(column);
        for (const auto& [row, height] : sheet->rowHeights())
            if (outside(row, 1))
                return QStringLiteral("на листе «%1» строка %2 вне листа Excel").arg(sheet->name()).arg(row);
    }
    return QString();
}

// Writes the book with libxlsxwriter to `file`; an empty text on success, else what failed.
QString writeBook(const QString& file, const QString& tempFolder, const ExcelWorkbook& book)
{
    const QString limits = checkLimits(book);
    if (!limits.isEmpty())
        return limits;
    if (!xlsxLibrary().error.isEmpty())
        return QStringLiteral("библиотека libxlsxwriter не загружается: %1").arg(xlsxLibrary().error);
    QByteArray fileName = QFile::encodeName(file);
    QByteArray tmp = QFile::encodeName(tempFolder);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = tmp.data();
    options.use_zip64 = LXW_FALSE;
    lxw_workbook* wb = xlsxLibrary().workbook_new_opt(fileName.constData(), &options);
    if (!wb)
        return QStringLiteral("книга не создаётся");

    Formats formats(wb);
    QString failure;
    auto check = [&](lxw_error e, const QString& what) {
        if (e != LXW_NO_ERROR && failure.isEmpty())
            failure = QStringLiteral("%1: %2").arg(what, QString::fromUtf8(xlsxLibrary().lxw_strerror(e)));
    };

    for (int i = 0; i < book.sheetCount() && failure.isEmpty(); ++i) {
        const ExcelSheet* sheet = book.sheet(i);
        const QByteArray name = sheet->name().toUtf8();
        lxw_worksheet* ws = xlsxLibrary().workbook_add_worksheet(wb, name.constData());
        if (!ws) {
            failure = QStringLiteral("лист «%1» не добавляется").arg(sheet->name());
            break;
        }
        const QString where = QStringLiteral("лист «%1»").arg(sheet->name());
        for (const auto& [column, width] : sheet->columnWidths())
            check(xlsxLibrary().worksheet_set_column(ws, lxw_col_t(column - 1), lxw_col_t(column - 1), width, nullptr), where);
        for (const auto& [row, height] : sheet->rowHeights())
            check(xlsxLibrary().worksheet_set_row(ws, lxw_row_t(row - 1), height, nullptr), where);
        for (const ExcelRange& m : sheet->merges())
            check(xlsxLibrary().worksheet_merge_range(ws, lxw_row_t(m.firstRow - 1), lxw_col_t(m.firstColumn - 1),
                                        lxw_row_t(m.lastRow - 1), lxw_col_t(m.lastColumn - 1), "",
                                        formats.of(sheet->format(m.firstRow, m.firstColumn))),
                  where);
        // After the merges: each cell of a merged range keeps its own format (its borders).
        for (const auto& [key, cell] : sheet->cells()) {
            const lxw_row_t r = lxw_row_t(key.first - 1);
            const lxw_col_t c = lxw_col_t(key.second - 1);
            lxw_format* f = formats.of(cell.format);
            switch (cell.value.type) {
            case ExcelValue::Type::Text: {
                const QByteArray text = escapeCodedCharacters(cell.value.text).toUtf8();
                check(xlsxLibrary().worksheet_write_string(ws, r, c, text.constData(), f), where);
                break;
            }
            case ExcelValue::Type::Number:
                check(xlsxLibrary().worksheet_write_number(ws, r, c, cell.value.number, f), where);
                break;
            case ExcelValue::Type::Empty:
                if (f)
                    check(xlsxLibrary().worksheet_write_blank(ws, r, c, f), where);
                break;
            }
        }
        if (sheet->frozenRows() > 0 || sheet->frozenColumns() > 0)
            xlsxLibrary().worksheet_freeze_panes(ws, lxw_row_t(sheet->frozenRows()), lxw_col_t(sheet->frozenColumns()));
    }
    if (book.sheetCount() == 0 && failure.isEmpty())
        if (!xlsxLibrary().workbook_add_worksheet(wb, QStringLiteral("Лист1").toUtf8().constData()))
            failure = QStringLiteral("лист не добавляется");
    const lxw_error closed = xlsxLibrary().workbook_close(wb);
    if (!failure.isEmpty())
        return failure;
    if (closed != LXW_NO_ERROR)
        return QString::fromUtf8(xlsxLibrary().lxw_strerror(closed));
    return QString();
}

// "x:" when the part's root is "x:workbook", "" when the main namespace is the default one.
QString prefixOf(const XmlNode* root)
{
    const qsizetype colon = root->name().indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : root->name().left(colon + 1);
}

std::unique_ptr<XmlNode> withPrefix(const XmlNode& node, const QString& prefix)
{
    std::unique_ptr<XmlNode> copy = node.clone();
    if (prefix.isEmpty())
        return copy;
    std::function<void(XmlNode*)> rename = [&](XmlNode* n) {
        if (n->isText())
            return;
        if (!n->name().contains(QLatin1Char(':')))
            n->setName(prefix + n->name());
        for (int i = 0; i < n->childCount(); ++i)
            rename(n->childAt(i));
    };
    rename(copy.get());
    return copy;
}

// The prefix the part binds to the relationships namespace ("r:"); declared when missing.
QString relationshipPrefix(XmlNode* root)
{
    for (const auto& a : root->attributes())
        if (a.first.startsWith(QLatin1String("xmlns:")) && a.second == kR)
            return a.first.mid(6) + QLatin1Char(':');
    root->setAttribute(s("xmlns:r"), kR);
    return s("r:");
}

QString relatedOf(const OfficePackage& package, const XmlNode* rels, const QString& source, const QString& type)
{
    if (!rels)
        return QString();
    for (XmlNode* r : rels->children(s("Relationship")))
        if (r->attribute(s("Type")) == type) {
            const QString part = resolveRelationshipTarget(source, r->attribute(s("Target")));
            return package.contains(part) ? part : QString();
        }
    return QString();
}

int elementCount(const XmlNode* list)
{
    return list ? int(list->elements().size()) : 0;
}

const QStringList& styleSheetOrder(const QString& p)
{
    static QHash<QString, QStringList> orders;
    if (!orders.contains(p)) {
        QStringList order;
        for (const char* n : {"numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs",
                              "cellStyles", "dxfs", "tableStyles", "colors", "extLst"})
            order.append(p + s(n));
        orders.insert(p, order);
    }
    return orders[p];
}

// Appends the formats of the new sheets' styles to the book's styles; returns the index in the
// book's cellXfs of each cellXfs entry of the new styles.
QList<int> mergeStyles(XmlNode* target, const XmlNode* source)
{
    const QString p = prefixOf(target);
    const QStringList& order = styleSheetOrder(p);

    QHash<int, int> numFmtMap;
    if (const XmlNode* sourceFormats = source->firstChild(s("numFmts"))) {
        XmlNode* formats = target->ensureChild(p + s("numFmts"), order);
        QHash<QString, int> existing;
        int maxId = 163;
        for (XmlNode* f : formats->children(p + s("numFmt"))) {
            const int id = f->attribute(s("numFmtId")).toInt();
            existing.insert(f->attribute(s("formatCode")), id);
            maxId = qMax(maxId, id);
        }
        for (XmlNode* f : sourceFormats->children(s("numFmt"))) {
            const int id = f->attribute(s("numFmtId")).toInt();
            const QString code = f->attribute(s("formatCode"));
            if (existing.contains(code)) {
                numFmtMap.insert(id, existing.value(code));
                continue;
            }
            XmlNode* added = formats->appendElement(p + s("numFmt"));
            added->setAttribute(s("numFmtId"), QString::number(++maxId));
            added->setAttribute(s("formatCode"), code);
            existing.insert(code, maxId);
            numFmtMap.insert(id, maxId);
        }
        formats->setAttribute(s("count"), QString::number(elementCount(formats)));
    }

    auto appendAll = [&](const char* list) {
        XmlNode* into = target->ensureChild(p + s(list), order);
        const int offset = elementCount(into);
        if (const XmlNode* from = source->firstChild(s(list)))
            for (XmlNode* item : from->elements())
                into->append(withPrefix(*item, p));
        into->setAttribute(s("count"), QString::number(elementCount(into)));
        return offset;
    };
    const int fontOffset = appendAll("fonts");
    const int fillOffset = appendAll("fills");
    const int borderOffset = appendAll("borders");

    const XmlNode* styleXfs = target->firstChild(p + s("cellStyleXfs"));
    const bool hasNormalStyle = elementCount(styleXfs) > 0;
    XmlNode* xfs = target->ensureChild(p + s("cellXfs"), order);
    const int xfOffset = elementCount(xfs);
    QList<int> map;
    if (const XmlNode* sourceXfs = source->firstChild(s("cellXfs"))) {
        for (XmlNode* xf : sourceXfs->elements()) {
            XmlNode* added = xfs->append(withPrefix(*xf, p));
            const int numFmt = added->attribute(s("numFmtId")).toInt();
            if (numFmtMap.contains(numFmt))
                added->setAttribute(s("numFmtId"), QString::number(numFmtMap.value(numFmt)));
            added->setAttribute(s("fontId"), QString::number(added->attribute(s("fontId")).toInt() + fontOffset));
            added->setAttribute(s("fillId"), QString::number(added->attribute(s("fillId")).toInt() + fillOffset));
            added->setAttribute(s("borderId"), QString::number(added->attribute(s("borderId")).toInt() + borderOffset));
            if (hasNormalStyle)
                added->setAttribute(s("xfId"), s("0"));
            else
                added->removeAttribute(s("xfId"));
            map.append(xfOffset + int(map.size()));
        }
    }
    xfs->setAttribute(s("count"), QString::number(elementCount(xfs)));
    return map;
}

// Makes a sheet written by libxlsxwriter fit another book: its styles renumbered into the book's
// styles and its shared strings written into the cells, so the book's own string table stays as
// it is.
void adaptSheet(XmlNode* sheet, const QList<int>& xfMap, const XmlNode* strings)
{
    auto remap = [&](XmlNode* n, const char* attribute) {
        if (!n->hasAttribute(s(attribute)))
            return;
        const int index = n->attribute(s(attribute)).toInt();
        if (!xfMap.isEmpty() && index >= 0 && index < xfMap.size())
            n->setAttribute(s(attribute), QString::number(xfMap[index]));
    };
    const QList<XmlNode*> items = strings ? strings->children(s("si")) : QList<XmlNode*>();
    for (XmlNode* row : sheet->descendants(s("row"))) {
        remap(row, "s");
        for (XmlNode* c : row->children(s("c"))) {
            remap(c, "s");
            if (c->attribute(s("t")) != QLatin1String("s"))
                continue;
            XmlNode* v = c->firstChild(s("v"));
            QString index;
            for (int k = 0; v && k < v->childCount(); ++k)
                index += v->childAt(k)->content();
            const int i = index.trimmed().toInt();
            if (v)
                c->remove(v);
            c->setAttribute(s("t"), s("inlineStr"));
            XmlNode* is = c->appendElement(s("is"));
            if (i >= 0 && i < items.size())
                for (XmlNode* piece : items[i]->elements())
                    is->append(piece->clone());
            if (is->childCount() == 0)
                is->appendElement(s("t"));
        }
    }
    for (XmlNode* col : sheet->descendants(s("col")))
        remap(col, "style");
    for (XmlNode* view : sheet->descendants(s("sheetView")))
        view->removeAttribute(s("tabSelected"));
}

}

bool XlsxWriter::write(const QString& path, const ExcelWorkbook& book)
{
    m_error.clear();
    const QString name = QDir::toNativeSeparators(path);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        m_error = QStringLiteral("Не удалось записать книгу %1: нет временной папки").arg(name);
        return false;
    }
    const QString file = temp.filePath(QStringLiteral("book.xlsx"));
    const QString failure = writeBook(file, temp.path(), book);
    if (!failure.isEmpty()) {
        m_error = QStringLiteral("Не удалось записать книгу %1: %2").arg(name, failure);
        return false;
    }
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Не удалось записать книгу %1: %2").arg(name, Files::errorText(written));
        return false;
    }
    const QByteArray data = written.readAll();
    QString saveError;
    if (!Files::saveBytesSafely(path, data, &saveError)) {
        m_error = QStringLiteral("Не удалось записать книгу %1: %2").arg(name, saveError);
        return false;
    }
    return true;
}

bool XlsxWriter::addSheetsToFile(const QString& path, ExcelWorkbook& book, SameNameSheet sameName)
{
    m_error.clear();
    const QString name = QDir::toNativeSeparators(path);
    auto fail = [&](const QString& why) {
        m_error = QStringLiteral("Не удалось добавить лист в книгу %1: %2").arg(name, why);
        return false;
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Files::errorText(file));
    OfficePackage target;
    QString readError;
    if (!readOfficePackage(&file, OfficeFileKind::ExcelBook, &target, &readError))
        return fail(readError);
    file.close();

    QString error;
    const QString bookPart = target.relatedPart(QString::fromUtf16(OpcNames::relOfficeDocument));
    std::unique_ptr<XmlNode> types = parseXml(target.part(QString::fromUtf16(OpcNames::contentTypes)), &error);
    const QString bookType = types && !bookPart.isEmpty() ? contentTypeOf(*types, bookPart) : QString();
    if (!bookType.contains(QLatin1String("spreadsheetml.sheet.main"))
        && !bookType.contains(QLatin1String("spreadsheetml.template.main"))
        && !bookType.contains(QLatin1String("ms-excel.sheet.macroEnabled.main"))
        && !bookType.contains(QLatin1String("ms-excel.template.macroEnabled.main")))
        return fail(QStringLiteral("это не книга Excel (.xlsx)"));
    std::unique_ptr<XmlNode> workbook = parseXml(target.part(bookPart), &error);
    if (!workbook)
        return fail(QStringLiteral("часть %1 повреждена: %2").arg(bookPart, error));
    const QString p = prefixOf(workbook.get());
    XmlNode* sheets = workbook->firstChild(p + s("sheets"));
    if (!sheets)
        return fail(QStringLiteral("в книге нет списка листов"));
    const QString relsPart = relationshipsPartOf(bookPart);
    std::unique_ptr<XmlNode> rels = parseXml(target.part(relsPart), &error);
    if (!rels)
        return fail(QStringLiteral("часть %1 повреждена: %2").arg(relsPart, error));
    const QString rPrefix = relationshipPrefix(workbook.get());

    QStringList taken;
    int maxSheetId = 0;
    const QList<XmlNode*> existing = sheets->children(p + s("sheet"));
    // The book's sheets that a new one of the same name (letter case ignored) takes the place of.
    QHash<QString, XmlNode*> replaced;
    for (XmlNode* sheet : existing) {
        const QString sheetName = sheet->attribute(s("name"));
        maxSheetId = qMax(maxSheetId, sheet->attribute(s("sheetId")).toInt());
        if (sameName == SameNameSheet::Replaced && book.findSheet(sheetName))
            replaced.insert(sheetName.toCaseFolded(), sheet);
        else
            taken.append(sheetName);
    }
    book.makeNamesUniqueAgainst(taken);
    // A calculation chain may name cells of a replaced sheet that hold no formula any more, which
    // Excel reports as damage; Excel builds the chain anew when it is missing.
    if (!replaced.isEmpty())
        for (XmlNode* rel : rels->children(s("Relationship")))
            if (rel->attribute(s("Type")) == kRelCalcChain) {
                const QString part = resolveRelationshipTarget(bookPart, rel->attribute(s("Target")));
                target.removePart(part);
                removeContentTypeOverride(*types, part);
                rels->remove(rel);
            }

    // The new sheets, written by libxlsxwriter into a book of their own.
    QTemporaryDir temp;
    if (!temp.isValid())
        return fail(QStringLiteral("нет временной папки"));
    const QString scratch = temp.filePath(QStringLiteral("sheets.xlsx"));
    const QString failure = writeBook(scratch, temp.path(), book);
    if (!failure.isEmpty())
        return fail(failure);
    OfficePackage source;
    if (!source.read(scratch))
        return fail(source.errorString());
    const QString sourceBookPart = source.relatedPart(QString::fromUtf16(OpcNames::relOfficeDocument));
    std::unique_ptr<XmlNode> sourceBook = parseXml(source.part(sourceBookPart), &error);
    std::unique_ptr<XmlNode> sourceRels = parseXml(source.part(relationshipsPartOf(sourceBookPart)), &error);
    if (!sourceBook || !sourceRels)
        return fail(error);
    std::unique_ptr<XmlNode> sourceStyles = parseXml(
        source.part(relatedOf(source, sourceRels.get(), sourceBookPart, kRelStyles)), nullptr);
    std::unique_ptr<XmlNode> sourceStrings = parseXml(
        source.part(relatedOf(source, sourceRels.get(), sourceBookPart, kRelSharedStrings)), nullptr);

    // Styles: the book's own, with the new formats added; a book without styles takes the new ones.
    QList<int> xfMap;
    const QString stylesPart = relatedOf(target, rels.get(), bookPart, kRelStyles);
    std::unique_ptr<XmlNode> styles = stylesPart.isEmpty() ? nullptr : parseXml(target.part(stylesPart), &error);
    if (!stylesPart.isEmpty() && !styles)
        return fail(QStringLiteral("часть %1 повреждена: %2").arg(stylesPart, error));
    if (styles && sourceStyles) {
        xfMap = mergeStyles(styles.get(), sourceStyles.get());
        target.setPart(stylesPart, serializeXml(*styles));
    } else if (sourceStyles) {
        const QString part = target.freePartName(s("xl"), s("styles"), s("xml"));
        target.setPart(part, serializeXml(*sourceStyles));
        addRelationship(*rels, kRelStyles, relationshipTarget(bookPart, part));
        setContentTypeOverride(*types, part, kTypeStyles);
    }

    // The book's own sheets give up being selected: the first new sheet is the one shown.
    for (XmlNode* sheet : existing) {
        XmlNode* rel = relationshipById(*rels, sheet->attribute(rPrefix + s("id")));
        const QString part = rel ? resolveRelationshipTarget(bookPart, rel->attribute(s("Target"))) : QString();
        if (part.isEmpty() || !target.part(part).contains("tabSelected"))
            continue;
        std::unique_ptr<XmlNode> tree = parseXml(target.part(part), &error);
        if (!tree)
            return fail(QStringLiteral("часть %1 повреждена: %2").arg(part, error));
        for (XmlNode* view : tree->descendants(prefixOf(tree.get()) + s("sheetView")))
            view->removeAttribute(s("tabSelected"));
        target.setPart(part, serializeXml(*tree));
    }

    bool first = true;
    int firstIndex = -1;   // the place of the first sheet written, which becomes the one shown
    for (XmlNode* sheet : sourceBook->descendants(s("sheet"))) {
        XmlNode* rel = relationshipById(*sourceRels, sheet->attribute(s("r:id")));
        const QString sourcePart = rel ? resolveRelationshipTarget(sourceBookPart, rel->attribute(s("Target")))
                                       : QString();
        std::unique_ptr<XmlNode> tree = parseXml(source.part(sourcePart), &error);
        if (!tree)
            return fail(error);
        adaptSheet(tree.get(), xfMap, sourceStrings.get());
        if (first)
            for (XmlNode* view : tree->descendants(s("sheetView")))
                view->setAttribute(s("tabSelected"), s("1"));
        first = false;
        const QString sheetName = sheet->attribute(s("name"));
        XmlNode* old = replaced.value(sheetName.toCaseFolded());
        XmlNode* oldRel = old ? relationshipById(*rels, old->attribute(rPrefix + s("id"))) : nullptr;
        if (old && oldRel) {
            // In its place and under its id, so names and print areas that point to it still do.
            const QString part = resolveRelationshipTarget(bookPart, oldRel->attribute(s("Target")));
            target.removePart(relationshipsPartOf(part));   // the new sheet refers to nothing
            target.setPart(part, serializeXml(*tree));
            oldRel->setAttribute(s("Type"), kRelWorksheet);
            setContentTypeOverride(*types, part, kTypeWorksheet);
            old->setAttribute(s("name"), sheetName);
            old->removeAttribute(s("state"));   // a hidden sheet comes back into view
            if (firstIndex < 0)
                firstIndex = sheets->children(p + s("sheet")).indexOf(old);
            continue;
        }
        const QString part = target.freePartName(s("xl/worksheets"), s("sheet"), s("xml"));
        target.setPart(part, serializeXml(*tree));
        const QString id = addRelationship(*rels, kRelWorksheet, relationshipTarget(bookPart, part));
        setContentTypeOverride(*types, part, kTypeWorksheet);
        XmlNode* added = sheets->appendElement(p + s("sheet"));
        added->setAttribute(s("name"), sheetName);
        added->setAttribute(s("sheetId"), QString::number(++maxSheetId));
        added->setAttribute(rPrefix + s("id"), id);
        if (firstIndex < 0)
            firstIndex = int(sheets->children(p + s("sheet")).size()) - 1;
    }

    XmlNode* views = workbook->firstChild(p + s("bookViews"));
    if (!views) {
        QStringList order;
        for (const char* n : {"fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets"})
            order.append(p + s(n));
        views = workbook->insertInOrder(std::make_unique<XmlNode>(p + s("bookViews")), order);
    }
    XmlNode* view = views->firstChild(p + s("workbookView"));
    if (!view)
        view = views->appendElement(p + s("workbookView"));
    view->setAttribute(s("activeTab"), QString::number(qMax(firstIndex, 0)));
    if (view->attribute(s("firstSheet")).toInt() > firstIndex)
        view->removeAttribute(s("firstSheet"));

    target.setPart(bookPart, serializeXml(*workbook));
    target.setPart(relsPart, serializeXml(*rels));
    target.setPart(QString::fromUtf16(OpcNames::contentTypes), serializeXml(*types));
    if (!target.write(path))
        return fail(target.errorString());
    return true;
}
