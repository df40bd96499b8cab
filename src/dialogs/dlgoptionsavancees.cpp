#include "dialogs/dlgoptionsavancees.h"

#include "model/fichierx.h"
#include "model/outils.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TDlgOptionsAvancees::TDlgOptionsAvancees(QWidget *parent)
    : TDlgPropriete(parent, "DlgOptionsAvancees", tr("Advanced options of Questionnaire"), 24)
{
    GBOptions = new QGroupBox(tr("Options"), this);
    GBOptions->setObjectName(QStringLiteral("GBOptions"));
    auto *grille = new QGridLayout(GBOptions);
    int rangee = 0;
    const auto ligne = [&](const char *nom, const QString &legende) {
        auto *e = new QLineEdit(GBOptions);
        e->setObjectName(QLatin1String(nom));
        auto *etiquette = new QLabel(legende, GBOptions);
        etiquette->setBuddy(e);
        grille->addWidget(etiquette, rangee, 0);
        grille->addWidget(e, rangee++, 1, 1, 2);
        return e;
    };
    EOu = ligne("EOu", tr("Word separator for visible answers:"));
    ECarOu = ligne("ECarOu", tr("Character separator for invisible answers:"));
    ECarOu->setText(QStringLiteral(";"));
    ECarOu->setMaxLength(1);
    EXDelim = ligne("EXDelim", tr("Punctuation (words delimiter): "));

    EMotsIgnores = new QLineEdit(GBOptions);
    EMotsIgnores->setObjectName(QStringLiteral("EMotsIgnores"));
    EMotsIgnores->setMinimumWidth(240);
    auto *etiquette = new QLabel(tr("Ignored words:"), GBOptions);
    etiquette->setBuddy(EMotsIgnores);
    CBMIgDefaut = new QCheckBox(tr("default"), GBOptions);
    CBMIgDefaut->setObjectName(QStringLiteral("CBMIgDefaut"));
    CBMIgDefaut->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    grille->addWidget(etiquette, rangee, 0);
    grille->addWidget(EMotsIgnores, rangee, 1);
    grille->addWidget(CBMIgDefaut, rangee, 2);

    for (QLineEdit *e : {EOu, ECarOu, EXDelim, EMotsIgnores})
        connect(e, &QLineEdit::textEdited, this, &TDlgOptionsAvancees::ChangeOptionsAvancees);
    connect(CBMIgDefaut, &QCheckBox::clicked, this, &TDlgOptionsAvancees::CBMIgDefautClick);
    Terminer(GBOptions);
    setTabOrder(EOu, ECarOu);
    setTabOrder(ECarOu, EXDelim);
    setTabOrder(EXDelim, EMotsIgnores);
}

void TDlgOptionsAvancees::Remplir(const TFichierX &f, const TOptions &options)
{
    EOu->setText(f.OuVisible);
    // One character is typed here, but a file may hold a longer separator:
    // it is shown whole, never cut by the edit's limit.
    ECarOu->setMaxLength(qMax<int>(1, int(f.Fragmenteur.size())));
    ECarOu->setText(f.Fragmenteur);
    EXDelim->setText(f.Ponctuation);
    MotsIgnoresDefaut = f.MotsIgnoresParDefaut(options);
    CBMIgDefaut->setChecked(!f.AvecMotsIgnores);
    EMotsIgnores->setText(f.MotsIgnoresEffectifs(options));
    EMotsIgnores->setEnabled(f.AvecMotsIgnores);
    GBOptions->setEnabled(f.Modifiable);
    EOu->setFocus();
}

void TDlgOptionsAvancees::Stocker(TFichierX &f) const
{
    f.OuVisible = SansEspaces(EOu->text());
    f.Fragmenteur = SansEspaces(ECarOu->text());
    f.Ponctuation = SansEspaces(EXDelim->text());
    f.AvecMotsIgnores = !CBMIgDefaut->isChecked();
    if (f.AvecMotsIgnores)
        f.MotsIgnores = EMotsIgnores->text();
}

void TDlgOptionsAvancees::CBMIgDefautClick()
{
    if (CBMIgDefaut->isChecked())
        EMotsIgnores->setText(MotsIgnoresDefaut);
    EMotsIgnores->setEnabled(!CBMIgDefaut->isChecked());
    Changement();
}
