#pragma once
// Tormik's window: the user points at the main program's folder, picks a configuration and its
// years, and "Старт" brings their dictionaries up to date (convert/Conversion.h does the work).

#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The folder list starts at Tormik's own folder, where the types file lies too.
    explicit TForm1(QWidget* parent = nullptr);

    // Makes `folder` the folder list's current folder, as the user's pick of it does.
    void setFolder(const QString& folder);
    QString folder() const;

    QLabel* Label1 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* DirectoryListBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBox2 = nullptr;     // the configurations
    QLabel* Label3 = nullptr;
    QListWidget* ListBox3 = nullptr;     // the years of the chosen configuration
    QPushButton* BitBtn1 = nullptr;      // "Старт"
    QComboBox* ComboBox1 = nullptr;      // hidden: the folder of each configuration

protected:
    // Four columns of years whatever the list's width.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DirectoryListBox1Click();
    void DriveComboBox1Change();
    void ListBox2Click();
    void GetYearList();
    void BitBtn1Click();
    void layYearColumns();

    QFileSystemModel* m_folders = nullptr;
};
