#pragma once

#include "orthographe/orthographe.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QThread;
class QWidget;
class TSurligneur;

// Spell checking of the card shown: misspelt words of the three fields
// underlined as the user types, the "Spelling" submenu, and the fields'
// context menu with suggestions, "Add to dictionary" and "Ignore". Only the
// fields' texts are checked, never the rest of the file. The dictionary loads
// in the background the first time a field needs it.
class TVerificationOrthographe : public QObject
{
    Q_OBJECT

public:
    TVerificationOrthographe(QMainWindow *fenetre, QLineEdit *titre, QPlainTextEdit *question, QPlainTextEdit *reponse);
    ~TVerificationOrthographe() override;

    // The "Spelling" submenu, added at the end of menu.
    void InstallerMenu(QMenu *menu);
    QMenu *MenuOrthographe() const { return m_menu; }

    // A dictionary is loaded and checking is on.
    bool Active() const;
    // The name of the dictionary wanted: the setting's, else the interface's.
    QString DictionnaireVoulu() const;
    // True once the dictionary wanted is loaded, or known to be missing.
    bool Pret() const;
    // Where the misspelt words of a field are, as underlined now.
    QList<TOrthographe::Mot> Fautes(const QWidget *champ) const;

    // The field's context menu for a point of it (the viewport's for a memo),
    // the suggestions first when a misspelt word is there; the caller owns it.
    QMenu *MenuContextuel(QWidget *champ, const QPoint &position);

signals:
    // The user changed a spelling preference.
    void ReglageModifie();

private:
    friend class TSurligneur;
    void Charger();
    void Revoir();
    void SoulignerTitre();
    void Noter(const QString &message);
    void RemplirMenu();

    QMainWindow *m_fenetre;
    QLineEdit *m_titre;
    QPlainTextEdit *m_question;
    QPlainTextEdit *m_reponse;
    TSurligneur *m_surligneurQuestion = nullptr;
    TSurligneur *m_surligneurReponse = nullptr;
    QMenu *m_menu = nullptr;
    std::shared_ptr<TOrthographe> m_orthographe;
    QList<TOrthographe::Mot> m_fautesTitre;
    // The dictionary being loaded, and the one that could not be (null: none).
    QPointer<QThread> m_chargement;
    QString m_absent;
    bool m_revoirPrevu = false;
};
