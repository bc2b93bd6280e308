#pragma once
// The loader of controls files: a folder, a .ktr file in it and a mode; the load itself is
// loadControlsFile (setup/ControlsStore.h). Opened by the controls editor's "Загрузить"; it
// starts in the configuration folder and writes into dbmain().

#include <QDialog>

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;

class TCld : public QDialog {
    Q_OBJECT
public:
    explicit TCld(QWidget* parent = nullptr);
    ~TCld() override;

    // Shows the folder: its subfolders (".." first, to go up) and its .ktr files; the first file
    // is chosen.
    void setFolder(const QString& folder);
    QString folder() const { return m_folder; }

    void Button1Click();
    void FileListBox1Click();
    void DirectoryListBox1Change();

    QLabel* FolderLabel = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QListWidget* FileListBox1 = nullptr;
    QButtonGroup* RadioGroup1 = nullptr;   // 0 "Подгрузка", 1 "Замещение"
    QPushButton* Button1 = nullptr;        // "Загрузить контроли"

private:
    QString m_folder;
};
