#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <functional>

class QListView;
class TFichierX;

// The captions of a card file's cards, computed when a row is drawn: a list
// of 100,000 cards costs no more to open than one of ten.
class TModeleCartes : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // inverse: rows run from the last card to the first and show field 1
    // (a notebook's dates); otherwise each card's caption in file order.
    void Remplir(const TFichierX *fichier, bool inverse);
    void Vider();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    const TFichierX *m_fichier = nullptr;
    bool m_inverse = false;
};

// The list of cards: a modal window that shows the card of each item as it
// is selected. Enter, F12 or a double click keep the card selected, Esc
// brings back the one shown before, the close box keeps the selection.
class TListe : public QDialog
{
    Q_OBJECT

public:
    explicit TListe(QWidget *parent = nullptr);

    static constexpr int SujetAide = 6;
    // Result of a list closed with Esc.
    static constexpr int Abandon = 3;

    QListView *LBListe = nullptr;
    TModeleCartes *Modele = nullptr;

    // Position of the first item's card in a list running backwards; 0 for
    // a list in file order.
    int Decalage = 0;
    // Called with a card position whenever the selection changes.
    std::function<void(int)> Selection;

    // Selects an item and brings it into view.
    void Selectionner(int item);
    // The window at the left edge of the work area, as tall as it.
    void Placer();

    void LBListeClick();
    void LBListeDblClick();

protected:
    bool eventFilter(QObject *objet, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void AjusterAuBureau();
    bool m_aPlacer = false; // the frame is known only once the window is shown

    // Keys of the window: they come to it before the list box sees them.
    bool FormKeyDown(int touche);
};
