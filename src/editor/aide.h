#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QUrl>

class QTextBrowser;
class QAction;

// The program's help window: the user documentation compiled into the
// program as resources, one page per help topic, shown in a text browser.
// One window serves the whole run; it is not modal, so the user can keep
// it open beside the card being edited.
class TAide : public QMainWindow
{
    Q_OBJECT

public:
    // The window of the run, created on first use.
    static TAide *Instance();

    // Shows the window at the page of a topic; an unknown topic shows the
    // contents page, so F1 or a Help button never leads nowhere.
    static void AfficherRubrique(int topic);
    // Closes the window of the run if there is one; it is never made for this.
    static void Fermer();

    // Resource path of a topic's page (":/aide/topic-<n>.html"), or of the
    // contents page when the topic has no page of its own.
    static QString PageRubrique(int topic);
    static QString PageSommaire();
    // Language of the interface ("en", "fr"), which the pages follow.
    static QString Langue();
    // The topics that have a page, in increasing order.
    static QList<int> Rubriques();

    void Afficher(const QUrl &page);
    QUrl PageCourante() const;
    QTextBrowser *Navigateur() const { return m_navigateur; }

protected:
    bool eventFilter(QObject *objet, QEvent *event) override;

private:
    explicit TAide(QWidget *parent = nullptr);
    // Help asked from a modal dialog would be blocked by it: the window goes
    // under that dialog while it is shown, and back on its own after.
    void SuivreDialogue(QWidget *modal);

    QTextBrowser *m_navigateur = nullptr;
    QAction *m_precedent = nullptr;
    QAction *m_suivant = nullptr;
};
