#pragma once

#include "dialogs/dlgcommun.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class TFichierX;
struct TOptions;

// Separators, punctuation and ignored words of a questionnaire.
class TDlgOptionsAvancees : public TDlgPropriete
{
    Q_OBJECT

public:
    explicit TDlgOptionsAvancees(QWidget *parent = nullptr);

    QGroupBox *GBOptions = nullptr;
    QLineEdit *EOu = nullptr;
    QLineEdit *ECarOu = nullptr;
    QLineEdit *EXDelim = nullptr;
    QCheckBox *CBMIgDefaut = nullptr;
    QLineEdit *EMotsIgnores = nullptr;
    // The file's default list of ignored words, shown when "default" is checked.
    QString MotsIgnoresDefaut;

    // options: the ignored words a file without its own gets.
    void Remplir(const TFichierX &f, const TOptions &options);
    // Separators and punctuation lose every space; the ignored words are
    // stored as typed, and only when the file has its own list.
    void Stocker(TFichierX &f) const;

    void CBMIgDefautClick();
    void ChangeOptionsAvancees() { Changement(); }
};
