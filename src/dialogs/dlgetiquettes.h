#pragma once

#include "dialogs/dlgcommun.h"

class QGroupBox;
class QLineEdit;

// Captions of the three fields of a card.
class TDlgEtiquettes : public TDlgPropriete
{
    Q_OBJECT

public:
    explicit TDlgEtiquettes(QWidget *parent = nullptr);

    QGroupBox *GBEtiquettes = nullptr;
    QLineEdit *EEtiquette0 = nullptr;
    QLineEdit *EEtiquette1 = nullptr;
    QLineEdit *EEtiquette2 = nullptr;

    void Remplir(const QString &c0, const QString &c1, const QString &c2);

    void EEtiquetteChange() { Changement(); }
};
