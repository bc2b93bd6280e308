#include "platform/office/Desktop.h"

#include "platform/Files.h"

#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XlsxWriter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace {

SystemDesktop& systemDesktop()
{
    static SystemDesktop instance;
    return instance;
}

Desktop* g_desktop = nullptr;
QString g_temporaryFolder;
QStringList g_openWorkbooks;   // newest first

}

Desktop& desktop()
{
    return g_desktop ? *g_desktop : systemDesktop();
}

Desktop* setDesktop(Desktop* d)
{
    Desktop* previous = g_desktop;
    g_desktop = d;
    return previous;
}

bool SystemDesktop::openDocument(const QString& path, QString* error)
{
    const QString name = QDir::toNativeSeparators(path);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        *error = QStringLiteral("Не удалось открыть файл %1: программа запущена без окон").arg(name);
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()))) {
        *error = QStringLiteral("Не удалось открыть файл %1: на компьютере нет программы, "
                                "которая открывает такие файлы").arg(name);
        return false;
    }
    return true;
}

QString temporaryDocumentsFolder()
{
    return g_temporaryFolder.isEmpty() ? QDir(QDir::tempPath()).filePath(QStringLiteral("Kestrin"))
                                       : g_temporaryFolder;
}

void setTemporaryDocumentsFolder(const QString& folder)
{
    g_temporaryFolder = folder;
}

QString temporaryDocumentPath(const QString& baseName, const QString& suffix, QString* error)
{
    const QString folder = temporaryDocumentsFolder();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    QString base = Files::safeFileName(baseName);
    if (base.isEmpty())
        base = QStringLiteral("Документ");
    const QDir dir(folder);
    QString path = dir.filePath(base + QLatin1Char('.') + suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(suffix));
    return path;
}

bool showDocument(WordDocument& document, const QString& baseName, QString* error)
{
    const QString path = temporaryDocumentPath(baseName, QStringLiteral("docx"), error);
    if (path.isEmpty())
        return false;
    if (!document.save(path)) {
        *error = document.errorString();
        return false;
    }
    return desktop().openDocument(path, error);
}

bool showWorkbook(const ExcelWorkbook& book, const QString& baseName, QString* error)
{
    const QString path = temporaryDocumentPath(baseName, QStringLiteral("xlsx"), error);
    if (path.isEmpty())
        return false;
    XlsxWriter writer;
    if (!writer.write(path, book)) {
        *error = writer.errorString();
        return false;
    }
    return showWorkbookFile(path, error);
}

bool showWorkbookFile(const QString& path, QString* error)
{
    if (!desktop().openDocument(path, error))
        return false;
    const QFileInfo file(path);
    g_openWorkbooks.removeIf([&](const QString& known) { return QFileInfo(known) == file; });
    g_openWorkbooks.prepend(file.absoluteFilePath());
    return true;
}

QStringList openWorkbooks()
{
    // A book the user deleted or moved since cannot be open any more.
    g_openWorkbooks.removeIf([](const QString& known) { return !QFileInfo(known).isFile(); });
    return g_openWorkbooks;
}

void forgetOpenWorkbooks()
{
    g_openWorkbooks.clear();
}
