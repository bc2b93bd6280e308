#include "platform/office/XlsxReader.h"

#include "platform/office/OfficePackage.h"
#include "platform/office/XmlTree.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace {

const QString kR = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kStrictR = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships");

QString s(const char* latin) { return QString::fromLatin1(latin); }

QString prefixOf(const XmlNode* root)
{
    const qsizetype colon = root->name().indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : root->name().left(colon + 1);
}

bool isTrue(const QString& v)
{
    return v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("on");
}

// An element's own flag: present without val, or with a true val, as in <b/> or <b val="1"/>.
bool flag(const XmlNode* parent, const QString& name)
{
    const XmlNode* e = parent ? parent->firstChild(name) : nullptr;
    return e && (!e->hasAttribute(s("val")) || isTrue(e->attribute(s("val"))));
}

QString textOf(const XmlNode* node)
{
    QString out;
    for (int i = 0; node && i < node->childCount(); ++i)
        if (node->childAt(i)->isText())
            out += node->childAt(i)->content();
    return out;
}

// Characters Excel writes as _xHHHH_ (control characters, and "_x" itself as _x005F_).
QString decodeEscapes(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression re(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype last = 0;
    for (QRegularExpressionMatchIterator it = re.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        last = m.capturedEnd();
    }
    out += text.mid(last);
    return out;
}

// The text of a shared string item or an inline string: its t, or the t of each of its runs;
// phonetic hints are not part of it.
QString richText(const XmlNode* item, const QString& p)
{
    if (!item)
        return QString();
    QString out;
    for (XmlNode* c : item->elements()) {
        if (c->name() == p + QLatin1String("t"))
            out += textOf(c);
        else if (c->name() == p + QLatin1String("r"))
            out += textOf(c->firstChild(p + s("t")));
    }
    return decodeEscapes(out);
}

QString builtinNumberFormat(int id)
{
    switch (id) {
    case 1: return s("0");
    case 2: return s("0.00");
    case 3: return s("#,##0");
    case 4: return s("#,##0.00");
    case 9: return s("0%");
    case 10: return s("0.00%");
    case 11: return s("0.00E+00");
    case 12: return s("# ?/?");
    case 13: return s("# ?\?/??");
    case 14: return s("mm-dd-yy");
    case 15: return s("d-mmm-yy");
    case 16: return s("d-mmm");
    case 17: return s("mmm-yy");
    case 18: return s("h:mm AM/PM");
    case 19: return s("h:mm:ss AM/PM");
    case 20: return s("h:mm");
    case 21: return s("h:mm:ss");
    case 22: return s("m/d/yy h:mm");
    case 49: return s("@");
    default: return QString();
    }
}

struct Font {
    QString name;
    double size = 0;
    bool bold = false;
    bool italic = false;
};

// The cell formats of the book, by their index in cellXfs.
std::vector<ExcelCellFormat> readStyles(const XmlNode* styles)
{
    std::vector<ExcelCellFormat> out;
    if (!styles)
        return out;
    const QString p = prefixOf(styles);
    QHash<int, QString> numberFormats;
    if (const XmlNode* list = styles->firstChild(p + s("numFmts")))
        for (XmlNode* f : list->children(p + s("numFmt")))
            numberFormats.insert(f->attribute(s("numFmtId")).toInt(), f->attribute(s("formatCode")));
    std::vector<Font> fonts;
    if (const XmlNode* list = styles->firstChild(p + s("fonts")))
        for (XmlNode* f : list->children(p + s("font"))) {
            Font font;
            if (const XmlNode* n = f->firstChild(p + s("name")))
                font.name = n->attribute(s("val"));
            if (const XmlNode* z = f->firstChild(p + s("sz")))
                font.size = z->attribute(s("val")).toDouble();
            font.bold = flag(f, p + s("b"));
            font.italic = flag(f, p + s("i"));
            fonts.push_back(font);
        }
    std::vector<int> borders;
    if (const XmlNode* list = styles->firstChild(p + s("borders")))
        for (XmlNode* b : list->children(p + s("border"))) {
            int lines = 0;
            auto edge = [&](const char* name, int line) {
                const XmlNode* e = b->firstChild(p + s(name));
                const QString style = e ? e->attribute(s("style")) : QString();
                if (!style.isEmpty() && style != QLatin1String("none"))
                    lines |= line;
            };
            edge("left", ExcelBorder::Left);
            edge("start", ExcelBorder::Left);
            edge("right", ExcelBorder::Right);
            edge("end", ExcelBorder::Right);
            edge("top", ExcelBorder::Top);
            edge("bottom", ExcelBorder::Bottom);
            borders.push_back(lines);
        }
    const Font base = fonts.empty() ? Font() : fonts.front();
    const XmlNode* xfs = styles->firstChild(p + s("cellXfs"));
    if (!xfs)
        return out;
    for (XmlNode* xf : xfs->children(p + s("xf"))) {
        ExcelCellFormat f;
        const int numFmt = xf->attribute(s("numFmtId")).toInt();
        f.numberFormat = numberFormats.contains(numFmt) ? numberFormats.value(numFmt) : builtinNumberFormat(numFmt);
        if (f.numberFormat.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
            f.numberFormat.clear();
        const size_t fontId = size_t(xf->attribute(s("fontId")).toInt());
        if (fontId < fonts.size()) {
            const Font& font = fonts[fontId];
            if (font.name != base.name)
                f.fontName = font.name;
            if (font.size != base.size)
                f.fontSize = font.size;
            f.bold = font.bold;
            f.italic = font.italic;
        }
        const size_t borderId = size_t(xf->attribute(s("borderId")).toInt());
        if (borderId < borders.size())
            f.borders = borders[borderId];
        if (const XmlNode* a = xf->firstChild(p + s("alignment"))) {
            const QString h = a->attribute(s("horizontal"));
            if (h == QLatin1String("left"))
                f.horizontal = ExcelHorizontal::Left;
            else if (h == QLatin1String("center") || h == QLatin1String("centerContinuous"))
                f.horizontal = ExcelHorizontal::Centre;
            else if (h == QLatin1String("right"))
                f.horizontal = ExcelHorizontal::Right;
            else if (h == QLatin1String("justify") || h == QLatin1String("distributed"))
                f.horizontal = ExcelHorizontal::Justify;
            const QString v = a->attribute(s("vertical"));
            if (v == QLatin1String("top"))
                f.vertical = ExcelVertical::Top;
            else if (v == QLatin1String("center"))
                f.vertical = ExcelVertical::Centre;
            else if (v == QLatin1String("justify") || v == QLatin1String("distributed"))
                f.vertical = ExcelVertical::Justify;
            f.wrap = isTrue(a->attribute(s("wrapText")));
            // 1..90 turn upwards, 91..180 downwards (stored as 90 + degrees).
            const int rotation = a->attribute(s("textRotation")).toInt();
            f.rotation = rotation > 90 && rotation <= 180 ? 90 - rotation : rotation <= 90 ? rotation : 0;
            f.indent = qBound(0, a->attribute(s("indent")).toInt(), 15);
        }
        out.push_back(f);
    }
    return out;
}

// Excel stores a width with the padding of the cell around it; its users see characters.
double userColumnWidth(double stored)
{
    const int pixels = int(stored * 7 + 0.5);
    const double characters = pixels <= 12 ? pixels / 12.0 : (pixels - 5) / 7.0;
    return std::round(characters * 100) / 100;
}

QString relatedOf(const OfficePackage& package, const XmlNode* rels, const QString& source, const QString& type)
{
    if (!rels)
        return QString();
    for (XmlNode* r : rels->children(s("Relationship")))
        if (r->attribute(s("Type")).endsWith(type)) {
            const QString part = resolveRelationshipTarget(source, r->attribute(s("Target")));
            return package.contains(part) ? part : QString();
        }
    return QString();
}

}

bool XlsxReader::read(const QString& path)
{
    m_name = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Не удалось прочитать книгу %1: %2").arg(m_name, file.errorString());
        m_book = ExcelWorkbook();
        return false;
    }
    const bool ok = readPackage(&file);
    m_name.clear();
    return ok;
}

bool XlsxReader::read(QIODevice* device)
{
    m_name.clear();
    return readPackage(device);
}

bool XlsxReader::readPackage(QIODevice* device)
{
    m_book = ExcelWorkbook();
    m_error.clear();
    const QString name = m_name.isEmpty() ? QStringLiteral("«поток»") : m_name;
    auto fail = [&](const QString& why) {
        m_error = QStringLiteral("Не удалось прочитать книгу %1: %2").arg(name, why);
        m_book = ExcelWorkbook();
        return false;
    };

    QByteArray data = device->readAll();
    if (isCompoundFile(data))
        return fail(QStringLiteral("книга в формате Excel 97-2003 (.xls) или зашифрована паролем; "
                                   "сохраните её в Excel или LibreOffice как книгу Excel (.xlsx)"));
    OfficePackage package;
    QBuffer buffer(&data);
    if (!package.read(&buffer))
        return fail(QStringLiteral("это не книга Excel (.xlsx): %1").arg(package.errorString()));

    QString error;
    auto parsePart = [&](const QString& part) -> std::unique_ptr<XmlNode> {
        if (part.isEmpty() || !package.contains(part))
            return nullptr;
        std::unique_ptr<XmlNode> tree = parseXml(package.part(part), &error);
        if (!tree)
            error = QStringLiteral("часть %1 повреждена: %2").arg(part, error);
        return tree;
    };

    QString bookPart = package.relatedPart(QString::fromUtf16(OpcNames::relOfficeDocument));
    if (bookPart.isEmpty())
        bookPart = package.relatedPart(QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument"));
    std::unique_ptr<XmlNode> book = parsePart(bookPart);
    if (!book)
        return fail(error.isEmpty() ? QStringLiteral("это не книга Excel (.xlsx)") : error);
    const QString p = prefixOf(book.get());
    if (book->name() != p + QLatin1String("workbook"))
        return fail(QStringLiteral("это не книга Excel (.xlsx)"));
    std::unique_ptr<XmlNode> rels = parsePart(relationshipsPartOf(bookPart));
    if (!rels)
        return fail(error.isEmpty() ? QStringLiteral("в книге нет связей её частей") : error);

    std::unique_ptr<XmlNode> strings = parsePart(relatedOf(package, rels.get(), bookPart, s("/sharedStrings")));
    if (!strings && !error.isEmpty())
        return fail(error);
    QStringList sharedStrings;
    if (strings) {
        const QString sp = prefixOf(strings.get());
        for (XmlNode* si : strings->children(sp + s("si")))
            sharedStrings.append(richText(si, sp));
    }
    std::unique_ptr<XmlNode> styles = parsePart(relatedOf(package, rels.get(), bookPart, s("/styles")));
    if (!styles && !error.isEmpty())
        return fail(error);
    const std::vector<ExcelCellFormat> formats = readStyles(styles.get());

    QString idAttribute = s("r:id");
    for (const auto& a : book->attributes())
        if (a.first.startsWith(QLatin1String("xmlns:")) && (a.second == kR || a.second == kStrictR))
            idAttribute = a.first.mid(6) + s(":id");

    const XmlNode* sheets = book->firstChild(p + s("sheets"));
    if (!sheets)
        return fail(QStringLiteral("в книге нет списка листов"));
    for (XmlNode* entry : sheets->children(p + s("sheet"))) {
        const XmlNode* rel = relationshipById(*rels, entry->attribute(idAttribute));
        if (!rel || !rel->attribute(s("Type")).endsWith(QLatin1String("/worksheet")))
            continue;
        const QString part = resolveRelationshipTarget(bookPart, rel->attribute(s("Target")));
        std::unique_ptr<XmlNode> tree = parsePart(part);
        if (!tree)
            return fail(error.isEmpty() ? QStringLiteral("нет листа %1").arg(entry->attribute(s("name"))) : error);
        const QString wp = prefixOf(tree.get());
        // The name as the file has it: a Russian Excel, say, allows "History".
        ExcelSheet* sheet = m_book.addSheet(entry->attribute(s("name")));
        sheet->m_name = entry->attribute(s("name"));

        if (const XmlNode* cols = tree->firstChild(wp + s("cols")))
            for (XmlNode* col : cols->children(wp + s("col"))) {
                const bool hidden = isTrue(col->attribute(s("hidden")));
                if (!isTrue(col->attribute(s("customWidth"))) && !hidden)
                    continue;
                const double width = hidden ? 0 : userColumnWidth(col->attribute(s("width")).toDouble());
                const int last = qMin(col->attribute(s("max")).toInt(), ExcelSheet::maxColumn);
                for (int c = qMax(1, col->attribute(s("min")).toInt()); c <= last; ++c)
                    sheet->setColumnWidth(c, width);
            }

        if (const XmlNode* data = tree->firstChild(wp + s("sheetData"))) {
            int rowNumber = 0;
            for (XmlNode* row : data->children(wp + s("row"))) {
                rowNumber = row->hasAttribute(s("r")) ? row->attribute(s("r")).toInt() : rowNumber + 1;
                if (row->hasAttribute(s("ht")) && isTrue(row->attribute(s("customHeight"))))
                    sheet->setRowHeight(rowNumber, row->attribute(s("ht")).toDouble());
                int columnNumber = 0;
                for (XmlNode* c : row->children(wp + s("c"))) {
                    int r = rowNumber;
                    if (!c->hasAttribute(s("r")) || !parseExcelCellName(c->attribute(s("r")), &r, &columnNumber))
                        ++columnNumber;
                    const size_t style = size_t(c->attribute(s("s")).toInt());
                    if (style > 0 && style < formats.size() && !formats[style].isDefault())
                        sheet->setFormat(r, columnNumber, formats[style]);
                    const QString type = c->attribute(s("t"));
                    const QString v = textOf(c->firstChild(wp + s("v")));
                    ExcelValue value;
                    if (type == QLatin1String("s")) {
                        bool ok = false;
                        const int index = v.trimmed().toInt(&ok);
                        if (!ok || index < 0 || index >= sharedStrings.size())
                            return fail(QStringLiteral("на листе «%1» ячейка %2 ссылается на строку %3, которой нет")
                                            .arg(sheet->name(), excelCellName(r, columnNumber), v));
                        value = ExcelValue::ofText(sharedStrings[index]);
                    } else if (type == QLatin1String("inlineStr")) {
                        value = ExcelValue::ofText(richText(c->firstChild(wp + s("is")), wp));
                    } else if (type == QLatin1String("str") || type == QLatin1String("e")
                               || type == QLatin1String("d")) {
                        if (c->firstChild(wp + s("v")))
                            value = ExcelValue::ofText(decodeEscapes(v));
                    } else if (!v.isEmpty()) {
                        bool ok = false;
                        const double number = v.trimmed().toDouble(&ok);
                        if (!ok)
                            return fail(QStringLiteral("на листе «%1» в ячейке %2 не число: %3")
                                            .arg(sheet->name(), excelCellName(r, columnNumber), v));
                        value = ExcelValue::ofNumber(number);
                    }
                    // An empty string shows as nothing, like a cell never written.
                    if (value.type == ExcelValue::Type::Text && value.text.isEmpty())
                        value = ExcelValue();
                    if (!value.isEmpty())
                        sheet->setValue(r, columnNumber, value);
                }
            }
        }

        if (const XmlNode* merges = tree->firstChild(wp + s("mergeCells")))
            for (XmlNode* m : merges->children(wp + s("mergeCell"))) {
                const QStringList corners = m->attribute(s("ref")).split(QLatin1Char(':'));
                int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                if (corners.size() != 2 || !parseExcelCellName(corners[0], &r1, &c1)
                    || !parseExcelCellName(corners[1], &r2, &c2))
                    return fail(QStringLiteral("на листе «%1» объединение %2 не читается")
                                    .arg(sheet->name(), m->attribute(s("ref"))));
                sheet->merge(ExcelRange::between(r1, c1, r2, c2));
            }

        if (const XmlNode* views = tree->firstChild(wp + s("sheetViews")))
            if (const XmlNode* view = views->firstChild(wp + s("sheetView")))
                if (const XmlNode* pane = view->firstChild(wp + s("pane")))
                    if (pane->attribute(s("state")).startsWith(QLatin1String("frozen")))
                        sheet->freezePanes(int(pane->attribute(s("ySplit")).toDouble()) + 1,
                                           int(pane->attribute(s("xSplit")).toDouble()) + 1);
    }
    return true;
}
