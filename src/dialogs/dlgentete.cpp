#include "dialogs/dlgentete.h"

#include "model/fichierx.h"
#include "ui/memo.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

TDlgEntete::TDlgEntete(QWidget *parent) : TDlgPropriete(parent, "DlgEntete", tr("Header of the file"), 9)
{
    GBEntete = new QGroupBox(tr("Header"), this);
    GBEntete->setObjectName(QStringLiteral("GBEntete"));
    auto *grille = new QGridLayout(GBEntete);

    QFont fixe(QStringLiteral("Courier New"), 10);
    fixe.setStyleHint(QFont::TypeWriter);
    ETitre = new QLineEdit(GBEntete);
    ETitre->setObjectName(QStringLiteral("ETitre"));
    MDescription = new QPlainTextEdit(GBEntete);
    MDescription->setObjectName(QStringLiteral("MDescription"));
    MDescription->setTabChangesFocus(true);
    ESignature = new QLineEdit(GBEntete);
    ESignature->setObjectName(QStringLiteral("ESignature"));
    int rangee = 0;
    const auto ajouter = [&](const QString &legende, QWidget *champ) {
        auto *etiquette = new QLabel(legende, GBEntete);
        etiquette->setBuddy(champ);
        champ->setFont(fixe);
        grille->addWidget(etiquette, rangee, 0, Qt::AlignLeft | Qt::AlignTop);
        grille->addWidget(champ, rangee, 1);
        ++rangee;
    };
    ajouter(tr("Title:"), ETitre);
    ajouter(tr("Description:"), MDescription);
    ajouter(tr("Signature:"), ESignature);
    ETitre->setMinimumWidth(360);
    MDescription->setFixedHeight(110);

    connect(ETitre, &QLineEdit::textEdited, this, &TDlgPropriete::Changement);
    connect(ESignature, &QLineEdit::textEdited, this, &TDlgPropriete::Changement);
    // Set by the program only before the dialog is shown, which clears the flag.
    connect(MDescription, &QPlainTextEdit::textChanged, this, &TDlgPropriete::Changement);
    Terminer(GBEntete);
    setTabOrder(ETitre, MDescription);
    setTabOrder(MDescription, ESignature);
}

void TDlgEntete::Remplir(const TFichierX &f)
{
    ETitre->setText(f.Titre);
    Memo::Poser(MDescription, f.Description);
    ESignature->setText(f.Signature);
    GBEntete->setEnabled(f.Modifiable);
    ETitre->setFocus();
}

void TDlgEntete::Stocker(TFichierX &f) const
{
    f.SetTitre(ETitre->text());
    f.Description = Memo::Texte(MDescription);
    f.Signature = ESignature->text();
}
