#pragma once
// A desktop that opens nothing: what a window hands to the user is recorded instead.

#include "platform/office/Desktop.h"

#include <QStringList>

// Records the files it is asked to open; installs itself, and puts the previous desktop back
// when destroyed. A file that does not exist is refused, as no application could show it.
class RecordingDesktop final : public Desktop {
public:
    RecordingDesktop();
    ~RecordingDesktop() override;
    bool openDocument(const QString& path, QString* error) override;
    const QStringList& opened() const { return m_opened; }
    // Every later open fails with this text (an empty text ends that).
    void setFailure(const QString& error) { m_failure = error; }

private:
    QStringList m_opened;
    QString m_failure;
    Desktop* m_previous = nullptr;
};
