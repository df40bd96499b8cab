#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// Asks for the type of a new card file. The "New" command fills the type box
// with the names of the offered letters and reads the selection back.
class TDlgNouveau : public QDialog
{
    Q_OBJECT

public:
    explicit TDlgNouveau(QWidget *parent = nullptr);

    // Fills the type box with the name of each letter, in order, the first one
    // selected; worded for a new file, or for the type an Anki deck opens as.
    void Remplir(const QString &lettres, bool deckAnki = false);
    // The letter of the selected item; the first offered letter when none is.
    QChar LettreChoisie() const;

    static constexpr int SujetAide = 7;

    QComboBox *CBType = nullptr;
    QPushButton *BOK = nullptr;
    QPushButton *BAnnuler = nullptr;
    QPushButton *BAide = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_lettres;
    QLabel *m_question = nullptr;
};
