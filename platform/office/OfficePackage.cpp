#include "platform/office/OfficePackage.h"

#include "platform/Files.h"
#include "platform/office/XmlTree.h"
#include "platform/Files.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(bytes >> 20);
}

}

bool readPackageBytes(QIODevice* device, QByteArray* data, QString* error)
{
    // One byte past the bound tells a file at the bound from a larger one.
    QByteArray bytes = device->read(kMaxPackageBytes + 1);
    if (bytes.size() > kMaxPackageBytes) {
        *error = QStringLiteral("файл больше %1 МБ").arg(megabytes(kMaxPackageBytes));
        return false;
    }
    if (auto* file = qobject_cast<QFileDevice*>(device); file && file->error() != QFileDevice::NoError) {
        *error = Files::errorText(*file);
        return false;
    }
    *data = std::move(bytes);
    return true;
}

bool OfficePackage::read(QIODevice* device)
{
    m_parts.clear();
    m_error.clear();
    m_tooLarge = false;
    auto tooLarge = [&](const QString& why) {
        m_parts.clear();
        m_error = why;
        m_tooLarge = true;
        return false;
    };
    QuaZip zip(device);
    if (!zip.open(QuaZip::mdUnzip)) {
        m_error = QStringLiteral("это не архив zip (код %1)").arg(zip.getZipError());
        return false;
    }
    if (zip.getEntriesCount() > kMaxPackageParts)
        return tooLarge(QStringLiteral("в архиве больше %1 частей").arg(kMaxPackageParts));
    qint64 total = 0;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        const QString name = zip.getCurrentFileName();
        if (name.endsWith(QLatin1Char('/')))
            continue;
        if (m_parts.size() >= kMaxPackageParts)
            return tooLarge(QStringLiteral("в архиве больше %1 частей").arg(kMaxPackageParts));
        QuaZipFileInfo64 info;
        if (zip.getCurrentFileInfo(&info) && qint64(info.uncompressedSize) > kMaxPackagePartBytes)
            return tooLarge(QStringLiteral("часть %1 распаковывается больше чем в %2 МБ")
                                .arg(name, megabytes(kMaxPackagePartBytes)));
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("часть %1 не читается (код %2)").arg(name).arg(file.getZipError());
            return false;
        }
        // The sizes in the headers are the file's own word: count what actually comes out.
        QByteArray data;
        for (;;) {
            const qint64 got = file.read(chunk.data(), chunk.size());
            if (got <= 0)
                break;
            if (data.size() + got > kMaxPackagePartBytes)
                return tooLarge(QStringLiteral("часть %1 распаковывается больше чем в %2 МБ")
                                    .arg(name, megabytes(kMaxPackagePartBytes)));
            total += got;
            if (total > kMaxPackageBytes)
                return tooLarge(QStringLiteral("архив распаковывается больше чем в %1 МБ")
                                    .arg(megabytes(kMaxPackageBytes)));
            data.append(chunk.constData(), got);
        }
        file.close();
        if (file.getZipError() != UNZ_OK) {
            m_error = QStringLiteral("часть %1 повреждена (код %2)").arg(name).arg(file.getZipError());
            return false;
        }
        m_parts.append({name.startsWith(QLatin1Char('/')) ? name.mid(1) : name, data});
    }
    if (zip.getZipError() != UNZ_OK) {
        m_error = QStringLiteral("архив повреждён (код %1)").arg(zip.getZipError());
        return false;
    }
    zip.close();
    return true;
}

bool OfficePackage::read(const QString& path)
{
    m_parts.clear();
    m_tooLarge = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = Files::errorText(file);
        return false;
    }
    QByteArray data;
    if (!readPackageBytes(&file, &data, &m_error)) {
        m_tooLarge = data.isEmpty() && file.error() == QFileDevice::NoError;
        return false;
    }
    QBuffer buffer(&data);
    return read(&buffer);
}

QByteArray OfficePackage::toZip(QString* error) const
{
    QByteArray data;
    QBuffer buffer(&data);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("архив не создаётся (код %1)").arg(zip.getZipError());
        return QByteArray();
    }
    // The content types first, as every Office program writes them.
    QList<const Entry*> order;
    for (const Entry& e : m_parts)
        if (e.name == QString::fromUtf16(OpcNames::contentTypes))
            order.append(&e);
    for (const Entry& e : m_parts)
        if (e.name != QString::fromUtf16(OpcNames::contentTypes))
            order.append(&e);
    for (const Entry* e : order) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(e->name), nullptr, 0, Z_DEFLATED,
                       Z_DEFAULT_COMPRESSION)
            || file.write(e->data) != e->data.size()) {
            *error = QStringLiteral("часть %1 не записывается (код %2)").arg(e->name).arg(file.getZipError());
            return QByteArray();
        }
        file.close();
        if (file.getZipError() != ZIP_OK) {
            *error = QStringLiteral("часть %1 не записывается (код %2)").arg(e->name).arg(file.getZipError());
            return QByteArray();
        }
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
        *error = QStringLiteral("архив не закрывается (код %1)").arg(zip.getZipError());
        return QByteArray();
    }
    return data;
}

bool OfficePackage::write(const QString& path)
{
    QString error;
    const QByteArray zip = toZip(&error);
    if (zip.isEmpty()) {
        m_error = error;
        return false;
    }
    return Files::saveBytesSafely(path, zip, &m_error);
}

qsizetype OfficePackage::indexOf(const QString& name) const
{
    for (qsizetype i = 0; i < m_parts.size(); ++i)
        if (m_parts[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool OfficePackage::contains(const QString& name) const
{
    return indexOf(name) >= 0;
}

QByteArray OfficePackage::part(const QString& name) const
{
    const qsizetype i = indexOf(name);
    return i < 0 ? QByteArray() : m_parts[i].data;
}

void OfficePackage::setPart(const QString& name, const QByteArray& data)
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        m_parts.append({name, data});
    else
        m_parts[i].data = data;
}

void OfficePackage::removePart(const QString& name)
{
    const qsizetype i = indexOf(name);
    if (i >= 0)
        m_parts.removeAt(i);
}

QStringList OfficePackage::partNames() const
{
    QStringList out;
    for (const Entry& e : m_parts)
        out.append(e.name);
    return out;
}

QString OfficePackage::freePartName(const QString& folder, const QString& stem, const QString& suffix) const
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("%1/%2%3.%4").arg(folder, stem).arg(n).arg(suffix);
        if (!contains(name))
            return name;
    }
}

QString OfficePackage::relatedPart(const QString& type) const
{
    std::unique_ptr<XmlNode> rels = parseXml(part(QStringLiteral("_rels/.rels")), nullptr);
    if (!rels)
        return QString();
    for (XmlNode* r : rels->children(QStringLiteral("Relationship")))
        if (r->attribute(QStringLiteral("Type")) == type)
            return resolveRelationshipTarget(QString(), r->attribute(QStringLiteral("Target")));
    return QString();
}

bool isCompoundFile(const QByteArray& head)
{
    return head.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"));
}

bool readOfficePackage(QIODevice* device, OfficeFileKind kind, OfficePackage* package, QString* why)
{
    *package = OfficePackage();
    const bool word = kind == OfficeFileKind::WordDocument;
    QByteArray data;
    if (!readPackageBytes(device, &data, why))
        return false;
    if (isCompoundFile(data)) {
        *why = word ? QStringLiteral("файл в формате Word 97-2003 (.doc) или зашифрован паролем; "
                                     "сохраните его в Word или LibreOffice как документ Word (.docx)")
                    : QStringLiteral("книга в формате Excel 97-2003 (.xls) или зашифрована паролем; "
                                     "сохраните её в Excel или LibreOffice как книгу Excel (.xlsx)");
        return false;
    }
    QBuffer buffer(&data);
    if (!package->read(&buffer)) {
        *why = package->tooLarge() ? package->errorString()
               : word ? QStringLiteral("это не документ Word (.docx): %1").arg(package->errorString())
                      : QStringLiteral("это не книга Excel (.xlsx): %1").arg(package->errorString());
        *package = OfficePackage();
        return false;
    }
    return true;
}

QString relationshipsPartOf(const QString& part)
{
    if (part.isEmpty())
        return QStringLiteral("_rels/.rels");
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : part.left(slash + 1);
    return folder + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString resolveRelationshipTarget(const QString& sourcePart, const QString& target)
{
    QStringList pieces;
    if (!target.startsWith(QLatin1Char('/'))) {
        const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
        if (slash > 0)
            pieces = sourcePart.left(slash).split(QLatin1Char('/'));
    }
    for (const QString& piece : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String(".."))
            pieces.isEmpty() ? void() : pieces.removeLast();
        else if (piece != QLatin1String("."))
            pieces.append(piece);
    }
    return pieces.join(QLatin1Char('/'));
}

QString relationshipTarget(const QString& sourcePart, const QString& targetPart)
{
    const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : sourcePart.left(slash + 1);
    if (targetPart.startsWith(folder))
        return targetPart.mid(folder.size());
    return QLatin1Char('/') + targetPart;
}

QString addRelationship(XmlNode& relationships, const QString& type, const QString& target)
{
    QString id;
    for (int n = 1;; ++n) {
        id = QStringLiteral("rId%1").arg(n);
        if (!relationshipById(relationships, id))
            break;
    }
    XmlNode* r = relationships.appendElement(QStringLiteral("Relationship"));
    r->setAttribute(QStringLiteral("Id"), id);
    r->setAttribute(QStringLiteral("Type"), type);
    r->setAttribute(QStringLiteral("Target"), target);
    return id;
}

XmlNode* relationshipById(const XmlNode& relationships, const QString& id)
{
    for (XmlNode* r : relationships.children(QStringLiteral("Relationship")))
        if (r->attribute(QStringLiteral("Id")) == id)
            return r;
    return nullptr;
}

QString contentTypeOf(const XmlNode& types, const QString& part)
{
    const QString partName = QLatin1Char('/') + part;
    for (XmlNode* o : types.children(QStringLiteral("Override")))
        if (o->attribute(QStringLiteral("PartName")).compare(partName, Qt::CaseInsensitive) == 0)
            return o->attribute(QStringLiteral("ContentType"));
    const QString suffix = QFileInfo(part).suffix();
    for (XmlNode* d : types.children(QStringLiteral("Default")))
        if (d->attribute(QStringLiteral("Extension")).compare(suffix, Qt::CaseInsensitive) == 0)
            return d->attribute(QStringLiteral("ContentType"));
    return QString();
}

void setContentTypeOverride(XmlNode& types, const QString& part, const QString& contentType)
{
    const QString partName = QLatin1Char('/') + part;
    for (XmlNode* o : types.children(QStringLiteral("Override")))
        if (o->attribute(QStringLiteral("PartName")).compare(partName, Qt::CaseInsensitive) == 0) {
            o->setAttribute(QStringLiteral("ContentType"), contentType);
            return;
        }
    XmlNode* o = types.appendElement(QStringLiteral("Override"));
    o->setAttribute(QStringLiteral("PartName"), partName);
    o->setAttribute(QStringLiteral("ContentType"), contentType);
}

void removeContentTypeOverride(XmlNode& types, const QString& part)
{
    const QString partName = QLatin1Char('/') + part;
    for (XmlNode* o : types.children(QStringLiteral("Override")))
        if (o->attribute(QStringLiteral("PartName")).compare(partName, Qt::CaseInsensitive) == 0)
            types.remove(o);
}
