#pragma once

#include <QDialog>
#include <QString>

class QBoxLayout;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

// What the property dialogs share: OK and Cancel (and Help when the dialog has
// a help topic), and the memory of whether the user changed anything since the
// dialog was shown. OK without a change closes it as Cancel, so the caller
// stores values, and marks the file modified, only after real edits.
class TDlgPropriete : public QDialog
{
    Q_OBJECT

public:
    bool DialogueModifie = false;
    int SujetAide = 0;
    QPushButton *BOK = nullptr;
    QPushButton *BAnnuler = nullptr;
    QPushButton *BAide = nullptr; // only when SujetAide is not 0

    // Shows the dialog modally through the editor's interaction (so tests can
    // script it), the change flag cleared; returns Accepted or Rejected.
    int Executer();
    // Handler shared by the controls: the user changed something.
    void Changement() { DialogueModifie = true; }

    void done(int resultat) override;

protected:
    TDlgPropriete(QWidget *parent, const char *nom, const QString &legende, int sujetAide);
    // Puts the content above the button row; boutonsMarques makes OK the
    // default button (Enter) and Cancel the Escape button.
    void Terminer(QWidget *contenu, bool boutonsMarques = true);

private:
    void MontrerAide();
};
