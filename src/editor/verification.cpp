#include "editor/verification.h"

#include "settings/init.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QThread>
#include <QTimer>

#include <map>

namespace {

QTextCharFormat FormatFaute()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

// The dictionaries loaded in this run, by name: a window opened later, or a
// dictionary chosen again, does not read the files again. Ignored words last
// as long as the dictionary, that is the run.
std::map<QString, std::shared_ptr<TOrthographe>> &DictionnairesCharges()
{
    static std::map<QString, std::shared_ptr<TOrthographe>> charges;
    return charges;
}

struct Chargement
{
    std::unique_ptr<TOrthographe> orthographe;
    QString erreur;
};

} // namespace

// Underlines the misspelt words of a memo, block by block as they change.
class TSurligneur : public QSyntaxHighlighter
{
public:
    TSurligneur(TVerificationOrthographe *verification, QTextDocument *document)
        : QSyntaxHighlighter(document), m_verification(verification)
    {
    }

protected:
    void highlightBlock(const QString &texte) override
    {
        if (texte.isEmpty() || !Parametres.spell)
            return;
        if (!m_verification->m_orthographe) {
            m_verification->Charger();
            return;
        }
        static const QTextCharFormat format = FormatFaute();
        for (const TOrthographe::Mot &m : m_verification->m_orthographe->Fautes(texte))
            setFormat(int(m.debut), int(m.longueur), format);
    }

private:
    TVerificationOrthographe *m_verification;
};

TVerificationOrthographe::TVerificationOrthographe(QMainWindow *fenetre, QLineEdit *titre, QPlainTextEdit *question,
                                                   QPlainTextEdit *reponse)
    : QObject(fenetre), m_fenetre(fenetre), m_titre(titre), m_question(question), m_reponse(reponse)
{
    m_surligneurQuestion = new TSurligneur(this, question->document());
    m_surligneurReponse = new TSurligneur(this, reponse->document());
    connect(titre, &QLineEdit::textChanged, this, &TVerificationOrthographe::SoulignerTitre);
    for (QWidget *champ :
         {static_cast<QWidget *>(titre), static_cast<QWidget *>(question), static_cast<QWidget *>(reponse)}) {
        champ->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(champ, &QWidget::customContextMenuRequested, this, [this, champ](const QPoint &position) {
            std::unique_ptr<QMenu> menu(MenuContextuel(champ, position));
            // A memo's point is its viewport's.
            const auto *memo = qobject_cast<QPlainTextEdit *>(champ);
            menu->exec(memo ? memo->viewport()->mapToGlobal(position) : champ->mapToGlobal(position));
        });
    }
}

TVerificationOrthographe::~TVerificationOrthographe()
{
    // The loading thread ends before what it reports to goes.
    if (m_chargement) {
        disconnect(m_chargement, nullptr, this, nullptr);
        m_chargement->wait();
        delete m_chargement;
    }
}

QString TVerificationOrthographe::DictionnaireVoulu() const
{
    if (!Parametres.spldic.isEmpty())
        return Parametres.spldic;
    QStringList noms;
    for (const TOrthographe::Dictionnaire &d : TOrthographe::Installes())
        noms << d.nom;
    return TOrthographe::ParDefaut(noms, QLocale());
}

bool TVerificationOrthographe::Active() const
{
    return Parametres.spell && m_orthographe;
}

bool TVerificationOrthographe::Pret() const
{
    return !m_chargement && (m_orthographe || !m_absent.isNull());
}

void TVerificationOrthographe::Charger()
{
    if (!Parametres.spell || m_chargement)
        return;
    const QString nom = DictionnaireVoulu();
    if ((m_orthographe && m_orthographe->Nom() == nom) || (!m_absent.isNull() && m_absent == nom))
        return;
    auto &charges = DictionnairesCharges();
    const auto charge = charges.find(nom);
    if (charge != charges.end()) {
        m_orthographe = charge->second;
        Revoir();
        return;
    }
    if (nom.isEmpty()) {
        m_absent = nom;
        Noter(tr("Spell checking is off: no dictionary of the interface's language is installed."));
        return;
    }
    auto resultat = std::make_shared<Chargement>();
    m_chargement = QThread::create(
        [resultat, nom] { resultat->orthographe = TOrthographe::Ouvrir(nom, &resultat->erreur); });
    connect(m_chargement, &QThread::finished, this, [this, resultat, nom] {
        m_chargement->deleteLater();
        m_chargement = nullptr;
        if (resultat->orthographe) {
            m_orthographe = std::move(resultat->orthographe);
            DictionnairesCharges()[nom] = m_orthographe;
        } else {
            m_absent = nom;
            Noter(tr("Spell checking is off: %1").arg(resultat->erreur));
        }
        Revoir();
    });
    m_chargement->start(QThread::LowPriority);
}

// Everything checked again once control is back in the event loop: a
// dictionary came or went, a word was added, a setting changed.
void TVerificationOrthographe::Revoir()
{
    if (m_revoirPrevu)
        return;
    m_revoirPrevu = true;
    QTimer::singleShot(0, this, [this] {
        m_revoirPrevu = false;
        if (m_orthographe && m_orthographe->Nom() != DictionnaireVoulu())
            m_orthographe.reset();
        Charger();
        m_surligneurQuestion->rehighlight();
        m_surligneurReponse->rehighlight();
        SoulignerTitre();
    });
}

// A line edit has no highlighter: its text layout takes the formats an input
// method gives, which is how the underlines are set. A read-only field takes
// none, so it is made writable for that moment.
void TVerificationOrthographe::SoulignerTitre()
{
    m_fautesTitre.clear();
    if (Parametres.spell && !m_orthographe && !m_titre->text().isEmpty())
        Charger();
    if (Active())
        m_fautesTitre = m_orthographe->Fautes(m_titre->text());
    static const QTextCharFormat format = FormatFaute();
    QList<QInputMethodEvent::Attribute> attributs;
    const int curseur = m_titre->cursorPosition();
    for (const TOrthographe::Mot &m : std::as_const(m_fautesTitre))
        attributs.append(QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, int(m.debut) - curseur,
                                                      int(m.longueur), format));
    const bool lectureSeule = m_titre->isReadOnly();
    if (lectureSeule)
        m_titre->setReadOnly(false);
    QInputMethodEvent formats(QString(), attributs);
    QCoreApplication::sendEvent(m_titre, &formats);
    if (lectureSeule)
        m_titre->setReadOnly(true);
}

QList<TOrthographe::Mot> TVerificationOrthographe::Fautes(const QWidget *champ) const
{
    if (champ == m_titre)
        return m_fautesTitre;
    const auto *memo = qobject_cast<const QPlainTextEdit *>(champ);
    QList<TOrthographe::Mot> fautes;
    if (!memo)
        return fautes;
    for (QTextBlock bloc = memo->document()->begin(); bloc.isValid(); bloc = bloc.next()) {
        for (const QTextLayout::FormatRange &r : bloc.layout()->formats())
            if (r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                fautes.append(TOrthographe::Mot{bloc.position() + r.start, r.length});
    }
    return fautes;
}

void TVerificationOrthographe::Noter(const QString &message)
{
    QStatusBar *barre = m_fenetre->findChild<QStatusBar *>(QString(), Qt::FindDirectChildrenOnly);
    if (!barre) {
        // Shown only while it has something to say: the fields keep their room.
        barre = m_fenetre->statusBar();
        connect(barre, &QStatusBar::messageChanged, barre,
                [barre](const QString &texte) { barre->setVisible(!texte.isEmpty()); });
    }
    barre->setVisible(true);
    barre->showMessage(message, 15000);
}

QMenu *TVerificationOrthographe::MenuContextuel(QWidget *champ, const QPoint &position)
{
    QMenu *menu = nullptr;
    QString texte;
    int debutBloc = 0;
    int curseur = 0;
    bool lectureSeule = true;
    if (auto *memo = qobject_cast<QPlainTextEdit *>(champ)) {
        menu = memo->createStandardContextMenu(position);
        const QTextCursor c = memo->cursorForPosition(position);
        texte = c.block().text();
        debutBloc = c.block().position();
        curseur = c.positionInBlock();
        lectureSeule = memo->isReadOnly();
    } else if (auto *ligne = qobject_cast<QLineEdit *>(champ)) {
        menu = ligne->createStandardContextMenu();
        texte = ligne->text();
        curseur = ligne->cursorPositionAt(position);
        lectureSeule = ligne->isReadOnly();
    }
    if (!menu || !Active())
        return menu;
    const QList<TOrthographe::Mot> fautes = m_orthographe->Fautes(texte);
    const auto faute = std::find_if(fautes.cbegin(), fautes.cend(), [curseur](const TOrthographe::Mot &m) {
        return curseur >= m.debut && curseur <= m.debut + m.longueur;
    });
    if (faute == fautes.cend())
        return menu;
    const QString mot = texte.mid(faute->debut, faute->longueur);
    const int debut = debutBloc + int(faute->debut);
    const int longueur = int(faute->longueur);
    QAction *premiere = menu->actions().value(0);
    const auto ajouter = [menu, premiere](const QString &legende, const char *nom) {
        auto *action = new QAction(legende, menu);
        action->setObjectName(QLatin1String(nom));
        menu->insertAction(premiere, action);
        return action;
    };
    const QStringList suggestions = m_orthographe->Suggestions(mot);
    for (const QString &suggestion : suggestions) {
        QAction *action = ajouter(suggestion, "Suggestion");
        action->setEnabled(!lectureSeule);
        connect(action, &QAction::triggered, this, [champ, debut, longueur, suggestion] {
            if (auto *memo = qobject_cast<QPlainTextEdit *>(champ)) {
                QTextCursor c(memo->document());
                c.setPosition(debut);
                c.setPosition(debut + longueur, QTextCursor::KeepAnchor);
                c.insertText(suggestion);
            } else if (auto *ligne = qobject_cast<QLineEdit *>(champ)) {
                ligne->setSelection(debut, longueur);
                ligne->insert(suggestion);
            }
        });
    }
    if (suggestions.isEmpty())
        ajouter(tr("(No suggestions)"), "SansSuggestion")->setEnabled(false);
    connect(ajouter(tr("Add to dictionary"), "AjouterDictionnaire"), &QAction::triggered, this, [this, mot] {
        if (!m_orthographe->Ajouter(mot))
            Noter(tr("\"%1\" is accepted until the program ends, but could not be saved in %2.")
                      .arg(mot, TOrthographe::CheminMotsPersonnels()));
        Revoir();
    });
    connect(ajouter(tr("Ignore"), "IgnorerMot"), &QAction::triggered, this, [this, mot] {
        m_orthographe->Ignorer(mot);
        Revoir();
    });
    if (premiere)
        menu->insertSeparator(premiere);
    return menu;
}

void TVerificationOrthographe::InstallerMenu(QMenu *menu)
{
    m_menu = menu->addMenu(tr("S&pelling"));
    m_menu->setObjectName(QStringLiteral("Orthographe1"));
    m_menu->menuAction()->setObjectName(QStringLiteral("Orthographe1"));
    connect(m_menu, &QMenu::aboutToShow, this, &TVerificationOrthographe::RemplirMenu);
    RemplirMenu();
}

// The installed dictionaries are listed each time the menu opens: one may
// have been installed meanwhile.
void TVerificationOrthographe::RemplirMenu()
{
    m_menu->clear();
    QAction *verifier = m_menu->addAction(tr("&Check spelling as you type"));
    verifier->setObjectName(QStringLiteral("VerifierOrthographe1"));
    verifier->setCheckable(true);
    verifier->setChecked(Parametres.spell);
    connect(verifier, &QAction::toggled, this, [this](bool active) {
        Parametres.spell = active;
        m_absent = QString();
        emit ReglageModifie();
        Revoir();
    });
    m_menu->addSeparator();

    auto *groupe = new QActionGroup(m_menu);
    const QList<TOrthographe::Dictionnaire> installes = TOrthographe::Installes();
    QStringList noms;
    for (const TOrthographe::Dictionnaire &d : installes)
        noms << d.nom;
    const QString defaut = TOrthographe::ParDefaut(noms, QLocale());
    const auto entree = [this, groupe](const QString &legende, const QString &nom) {
        QAction *action = m_menu->addAction(legende);
        action->setObjectName(QStringLiteral("Dictionnaire_") + nom);
        action->setCheckable(true);
        action->setChecked(Parametres.spldic == nom);
        groupe->addAction(action);
        connect(action, &QAction::triggered, this, [this, nom] {
            if (Parametres.spldic == nom)
                return;
            Parametres.spldic = nom;
            m_absent = QString();
            emit ReglageModifie();
            Revoir();
        });
    };
    entree(defaut.isEmpty() ? tr("Language of the interface (no dictionary)")
                            : tr("Language of the interface: %1").arg(TOrthographe::NomAffiche(defaut)),
           QString());
    for (const QString &nom : std::as_const(noms)) {
        const QString affiche = TOrthographe::NomAffiche(nom);
        entree(affiche == nom ? nom : QStringLiteral("%1: %2").arg(nom, affiche), nom);
    }
    // A dictionary chosen once and removed since stays shown, not usable.
    if (!Parametres.spldic.isEmpty() && !noms.contains(Parametres.spldic)) {
        entree(tr("%1 (not installed)").arg(Parametres.spldic), Parametres.spldic);
        groupe->actions().constLast()->setEnabled(false);
    }
}
