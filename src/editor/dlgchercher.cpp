#include "editor/dlgchercher.h"

#include "ui/interaction.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TDlgChercher::TDlgChercher(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgChercher"));
    setWindowTitle(tr("Find"));
    // A fixed dialog with a close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(326, 200);

    auto *colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(12, 12, 12, 12);
    colonne->setSpacing(6);

    LChercher = new QLabel(tr("Expression to find:"), this);
    LChercher->setObjectName(QStringLiteral("LChercher"));
    EChercher = new QLineEdit(this);
    EChercher->setObjectName(QStringLiteral("EChercher"));
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::TypeWriter);
    EChercher->setFont(courier);
    LChercher->setBuddy(EChercher);
    colonne->addWidget(LChercher);
    colonne->addWidget(EChercher);

    const auto caseACocher = [this, colonne](const char *nom, const QString &legende) {
        auto *c = new QCheckBox(legende, this);
        c->setObjectName(QLatin1String(nom));
        colonne->addWidget(c);
        return c;
    };
    CBDifferencier = caseACocher("CBDifferencier", tr("Differentiate case"));
    CBChampUnique = caseACocher("CBChampUnique", tr("Search only in the index field"));
    CBArriere = caseACocher("CBArriere", tr("Search backward"));
    colonne->addStretch(1);

    auto *ligne = new QHBoxLayout;
    ligne->addStretch(1);
    BChercher = new QPushButton(tr("Search"), this);
    BChercher->setObjectName(QStringLiteral("BChercher"));
    BChercher->setDefault(true);
    BAnnuler = new QPushButton(tr("Cancel"), this);
    BAnnuler->setObjectName(QStringLiteral("BAnnuler"));
    BAnnuler->setAutoDefault(false);
    ligne->addWidget(BChercher);
    ligne->addWidget(BAnnuler);
    colonne->addLayout(ligne);

    connect(BChercher, &QPushButton::clicked, this, &QDialog::accept);
    connect(BAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

void TDlgChercher::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The previous search's text, ready to be typed over.
    EChercher->setFocus();
    EChercher->selectAll();
}

void TDlgChercher::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier)
        TInteraction::Courante().Aide(SujetAide);
    else
        QDialog::keyPressEvent(event);
}
