#include "formats/qti/qti21.h"

#include "formats/qti/manifeste.h"
#include "formats/qti/qti21commun.h"

#include "formats/contrat.h"
#include "formats/format.h"
#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"

void TFichierQti21::Exporter(const TFichierX &fichier, const QString &nom, Formats::Rapport *rapport,
                             const TOptions &options)
{
    // Counted apart: the report is added to only once the file is written.
    Formats::Rapport pertes;
    const QByteArray contenu = EcrirePaquet(fichier, &pertes, options);
    Contrat::EcrireExport(fichier, nom, contenu);
    if (rapport) {
        for (const Formats::Perte &p : pertes.Pertes())
            rapport->Ajouter(p);
    }
}

std::unique_ptr<TFichierX> TFichierQti21::Importer(const QString &nom, Formats::Rapport *rapport,
                                                   const TOptions &options)
{
    const QByteArray octets = TFlux::Ouvrir(nom, false)->LireTout();
    auto f = octets.startsWith("PK") ? LirePaquet(octets, rapport, options) : LireItem(octets, rapport, options);
    // A new document: its cards are nowhere on disk in a card file's format yet.
    f->Modifie = true;
    return f;
}

bool TFichierQti21::EstItem(const QByteArray &tete)
{
    // The root element's name, past the declaration, comments and blanks.
    qsizetype i = tete.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < tete.size()) {
        const char c = tete.at(i);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (tete.mid(i, 2) == "<?") {
            const qsizetype fin = tete.indexOf("?>", i + 2);
            if (fin < 0)
                return false;
            i = fin + 2;
        } else if (tete.mid(i, 4) == "<!--") {
            const qsizetype fin = tete.indexOf("-->", i + 4);
            if (fin < 0)
                return false;
            i = fin + 3;
        } else {
            break;
        }
    }
    if (i >= tete.size() || tete.at(i) != '<')
        return false;
    qsizetype fin = i + 1;
    while (fin < tete.size() && !QByteArrayView(" \t\r\n/>").contains(tete.at(fin)))
        ++fin;
    QByteArray nom = tete.mid(i + 1, fin - i - 1);
    if (const qsizetype deuxPoints = nom.indexOf(':'); deuxPoints >= 0)
        nom = nom.mid(deuxPoints + 1);
    return nom == "assessmentItem" && tete.indexOf("imsqti_v2p", fin) >= 0;
}

namespace {

// An export, and an import that makes a new MCQ file.
class FormatQti21 : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u'Q'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "QTI 2.1"); }
    const char *Motif() const override { return "zip"; }
    unsigned Capacites() const override { return Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return "*.zip;*.xml"; }
    QChar TypeEntreeOuverture() const override { return u'M'; }
    int RangReconnaissance() const override { return Formats::RangReglesGenerales + 4; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        if (TFichierQti21::EstItem(tete.octets))
            return true;
        if (!tete.octets.startsWith("PK\x03\x04"))
            return false;
        // The manifest is compressed, often at the end: the whole package is looked at.
        for (const QString &type : Manifeste::TypesDuPaquet(tete.nom)) {
            if (type.startsWith(QLatin1String("imsqti_item_xmlv2p"))
                || type.startsWith(QLatin1String("imsqti_test_xmlv2p")))
                return true;
        }
        return false;
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierQti21::Importer(nom, l.rapport, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierQti21::Exporter(f, nom, e.rapport, e.options);
    }
    QChar FormatLu() const override { return u'm'; }
    bool Accepte(const TFichierX &f) const override { return Formats::EstQuiz(f); }
    bool OffertEnExport(const TFichierX &f) const override { return Accepte(f); }
    bool Exporte(const TFichierX &) const override { return true; }
};

} // namespace

const Formats::TFormat &Formats::FormatQti21()
{
    return Instance<::FormatQti21>();
}
