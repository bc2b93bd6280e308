#pragma once
// The one-name dialog: asks for the short name of one institution that has none, for the
// export under way only. It cannot be closed until something is typed.

#include "entry/ShortNames.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

    void Edit1Change();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    // Esc does not close it: the export needs a name.
    void reject() override {}
};

// Made at start-up and kept for the whole run.
inline TForm6* Form6 = nullptr;

// The short name the export names a sheet with: the last line of `names` with this full name;
// when that is empty the user is asked through Form6 (or a dialog of its own without it) and
// reminded to correct the list. The file is not changed.
QString GetShortName(const QList<ShortName>& names, const QString& fullName);
