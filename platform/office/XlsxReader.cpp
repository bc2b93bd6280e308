#include "platform/office/XlsxReader.h"

#include "platform/Files.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/XmlTree.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
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

// Sizes in a file (widths, heights, points) far past anything Excel shows are refused before they
// reach an integer conversion; what lies within is clamped where the workbook is filled.
constexpr double kMaxSize = 65535;

// A number attribute: finite and within [low, high]; an absent one is `absent`.
bool numberIn(const XmlNode* node, const char* name, double low, double high, double absent, double* out)
{
    if (!node->hasAttribute(s(name))) {
        *out = absent;
        return true;
    }
    bool ok = false;
    const double v = node->attribute(s(name)).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high)
        return false;
    *out = v;
    return true;
}

// A whole-number attribute within [low, high].
bool wholeIn(const XmlNode* node, const char* name, int low, int high, int* out)
{
    bool ok = false;
    const qlonglong v = node->attribute(s(name)).trimmed().toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *out = int(v);
    return true;
}

// Whether any two ranges share a cell, in n log n: a sweep down the rows keeps the column spans
// of the ranges open at the current row, which never overlap while no two ranges do. On an
// overlap *first and *second are the ranges' indexes.
bool findOverlap(const std::vector<ExcelRange>& ranges, size_t* first, size_t* second)
{
    struct Event {
        int row;
        bool opens;
        size_t index;
    };
    std::vector<Event> events;
    events.reserve(ranges.size() * 2);
    for (size_t i = 0; i < ranges.size(); ++i) {
        events.push_back({ranges[i].firstRow, true, i});
        events.push_back({ranges[i].lastRow + 1, false, i});
    }
    // At one row the ranges that ended above close before the new ones open.
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.row != b.row ? a.row < b.row : (!a.opens && b.opens);
    });
    std::map<int, size_t> open;   // first column -> range
    for (const Event& e : events) {
        const ExcelRange& r = ranges[e.index];
        if (!e.opens) {
            open.erase(r.firstColumn);
            continue;
        }
        auto after = open.lower_bound(r.firstColumn);
        if (after != open.end() && ranges[after->second].firstColumn <= r.lastColumn) {
            *first = std::min(after->second, e.index);
            *second = std::max(after->second, e.index);
            return true;
        }
        if (after != open.begin()) {
            auto before = std::prev(after);
            if (ranges[before->second].lastColumn >= r.firstColumn) {
                *first = std::min(before->second, e.index);
                *second = std::max(before->second, e.index);
                return true;
            }
        }
        open.emplace(r.firstColumn, e.index);
    }
    return false;
}

// The cell formats of the book, by their index in cellXfs; empty and *error when a font size
// is no size.
std::vector<ExcelCellFormat> readStyles(const XmlNode* styles, QString* error)
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
                if (!numberIn(z, "val", 0, 409, 0, &font.size)) {
                    *error = QStringLiteral("размер шрифта «%1» не число от 0 до 409").arg(z->attribute(s("val")));
                    return {};
                }
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
        m_error = QStringLiteral("Не удалось прочитать книгу %1: %2").arg(m_name, Files::errorText(file));
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

    OfficePackage package;
    QString readError;
    if (!readOfficePackage(device, OfficeFileKind::ExcelBook, &package, &readError))
        return fail(readError);

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
    const std::vector<ExcelCellFormat> formats = readStyles(styles.get(), &error);
    if (!error.isEmpty())
        return fail(error);

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

        auto onSheet = [&](const QString& what) {
            return fail(QStringLiteral("на листе «%1» %2").arg(sheet->name(), what));
        };

        if (const XmlNode* cols = tree->firstChild(wp + s("cols"))) {
            // A later <col> wins over an earlier one for the columns both name. Walking them from
            // the last and skipping the columns already given keeps the work to one step per
            // column of the sheet, however many elements name the same ones.
            const QList<XmlNode*> list = cols->children(wp + s("col"));
            std::vector<int> nextFree;   // the first column at or after c not yet given a width
            auto freeFrom = [&](int c) {
                int root = c;
                while (nextFree[size_t(root)] != root)
                    root = nextFree[size_t(root)];
                while (nextFree[size_t(c)] != root) {
                    const int up = nextFree[size_t(c)];
                    nextFree[size_t(c)] = root;
                    c = up;
                }
                return root;
            };
            for (qsizetype i = list.size() - 1; i >= 0; --i) {
                const XmlNode* col = list[i];
                int first = 0, last = 0;
                if (!wholeIn(col, "min", 1, ExcelSheet::maxColumn, &first)
                    || !wholeIn(col, "max", first, ExcelSheet::maxColumn, &last))
                    return onSheet(QStringLiteral("столбцы «%1»–«%2» вне листа")
                                       .arg(col->attribute(s("min")), col->attribute(s("max"))));
                double stored = 0;
                if (!numberIn(col, "width", 0, kMaxSize, 0, &stored))
                    return onSheet(QStringLiteral("ширина столбца «%1» не число от 0 до %2")
                                       .arg(col->attribute(s("width"))).arg(kMaxSize));
                const bool hidden = isTrue(col->attribute(s("hidden")));
                if (!isTrue(col->attribute(s("customWidth"))) && !hidden)
                    continue;
                const double width = hidden ? 0 : userColumnWidth(stored);
                if (nextFree.empty()) {
                    nextFree.resize(size_t(ExcelSheet::maxColumn) + 2);
                    std::iota(nextFree.begin(), nextFree.end(), 0);
                }
                for (int c = freeFrom(first); c <= last; c = freeFrom(c + 1)) {
                    sheet->setColumnWidth(c, width);
                    nextFree[size_t(c)] = c + 1;
                }
            }
        }

        if (const XmlNode* data = tree->firstChild(wp + s("sheetData"))) {
            int rowNumber = 0;
            for (XmlNode* row : data->children(wp + s("row"))) {
                if (row->hasAttribute(s("r"))) {
                    if (!wholeIn(row, "r", 1, ExcelSheet::maxRow, &rowNumber))
                        return onSheet(QStringLiteral("номер строки «%1» вне листа").arg(row->attribute(s("r"))));
                } else if (++rowNumber > ExcelSheet::maxRow) {
                    return onSheet(QStringLiteral("строк больше, чем их может быть на листе"));
                }
                if (row->hasAttribute(s("ht")) && isTrue(row->attribute(s("customHeight")))) {
                    double height = 0;
                    if (!numberIn(row, "ht", 0, kMaxSize, 0, &height))
                        return onSheet(QStringLiteral("высота строки %1 «%2» не число от 0 до %3")
                                           .arg(rowNumber).arg(row->attribute(s("ht"))).arg(kMaxSize));
                    sheet->setRowHeight(rowNumber, height);
                }
                int columnNumber = 0;
                for (XmlNode* c : row->children(wp + s("c"))) {
                    int r = rowNumber;
                    if (!c->hasAttribute(s("r")) || !parseExcelCellName(c->attribute(s("r")), &r, &columnNumber))
                        ++columnNumber;
                    if (r > ExcelSheet::maxRow || columnNumber > ExcelSheet::maxColumn)
                        return onSheet(QStringLiteral("ячейка %1 вне листа")
                                           .arg(c->hasAttribute(s("r")) ? c->attribute(s("r"))
                                                                        : excelCellName(r, columnNumber)));
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
                        // "inf" and "nan" read as numbers too; no cell holds them.
                        if (!ok || !std::isfinite(number))
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

        if (const XmlNode* merges = tree->firstChild(wp + s("mergeCells"))) {
            std::vector<ExcelRange> ranges;
            std::set<std::tuple<int, int, int, int>> seen;
            for (XmlNode* m : merges->children(wp + s("mergeCell"))) {
                const QStringList corners = m->attribute(s("ref")).split(QLatin1Char(':'));
                int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                if (corners.size() != 2 || !parseExcelCellName(corners[0], &r1, &c1)
                    || !parseExcelCellName(corners[1], &r2, &c2) || qMax(r1, r2) > ExcelSheet::maxRow
                    || qMax(c1, c2) > ExcelSheet::maxColumn)
                    return fail(QStringLiteral("на листе «%1» объединение %2 не читается")
                                    .arg(sheet->name(), m->attribute(s("ref"))));
                const ExcelRange range = ExcelRange::between(r1, c1, r2, c2);
                // A single cell merges nothing; a range named twice is one merge.
                if (range.isSingleCell()
                    || !seen.insert({range.firstRow, range.firstColumn, range.lastRow, range.lastColumn}).second)
                    continue;
                ranges.push_back(range);
            }
            size_t a = 0, b = 0;
            if (findOverlap(ranges, &a, &b))
                return onSheet(QStringLiteral("объединение %1 пересекается с объединением %2")
                                   .arg(ranges[b].toA1(), ranges[a].toA1()));
            for (const ExcelRange& range : ranges)
                sheet->m_merges.append(range);
        }

        if (const XmlNode* views = tree->firstChild(wp + s("sheetViews")))
            if (const XmlNode* view = views->firstChild(wp + s("sheetView")))
                if (const XmlNode* pane = view->firstChild(wp + s("pane")))
                    if (pane->attribute(s("state")).startsWith(QLatin1String("frozen"))) {
                        double rows = 0, columns = 0;
                        if (!numberIn(pane, "ySplit", 0, ExcelSheet::maxRow - 1, 0, &rows)
                            || !numberIn(pane, "xSplit", 0, ExcelSheet::maxColumn - 1, 0, &columns))
                            return onSheet(QStringLiteral("закрепление областей «%1», «%2» вне листа")
                                               .arg(pane->attribute(s("ySplit")), pane->attribute(s("xSplit"))));
                        sheet->freezePanes(int(rows) + 1, int(columns) + 1);
                    }
    }
    return true;
}
