#pragma once

#include "dialogs/dlgcommun.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class TFichierX;

// The options by which the quiz program asks a questionnaire.
class TDlgOptions : public TDlgPropriete
{
    Q_OBJECT

public:
    explicit TDlgOptions(QWidget *parent = nullptr);

    QGroupBox *GBOptions = nullptr;
    QCheckBox *CBRepose = nullptr;
    QCheckBox *CBOrdre = nullptr;
    QCheckBox *CBBriderEntree = nullptr;
    QCheckBox *CBMotAMot = nullptr;
    QCheckBox *CBDiffMaj = nullptr;
    QCheckBox *CBPhonetique = nullptr;
    QCheckBox *CBCorrection = nullptr;
    QLineEdit *ETemps = nullptr;
    QLineEdit *ENbreQuestions = nullptr;
    QLineEdit *ESeuil = nullptr;

    void Remplir(const TFichierX &f);
    void Stocker(TFichierX &f) const;

    // A number field's value: a decimal integer held to 0..255 (the fields
    // are 8-bit); any other text, "unlimited" and "all" included, gives 0.
    static quint8 Octet(const QString &texte);

    void CBPhonetiqueClick();
    void ChangeOptions() { Changement(); }
};
