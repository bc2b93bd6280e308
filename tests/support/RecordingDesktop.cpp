#include "RecordingDesktop.h"

#include <QDir>
#include <QFileInfo>

RecordingDesktop::RecordingDesktop() : m_previous(setDesktop(this)) {}

RecordingDesktop::~RecordingDesktop()
{
    setDesktop(m_previous);
}

bool RecordingDesktop::openDocument(const QString& path, QString* error)
{
    if (!m_failure.isEmpty()) {
        *error = m_failure;
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("Не удалось открыть файл %1: файла нет").arg(QDir::toNativeSeparators(path));
        return false;
    }
    m_opened.append(path);
    return true;
}
