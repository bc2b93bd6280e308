#include "platform/office/XmlTree.h"

#include <QXmlStreamReader>
#include <unordered_map>
#include <vector>

namespace {

// A parsed part holds up to hundreds of thousands of nodes of one size, made together and freed
// together. Taken from blocks of their own they cost no call of the allocator each, and freeing
// them leaves the allocator no heap of small blocks to sweep when a large one is freed next
// (which made the end of a large document cost as much as its parse). The blocks go with the
// last node, so a long-lived tree keeps the most any moment needed.
class NodePool {
public:
    void* take()
    {
        ++m_live;
        if (Free* f = m_free) {
            m_free = f->next;
            return f;
        }
        if (m_blocks.empty() || m_used == kSlotsPerBlock) {
            m_blocks.push_back(std::make_unique<Slot[]>(kSlotsPerBlock));
            m_used = 0;
        }
        return &m_blocks.back()[m_used++];
    }
    void give(void* node)
    {
        auto* f = static_cast<Free*>(node);
        f->next = m_free;
        m_free = f;
        if (--m_live == 0) {
            m_blocks.clear();
            m_free = nullptr;
            m_used = 0;
        }
    }

private:
    struct Free {
        Free* next;
    };
    union Slot {
        Free free;
        alignas(XmlNode) unsigned char bytes[sizeof(XmlNode)];
    };
    static constexpr size_t kSlotsPerBlock = 4096;
    std::vector<std::unique_ptr<Slot[]>> m_blocks;
    Free* m_free = nullptr;
    size_t m_used = 0;
    size_t m_live = 0;
};

// Never destroyed: a node that outlives the thread's other objects still has its pool.
NodePool& nodePool()
{
    thread_local NodePool* pool = new NodePool;
    return *pool;
}

}

void* XmlNode::operator new(size_t size)
{
    return size == sizeof(XmlNode) ? nodePool().take() : ::operator new(size);
}

void XmlNode::operator delete(void* node, size_t size)
{
    if (size == sizeof(XmlNode))
        nodePool().give(node);
    else
        ::operator delete(node);
}

XmlNode::XmlNode(const QString& name) : m_name(name) {}

std::unique_ptr<XmlNode> XmlNode::text(const QString& content)
{
    auto node = std::make_unique<XmlNode>(QString());
    node->m_isText = true;
    node->m_text = content;
    return node;
}

QString XmlNode::attribute(const QString& name) const
{
    for (const auto& a : m_attributes)
        if (a.first == name)
            return a.second;
    return QString();
}

bool XmlNode::hasAttribute(const QString& name) const
{
    for (const auto& a : m_attributes)
        if (a.first == name)
            return true;
    return false;
}

void XmlNode::setAttribute(const QString& name, const QString& value)
{
    for (auto& a : m_attributes)
        if (a.first == name) {
            a.second = value;
            return;
        }
    m_attributes.append({name, value});
}

void XmlNode::removeAttribute(const QString& name)
{
    for (qsizetype i = 0; i < m_attributes.size(); ++i)
        if (m_attributes[i].first == name) {
            m_attributes.removeAt(i);
            return;
        }
}

int XmlNode::indexOf(const XmlNode* child) const
{
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == child)
            return int(i);
    return -1;
}

XmlNode* XmlNode::firstChild(const QString& name) const
{
    for (const auto& c : m_children)
        if (c->isElement(name))
            return c.get();
    return nullptr;
}

XmlNode* XmlNode::lastChild(const QString& name) const
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        if ((*it)->isElement(name))
            return it->get();
    return nullptr;
}

QList<XmlNode*> XmlNode::children(const QString& name) const
{
    QList<XmlNode*> out;
    for (const auto& c : m_children)
        if (c->isElement(name))
            out.append(c.get());
    return out;
}

QList<XmlNode*> XmlNode::elements() const
{
    QList<XmlNode*> out;
    for (const auto& c : m_children)
        if (!c->isText())
            out.append(c.get());
    return out;
}

namespace {

void collectDescendants(const XmlNode* node, const QString& name, QList<XmlNode*>& out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        XmlNode* c = node->childAt(i);
        if (c->isText())
            continue;
        if (c->name() == name)
            out.append(c);
        collectDescendants(c, name, out);
    }
}

}

QList<XmlNode*> XmlNode::descendants(const QString& name) const
{
    QList<XmlNode*> out;
    collectDescendants(this, name, out);
    return out;
}

namespace {

quint64 g_shapeChanges = 0;

}

quint64 XmlNode::shapeChanges()
{
    return g_shapeChanges;
}

bool XmlNode::holdsWatched() const
{
    if (m_watched)
        return true;
    for (const auto& c : m_children)
        if (!c->isText() && c->holdsWatched())
            return true;
    return false;
}

XmlNode* XmlNode::append(std::unique_ptr<XmlNode> child)
{
    if (m_watched && !child->isText())
        ++g_shapeChanges;
    child->m_parent = this;
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

XmlNode* XmlNode::insert(int index, std::unique_ptr<XmlNode> child)
{
    if (m_watched && !child->isText())
        ++g_shapeChanges;
    child->m_parent = this;
    XmlNode* raw = child.get();
    m_children.insert(m_children.begin() + index, std::move(child));
    return raw;
}

XmlNode* XmlNode::appendElement(const QString& name)
{
    return append(std::make_unique<XmlNode>(name));
}

std::unique_ptr<XmlNode> XmlNode::take(XmlNode* child)
{
    const int i = indexOf(child);
    if (i < 0)
        return nullptr;
    if ((m_watched && !child->isText()) || child->holdsWatched())
        ++g_shapeChanges;
    std::unique_ptr<XmlNode> out = std::move(m_children[size_t(i)]);
    m_children.erase(m_children.begin() + i);
    out->m_parent = nullptr;
    return out;
}

void XmlNode::clearChildren()
{
    if (holdsWatched())
        ++g_shapeChanges;
    m_children.clear();
}

XmlNode* XmlNode::ensureChild(const QString& name, const QStringList& order)
{
    if (XmlNode* existing = firstChild(name))
        return existing;
    return insertInOrder(std::make_unique<XmlNode>(name), order);
}

XmlNode* XmlNode::insertInOrder(std::unique_ptr<XmlNode> child, const QStringList& order)
{
    const qsizetype rank = order.indexOf(child->name());
    if (rank < 0)
        return append(std::move(child));
    // Before the first sibling that the sequence puts after this one.
    for (size_t i = 0; i < m_children.size(); ++i) {
        const XmlNode* c = m_children[i].get();
        if (c->isText())
            continue;
        const qsizetype r = order.indexOf(c->name());
        if (r > rank)
            return insert(int(i), std::move(child));
    }
    return append(std::move(child));
}

std::unique_ptr<XmlNode> XmlNode::clone() const
{
    auto copy = std::make_unique<XmlNode>(m_name);
    copy->m_isText = m_isText;
    copy->m_text = m_text;
    copy->m_attributes = m_attributes;
    for (const auto& c : m_children)
        copy->append(c->clone());
    return copy;
}

namespace {

// A part names its thousands of elements and attributes with a few dozen names: each is made
// once and shared by every node that bears it, instead of a string of its own per node.
class NameTable {
public:
    const QString& operator()(QStringView name)
    {
        std::vector<QString>& bucket = m_buckets[qHash(name)];
        for (const QString& known : bucket)
            if (known == name)
                return known;
        bucket.push_back(name.toString());
        return bucket.back();
    }

private:
    std::unordered_map<size_t, std::vector<QString>> m_buckets;
};

}

std::unique_ptr<XmlNode> parseXml(const QByteArray& data, QString* error)
{
    NameTable names;
    QXmlStreamReader reader(data);
    // Prefixes are kept as written: the parts name their elements "w:p", "x:c" and so on, and the
    // namespace declarations must go back out exactly as they came in.
    reader.setNamespaceProcessing(false);
    std::unique_ptr<XmlNode> root;
    XmlNode* current = nullptr;
    int depth = 0;
    qint64 nodes = 0;
    auto refuse = [&](const QString& why) -> std::unique_ptr<XmlNode> {
        if (error)
            *error = QStringLiteral("строка %1, позиция %2: %3")
                         .arg(reader.lineNumber()).arg(reader.columnNumber()).arg(why);
        return nullptr;
    };
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if ((token == QXmlStreamReader::StartElement || token == QXmlStreamReader::Characters)
            && ++nodes > kXmlMaxNodes)
            return refuse(QStringLiteral("больше %1 элементов и текстов").arg(kXmlMaxNodes));
        switch (token) {
        case QXmlStreamReader::StartElement: {
            if (++depth > kXmlMaxDepth)
                return refuse(QStringLiteral("элементы вложены глубже %1 уровней").arg(kXmlMaxDepth));
            auto node = std::make_unique<XmlNode>(names(reader.qualifiedName()));
            for (const QXmlStreamAttribute& a : reader.attributes())
                node->setAttribute(names(a.qualifiedName()), a.value().toString());
            if (!current) {
                root = std::move(node);
                current = root.get();
            } else {
                current = current->append(std::move(node));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            current = current ? current->parent() : nullptr;
            break;
        case QXmlStreamReader::Characters:
            if (current)
                current->append(XmlNode::text(reader.text().toString()));
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || !root) {
        if (error)
            *error = reader.hasError()
                ? QStringLiteral("строка %1, позиция %2: %3")
                      .arg(reader.lineNumber()).arg(reader.columnNumber()).arg(reader.errorString())
                : QStringLiteral("нет корневого элемента");
        return nullptr;
    }
    return root;
}

namespace {

// How many characters from text[i] on XML 1.0 holds: 2 for a surrogate pair, 1 for a character
// it can hold, 0 for one it cannot.
int xmlCharacterAt(const QString& text, qsizetype i)
{
    const QChar c = text[i];
    const char16_t u = c.unicode();
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return 2;
    if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
        return 0;
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
        return 0;
    return 1;
}

}

QString xmlSafeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int n = xmlCharacterAt(text, i);
        if (n > 0)
            out.append(text.constData() + i, n);
        i += qMax(n, 1) - 1;
    }
    return out;
}

namespace {

// Escapes what xmlSafeText keeps of `text`, without making that copy first.
void escapeInto(QString& out, const QString& text, bool attribute)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int n = xmlCharacterAt(text, i);
        if (n != 1) {
            if (n == 2)
                out.append(text.constData() + i, 2);
            i += qMax(n, 1) - 1;
            continue;
        }
        const QChar c = text[i];
        switch (c.unicode()) {
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '&': out += QLatin1String("&amp;"); break;
        case '"':
            if (attribute)
                out += QLatin1String("&quot;");
            else
                out += c;
            break;
        // A parser turns a raw CR into LF, and in attributes TAB and LF into blanks.
        case '\r': out += QLatin1String("&#13;"); break;
        case '\n':
            if (attribute)
                out += QLatin1String("&#10;");
            else
                out += c;
            break;
        case '\t':
            if (attribute)
                out += QLatin1String("&#9;");
            else
                out += c;
            break;
        default: out += c;
        }
    }
}

void serializeInto(QString& out, const XmlNode& node)
{
    if (node.isText()) {
        escapeInto(out, node.content(), false);
        return;
    }
    out += QLatin1Char('<');
    out += node.name();
    for (const auto& a : node.attributes()) {
        out += QLatin1Char(' ');
        out += a.first;
        out += QLatin1String("=\"");
        escapeInto(out, a.second, true);
        out += QLatin1Char('"');
    }
    if (node.childCount() == 0) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (int i = 0; i < node.childCount(); ++i)
        serializeInto(out, *node.childAt(i));
    out += QLatin1String("</");
    out += node.name();
    out += QLatin1Char('>');
}

}

QByteArray serializeXml(const XmlNode& root)
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
    serializeInto(out, root);
    return out.toUtf8();
}
