#pragma once
// A small XML tree for the parts of Office documents. Names stay as written ("w:p"), namespace
// declarations stay ordinary attributes, and every text node is kept, whitespace included: a run
// holding a single space must survive a load and save, which QDomDocument of this Qt drops.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <vector>

class XmlNode {
public:
    // An element named `name` ("w:tbl"), or, with isText, a text node.
    explicit XmlNode(const QString& name);
    static std::unique_ptr<XmlNode> text(const QString& content);

    bool isText() const { return m_isText; }
    bool isElement(const QString& name) const { return !m_isText && m_name == name; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    XmlNode* parent() const { return m_parent; }

    // Text node content.
    const QString& content() const { return m_text; }
    void setContent(const QString& text) { m_text = text; }

    // Attributes, in document order. A missing one reads as an empty text.
    QString attribute(const QString& name) const;
    bool hasAttribute(const QString& name) const;
    void setAttribute(const QString& name, const QString& value);
    void removeAttribute(const QString& name);
    const QList<QPair<QString, QString>>& attributes() const { return m_attributes; }

    // Children. The pointers stay valid while the node stays in its tree.
    int childCount() const { return int(m_children.size()); }
    XmlNode* childAt(int index) const { return m_children[size_t(index)].get(); }
    int indexOf(const XmlNode* child) const;
    XmlNode* firstChild(const QString& name) const;
    XmlNode* lastChild(const QString& name) const;
    QList<XmlNode*> children(const QString& name) const;
    QList<XmlNode*> elements() const;                 // every element child
    // Every descendant element named `name`, in document order.
    QList<XmlNode*> descendants(const QString& name) const;

    XmlNode* append(std::unique_ptr<XmlNode> child);
    XmlNode* insert(int index, std::unique_ptr<XmlNode> child);
    XmlNode* appendElement(const QString& name);
    std::unique_ptr<XmlNode> take(XmlNode* child);
    void remove(XmlNode* child) { take(child); }
    void clearChildren();
    // The first child named `name`, created when missing at the place `order` gives it among its
    // siblings (names of the schema's sequence, in order); unknown siblings are passed over.
    XmlNode* ensureChild(const QString& name, const QStringList& order);
    // Inserts `child` at the place `order` gives it (see ensureChild).
    XmlNode* insertInOrder(std::unique_ptr<XmlNode> child, const QStringList& order);

    std::unique_ptr<XmlNode> clone() const;

    // An index kept beside a tree (a document's tables, rows and cells) watches the nodes it
    // looked into: an element added to or taken from a watched node, or a subtree holding one
    // taken out of its tree, is a change of shape, and shapeChanges() counts them (all trees of
    // the thread together), so the index can tell that it is out of date.
    void watch() const { m_watched = true; }
    static quint64 shapeChanges();

    // Nodes come from blocks of their own (see XmlTree.cpp); one thread makes and frees them.
    static void* operator new(size_t size);
    static void operator delete(void* node, size_t size);

private:
    bool holdsWatched() const;

    QString m_name;
    QString m_text;
    bool m_isText = false;
    mutable bool m_watched = false;   // a mark for an index beside the tree, not part of it
    QList<QPair<QString, QString>> m_attributes;
    std::vector<std::unique_ptr<XmlNode>> m_children;
    XmlNode* m_parent = nullptr;
};

// What a part of a document may hold. Word and Excel nest a few dozen levels at most; the bounds
// keep every walk over a parsed tree (and its destructor) off the end of the stack, and its memory
// in proportion to what a real document needs.
inline constexpr int kXmlMaxDepth = 256;
inline constexpr int kXmlMaxNodes = 500'000;

// Parses a whole XML document; nullptr and *error (with line and column) when it is not
// well-formed, nests deeper than kXmlMaxDepth or holds more than kXmlMaxNodes nodes. Comments
// and processing instructions are dropped.
std::unique_ptr<XmlNode> parseXml(const QByteArray& data, QString* error);
// The document as UTF-8 with the standalone declaration Office writes.
QByteArray serializeXml(const XmlNode& root);

// Text as XML 1.0 can hold it: characters it cannot (control characters other than TAB, LF, CR,
// unpaired surrogates) are dropped.
QString xmlSafeText(const QString& text);
