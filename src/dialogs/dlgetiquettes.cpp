#include "dialogs/dlgetiquettes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TDlgEtiquettes::TDlgEtiquettes(QWidget *parent) : TDlgPropriete(parent, "DlgEtiquettes", tr("Labels of the fields"), 0)
{
    GBEtiquettes = new QGroupBox(tr("Labels"), this);
    GBEtiquettes->setObjectName(QStringLiteral("GBEtiquettes"));
    auto *grille = new QGridLayout(GBEtiquettes);
    QLineEdit **champs[] = {&EEtiquette0, &EEtiquette1, &EEtiquette2};
    for (int i = 0; i < 3; ++i) {
        auto *e = new QLineEdit(GBEtiquettes);
        e->setObjectName(QStringLiteral("EEtiquette%1").arg(i));
        e->setMinimumWidth(220);
        auto *etiquette = new QLabel(tr("Field %1:").arg(i), GBEtiquettes);
        etiquette->setBuddy(e);
        grille->addWidget(etiquette, i, 0);
        grille->addWidget(e, i, 1);
        connect(e, &QLineEdit::textEdited, this, &TDlgEtiquettes::EEtiquetteChange);
        *champs[i] = e;
    }
    Terminer(GBEtiquettes);
    setTabOrder(EEtiquette0, EEtiquette1);
    setTabOrder(EEtiquette1, EEtiquette2);
}

void TDlgEtiquettes::Remplir(const QString &c0, const QString &c1, const QString &c2)
{
    EEtiquette0->setText(c0);
    EEtiquette1->setText(c1);
    EEtiquette2->setText(c2);
    EEtiquette0->setFocus();
}
