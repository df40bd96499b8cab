#include "ui/interaction.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHash>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>

namespace {

std::unique_ptr<TInteraction> &Instance()
{
    static std::unique_ptr<TInteraction> instance;
    return instance;
}

QMessageBox::StandardButton BoutonQt(TInteraction::Reponse r)
{
    switch (r) {
    case TInteraction::RepOk:
        return QMessageBox::Ok;
    case TInteraction::RepAnnuler:
        return QMessageBox::Cancel;
    case TInteraction::RepOui:
        return QMessageBox::Yes;
    case TInteraction::RepNon:
        return QMessageBox::No;
    case TInteraction::RepAbandon:
        return QMessageBox::Abort;
    case TInteraction::RepAide:
        return QMessageBox::Help;
    case TInteraction::RepRecuperer:
    case TInteraction::RepIgnorer:
    case TInteraction::RepPlusTard:
        break; // buttons of their own (BoutonPropre)
    }
    return QMessageBox::NoButton;
}

// The answers no standard button names: their text, role and object name.
QPushButton *BoutonPropre(QMessageBox &boite, TInteraction::Reponse r)
{
    QString texte;
    QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
    const char *nom = "";
    switch (r) {
    case TInteraction::RepRecuperer:
        texte = QCoreApplication::translate("Interaction", "&Recover");
        nom = "Recuperer";
        break;
    case TInteraction::RepIgnorer:
        texte = QCoreApplication::translate("Interaction", "&Discard");
        role = QMessageBox::DestructiveRole;
        nom = "Ignorer";
        break;
    case TInteraction::RepPlusTard:
        texte = QCoreApplication::translate("Interaction", "&Later");
        role = QMessageBox::RejectRole;
        nom = "PlusTard";
        break;
    default:
        return nullptr;
    }
    QPushButton *bouton = boite.addButton(texte, role);
    bouton->setObjectName(QLatin1String(nom));
    bouton->setAccessibleName(texte.remove(u'&'));
    return bouton;
}

QMessageBox::Icon Icone(TInteraction::Genre genre)
{
    switch (genre) {
    case TInteraction::Avertissement:
        return QMessageBox::Warning;
    case TInteraction::Erreur:
        return QMessageBox::Critical;
    case TInteraction::Information:
        return QMessageBox::Information;
    case TInteraction::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

std::function<void(int)> &AfficheurAide()
{
    static std::function<void(int)> afficheur;
    return afficheur;
}

} // namespace

std::vector<TInteraction::Reponse> TInteraction::ReponsesPossibles(Boutons boutons)
{
    switch (boutons) {
    case Ok:
        return {RepOk};
    case OkAnnuler:
        return {RepOk, RepAnnuler};
    case OuiNon:
        return {RepOui, RepNon};
    case OuiNonAnnuler:
        return {RepOui, RepNon, RepAnnuler};
    case OuiNonAbandon:
        return {RepOui, RepNon, RepAbandon};
    case AnnulerSeul:
        return {RepAnnuler};
    case RecupererIgnorerPlusTard:
        return {RepRecuperer, RepIgnorer, RepPlusTard};
    }
    return {RepOk};
}

QStringList TInteraction::FiltresQt(const QString &filtre)
{
    QStringList resultat;
    const QStringList morceaux = filtre.split(u'|');
    for (qsizetype i = 0; i + 1 < morceaux.size(); i += 2) {
        QString motifs = morceaux.at(i + 1);
        motifs.replace(u';', u' ');
        resultat << QStringLiteral("%1 (%2)").arg(morceaux.at(i), motifs);
    }
    return resultat;
}

TInteraction::Reponse TInteraction::ReponsePrudente(Boutons boutons)
{
    const auto possibles = ReponsesPossibles(boutons);
    for (Reponse r : {RepAnnuler, RepNon, RepPlusTard})
        for (Reponse p : possibles)
            if (p == r)
                return r;
    return possibles.front();
}

TInteraction &TInteraction::Courante()
{
    auto &instance = Instance();
    if (!instance)
        instance = std::make_unique<TInteractionPlateforme>();
    return *instance;
}

void TInteraction::Installer(std::unique_ptr<TInteraction> interaction)
{
    Instance() = std::move(interaction);
}

// ---------------------------------------------------------------- platform

TInteraction::Reponse TInteractionPlateforme::Message(Genre genre, const QString &texte, Boutons boutons, int aide,
                                                      const QString &legende)
{
    for (;;) {
        // No parent: the box is centred on the screen.
        QMessageBox boite(Icone(genre), legende.isEmpty() ? QApplication::applicationName() : legende,
                          QString(texte).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        QMessageBox::StandardButtons qt;
        for (Reponse r : ReponsesPossibles(boutons))
            qt |= BoutonQt(r);
        if (aide != 0)
            qt |= QMessageBox::Help;
        boite.setStandardButtons(qt);
        QHash<QAbstractButton *, Reponse> propres;
        for (Reponse r : ReponsesPossibles(boutons)) {
            if (QPushButton *bouton = BoutonQt(r) == QMessageBox::NoButton ? BoutonPropre(boite, r) : nullptr) {
                propres.insert(bouton, r);
                if (propres.size() == 1)
                    boite.setDefaultButton(bouton);
                if (r == ReponsePrudente(boutons))
                    boite.setEscapeButton(bouton);
            }
        }
        // Help shows its page beside the box, which stays open.
        if (QAbstractButton *bouton = boite.button(QMessageBox::Help)) {
            QObject::disconnect(bouton, &QAbstractButton::clicked, nullptr, nullptr);
            QObject::connect(bouton, &QAbstractButton::clicked, &boite, [this, aide] { Aide(aide); });
        }
        const auto choisi = QMessageBox::StandardButton(boite.exec());
        if (const auto propre = propres.constFind(boite.clickedButton()); propre != propres.cend())
            return *propre;
        if (choisi == QMessageBox::Help) {
            Aide(aide);
            continue;
        }
        for (Reponse r : ReponsesPossibles(boutons))
            if (BoutonQt(r) != QMessageBox::NoButton && BoutonQt(r) == choisi)
                return r;
        return ReponsePrudente(boutons); // closed by Escape or the close box
    }
}

QString TInteraction::ExtensionDuFiltre(const QString &entreeQt)
{
    static const QRegularExpression motif(QStringLiteral("\\(\\*\\.([^ ;)*?]+)[ ;)]"));
    return motif.match(entreeQt).captured(1);
}

TInteraction::ChoixFichier TInteractionPlateforme::OuvrirFichier(const QString &filtre, int indexFiltre,
                                                                 const QString &extensionDefaut, const QString &dossier,
                                                                 bool lectureSeuleOfferte)
{
    QFileDialog dialogue(QApplication::activeWindow());
    if (!dossier.isEmpty())
        dialogue.setDirectory(dossier);
    dialogue.setOption(QFileDialog::DontUseNativeDialog); // for the read-only box
    dialogue.setAcceptMode(QFileDialog::AcceptOpen);
    dialogue.setFileMode(QFileDialog::ExistingFile);
    const QStringList filtres = FiltresQt(filtre);
    dialogue.setNameFilters(filtres);
    if (indexFiltre >= 1 && indexFiltre <= filtres.size())
        dialogue.selectNameFilter(filtres.at(indexFiltre - 1));
    dialogue.setDefaultSuffix(extensionDefaut);
    QCheckBox *lectureSeule = nullptr;
    if (lectureSeuleOfferte) {
        lectureSeule = new QCheckBox(QCoreApplication::translate("Interaction", "Open as &read-only"));
        lectureSeule->setObjectName(QStringLiteral("LectureSeule"));
        if (auto *grille = qobject_cast<QGridLayout *>(dialogue.layout()))
            grille->addWidget(lectureSeule, grille->rowCount(), 0, 1, -1);
    }
    ChoixFichier choix;
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return choix;
    choix.Accepte = true;
    choix.Chemin = dialogue.selectedFiles().constFirst();
    choix.IndexFiltre = int(filtres.indexOf(dialogue.selectedNameFilter())) + 1;
    choix.LectureSeule = lectureSeule && lectureSeule->isChecked();
    return choix;
}

TInteraction::ChoixFichier TInteractionPlateforme::SauverFichier(const QString &filtre, int indexFiltre,
                                                                 const QString &extensionDefaut,
                                                                 const QString &nomPropose, const QString &dossier)
{
    QFileDialog dialogue(QApplication::activeWindow());
    if (!dossier.isEmpty())
        dialogue.setDirectory(dossier);
    dialogue.setAcceptMode(QFileDialog::AcceptSave);
    dialogue.setFileMode(QFileDialog::AnyFile);
    // The program asks itself before overwriting another file.
    dialogue.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filtres = FiltresQt(filtre);
    dialogue.setNameFilters(filtres);
    if (indexFiltre >= 1 && indexFiltre <= filtres.size())
        dialogue.selectNameFilter(filtres.at(indexFiltre - 1));
    // No default suffix: the dialog would append the first entry's whatever
    // entry the user picks. The extension is the chosen entry's, added below.
    dialogue.selectFile(nomPropose);
    ChoixFichier choix;
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty())
        return choix;
    choix.Accepte = true;
    choix.Chemin = dialogue.selectedFiles().constFirst();
    choix.IndexFiltre = int(filtres.indexOf(dialogue.selectedNameFilter())) + 1;
    if (QFileInfo(choix.Chemin).suffix().isEmpty()) {
        QString extension = ExtensionDuFiltre(dialogue.selectedNameFilter());
        if (extension.isEmpty())
            extension = extensionDefaut;
        if (!extension.isEmpty())
            choix.Chemin += u'.' + extension;
    }
    return choix;
}

bool TInteractionPlateforme::ChoisirPolice(QFont &police)
{
    bool ok = false;
    const QFont choisie = QFontDialog::getFont(&ok, police, QApplication::activeWindow());
    if (ok)
        police = choisie;
    return ok;
}

bool TInteractionPlateforme::Imprimer(QPrinter &imprimante)
{
    QPrintDialog dialogue(&imprimante, QApplication::activeWindow());
    return dialogue.exec() == QDialog::Accepted;
}

bool TInteractionPlateforme::Saisir(const QString &legende, const QString &invite, QString &texte)
{
    bool ok = false;
    const QString saisi = QInputDialog::getText(QApplication::activeWindow(), legende, invite, QLineEdit::Normal, texte,
                                                &ok);
    if (ok)
        texte = saisi;
    return ok;
}

int TInteractionPlateforme::Executer(QDialog &dialogue)
{
    return dialogue.exec();
}

void TInteractionPlateforme::Aide(int sujet)
{
    if (AfficheurAide())
        AfficheurAide()(sujet);
}

void TInteractionPlateforme::DefinirAfficheurAide(std::function<void(int)> afficheur)
{
    AfficheurAide() = std::move(afficheur);
}

namespace {

class ProgressionDialogue : public TInteraction::Progression
{
public:
    explicit ProgressionDialogue(const QString &texte) : m_texte(texte) { Creer(); }

    bool Avancer(qint64 fait, qint64 total) override
    {
        if (!m_dialogue)
            return true;
        if (total > 0) {
            if (m_dialogue->maximum() == 0)
                m_dialogue->setRange(0, Etapes + 1);
            // Never the minimum again: that would start the half second anew.
            m_dialogue->setValue(1 + int(qBound<qint64>(0, fait, total) * Etapes / total));
        }
        // Until the dialog shows, the window only repaints: a click must not
        // start another command in the middle of this one.
        QCoreApplication::processEvents(m_dialogue->isVisible() ? QEventLoop::AllEvents
                                                                : QEventLoop::ExcludeUserInputEvents);
        return !m_dialogue->wasCanceled();
    }

    // A hidden progress dialog may still show itself when its delay ends: it
    // goes, and a new one comes back.
    void Suspendre(bool suspendu) override
    {
        if (suspendu)
            m_dialogue.reset();
        else if (!m_dialogue)
            Creer();
    }

private:
    void Creer()
    {
        m_dialogue = std::make_unique<QProgressDialog>(QApplication::activeWindow());
        m_dialogue->setWindowTitle(QApplication::applicationDisplayName());
        m_dialogue->setLabelText(m_texte);
        m_dialogue->setWindowModality(Qt::ApplicationModal);
        m_dialogue->setAutoReset(false);
        m_dialogue->setAutoClose(false);
        m_dialogue->setRange(0, 0); // a busy bar until the work knows its size
        m_dialogue->setMinimumDuration(500);
        m_dialogue->setValue(0); // the half second starts here
    }

    static constexpr int Etapes = 1000;
    QString m_texte;
    std::unique_ptr<QProgressDialog> m_dialogue;
};

} // namespace

std::unique_ptr<TInteraction::Progression> TInteractionPlateforme::SuivreProgression(const QString &texte)
{
    return std::make_unique<ProgressionDialogue>(texte);
}
