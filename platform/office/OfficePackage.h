#pragma once
// An Office Open XML package (.docx, .xlsx): the zip's parts held in memory by name, with the
// helpers for its content types and relationships. Parts are named without a leading "/".

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class XmlNode;

// What a package may unpack to. A form's blank or an exported table is a few megabytes; the
// bounds refuse a zip bomb (a few kilobytes that inflate to gigabytes) while it is being read,
// whatever sizes its headers declare.
inline constexpr qint64 kMaxPackagePartBytes = qint64(48) << 20;
inline constexpr qint64 kMaxPackageBytes = qint64(160) << 20;
inline constexpr int kMaxPackageParts = 10000;

class OfficePackage {
public:
    // Reads every part; false and errorString() when the data are no zip, or when they unpack
    // past the bounds above (then tooLarge() is true and errorString() says so in full).
    bool read(QIODevice* device);
    bool read(const QString& path);
    bool tooLarge() const { return m_tooLarge; }
    // The package as zip data; empty and *error when zipping failed.
    QByteArray toZip(QString* error) const;
    // Writes through Files::saveBytesSafely: an existing file is replaced only once all of it was written.
    bool write(const QString& path);
    QString errorString() const { return m_error; }

    // Part names compare without case, as the package format wants.
    bool contains(const QString& name) const;
    QByteArray part(const QString& name) const;
    void setPart(const QString& name, const QByteArray& data);
    void removePart(const QString& name);
    QStringList partNames() const;
    // A name "<folder>/<stem><n>.<suffix>" that no part has yet, n from 1.
    QString freePartName(const QString& folder, const QString& stem, const QString& suffix) const;

    // The part the package relationship of `type` points to (the main document); empty if none.
    QString relatedPart(const QString& type) const;

private:
    qsizetype indexOf(const QString& name) const;
    struct Entry { QString name; QByteArray data; };
    QList<Entry> m_parts;
    QString m_error;
    bool m_tooLarge = false;
};

// The whole content of a package file from its device: false and *error (a reason, in Russian)
// when it cannot be read or holds more than kMaxPackageBytes.
bool readPackageBytes(QIODevice* device, QByteArray* data, QString* error);

// Files that begin like a compound file: Word 97-2003 and Excel 97-2003 files, and also Office
// files encrypted with a password to open.
bool isCompoundFile(const QByteArray& head);

// What a package read from a user's file is expected to be, for the advice when it is not.
enum class OfficeFileKind { WordDocument, ExcelBook };
// Reads a package the user gave: its bytes within kMaxPackageBytes, a compound file refused with
// the advice to save it anew, then the parts within the bounds. False with the reason alone (for
// the caller's own "Не удалось ..." line), the package then empty.
bool readOfficePackage(QIODevice* device, OfficeFileKind kind, OfficePackage* package, QString* why);

namespace OpcNames {
inline constexpr char16_t contentTypes[] = u"[Content_Types].xml";
inline constexpr char16_t relOfficeDocument[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr char16_t relNamespace[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr char16_t packageRelNamespace[] =
    u"http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr char16_t contentTypesNamespace[] =
    u"http://schemas.openxmlformats.org/package/2006/content-types";
}

// The relationships part of `part` ("word/document.xml" -> "word/_rels/document.xml.rels");
// an empty part gives the package's own "_rels/.rels".
QString relationshipsPartOf(const QString& part);
// The part a relationship target of `sourcePart` names, as a part name.
QString resolveRelationshipTarget(const QString& sourcePart, const QString& target);
// The target by which `sourcePart` names `targetPart`.
QString relationshipTarget(const QString& sourcePart, const QString& targetPart);

// On a parsed "Relationships" part: adds one and returns its new unique id ("rId7").
QString addRelationship(XmlNode& relationships, const QString& type, const QString& target);
XmlNode* relationshipById(const XmlNode& relationships, const QString& id);

// On a parsed "[Content_Types].xml".
QString contentTypeOf(const XmlNode& types, const QString& part);
void setContentTypeOverride(XmlNode& types, const QString& part, const QString& contentType);
void removeContentTypeOverride(XmlNode& types, const QString& part);
