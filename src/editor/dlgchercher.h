#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The search dialog: the text to find and three options. It lives for the
// whole run, so its controls keep their values from one search to the next.
class TDlgChercher : public QDialog
{
    Q_OBJECT

public:
    explicit TDlgChercher(QWidget *parent = nullptr);

    static constexpr int SujetAide = 4;

    QLabel *LChercher = nullptr;
    QLineEdit *EChercher = nullptr;
    QCheckBox *CBDifferencier = nullptr;
    QCheckBox *CBChampUnique = nullptr;
    QCheckBox *CBArriere = nullptr;
    QPushButton *BChercher = nullptr;
    QPushButton *BAnnuler = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
