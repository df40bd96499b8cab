#pragma once

#include "dialogs/dlgcommun.h"

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class TFichierX;

// Header of the file: title, description and signature.
class TDlgEntete : public TDlgPropriete
{
    Q_OBJECT

public:
    explicit TDlgEntete(QWidget *parent = nullptr);

    QGroupBox *GBEntete = nullptr;
    QLineEdit *ETitre = nullptr;
    QPlainTextEdit *MDescription = nullptr;
    QLineEdit *ESignature = nullptr;

    // The file's values; a read-only file's header can only be looked at.
    void Remplir(const TFichierX &f);
    // The title trimmed, the other two as typed.
    void Stocker(TFichierX &f) const;
};
