#pragma once
// The attach dialog: a name for a configuration and the folder it lives in.

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

class TGBP : public QDialog {
    Q_OBJECT
public:
    explicit TGBP(QWidget* parent = nullptr);

    // Makes `folder` the directory list's current folder (as a click on it would).
    void setFolder(const QString& folder);
    QString folder() const;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;          // the configuration's name
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;          // the chosen folder
    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* DirectoryListBox1 = nullptr;
    QListWidget* FileListBox1 = nullptr; // the folder's databases, for viewing only
    QPushButton* BitBtn1 = nullptr;      // OK
    QPushButton* BitBtn2 = nullptr;      // "Отказ"

private:
    void FormCreate();
    void DirectoryListBox1Change();
    void DriveComboBox1Change();
    void Edit1Change();

    QFileSystemModel* m_folders = nullptr;
};
