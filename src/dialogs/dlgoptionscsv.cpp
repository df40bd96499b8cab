#include "dialogs/dlgoptionscsv.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

TDlgOptionsCSV::TDlgOptionsCSV(QWidget *parent)
    : TDlgPropriete(parent, "DlgOptionsCSV", tr("Options for CSV files"), 11)
{
    auto *contenu = new QWidget(this);
    auto *ligne = new QHBoxLayout(contenu);
    ligne->setContentsMargins(0, 0, 0, 0);

    RGEncodage = new QGroupBox(tr("Character encoding"), contenu);
    RGEncodage->setObjectName(QStringLiteral("RGEncodage"));
    auto *colonne = new QVBoxLayout(RGEncodage);
    Elements = new QButtonGroup(this);
    const QString legendes[] = {tr("ANSI"), tr("UTF-8")};
    for (int i = 0; i < 2; ++i) {
        auto *r = new QRadioButton(legendes[i], RGEncodage);
        r->setObjectName(QStringLiteral("RGEncodage%1").arg(i));
        Elements->addButton(r, i);
        colonne->addWidget(r);
    }
    ligne->addWidget(RGEncodage);

    GBComma = new QGroupBox(tr("Field separator"), contenu);
    GBComma->setObjectName(QStringLiteral("GBComma"));
    auto *colonne2 = new QVBoxLayout(GBComma);
    EComma = new QLineEdit(GBComma);
    EComma->setObjectName(QStringLiteral("EComma"));
    EComma->setFixedWidth(80);
    colonne2->addWidget(EComma);
    colonne2->addStretch(1);
    ligne->addWidget(GBComma);

    connect(Elements, &QButtonGroup::idClicked, this, &TDlgPropriete::Changement);
    connect(EComma, &QLineEdit::textEdited, this, &TDlgPropriete::Changement);
    Terminer(contenu, false);
}

void TDlgOptionsCSV::Remplir(bool utf8, const QString &separateur)
{
    SetItemIndex(utf8 ? 1 : 0);
    EComma->setText(separateur);
    EComma->setFocus();
}

int TDlgOptionsCSV::ItemIndex() const
{
    return Elements->checkedId();
}

void TDlgOptionsCSV::SetItemIndex(int index)
{
    Element(index)->setChecked(true);
}

QRadioButton *TDlgOptionsCSV::Element(int index) const
{
    return qobject_cast<QRadioButton *>(Elements->button(index));
}
