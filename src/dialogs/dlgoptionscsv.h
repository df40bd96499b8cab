#pragma once

#include "dialogs/dlgcommun.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRadioButton;

// How CSV files are read and written: a preference of the program, not of a file.
class TDlgOptionsCSV : public TDlgPropriete
{
    Q_OBJECT

public:
    explicit TDlgOptionsCSV(QWidget *parent = nullptr);

    // Radio group: item 0 "ANSI", item 1 "UTF-8".
    QGroupBox *RGEncodage = nullptr;
    QButtonGroup *Elements = nullptr;
    QGroupBox *GBComma = nullptr;
    QLineEdit *EComma = nullptr;

    // separateur: the separator in escaped form ("\t" for a tab).
    void Remplir(bool utf8, const QString &separateur);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton *Element(int index) const;
};
