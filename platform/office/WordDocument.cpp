#include "platform/office/WordDocument.h"

#include "platform/Files.h"
#include "platform/office/WordPassword.h"
#include "platform/office/XmlTree.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kStrictW = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");
const QString kR = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kRelStyles = kR + QStringLiteral("/styles");
const QString kRelSettings = kR + QStringLiteral("/settings");
const QString kRelHeader = kR + QStringLiteral("/header");
const QString kTypeDocument =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
const QString kTypeTemplate =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml");
const QString kTypeSettings =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml");
const QString kTypeHeader =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml");

QString s(const char* latin) { return QString::fromLatin1(latin); }

// The schema's order of the children of the elements this layer adds to.
const QStringList kSectPrOrder = {
    s("w:headerReference"), s("w:footerReference"), s("w:footnotePr"), s("w:endnotePr"), s("w:type"),
    s("w:pgSz"), s("w:pgMar"), s("w:paperSrc"), s("w:pgBorders"), s("w:lnNumType"), s("w:pgNumType"),
    s("w:cols"), s("w:formProt"), s("w:vAlign"), s("w:noEndnote"), s("w:titlePg"),
    s("w:textDirection"), s("w:bidi"), s("w:rtlGutter"), s("w:docGrid"), s("w:printerSettings"),
    s("w:sectPrChange")};
const QStringList kPPrOrder = {
    s("w:pStyle"), s("w:keepNext"), s("w:keepLines"), s("w:pageBreakBefore"), s("w:framePr"),
    s("w:widowControl"), s("w:numPr"), s("w:suppressLineNumbers"), s("w:pBdr"), s("w:shd"),
    s("w:tabs"), s("w:suppressAutoHyphens"), s("w:kinsoku"), s("w:wordWrap"), s("w:overflowPunct"),
    s("w:topLinePunct"), s("w:autoSpaceDE"), s("w:autoSpaceDN"), s("w:bidi"), s("w:adjustRightInd"),
    s("w:snapToGrid"), s("w:spacing"), s("w:ind"), s("w:contextualSpacing"), s("w:mirrorIndents"),
    s("w:suppressOverlap"), s("w:jc"), s("w:textDirection"), s("w:textAlignment"),
    s("w:textboxTightWrap"), s("w:outlineLvl"), s("w:divId"), s("w:cnfStyle"), s("w:rPr"),
    s("w:sectPr"), s("w:pPrChange")};
const QStringList kTcPrOrder = {
    s("w:cnfStyle"), s("w:tcW"), s("w:gridSpan"), s("w:hMerge"), s("w:vMerge"), s("w:tcBorders"),
    s("w:shd"), s("w:noWrap"), s("w:tcMar"), s("w:textDirection"), s("w:tcFitText"), s("w:vAlign"),
    s("w:hideMark"), s("w:headers"), s("w:cellIns"), s("w:cellDel"), s("w:cellMerge"), s("w:tcPrChange")};
const QStringList kTrPrOrder = {
    s("w:cnfStyle"), s("w:divId"), s("w:gridBefore"), s("w:gridAfter"), s("w:wBefore"), s("w:wAfter"),
    s("w:cantSplit"), s("w:trHeight"), s("w:tblHeader"), s("w:tblCellSpacing"), s("w:jc"), s("w:hidden"),
    s("w:ins"), s("w:del"), s("w:trPrChange")};
const QStringList kRPrOrder = {
    s("w:rStyle"), s("w:rFonts"), s("w:b"), s("w:bCs"), s("w:i"), s("w:iCs"), s("w:caps"),
    s("w:smallCaps"), s("w:strike"), s("w:dstrike"), s("w:outline"), s("w:shadow"), s("w:emboss"),
    s("w:imprint"), s("w:noProof"), s("w:snapToGrid"), s("w:vanish"), s("w:webHidden"), s("w:color"),
    s("w:spacing"), s("w:w"), s("w:kern"), s("w:position"), s("w:sz"), s("w:szCs"), s("w:highlight"),
    s("w:u"), s("w:effect"), s("w:bdr"), s("w:shd"), s("w:fitText"), s("w:vertAlign"), s("w:rtl"),
    s("w:cs"), s("w:em"), s("w:lang"), s("w:eastAsianLayout"), s("w:specVanish"), s("w:oMath")};
// Everything the schema puts before w:documentProtection in the settings.
const QStringList kBeforeProtection = {
    s("w:writeProtection"), s("w:view"), s("w:zoom"), s("w:removePersonalInformation"),
    s("w:removeDateAndTime"), s("w:doNotDisplayPageBoundaries"), s("w:displayBackgroundShape"),
    s("w:printPostScriptOverText"), s("w:printFractionalCharacterWidth"), s("w:printFormsData"),
    s("w:embedTrueTypeFonts"), s("w:embedSystemFonts"), s("w:saveSubsetFonts"), s("w:saveFormsData"),
    s("w:mirrorMargins"), s("w:alignBordersAndEdges"), s("w:bordersDoNotSurroundHeader"),
    s("w:bordersDoNotSurroundFooter"), s("w:gutterAtTop"), s("w:hideSpellingErrors"),
    s("w:hideGrammaticalErrors"), s("w:activeWritingStyle"), s("w:proofState"), s("w:formsDesign"),
    s("w:attachedTemplate"), s("w:linkStyles"), s("w:stylePaneFormatFilter"),
    s("w:stylePaneSortMethod"), s("w:documentType"), s("w:mailMerge"), s("w:revisionView"),
    s("w:trackRevisions"), s("w:doNotTrackMoves"), s("w:doNotTrackFormatting")};
// What the schema puts after w:docVars in the settings; the extension elements (w14:, w15:, ...)
// come after all of them.
const QStringList kAfterDocVars = {
    s("w:rsids"), s("m:mathPr"), s("w:attachedSchema"), s("w:themeFontLang"), s("w:clrSchemeMapping"),
    s("w:doNotIncludeSubdocsInStats"), s("w:doNotAutoCompressPictures"), s("w:forceUpgrade"),
    s("w:captions"), s("w:readModeInkLockDown"), s("w:smartTagType"), s("sl:schemaLibrary"),
    s("w:shapeDefaults"), s("w:doNotEmbedSmartTags"), s("w:decimalSymbol"), s("w:listSeparator")};

// Elements whose text is not the text a reader sees in the paragraph.
const QSet<QString> kSkippedInText = {
    s("w:pPr"), s("w:rPr"), s("w:sdtPr"), s("w:instrText"), s("w:delText"), s("w:drawing"),
    s("w:pict"), s("w:object"), s("mc:AlternateContent"), s("w:footnoteReference"),
    s("w:endnoteReference")};

QString twips(double points) { return QString::number(qRound(points * 20)); }
QString halfPoints(double points) { return QString::number(qRound(points * 2)); }

QString alignmentValue(WordAlignment a)
{
    switch (a) {
    case WordAlignment::Left: return s("left");
    case WordAlignment::Centre: return s("center");
    case WordAlignment::Right: return s("right");
    case WordAlignment::Justify: return s("both");
    case WordAlignment::Default: break;
    }
    return QString();
}

QString headerTypeValue(WordHeaderKind kind)
{
    switch (kind) {
    case WordHeaderKind::FirstPage: return s("first");
    case WordHeaderKind::EvenPages: return s("even");
    case WordHeaderKind::Primary: break;
    }
    return s("default");
}

bool onOff(const QString& value)
{
    return value.isEmpty() || value == QLatin1String("1") || value == QLatin1String("true")
        || value == QLatin1String("on");
}

// Children named `name` of a block container, looking through the content controls and custom
// XML that may wrap them.
// With `watch`, the container and every control or custom XML it looks through are watched, so
// that a cell, row or table added or taken out there puts an index of them out of date.
void appendBlockChildren(const XmlNode* container, const QString& name, QList<XmlNode*>& out, bool watch)
{
    if (watch)
        container->watch();
    for (int i = 0; i < container->childCount(); ++i) {
        XmlNode* c = container->childAt(i);
        if (c->isText())
            continue;
        if (c->name() == name) {
            out.append(c);
        } else if (c->name() == QLatin1String("w:sdt")) {
            if (watch)
                c->watch();
            if (XmlNode* content = c->firstChild(s("w:sdtContent")))
                appendBlockChildren(content, name, out, watch);
        } else if (c->name() == QLatin1String("w:customXml")) {
            appendBlockChildren(c, name, out, watch);
        }
    }
}

QList<XmlNode*> blockChildren(const XmlNode* container, const QString& name)
{
    QList<XmlNode*> out;
    appendBlockChildren(container, name, out, false);
    return out;
}

// blockChildren for an index, watching what it looks into.
QList<XmlNode*> watchedBlockChildren(XmlNode* container, const QString& name)
{
    QList<XmlNode*> out;
    appendBlockChildren(container, name, out, true);
    return out;
}

// The last of blockChildren(container, name), found from the end; null when there is none.
XmlNode* lastBlockChild(const XmlNode* container, const QString& name)
{
    for (int i = container->childCount() - 1; i >= 0; --i) {
        XmlNode* c = container->childAt(i);
        if (c->isText())
            continue;
        XmlNode* found = nullptr;
        if (c->name() == name)
            return c;
        if (c->name() == QLatin1String("w:sdt")) {
            if (XmlNode* content = c->firstChild(s("w:sdtContent")))
                found = lastBlockChild(content, name);
        } else if (c->name() == QLatin1String("w:customXml")) {
            found = lastBlockChild(c, name);
        }
        if (found)
            return found;
    }
    return nullptr;
}

struct TextState {
    QString text;
    int fieldDepth = 0;      // inside complex fields
    bool inInstruction = false;
    bool skipFields = false;
};

void collectText(const XmlNode* node, TextState& state)
{
    for (int i = 0; i < node->childCount(); ++i) {
        const XmlNode* c = node->childAt(i);
        if (c->isText())
            continue;
        const QString& n = c->name();
        if (kSkippedInText.contains(n))
            continue;
        if (n == QLatin1String("w:fldChar")) {
            const QString type = c->attribute(s("w:fldCharType"));
            if (type == QLatin1String("begin")) {
                ++state.fieldDepth;
                state.inInstruction = true;
            } else if (type == QLatin1String("separate")) {
                state.inInstruction = false;
            } else if (type == QLatin1String("end")) {
                state.fieldDepth = qMax(0, state.fieldDepth - 1);
                state.inInstruction = false;
            }
            continue;
        }
        const bool hidden = state.inInstruction || (state.skipFields && state.fieldDepth > 0);
        if (n == QLatin1String("w:fldSimple")) {
            if (!state.skipFields)
                collectText(c, state);
        } else if (n == QLatin1String("w:t")) {
            if (!hidden)
                for (int k = 0; k < c->childCount(); ++k)
                    state.text += c->childAt(k)->content();
        } else if (n == QLatin1String("w:tab")) {
            if (!hidden)
                state.text += QLatin1Char('\t');
        } else if (n == QLatin1String("w:br") || n == QLatin1String("w:cr")) {
            if (!hidden)
                state.text += QLatin1Char('\n');
        } else {
            collectText(c, state);
        }
    }
}

QString paragraphText(const XmlNode* p, bool skipFields = false)
{
    TextState state;
    state.skipFields = skipFields;
    collectText(p, state);
    return state.text;
}

// Text of a cell or header: its paragraphs (nested tables' ones too) joined by "\n".
QString containerText(const XmlNode* container, bool skipFields = false)
{
    QStringList lines;
    for (XmlNode* c : container->elements()) {
        if (c->name() == QLatin1String("w:p"))
            lines.append(paragraphText(c, skipFields));
        else if (c->name() == QLatin1String("w:tbl")) {
            for (XmlNode* tr : blockChildren(c, s("w:tr")))
                for (XmlNode* tc : blockChildren(tr, s("w:tc")))
                    lines.append(containerText(tc, skipFields));
        } else if (c->name() == QLatin1String("w:sdt")) {
            if (XmlNode* content = c->firstChild(s("w:sdtContent")))
                lines.append(containerText(content, skipFields));
        } else if (c->name() == QLatin1String("w:customXml"))
            lines.append(containerText(c, skipFields));
    }
    return lines.join(QLatin1Char('\n'));
}

// Run properties fit for new text: tracked-change marks of the model are not copied.
std::unique_ptr<XmlNode> runPropertiesFrom(const XmlNode* rPr)
{
    auto out = std::make_unique<XmlNode>(s("w:rPr"));
    if (!rPr)
        return out;
    for (XmlNode* c : rPr->elements()) {
        const QString& n = c->name();
        if (n == QLatin1String("w:ins") || n == QLatin1String("w:del") || n == QLatin1String("w:moveFrom")
            || n == QLatin1String("w:moveTo") || n == QLatin1String("w:rPrChange"))
            continue;
        out->append(c->clone());
    }
    return out;
}

// The run properties text typed at the end of `p` would get: those of its last run, or of the
// paragraph mark.
std::unique_ptr<XmlNode> trailingRunProperties(const XmlNode* p)
{
    const QList<XmlNode*> runs = p->descendants(s("w:r"));
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        if ((*it)->firstChild(s("w:t")))
            return runPropertiesFrom((*it)->firstChild(s("w:rPr")));
    if (!runs.isEmpty())
        return runPropertiesFrom(runs.last()->firstChild(s("w:rPr")));
    const XmlNode* pPr = p->firstChild(s("w:pPr"));
    return runPropertiesFrom(pPr ? pPr->firstChild(s("w:rPr")) : nullptr);
}

std::unique_ptr<XmlNode> leadingRunProperties(const XmlNode* p)
{
    for (XmlNode* r : p->descendants(s("w:r")))
        return runPropertiesFrom(r->firstChild(s("w:rPr")));
    const XmlNode* pPr = p->firstChild(s("w:pPr"));
    return runPropertiesFrom(pPr ? pPr->firstChild(s("w:rPr")) : nullptr);
}

// A copy of a paragraph's properties for a paragraph that continues it: no section break.
std::unique_ptr<XmlNode> continuedParagraphProperties(const XmlNode* p)
{
    const XmlNode* pPr = p ? p->firstChild(s("w:pPr")) : nullptr;
    if (!pPr)
        return nullptr;
    std::unique_ptr<XmlNode> copy = pPr->clone();
    for (XmlNode* c : copy->children(s("w:sectPr")))
        copy->remove(c);
    for (XmlNode* c : copy->children(s("w:pPrChange")))
        copy->remove(c);
    return copy;
}

const QRegularExpression& paragraphBreak()
{
    static const QRegularExpression re(QStringLiteral("\r\n|\n\r|\r|\n"));
    return re;
}

// Appends one line of text (no paragraph breaks) to `p` as one run: TAB becomes a tab, a
// vertical tab a line break, as Word reads them.
void appendRun(XmlNode* p, const QString& line, const XmlNode* rPr)
{
    if (line.isEmpty())
        return;
    XmlNode* r = p->appendElement(s("w:r"));
    if (rPr && rPr->childCount() > 0)
        r->append(rPr->clone());
    QString piece;
    auto flush = [&]() {
        if (piece.isEmpty())
            return;
        XmlNode* t = r->appendElement(s("w:t"));
        t->setAttribute(s("xml:space"), s("preserve"));
        t->append(XmlNode::text(piece));
        piece.clear();
    };
    for (const QChar c : line) {
        if (c == QLatin1Char('\t')) {
            flush();
            r->appendElement(s("w:tab"));
        } else if (c == QChar(0x0B)) {
            flush();
            r->appendElement(s("w:br"));
        } else {
            piece += c;
        }
    }
    flush();
}

// Writes `text` into `p` (appending to what it holds); each further line becomes a paragraph
// after it with the same properties. Returns the last paragraph written.
XmlNode* writeText(XmlNode* p, const QString& text, const XmlNode* rPr)
{
    // A value of a print is one line: it needs no split.
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        appendRun(p, text, rPr);
        return p;
    }
    const QStringList lines = text.split(paragraphBreak());
    appendRun(p, lines.first(), rPr);
    XmlNode* last = p;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        XmlNode* parent = last->parent();
        auto next = std::make_unique<XmlNode>(s("w:p"));
        if (std::unique_ptr<XmlNode> pPr = continuedParagraphProperties(p))
            next->append(std::move(pPr));
        last = parent->insert(parent->indexOf(last) + 1, std::move(next));
        appendRun(last, lines[i], rPr);
    }
    return last;
}

std::unique_ptr<XmlNode> paragraph(WordAlignment alignment, double fontSize, bool bold,
                                   std::unique_ptr<XmlNode>* rPrOut)
{
    auto p = std::make_unique<XmlNode>(s("w:p"));
    auto rPr = std::make_unique<XmlNode>(s("w:rPr"));
    if (bold)
        rPr->appendElement(s("w:b"));
    if (fontSize > 0) {
        rPr->appendElement(s("w:sz"))->setAttribute(s("w:val"), halfPoints(fontSize));
        rPr->appendElement(s("w:szCs"))->setAttribute(s("w:val"), halfPoints(fontSize));
    }
    const QString jc = alignmentValue(alignment);
    if (!jc.isEmpty() || rPr->childCount() > 0) {
        XmlNode* pPr = p->appendElement(s("w:pPr"));
        if (!jc.isEmpty())
            pPr->appendElement(s("w:jc"))->setAttribute(s("w:val"), jc);
        if (rPr->childCount() > 0)
            pPr->append(rPr->clone());   // the paragraph mark in the same size
    }
    *rPrOut = std::move(rPr);
    return p;
}

// Twips of a sectPr attribute, or `fallback`.
constexpr int kMaxSpinCount = 10'000'000;

int twipsOf(const XmlNode* element, const QString& attribute, int fallback)
{
    if (!element || !element->hasAttribute(attribute))
        return fallback;
    bool ok = false;
    const double v = element->attribute(attribute).toDouble(&ok);
    // A page is at most 22 inches (31 680 twips); a value far past that is no measure at all and
    // must not reach the integer conversion.
    return ok && std::isfinite(v) && std::fabs(v) <= 1e6 ? int(v) : fallback;
}

int textWidth(const XmlNode* sectPr)
{
    const XmlNode* pgSz = sectPr ? sectPr->firstChild(s("w:pgSz")) : nullptr;
    const XmlNode* pgMar = sectPr ? sectPr->firstChild(s("w:pgMar")) : nullptr;
    const int width = twipsOf(pgSz, s("w:w"), 11906) - twipsOf(pgMar, s("w:left"), 1701)
        - twipsOf(pgMar, s("w:right"), 850);
    return width > 720 ? width : 9355;
}

void setDefaultPage(XmlNode* sectPr)
{
    XmlNode* pgSz = sectPr->ensureChild(s("w:pgSz"), kSectPrOrder);
    if (!pgSz->hasAttribute(s("w:w"))) {
        pgSz->setAttribute(s("w:w"), s("11906"));
        pgSz->setAttribute(s("w:h"), s("16838"));
    }
    XmlNode* pgMar = sectPr->ensureChild(s("w:pgMar"), kSectPrOrder);
    const QList<QPair<QString, QString>> margins = {
        {s("w:top"), s("1134")}, {s("w:right"), s("850")}, {s("w:bottom"), s("1134")},
        {s("w:left"), s("1701")}, {s("w:header"), s("708")}, {s("w:footer"), s("708")},
        {s("w:gutter"), s("0")}};
    for (const auto& m : margins)
        if (!pgMar->hasAttribute(m.first))
            pgMar->setAttribute(m.first, m.second);
}

// The page turned so that its longer side runs across (landscape) or down, margins kept.
void orientPage(XmlNode* sectPr, bool landscape)
{
    setDefaultPage(sectPr);
    XmlNode* pgSz = sectPr->firstChild(s("w:pgSz"));
    const int w = twipsOf(pgSz, s("w:w"), 11906);
    const int h = twipsOf(pgSz, s("w:h"), 16838);
    if (landscape ? w < h : w > h) {
        pgSz->setAttribute(s("w:w"), QString::number(h));
        pgSz->setAttribute(s("w:h"), QString::number(w));
    }
    if (landscape)
        pgSz->setAttribute(s("w:orient"), QStringLiteral("landscape"));
    else
        pgSz->removeAttribute(s("w:orient"));
}

QByteArray blankPart(const char* xml)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") + xml;
}

// Everything of a cell but its properties: its paragraphs, tables and stray text.
void clearCell(XmlNode* tc)
{
    for (XmlNode* c : tc->elements())
        if (c->name() != QLatin1String("w:tcPr"))
            tc->remove(c);
    for (int i = tc->childCount() - 1; i >= 0; --i)
        if (tc->childAt(i)->isText())
            tc->take(tc->childAt(i));
}

}

// --- WordTable ----------------------------------------------------------------------------------

const std::vector<std::vector<XmlNode*>>* WordTable::rows() const
{
    WordDocument::IndexedTable* t = m_table ? m_document->indexedTable(m_index, m_table) : nullptr;
    if (!t)
        return nullptr;
    if (!t->rowsRead) {
        for (XmlNode* tr : watchedBlockChildren(m_table, s("w:tr"))) {
            const QList<XmlNode*> cells = watchedBlockChildren(tr, s("w:tc"));
            t->rows.emplace_back(cells.begin(), cells.end());
        }
        t->rowsRead = true;
    }
    return &t->rows;
}

int WordTable::rowCount() const
{
    const auto* all = rows();
    return all ? int(all->size()) : 0;
}

int WordTable::cellCount(int row) const
{
    const auto* all = rows();
    if (!all || row < 1 || row > int(all->size()))
        return 0;
    return int((*all)[size_t(row - 1)].size());
}

bool WordTable::hasCell(int row, int column) const
{
    return column >= 1 && column <= cellCount(row);
}

XmlNode* WordTable::cellElement(int row, int column) const
{
    if (!m_table)
        return nullptr;
    if (hasCell(row, column))
        return (*rows())[size_t(row - 1)][size_t(column - 1)];
    m_document->setError(QStringLiteral("В таблице %1 документа %2 нет ячейки (строка %3, столбец %4)")
                             .arg(m_index).arg(m_document->displayName()).arg(row).arg(column));
    return nullptr;
}

QString WordTable::cellText(int row, int column) const
{
    if (!hasCell(row, column))
        return QString();
    return containerText(cellElement(row, column));
}

bool WordTable::setCellText(int row, int column, const QString& text)
{
    XmlNode* tc = cellElement(row, column);
    if (!tc)
        return false;
    const QList<XmlNode*> paragraphs = blockChildren(tc, s("w:p"));
    std::unique_ptr<XmlNode> pPr = paragraphs.isEmpty() ? nullptr : continuedParagraphProperties(paragraphs.first());
    std::unique_ptr<XmlNode> rPr = paragraphs.isEmpty() ? runPropertiesFrom(nullptr)
                                                        : leadingRunProperties(paragraphs.first());
    clearCell(tc);
    XmlNode* p = tc->appendElement(s("w:p"));
    if (pPr)
        p->append(std::move(pPr));
    writeText(p, text, rPr.get());
    return true;
}

bool WordTable::appendToCell(int row, int column, const QString& text)
{
    XmlNode* tc = cellElement(row, column);
    if (!tc)
        return false;
    // The cell's last paragraph of its own, not one of a nested table.
    XmlNode* p = lastBlockChild(tc, s("w:p"));
    if (!p)
        p = tc->appendElement(s("w:p"));
    std::unique_ptr<XmlNode> rPr = trailingRunProperties(p);
    writeText(p, text, rPr.get());
    return true;
}

bool WordTable::setCellText(int row, int column, const QString& text, const WordCellFormat& format)
{
    XmlNode* tc = cellElement(row, column);
    if (!tc)
        return false;
    clearCell(tc);
    XmlNode* tcPr = tc->firstChild(s("w:tcPr"));
    if (!tcPr)
        tcPr = tc->insert(0, std::make_unique<XmlNode>(s("w:tcPr")));
    for (const char* name : {"w:textDirection", "w:vAlign"})
        if (XmlNode* old = tcPr->firstChild(s(name)))
            tcPr->remove(old);
    if (format.turned)
        tcPr->ensureChild(s("w:textDirection"), kTcPrOrder)->setAttribute(s("w:val"), s("btLr"));
    if (format.middle)
        tcPr->ensureChild(s("w:vAlign"), kTcPrOrder)->setAttribute(s("w:val"), s("center"));
    std::unique_ptr<XmlNode> rPr;
    std::unique_ptr<XmlNode> p = paragraph(format.alignment, format.fontSize, format.bold, &rPr);
    // A table cell's paragraph has no space around it, whatever the style gives the body's.
    XmlNode* pPr = p->firstChild(s("w:pPr"));
    if (!pPr)
        pPr = p->insert(0, std::make_unique<XmlNode>(s("w:pPr")));
    XmlNode* spacing = pPr->ensureChild(s("w:spacing"), kPPrOrder);
    spacing->setAttribute(s("w:before"), s("0"));
    spacing->setAttribute(s("w:after"), s("0"));
    if (format.indent > 0)
        pPr->ensureChild(s("w:ind"), kPPrOrder)->setAttribute(s("w:left"), twips(format.indent));
    writeText(tc->append(std::move(p)), text, rPr.get());
    return true;
}

QList<int> WordTable::gridWidths() const
{
    QList<int> widths;
    if (const XmlNode* grid = m_table ? m_table->firstChild(s("w:tblGrid")) : nullptr)
        for (const XmlNode* col : grid->children(s("w:gridCol")))
            widths.append(twipsOf(col, s("w:w"), 0));
    return widths;
}

bool WordTable::setColumnWidths(const QList<double>& points)
{
    XmlNode* grid = m_table ? m_table->firstChild(s("w:tblGrid")) : nullptr;
    const QList<XmlNode*> columns = grid ? grid->children(s("w:gridCol")) : QList<XmlNode*>();
    if (columns.isEmpty() || columns.size() != points.size()) {
        m_document->setError(QStringLiteral("В таблице %1 документа %2 не %3 столбцов")
                                 .arg(m_index).arg(m_document->displayName()).arg(points.size()));
        return false;
    }
    for (qsizetype c = 0; c < columns.size(); ++c)
        columns[c]->setAttribute(s("w:w"), twips(points[c]));
    // Every cell as wide as the grid columns it covers.
    for (XmlNode* tr : blockChildren(m_table, s("w:tr"))) {
        qsizetype at = 0;
        for (XmlNode* tc : blockChildren(tr, s("w:tc"))) {
            XmlNode* tcPr = tc->firstChild(s("w:tcPr"));
            const XmlNode* span = tcPr ? tcPr->firstChild(s("w:gridSpan")) : nullptr;
            const int covers = qMax(1, twipsOf(span, s("w:val"), 1));
            double width = 0;
            for (int i = 0; i < covers && at < points.size(); ++i)
                width += points[at++];
            if (!tcPr)
                tcPr = tc->insert(0, std::make_unique<XmlNode>(s("w:tcPr")));
            XmlNode* tcW = tcPr->ensureChild(s("w:tcW"), kTcPrOrder);
            tcW->setAttribute(s("w:w"), twips(width));
            tcW->setAttribute(s("w:type"), s("dxa"));
        }
    }
    return true;
}

bool WordTable::setRowHeight(int row, double points)
{
    const QList<XmlNode*> rows = m_table ? blockChildren(m_table, s("w:tr")) : QList<XmlNode*>();
    if (row < 1 || row > rows.size()) {
        m_document->setError(QStringLiteral("В таблице %1 документа %2 нет строки %3")
                                 .arg(m_index).arg(m_document->displayName()).arg(row));
        return false;
    }
    XmlNode* tr = rows[row - 1];
    XmlNode* trPr = tr->firstChild(s("w:trPr"));
    if (!trPr) {
        // Row properties come after the row's exception properties, before its cells.
        const XmlNode* tblPrEx = tr->firstChild(s("w:tblPrEx"));
        trPr = tr->insert(tblPrEx ? tr->indexOf(tblPrEx) + 1 : 0, std::make_unique<XmlNode>(s("w:trPr")));
    }
    XmlNode* height = trPr->ensureChild(s("w:trHeight"), kTrPrOrder);
    height->setAttribute(s("w:val"), twips(points));
    height->setAttribute(s("w:hRule"), s("atLeast"));
    return true;
}

bool WordTable::mergeCells(int row, int column, int lastRow, int lastColumn)
{
    const QList<XmlNode*> rows = m_table ? blockChildren(m_table, s("w:tr")) : QList<XmlNode*>();
    const QList<int> widths = gridWidths();
    auto refuse = [&] {
        m_document->setError(QStringLiteral("В таблице %1 документа %2 нельзя объединить ячейки "
                                            "(строки %3-%4, столбцы %5-%6)")
                                 .arg(m_index).arg(m_document->displayName())
                                 .arg(row).arg(lastRow).arg(column).arg(lastColumn));
        return false;
    };
    if (row < 1 || lastRow < row || lastRow > rows.size() || column < 1 || lastColumn < column
        || lastColumn > widths.size())
        return refuse();
    // The cells of each row that the block covers, found before anything changes.
    QList<QList<XmlNode*>> covered;
    for (int r = row; r <= lastRow; ++r) {
        QList<XmlNode*> cells;
        int at = 1;
        for (XmlNode* tc : blockChildren(rows[r - 1], s("w:tc"))) {
            const XmlNode* tcPr = tc->firstChild(s("w:tcPr"));
            const XmlNode* span = tcPr ? tcPr->firstChild(s("w:gridSpan")) : nullptr;
            const int end = at + qMax(1, twipsOf(span, s("w:val"), 1)) - 1;
            const bool inside = at >= column && end <= lastColumn;
            const bool cuts = !inside && at <= lastColumn && end >= column;
            if (cuts || (inside && tcPr && tcPr->firstChild(s("w:vMerge"))))
                return refuse();
            if (inside)
                cells.append(tc);
            at = end + 1;
        }
        if (cells.isEmpty())
            return refuse();
        covered.append(cells);
    }
    int width = 0;
    for (int c = column; c <= lastColumn; ++c)
        width += widths[c - 1];
    for (qsizetype i = 0; i < covered.size(); ++i) {
        XmlNode* first = covered[i].first();
        for (qsizetype k = 1; k < covered[i].size(); ++k)
            first->parent()->remove(covered[i][k]);
        XmlNode* tcPr = first->firstChild(s("w:tcPr"));
        if (!tcPr)
            tcPr = first->insert(0, std::make_unique<XmlNode>(s("w:tcPr")));
        XmlNode* tcW = tcPr->ensureChild(s("w:tcW"), kTcPrOrder);
        tcW->setAttribute(s("w:w"), QString::number(width));
        tcW->setAttribute(s("w:type"), s("dxa"));
        if (XmlNode* span = tcPr->firstChild(s("w:gridSpan")))
            tcPr->remove(span);
        if (lastColumn > column)
            tcPr->ensureChild(s("w:gridSpan"), kTcPrOrder)->setAttribute(s("w:val"), QString::number(lastColumn - column + 1));
        if (lastRow > row) {
            XmlNode* vMerge = tcPr->ensureChild(s("w:vMerge"), kTcPrOrder);
            if (i == 0)
                vMerge->setAttribute(s("w:val"), s("restart"));
        }
        if (i > 0) {
            // The lower parts of a merged cell hold no text of their own.
            clearCell(first);
            first->appendElement(s("w:p"));
        }
    }
    return true;
}

void WordTable::addRow()
{
    if (!m_table)
        return;
    const QList<XmlNode*> rows = blockChildren(m_table, s("w:tr"));
    if (rows.isEmpty())
        return;
    XmlNode* last = rows.last();
    std::unique_ptr<XmlNode> row = last->clone();
    for (XmlNode* tc : blockChildren(row.get(), s("w:tc"))) {
        const QList<XmlNode*> paragraphs = blockChildren(tc, s("w:p"));
        std::unique_ptr<XmlNode> pPr = paragraphs.isEmpty() ? nullptr : continuedParagraphProperties(paragraphs.first());
        std::unique_ptr<XmlNode> rPr = paragraphs.isEmpty() ? nullptr : leadingRunProperties(paragraphs.first());
        for (XmlNode* c : tc->elements())
            if (c->name() != QLatin1String("w:tcPr"))
                tc->remove(c);
        if (XmlNode* tcPr = tc->firstChild(s("w:tcPr")))
            if (XmlNode* vMerge = tcPr->firstChild(s("w:vMerge")))
                tcPr->remove(vMerge);
        XmlNode* p = tc->appendElement(s("w:p"));
        if (pPr) {
            if (rPr && rPr->childCount() > 0 && !pPr->firstChild(s("w:rPr")))
                pPr->insertInOrder(std::move(rPr), kPPrOrder);
            p->append(std::move(pPr));
        }
    }
    for (XmlNode* c : row->children(s("w:trPr")))
        for (XmlNode* change : c->children(s("w:ins")))
            c->remove(change);
    WordDocument::IndexedTable* t = m_document->indexedTable(m_index, m_table);
    XmlNode* parent = last->parent();
    XmlNode* added = parent->insert(parent->indexOf(last) + 1, std::move(row));
    // The new row follows the last one, so it is the last in the index as well.
    if (t && t->rowsRead) {
        const QList<XmlNode*> cells = watchedBlockChildren(added, s("w:tc"));
        t->rows.emplace_back(cells.begin(), cells.end());
        m_document->m_tablesStamp = XmlNode::shapeChanges();
    }
}

// --- WordDocument -------------------------------------------------------------------------------

WordDocument::WordDocument() = default;
WordDocument::~WordDocument() = default;
WordDocument::WordDocument(WordDocument&&) noexcept = default;
WordDocument& WordDocument::operator=(WordDocument&&) noexcept = default;

QString WordDocument::displayName() const
{
    return m_source.isEmpty() ? QStringLiteral("«новый документ»") : QDir::toNativeSeparators(m_source);
}

void WordDocument::createBlank()
{
    m_package = OfficePackage();
    m_xml.clear();
    forgetTables();
    m_source.clear();
    m_error.clear();
    m_mainPart = s("word/document.xml");
    m_package.setPart(QString::fromUtf16(OpcNames::contentTypes), blankPart(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
        "<Override PartName=\"/word/settings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>"
        "</Types>"));
    m_package.setPart(s("_rels/.rels"), blankPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
        "</Relationships>"));
    m_package.setPart(s("word/_rels/document.xml.rels"), blankPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>"
        "</Relationships>"));
    m_package.setPart(m_mainPart, blankPart(
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<w:body><w:sectPr>"
        "<w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
        "<w:pgMar w:top=\"1134\" w:right=\"850\" w:bottom=\"1134\" w:left=\"1701\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
        "<w:cols w:space=\"708\"/><w:docGrid w:linePitch=\"360\"/>"
        "</w:sectPr></w:body></w:document>"));
    m_package.setPart(s("word/styles.xml"), blankPart(
        "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:docDefaults><w:rPrDefault><w:rPr>"
        "<w:rFonts w:ascii=\"Times New Roman\" w:hAnsi=\"Times New Roman\" w:eastAsia=\"Times New Roman\" w:cs=\"Times New Roman\"/>"
        "<w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/><w:lang w:val=\"ru-RU\" w:eastAsia=\"ru-RU\" w:bidi=\"ar-SA\"/>"
        "</w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults>"
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:qFormat/></w:style>"
        "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\"><w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/><w:unhideWhenUsed/></w:style>"
        "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\"><w:name w:val=\"Normal Table\"/><w:uiPriority w:val=\"99\"/><w:semiHidden/><w:unhideWhenUsed/>"
        "<w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/><w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/><w:left w:w=\"108\" w:type=\"dxa\"/>"
        "<w:bottom w:w=\"0\" w:type=\"dxa\"/><w:right w:w=\"108\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr></w:style>"
        "</w:styles>"));
    m_package.setPart(s("word/settings.xml"), blankPart(
        "<w:settings xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:zoom w:percent=\"100\"/><w:defaultTabStop w:val=\"708\"/>"
        "<w:characterSpacingControl w:val=\"doNotCompress\"/>"
        "<w:compat><w:compatSetting w:name=\"compatibilityMode\" w:uri=\"http://schemas.microsoft.com/office/word\" w:val=\"15\"/></w:compat>"
        "</w:settings>"));
}

bool WordDocument::createFromTemplate(const QString& templatePath)
{
    return load(templatePath, true);
}

bool WordDocument::open(const QString& path)
{
    return load(path, false);
}

bool WordDocument::load(const QString& path, bool asTemplate)
{
    m_package = OfficePackage();
    m_xml.clear();
    forgetTables();
    m_mainPart.clear();
    m_source = path;
    m_error.clear();
    const QString what = asTemplate ? QStringLiteral("бланк") : QStringLiteral("документ");
    const QString name = QDir::toNativeSeparators(path);
    auto fail = [&](const QString& why) {
        setError(QStringLiteral("Не удалось открыть %1 %2: %3").arg(what, name, why));
        m_package = OfficePackage();
        m_xml.clear();
        forgetTables();
        return false;
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Files::errorText(file));
    QString readError;
    if (!readOfficePackage(&file, OfficeFileKind::WordDocument, &m_package, &readError))
        return fail(readError);

    m_mainPart = m_package.relatedPart(QString::fromUtf16(OpcNames::relOfficeDocument));
    XmlNode* types = xml(QString::fromUtf16(OpcNames::contentTypes));
    if (!types && !m_error.isEmpty())
        return fail(m_error);
    if (m_mainPart.isEmpty() || !types || !m_package.contains(m_mainPart))
        return fail(QStringLiteral("это не документ Word (.docx)"));
    const QString type = contentTypeOf(*types, m_mainPart);
    if (type.contains(QLatin1String("macroEnabled"), Qt::CaseInsensitive))
        return fail(QStringLiteral("документ с макросами (.docm, .dotm) не поддерживается; "
                                   "сохраните его как документ Word (.docx)"));
    if (type != kTypeDocument && type != kTypeTemplate)
        return fail(QStringLiteral("это не документ Word (.docx)"));
    XmlNode* document = xml(m_mainPart);
    if (!document)
        return fail(m_error);
    if (document->attribute(s("xmlns:w")) == kStrictW)
        return fail(QStringLiteral("документ сохранён в строгом формате Open XML; "
                                   "сохраните его как обычный документ Word (.docx)"));
    if (!document->isElement(s("w:document")) || document->attribute(s("xmlns:w")) != kW || !body())
        return fail(QStringLiteral("это не документ Word (.docx)"));
    if (asTemplate && type == kTypeTemplate)
        setContentTypeOverride(*types, m_mainPart, kTypeDocument);
    if (!document->hasAttribute(s("xmlns:r")))
        document->setAttribute(s("xmlns:r"), kR);
    return true;
}

XmlNode* WordDocument::xml(const QString& part) const
{
    auto it = m_xml.find(part);
    if (it != m_xml.end())
        return it->second.get();
    if (!m_package.contains(part))
        return nullptr;
    QString error;
    std::unique_ptr<XmlNode> tree = parseXml(m_package.part(part), &error);
    if (!tree) {
        setError(QStringLiteral("часть %1 повреждена: %2").arg(part, error));
        return nullptr;
    }
    XmlNode* raw = tree.get();
    m_xml[part] = std::move(tree);
    return raw;
}

QString WordDocument::partRelatedToMain(const QString& type) const
{
    const XmlNode* rels = xml(relationshipsPartOf(m_mainPart));
    if (!rels)
        return QString();
    for (XmlNode* r : rels->children(s("Relationship")))
        if (r->attribute(s("Type")) == type)
            return resolveRelationshipTarget(m_mainPart, r->attribute(s("Target")));
    return QString();
}

XmlNode* WordDocument::body() const
{
    XmlNode* document = m_mainPart.isEmpty() ? nullptr : xml(m_mainPart);
    return document ? document->firstChild(s("w:body")) : nullptr;
}

XmlNode* WordDocument::relationships()
{
    const QString part = relationshipsPartOf(m_mainPart);
    if (XmlNode* rels = xml(part))
        return rels;
    auto root = std::make_unique<XmlNode>(s("Relationships"));
    root->setAttribute(s("xmlns"), QString::fromUtf16(OpcNames::packageRelNamespace));
    m_package.setPart(part, QByteArray());
    XmlNode* raw = root.get();
    m_xml[part] = std::move(root);
    return raw;
}

XmlNode* WordDocument::settings(bool create) const
{
    const QString part = partRelatedToMain(kRelSettings);
    if (!part.isEmpty())
        if (XmlNode* tree = xml(part))
            return tree;
    if (!create)
        return nullptr;
    auto* self = const_cast<WordDocument*>(this);
    const QString name = part.isEmpty() ? s("word/settings.xml") : part;
    auto root = std::make_unique<XmlNode>(s("w:settings"));
    root->setAttribute(s("xmlns:w"), kW);
    XmlNode* raw = root.get();
    self->m_package.setPart(name, QByteArray());
    m_xml[name] = std::move(root);
    if (part.isEmpty()) {
        addRelationship(*self->relationships(), kRelSettings, relationshipTarget(m_mainPart, name));
        setContentTypeOverride(*xml(QString::fromUtf16(OpcNames::contentTypes)), name, kTypeSettings);
    }
    return raw;
}

// --- body ---------------------------------------------------------------------------------------

std::vector<WordDocument::IndexedTable>& WordDocument::indexedTables() const
{
    // A change of shape made past this layer's own additions (a merge of cells, say) puts the
    // whole index out of date: it is read again.
    if (m_tablesRead && m_tablesStamp != XmlNode::shapeChanges())
        m_tablesRead = false;
    if (!m_tablesRead) {
        m_tables.clear();
        if (XmlNode* b = body())
            for (XmlNode* t : watchedBlockChildren(b, s("w:tbl")))
                m_tables.push_back(IndexedTable{t, false, {}});
        m_tablesRead = true;
        m_tablesStamp = XmlNode::shapeChanges();
    }
    return m_tables;
}

WordDocument::IndexedTable* WordDocument::indexedTable(int index, const XmlNode* table) const
{
    std::vector<IndexedTable>& all = indexedTables();
    if (index >= 1 && index <= int(all.size()) && all[size_t(index - 1)].table == table)
        return &all[size_t(index - 1)];
    return nullptr;
}

void WordDocument::forgetTables()
{
    m_tables.clear();
    m_tablesRead = false;
}

int WordDocument::tableCount() const
{
    return int(indexedTables().size());
}

WordTable WordDocument::table(int index)
{
    const std::vector<IndexedTable>& all = indexedTables();
    if (index < 1 || index > int(all.size())) {
        setError(QStringLiteral("В документе %1 нет таблицы %2 (таблиц в нём: %3)")
                     .arg(displayName()).arg(index).arg(all.size()));
        return WordTable();
    }
    return WordTable(this, all[size_t(index - 1)].table, index);
}

bool WordDocument::appendToCell(int tableIndex, int row, int column, const QString& text)
{
    WordTable t = table(tableIndex);
    return !t.isNull() && t.appendToCell(row, column, text);
}

bool WordDocument::cellText(int tableIndex, int row, int column, QString* text)
{
    WordTable t = table(tableIndex);
    if (t.isNull() || !t.cellElement(row, column))
        return false;
    *text = t.cellText(row, column);
    return true;
}

static XmlNode* insertAtBodyEnd(XmlNode* body, std::unique_ptr<XmlNode> node)
{
    XmlNode* sectPr = body->lastChild(s("w:sectPr"));
    if (sectPr && body->elements().last() == sectPr)
        return body->insert(body->indexOf(sectPr), std::move(node));
    return body->append(std::move(node));
}

void WordDocument::appendParagraph(const QString& text, const WordParagraphFormat& format)
{
    XmlNode* b = body();
    if (!b)
        return;
    std::unique_ptr<XmlNode> rPr;
    XmlNode* p = insertAtBodyEnd(b, paragraph(format.alignment, format.fontSize, format.bold, &rPr));
    writeText(p, text, rPr.get());
}

WordTable WordDocument::appendTable(int rows, int columns)
{
    XmlNode* b = body();
    if (!b)
        return WordTable();
    rows = qMax(1, rows);
    columns = qMax(1, columns);
    const int width = textWidth(bodySectionProperties()) / columns;

    auto tbl = std::make_unique<XmlNode>(s("w:tbl"));
    XmlNode* tblPr = tbl->appendElement(s("w:tblPr"));
    XmlNode* tblW = tblPr->appendElement(s("w:tblW"));
    tblW->setAttribute(s("w:w"), s("0"));
    tblW->setAttribute(s("w:type"), s("auto"));
    XmlNode* borders = tblPr->appendElement(s("w:tblBorders"));
    for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
        XmlNode* line = borders->appendElement(s(side));
        line->setAttribute(s("w:val"), s("single"));
        line->setAttribute(s("w:sz"), s("4"));
        line->setAttribute(s("w:space"), s("0"));
        line->setAttribute(s("w:color"), s("auto"));
    }
    XmlNode* grid = tbl->appendElement(s("w:tblGrid"));
    for (int c = 0; c < columns; ++c)
        grid->appendElement(s("w:gridCol"))->setAttribute(s("w:w"), QString::number(width));
    for (int r = 0; r < rows; ++r) {
        XmlNode* tr = tbl->appendElement(s("w:tr"));
        for (int c = 0; c < columns; ++c) {
            XmlNode* tc = tr->appendElement(s("w:tc"));
            XmlNode* tcW = tc->appendElement(s("w:tcPr"))->appendElement(s("w:tcW"));
            tcW->setAttribute(s("w:w"), QString::number(width));
            tcW->setAttribute(s("w:type"), s("dxa"));
            tc->appendElement(s("w:p"));
        }
    }
    const bool indexed = m_tablesRead && m_tablesStamp == XmlNode::shapeChanges();
    XmlNode* raw = insertAtBodyEnd(b, std::move(tbl));
    // Nothing of the body follows it but its section, so it is the last table of the index.
    if (indexed) {
        m_tables.push_back(IndexedTable{raw, false, {}});
        m_tablesStamp = XmlNode::shapeChanges();
    }
    return WordTable(this, raw, int(indexedTables().size()));
}

WordTable WordDocument::appendTable(const QList<QStringList>& rows)
{
    int columns = 1;
    for (const QStringList& r : rows)
        columns = qMax(columns, int(r.size()));
    WordTable t = appendTable(int(rows.size()), columns);
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].size(); ++c)
            t.setCellText(int(r) + 1, int(c) + 1, rows[r][c]);
    return t;
}

QStringList WordDocument::paragraphTexts() const
{
    QStringList out;
    if (XmlNode* b = body())
        for (XmlNode* p : blockChildren(b, s("w:p")))
            out.append(paragraphText(p));
    return out;
}

void WordDocument::endBodyWithParagraph()
{
    XmlNode* b = body();
    if (!b)
        return;
    QList<XmlNode*> blocks = b->elements();
    if (!blocks.isEmpty() && blocks.last()->isElement(s("w:sectPr")))
        blocks.removeLast();
    if (!blocks.isEmpty() && blocks.last()->isElement(s("w:tbl")))
        insertAtBodyEnd(b, std::make_unique<XmlNode>(s("w:p")));
}

// --- sections -----------------------------------------------------------------------------------

XmlNode* WordDocument::bodySectionProperties()
{
    XmlNode* b = body();
    if (!b)
        return nullptr;
    const QList<XmlNode*> blocks = b->elements();
    if (!blocks.isEmpty() && blocks.last()->isElement(s("w:sectPr")))
        return blocks.last();
    XmlNode* sectPr = b->appendElement(s("w:sectPr"));
    setDefaultPage(sectPr);
    return sectPr;
}

QList<XmlNode*> WordDocument::sections() const
{
    QList<XmlNode*> out;
    XmlNode* b = body();
    if (!b)
        return out;
    for (XmlNode* p : blockChildren(b, s("w:p")))
        if (XmlNode* pPr = p->firstChild(s("w:pPr")))
            if (XmlNode* sectPr = pPr->firstChild(s("w:sectPr")))
                out.append(sectPr);
    const QList<XmlNode*> blocks = b->elements();
    if (!blocks.isEmpty() && blocks.last()->isElement(s("w:sectPr")))
        out.append(blocks.last());
    else
        out.append(nullptr);   // the last section has Word's default setup until it is given one
    return out;
}

int WordDocument::sectionCount() const
{
    return body() ? int(sections().size()) : 0;
}

XmlNode* WordDocument::section(int index)
{
    const QList<XmlNode*> all = sections();
    if (index < 1 || index > all.size()) {
        setError(QStringLiteral("В документе %1 нет раздела %2 (разделов в нём: %3)")
                     .arg(displayName()).arg(index).arg(all.size()));
        return nullptr;
    }
    if (!all[index - 1])
        return bodySectionProperties();
    return all[index - 1];
}

void WordDocument::addSectionOnNewPage()
{
    XmlNode* b = body();
    if (!b)
        return;
    XmlNode* last = bodySectionProperties();
    auto p = std::make_unique<XmlNode>(s("w:p"));
    p->appendElement(s("w:pPr"))->append(last->clone());
    b->insert(b->indexOf(last), std::move(p));
    last->ensureChild(s("w:type"), kSectPrOrder)->setAttribute(s("w:val"), s("nextPage"));
}

bool WordDocument::setHeader(int sectionIndex, WordHeaderKind kind, const QString& text,
                             const WordHeaderFormat& format)
{
    XmlNode* sectPr = section(sectionIndex);
    if (!sectPr)
        return false;
    const QString part = m_package.freePartName(s("word"), s("header"), s("xml"));
    m_package.setPart(part, QByteArray());   // reserves the name

    auto hdr = std::make_unique<XmlNode>(s("w:hdr"));
    hdr->setAttribute(s("xmlns:w"), kW);
    hdr->setAttribute(s("xmlns:r"), kR);
    std::unique_ptr<XmlNode> rPr;
    XmlNode* p = hdr->append(paragraph(format.alignment, format.fontSize, false, &rPr));
    if (format.pageNumberAtRight) {
        XmlNode* pPr = p->firstChild(s("w:pPr"));
        if (!pPr)
            pPr = p->insert(0, std::make_unique<XmlNode>(s("w:pPr")));
        auto tabs = std::make_unique<XmlNode>(s("w:tabs"));
        XmlNode* tab = tabs->appendElement(s("w:tab"));
        tab->setAttribute(s("w:val"), s("right"));
        tab->setAttribute(s("w:pos"), QString::number(textWidth(sectPr)));
        pPr->insertInOrder(std::move(tabs), kPPrOrder);
        m_numberedHeaders.append(part);
    }
    XmlNode* last = writeText(p, text, rPr.get());
    if (format.pageNumberAtRight) {
        appendRun(last, s("\t"), rPr.get());
        XmlNode* field = last->appendElement(s("w:fldSimple"));
        field->setAttribute(s("w:instr"), s(" PAGE "));
        appendRun(field, s("1"), rPr.get());
    }
    m_xml[part] = std::move(hdr);

    const QString id = addRelationship(*relationships(), kRelHeader, relationshipTarget(m_mainPart, part));
    setContentTypeOverride(*xml(QString::fromUtf16(OpcNames::contentTypes)), part, kTypeHeader);

    const QString type = headerTypeValue(kind);
    for (XmlNode* ref : sectPr->children(s("w:headerReference")))
        if (ref->attribute(s("w:type")) == type
            || (type == QLatin1String("default") && !ref->hasAttribute(s("w:type"))))
            sectPr->remove(ref);
    auto ref = std::make_unique<XmlNode>(s("w:headerReference"));
    ref->setAttribute(s("w:type"), type);
    ref->setAttribute(s("r:id"), id);
    sectPr->insert(0, std::move(ref));
    return true;
}

WordHeader WordDocument::header(int sectionIndex, WordHeaderKind kind) const
{
    WordHeader out;
    const QList<XmlNode*> all = sections();
    if (sectionIndex < 1 || sectionIndex > all.size())
        return out;
    const QString type = headerTypeValue(kind);
    const XmlNode* rels = xml(relationshipsPartOf(m_mainPart));
    for (int i = sectionIndex - 1; i >= 0 && rels; --i) {
        if (!all[i])
            continue;
        for (XmlNode* ref : all[i]->children(s("w:headerReference"))) {
            const QString refType = ref->hasAttribute(s("w:type")) ? ref->attribute(s("w:type")) : s("default");
            if (refType != type)
                continue;
            const XmlNode* rel = relationshipById(*rels, ref->attribute(s("r:id")));
            const XmlNode* hdr = rel ? xml(resolveRelationshipTarget(m_mainPart, rel->attribute(s("Target"))))
                                     : nullptr;
            if (!hdr)
                return out;
            out.present = true;
            QStringList lines;
            for (const QString& line : containerText(hdr, true).split(QLatin1Char('\n'))) {
                QString l = line;
                while (l.endsWith(QLatin1Char('\t')))
                    l.chop(1);
                lines.append(l);
            }
            out.text = lines.join(QLatin1Char('\n'));
            for (XmlNode* f : hdr->descendants(s("w:fldSimple")))
                if (f->attribute(s("w:instr")).trimmed().split(QLatin1Char(' ')).first().compare(
                        QLatin1String("PAGE"), Qt::CaseInsensitive) == 0)
                    out.pageNumber = true;
            for (XmlNode* instr : hdr->descendants(s("w:instrText")))
                for (int k = 0; k < instr->childCount(); ++k)
                    if (instr->childAt(k)->content().trimmed().split(QLatin1Char(' ')).first().compare(
                            QLatin1String("PAGE"), Qt::CaseInsensitive) == 0)
                        out.pageNumber = true;
            return out;
        }
    }
    return out;
}

bool WordDocument::setHeaderDistance(int sectionIndex, double points)
{
    XmlNode* sectPr = section(sectionIndex);
    if (!sectPr)
        return false;
    setDefaultPage(sectPr);
    sectPr->firstChild(s("w:pgMar"))->setAttribute(s("w:header"), twips(points));
    return true;
}

double WordDocument::headerDistance(int sectionIndex) const
{
    const QList<XmlNode*> all = sections();
    if (sectionIndex < 1 || sectionIndex > all.size() || !all[sectionIndex - 1])
        return -1;
    const XmlNode* pgMar = all[sectionIndex - 1]->firstChild(s("w:pgMar"));
    const int value = twipsOf(pgMar, s("w:header"), -20);
    return value / 20.0;
}

bool WordDocument::setPortrait(int sectionIndex)
{
    XmlNode* sectPr = section(sectionIndex);
    if (!sectPr)
        return false;
    orientPage(sectPr, false);
    return true;
}

bool WordDocument::setLandscape(int sectionIndex)
{
    XmlNode* sectPr = section(sectionIndex);
    if (!sectPr)
        return false;
    orientPage(sectPr, true);
    return true;
}

bool WordDocument::isPortrait(int sectionIndex) const
{
    const QList<XmlNode*> all = sections();
    if (sectionIndex < 1 || sectionIndex > all.size())
        return false;
    if (!all[sectionIndex - 1])
        return true;
    const XmlNode* pgSz = all[sectionIndex - 1]->firstChild(s("w:pgSz"));
    if (pgSz && pgSz->attribute(s("w:orient")) == QLatin1String("landscape"))
        return false;
    return twipsOf(pgSz, s("w:w"), 11906) <= twipsOf(pgSz, s("w:h"), 16838);
}

bool WordDocument::startsOnNewPage(int sectionIndex) const
{
    const QList<XmlNode*> all = sections();
    if (sectionIndex < 1 || sectionIndex > all.size())
        return false;
    if (sectionIndex == 1)
        return true;
    const XmlNode* type = all[sectionIndex - 1] ? all[sectionIndex - 1]->firstChild(s("w:type")) : nullptr;
    // A section without a type starts on a new page: that is the schema's default.
    return !type || type->attribute(s("w:val")) == QLatin1String("nextPage");
}

// --- protection ---------------------------------------------------------------------------------

void WordDocument::protectReadOnly(const QString& password)
{
    XmlNode* root = settings(true);
    if (!root)
        return;
    for (XmlNode* old : root->children(s("w:documentProtection")))
        root->remove(old);
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
    const int spinCount = 100000;
    auto protection = std::make_unique<XmlNode>(s("w:documentProtection"));
    protection->setAttribute(s("w:edit"), s("readOnly"));
    protection->setAttribute(s("w:enforcement"), s("1"));
    if (!password.isEmpty()) {
        protection->setAttribute(s("w:cryptProviderType"), s("rsaAES"));
        protection->setAttribute(s("w:cryptAlgorithmClass"), s("hash"));
        protection->setAttribute(s("w:cryptAlgorithmType"), s("typeAny"));
        protection->setAttribute(s("w:cryptAlgorithmSid"), s("14"));
        protection->setAttribute(s("w:cryptSpinCount"), QString::number(spinCount));
        protection->setAttribute(
            s("w:hash"),
            QString::fromLatin1(wordPasswordHash(password, salt, spinCount, QCryptographicHash::Sha512).toBase64()));
        protection->setAttribute(s("w:salt"), QString::fromLatin1(salt.toBase64()));
    }
    // After the last setting the schema puts before it: Word refuses settings out of order.
    int at = 0;
    for (int i = 0; i < root->childCount(); ++i)
        if (!root->childAt(i)->isText() && kBeforeProtection.contains(root->childAt(i)->name()))
            at = i + 1;
    root->insert(at, std::move(protection));
}

void WordDocument::setVariable(const QString& name, const QString& value)
{
    XmlNode* root = settings(true);
    if (!root)
        return;
    XmlNode* vars = root->firstChild(s("w:docVars"));
    if (!vars) {
        int at = root->childCount();
        for (int i = 0; i < root->childCount(); ++i) {
            const XmlNode* c = root->childAt(i);
            if (!c->isText() && (kAfterDocVars.contains(c->name()) || !c->name().startsWith(s("w:")))) {
                at = i;
                break;
            }
        }
        vars = root->insert(at, std::make_unique<XmlNode>(s("w:docVars")));
    }
    for (XmlNode* var : vars->children(s("w:docVar")))
        if (var->attribute(s("w:name")) == name) {
            var->setAttribute(s("w:val"), xmlSafeText(value));
            return;
        }
    XmlNode* var = vars->appendElement(s("w:docVar"));
    var->setAttribute(s("w:name"), name);
    var->setAttribute(s("w:val"), xmlSafeText(value));
}

QString WordDocument::variable(const QString& name) const
{
    const XmlNode* root = settings(false);
    const XmlNode* vars = root ? root->firstChild(s("w:docVars")) : nullptr;
    if (!vars)
        return QString();
    for (const XmlNode* var : vars->children(s("w:docVar")))
        if (var->attribute(s("w:name")) == name)
            return var->attribute(s("w:val"));
    return QString();
}

bool WordDocument::isProtected() const
{
    const QString kind = protectionKind();
    return !kind.isEmpty() && kind != QLatin1String("none");
}

QString WordDocument::protectionKind() const
{
    const XmlNode* root = settings(false);
    const XmlNode* protection = root ? root->firstChild(s("w:documentProtection")) : nullptr;
    if (!protection || !protection->hasAttribute(s("w:enforcement"))
        || !onOff(protection->attribute(s("w:enforcement"))))
        return QString();
    return protection->attribute(s("w:edit"));
}

bool WordDocument::protectionPasswordMatches(const QString& password) const
{
    const XmlNode* root = settings(false);
    const XmlNode* protection = root ? root->firstChild(s("w:documentProtection")) : nullptr;
    if (!protection)
        return false;
    QCryptographicHash::Algorithm algorithm;
    QByteArray salt;
    QByteArray hash;
    int spinCount = 0;
    if (protection->hasAttribute(s("w:hash"))) {
        if (!wordHashAlgorithmOfSid(protection->attribute(s("w:cryptAlgorithmSid")).toInt(), &algorithm))
            return false;
        salt = QByteArray::fromBase64(protection->attribute(s("w:salt")).toLatin1());
        hash = QByteArray::fromBase64(protection->attribute(s("w:hash")).toLatin1());
        spinCount = protection->attribute(s("w:cryptSpinCount")).toInt();
    } else if (protection->hasAttribute(s("w:hashValue"))) {
        const QString name = protection->attribute(s("w:algorithmName"));
        const int sid = name == QLatin1String("SHA-1") ? 4 : name == QLatin1String("SHA-256") ? 12
                      : name == QLatin1String("SHA-384") ? 13 : name == QLatin1String("SHA-512") ? 14 : 0;
        if (!wordHashAlgorithmOfSid(sid, &algorithm))
            return false;
        salt = QByteArray::fromBase64(protection->attribute(s("w:saltValue")).toLatin1());
        hash = QByteArray::fromBase64(protection->attribute(s("w:hashValue")).toLatin1());
        spinCount = protection->attribute(s("w:spinCount")).toInt();
    } else {
        return password.isEmpty();
    }
    // Word writes 100 000 rounds; the format allows up to 10 000 000. A count past that would
    // hold the program in the hash for hours, so such a document matches no password.
    if (spinCount < 0 || spinCount > kMaxSpinCount)
        return false;
    return wordPasswordHash(password, salt, spinCount, algorithm) == hash;
}

// --- saving -------------------------------------------------------------------------------------

// The page number's tab stands at the right margin of the section the header serves, as that
// section is when saved: its page may have been turned after the header was set.
void WordDocument::placePageNumbers()
{
    const XmlNode* rels = xml(relationshipsPartOf(m_mainPart));
    if (!rels || m_numberedHeaders.isEmpty())
        return;
    for (XmlNode* sectPr : sections()) {
        if (!sectPr)
            continue;
        for (XmlNode* ref : sectPr->children(s("w:headerReference"))) {
            const XmlNode* rel = relationshipById(*rels, ref->attribute(s("r:id")));
            const QString part = rel ? resolveRelationshipTarget(m_mainPart, rel->attribute(s("Target"))) : QString();
            if (!m_numberedHeaders.contains(part))
                continue;
            for (XmlNode* tabs : xml(part)->descendants(s("w:tabs")))
                for (XmlNode* tab : tabs->children(s("w:tab")))
                    if (tab->attribute(s("w:val")) == QLatin1String("right"))
                        tab->setAttribute(s("w:pos"), QString::number(textWidth(sectPr)));
        }
    }
}

void WordDocument::dropUnusedHeaders()
{
    XmlNode* document = xml(m_mainPart);
    const QString relsPart = relationshipsPartOf(m_mainPart);
    XmlNode* rels = xml(relsPart);
    if (!document || !rels)
        return;
    QSet<QString> used;
    for (XmlNode* ref : document->descendants(s("w:headerReference")))
        used.insert(ref->attribute(s("r:id")));
    XmlNode* types = xml(QString::fromUtf16(OpcNames::contentTypes));
    for (XmlNode* rel : rels->children(s("Relationship"))) {
        if (rel->attribute(s("Type")) != kRelHeader || used.contains(rel->attribute(s("Id"))))
            continue;
        const QString part = resolveRelationshipTarget(m_mainPart, rel->attribute(s("Target")));
        rels->remove(rel);
        // A header part that another relationship still names stays.
        bool named = false;
        for (XmlNode* other : rels->children(s("Relationship")))
            if (resolveRelationshipTarget(m_mainPart, other->attribute(s("Target"))) == part)
                named = true;
        if (named)
            continue;
        m_package.removePart(part);
        m_package.removePart(relationshipsPartOf(part));
        m_xml.erase(part);
        if (types)
            removeContentTypeOverride(*types, part);
    }
}

bool WordDocument::save(const QString& path)
{
    const QString name = QDir::toNativeSeparators(path);
    if (m_mainPart.isEmpty() || !body()) {
        setError(QStringLiteral("Не удалось записать документ %1: документ не создан").arg(name));
        return false;
    }
    endBodyWithParagraph();
    dropUnusedHeaders();
    placePageNumbers();
    OfficePackage out = m_package;
    for (const auto& [part, tree] : m_xml)
        out.setPart(part, serializeXml(*tree));
    if (!out.write(path)) {
        setError(QStringLiteral("Не удалось записать документ %1: %2").arg(name, out.errorString()));
        return false;
    }
    return true;
}
