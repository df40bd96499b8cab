#include "dialogs/dlgoptions.h"

#include "model/fichierx.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QLineEdit>

TDlgOptions::TDlgOptions(QWidget *parent) : TDlgPropriete(parent, "DlgOptions", tr("Options of Questionnaire"), 23)
{
    GBOptions = new QGroupBox(tr("Options"), this);
    GBOptions->setObjectName(QStringLiteral("GBOptions"));
    auto *grille = new QGridLayout(GBOptions);
    int rangee = 0;

    const auto case_ = [&](const char *nom, const QString &legende) {
        auto *c = new QCheckBox(legende, GBOptions);
        c->setObjectName(QLatin1String(nom));
        grille->addWidget(c, rangee++, 0, 1, 2);
        return c;
    };
    CBRepose = case_("CBRepose", tr("Ask again when bad answer"));
    CBOrdre = case_("CBOrdre", tr("Follow the order of the questions"));
    CBBriderEntree = case_("CBBriderEntree", tr("Avoid accidental usage of Enter"));
    CBMotAMot = case_("CBMotAMot", tr("Match word-by-word"));
    CBDiffMaj = case_("CBDiffMaj", tr("Match case"));
    CBPhonetique = case_("CBPhonetique", tr("Match phonetic"));
    CBCorrection = case_("CBCorrection", tr("Candidate must correct his answer"));

    const auto nombre = [&](const char *nom, const QString &legende) {
        auto *e = new QLineEdit(GBOptions);
        e->setObjectName(QLatin1String(nom));
        e->setFixedWidth(90);
        // One byte is stored: digits only, and the limit in sight.
        e->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9]?[0-9]")), e));
        auto *etiquette = new QLabel(legende, GBOptions);
        etiquette->setBuddy(e);
        auto *limite = new QLabel(tr("(0 to 255)"), GBOptions);
        limite->setObjectName(QLatin1String(nom) + QLatin1String("Limite"));
        grille->addWidget(etiquette, rangee, 0);
        grille->addWidget(e, rangee, 1);
        grille->addWidget(limite, rangee++, 2);
        return e;
    };
    ETemps = nombre("ETemps", tr("Time to answer (in seconds):"));
    ENbreQuestions = nombre("ENbreQuestions", tr("Number of questions to ask:"));
    ESeuil = nombre("ESeuil", tr("Threshold for fair score (in %): "));

    for (QCheckBox *c : {CBRepose, CBOrdre, CBBriderEntree, CBMotAMot, CBDiffMaj, CBCorrection})
        connect(c, &QCheckBox::clicked, this, &TDlgOptions::ChangeOptions);
    connect(CBPhonetique, &QCheckBox::clicked, this, &TDlgOptions::CBPhonetiqueClick);
    for (QLineEdit *e : {ETemps, ENbreQuestions, ESeuil})
        connect(e, &QLineEdit::textEdited, this, &TDlgOptions::ChangeOptions);
    Terminer(GBOptions);
}

void TDlgOptions::Remplir(const TFichierX &f)
{
    CBRepose->setChecked(f.ReposerErreurs);
    CBOrdre->setChecked(f.SuivreOrdre);
    CBBriderEntree->setChecked(f.BriderEntree);
    CBMotAMot->setChecked(f.MotAMot);
    // Phonetic matching ignores case.
    CBDiffMaj->setChecked(f.DifferencierCasse && !f.Phonetique);
    CBDiffMaj->setEnabled(!f.Phonetique);
    CBPhonetique->setChecked(f.Phonetique);
    CBCorrection->setChecked(f.Correction);
    ETemps->setText(f.Temps == 0 ? tr("unlimited") : QString::number(f.Temps));
    ENbreQuestions->setText(f.NombreQuestions == 0 ? tr("all") : QString::number(f.NombreQuestions));
    ESeuil->setText(QString::number(f.ScoreSatisfaisant));
    GBOptions->setEnabled(f.Modifiable);
    CBRepose->setFocus();
}

void TDlgOptions::Stocker(TFichierX &f) const
{
    f.ReposerErreurs = CBRepose->isChecked();
    f.SuivreOrdre = CBOrdre->isChecked();
    f.BriderEntree = CBBriderEntree->isChecked();
    f.MotAMot = CBMotAMot->isChecked();
    f.DifferencierCasse = CBDiffMaj->isChecked();
    f.Phonetique = CBPhonetique->isChecked();
    f.Correction = CBCorrection->isChecked();
    f.Temps = Octet(ETemps->text());
    f.NombreQuestions = Octet(ENbreQuestions->text());
    f.ScoreSatisfaisant = Octet(ESeuil->text());
}

quint8 TDlgOptions::Octet(const QString &texte)
{
    const QString t = texte.trimmed();
    qsizetype i = 0;
    bool negatif = false;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-')) {
        negatif = t.at(i) == u'-';
        ++i;
    }
    if (i == t.size())
        return 0;
    int valeur = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < u'0' || c > u'9')
            return 0;
        // Past 255 only the clamping matters: no overflow on long digit runs.
        valeur = qMin(256, valeur * 10 + (c.unicode() - '0'));
    }
    if (negatif)
        return 0;
    return quint8(qMin(valeur, 255));
}

void TDlgOptions::CBPhonetiqueClick()
{
    if (CBPhonetique->isChecked())
        CBDiffMaj->setChecked(false);
    CBDiffMaj->setEnabled(!CBPhonetique->isChecked());
    Changement();
}
