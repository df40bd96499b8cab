#include "dialogs/dlgcommun.h"

#include "ui/interaction.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

TDlgPropriete::TDlgPropriete(QWidget *parent, const char *nom, const QString &legende, int sujetAide)
    : QDialog(parent), SujetAide(sujetAide)
{
    setObjectName(QLatin1String(nom));
    setWindowTitle(legende);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void TDlgPropriete::Terminer(QWidget *contenu, bool boutonsMarques)
{
    auto *colonne = new QVBoxLayout(this);
    colonne->addWidget(contenu);
    auto *ligne = new QHBoxLayout;
    ligne->addStretch(1);
    BOK = new QPushButton(tr("OK"), this);
    BOK->setObjectName(QStringLiteral("BOK"));
    BAnnuler = new QPushButton(tr("Cancel"), this);
    BAnnuler->setObjectName(QStringLiteral("BAnnuler"));
    for (QPushButton *b : {BOK, BAnnuler}) {
        b->setAutoDefault(false);
        ligne->addWidget(b);
    }
    // Escape closes any dialog as Cancel; only the marked OK answers Enter.
    BOK->setDefault(boutonsMarques);
    connect(BOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    if (SujetAide != 0) {
        BAide = new QPushButton(tr("Help"), this);
        BAide->setObjectName(QStringLiteral("BAide"));
        BAide->setAutoDefault(false);
        ligne->addWidget(BAide);
        connect(BAide, &QPushButton::clicked, this, &TDlgPropriete::MontrerAide);
        auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
        connect(f1, &QShortcut::activated, this, &TDlgPropriete::MontrerAide);
    }
    colonne->addLayout(ligne);
    colonne->setSizeConstraint(QLayout::SetFixedSize);
}

int TDlgPropriete::Executer()
{
    DialogueModifie = false;
    setResult(Rejected);
    const int resultat = TInteraction::Courante().Executer(*this);
    return resultat == Accepted && DialogueModifie ? Accepted : Rejected;
}

void TDlgPropriete::done(int resultat)
{
    QDialog::done(resultat == Accepted && DialogueModifie ? Accepted : Rejected);
}

void TDlgPropriete::MontrerAide()
{
    TInteraction::Courante().Aide(SujetAide);
}
