#pragma once
// The year choice: the year folders of a configuration in an editable list.

#include <QDialog>
#include <QString>
#include <optional>

class QComboBox;
class QPushButton;

class TSBY : public QDialog {
    Q_OBJECT
public:
    explicit TSBY(QWidget* parent = nullptr);

    QComboBox* ComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

// Appends the year folders of the configuration in `cfgDir` to the combo box's items.
void FillYearList(QComboBox* comboBox, const QString& cfgDir);

// A whole year typed or chosen in the year dialog; nothing for any other text.
std::optional<int> parseYear(const QString& text);

// Shows the year dialog with `caption` over the years of `cfgDir`. True with the chosen year in
// `year` on OK; a text that is no year is refused and the dialog asked again; false when the
// dialog is closed without OK.
bool SelectBaseYear(const QString& caption, const QString& cfgDir, int& year);
