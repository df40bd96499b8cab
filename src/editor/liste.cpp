#include "editor/liste.h"

#include "model/fichierx.h"
#include "ui/interaction.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QListView>
#include <QScreen>
#include <QVBoxLayout>

// ----------------------------------------------------------------- model

void TModeleCartes::Remplir(const TFichierX *fichier, bool inverse)
{
    beginResetModel();
    m_fichier = fichier;
    m_inverse = inverse;
    endResetModel();
}

void TModeleCartes::Vider()
{
    Remplir(nullptr, false);
}

int TModeleCartes::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_fichier)
        return 0;
    return m_fichier->NombreFiches();
}

QVariant TModeleCartes::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !m_fichier || !index.isValid())
        return QVariant();
    const int n = m_fichier->NombreFiches();
    const int ligne = index.row();
    if (ligne < 0 || ligne >= n)
        return QVariant();
    QString texte = m_inverse ? m_fichier->Fiche(n - 1 - ligne).Champ1() : m_fichier->LibelleFiche(ligne);
    // One item, one line.
    texte.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return texte;
}

// ----------------------------------------------------------------- window

TListe::TListe(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Liste"));
    setWindowTitle(tr("List of cards"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMinimizeButtonHint);
    resize(280, 400);

    auto *colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    LBListe = new QListView(this);
    LBListe->setObjectName(QStringLiteral("LBListe"));
    LBListe->setAccessibleName(windowTitle());
    LBListe->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LBListe->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row has the height of the first: nothing is measured per card.
    LBListe->setUniformItemSizes(true);
    Modele = new TModeleCartes(this);
    LBListe->setModel(Modele);
    colonne->addWidget(LBListe);

    connect(LBListe->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TListe::LBListeClick);
    connect(LBListe, &QAbstractItemView::doubleClicked, this, &TListe::LBListeDblClick);
    LBListe->installEventFilter(this);
}

void TListe::Selectionner(int item)
{
    const QModelIndex index = Modele->index(item, 0);
    LBListe->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    LBListe->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TListe::Placer()
{
    m_aPlacer = !isVisible();
    AjusterAuBureau();
}

void TListe::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_aPlacer) {
        m_aPlacer = false;
        AjusterAuBureau();
    }
}

void TListe::AjusterAuBureau()
{
    const QScreen *ecran = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect zone = ecran->availableGeometry();
    // The frame is part of the height the work area gives.
    const int cadre = qMax(0, frameGeometry().height() - height());
    resize(280, qMax(0, zone.height() - cadre));
    move(zone.topLeft());
}

void TListe::LBListeClick()
{
    const int item = LBListe->currentIndex().row();
    if (!Selection || item < 0)
        return;
    Selection(Decalage != 0 ? Decalage - item : item);
}

void TListe::LBListeDblClick()
{
    accept();
}

bool TListe::FormKeyDown(int touche)
{
    switch (touche) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F12:
        accept();
        return true;
    case Qt::Key_Escape:
        done(Abandon);
        return true;
    case Qt::Key_F1:
        TInteraction::Courante().Aide(SujetAide);
        return true;
    default:
        return false;
    }
}

bool TListe::eventFilter(QObject *objet, QEvent *event)
{
    if (objet == LBListe && event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QDialog::eventFilter(objet, event);
}

void TListe::keyPressEvent(QKeyEvent *event)
{
    if (!FormKeyDown(event->key()))
        QDialog::keyPressEvent(event);
}
