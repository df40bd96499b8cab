#include "dialogs/dlgnouveau.h"

#include "resources/chaines.h"
#include "ui/interaction.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDlgNouveau::TDlgNouveau(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgNouveau"));
    setWindowTitle(tr("New file"));
    setModal(true);

    auto *colonne = new QVBoxLayout(this);
    m_question = new QLabel(tr("Do you want create a new file?"), this);
    m_question->setObjectName(QStringLiteral("LQuestion"));
    colonne->addWidget(m_question);

    auto *ligne = new QHBoxLayout;
    auto *legende = new QLabel(tr("Type :"), this);
    legende->setObjectName(QStringLiteral("LType"));
    CBType = new QComboBox(this);
    CBType->setObjectName(QStringLiteral("CBType"));
    CBType->setEditable(false); // a type is picked, never typed
    CBType->setMinimumWidth(160);
    legende->setBuddy(CBType);
    ligne->addWidget(legende);
    ligne->addWidget(CBType, 1);
    colonne->addLayout(ligne);

    auto *boutons = new QHBoxLayout;
    boutons->addStretch(1);
    BOK = new QPushButton(tr("OK"), this);
    BOK->setObjectName(QStringLiteral("BOK"));
    BOK->setDefault(true);
    BAnnuler = new QPushButton(tr("Cancel"), this);
    BAnnuler->setObjectName(QStringLiteral("BAnnuler"));
    BAide = new QPushButton(tr("&Help"), this);
    BAide->setObjectName(QStringLiteral("BAide"));
    BAide->setAutoDefault(false);
    boutons->addWidget(BOK);
    boutons->addWidget(BAnnuler);
    boutons->addWidget(BAide);
    colonne->addLayout(boutons);

    connect(BOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    connect(BAide, &QPushButton::clicked, this, [] { TInteraction::Courante().Aide(SujetAide); });
}

void TDlgNouveau::Remplir(const QString &lettres, bool deckAnki)
{
    setWindowTitle(deckAnki ? tr("Open the Anki deck as") : tr("New file"));
    m_question->setText(deckAnki ? tr("Which type of card file should the deck's notes become?")
                                 : tr("Do you want create a new file?"));
    m_lettres = lettres;
    CBType->clear();
    for (QChar lettre : lettres) {
        const QString nom = Chaines::NomType(lettre);
        CBType->addItem(nom.isEmpty() ? QString(lettre) : nom, QVariant(QString(lettre)));
    }
    CBType->setCurrentIndex(lettres.isEmpty() ? -1 : 0);
}

QChar TDlgNouveau::LettreChoisie() const
{
    const int i = CBType->currentIndex();
    if (i >= 0 && i < m_lettres.size())
        return m_lettres.at(i);
    return m_lettres.isEmpty() ? QChar(u'?') : m_lettres.at(0);
}

void TDlgNouveau::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        TInteraction::Courante().Aide(SujetAide);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
