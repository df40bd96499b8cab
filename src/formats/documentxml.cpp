#include "formats/documentxml.h"

#include "formats/gardexml.h"
#include "model/budget.h"

#include <QCoreApplication>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <cstring>

namespace {

// libxml2 reports some failures (encoding conversions, I/O) through its
// generic handler, which prints to the standard error: the program shows
// refusals itself, so that output is only noise.
void Silence(void *, const char *, ...) { }

void FaireTaireLibxml()
{
    static const bool fait = [] {
        GardeXml::PreparerMemoire();
        xmlSetGenericErrorFunc(nullptr, Silence);
        return true;
    }();
    (void)fait;
}

// A list of a document's nodes is held while a reader walks it: it counts
// against the file's memory budget like the nodes themselves.
QList<TNoeudXml> Compter(QList<TNoeudXml> liste)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(liste.capacity() * qsizetype(sizeof(TNoeudXml)));
    return liste;
}

xmlNodePtr N(void *p)
{
    return static_cast<xmlNodePtr>(p);
}

QString DepuisXml(const xmlChar *texte)
{
    return texte ? QString::fromUtf8(reinterpret_cast<const char *>(texte)) : QString();
}

// Line breaks as LF, whatever reached the tree (a character reference can
// still bring a CR).
QString FinsDeLigneLf(QString texte)
{
    if (texte.contains(u'\r')) {
        texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        texte.replace(u'\r', u'\n');
    }
    return texte;
}

QString NomQualifie(const xmlChar *nom, xmlNsPtr ns)
{
    QString resultat = DepuisXml(nom);
    if (ns && ns->prefix)
        resultat = DepuisXml(ns->prefix) + u':' + resultat;
    return resultat;
}

xmlAttrPtr TrouverAttribut(xmlNodePtr noeud, const QString &nom)
{
    if (!noeud || noeud->type != XML_ELEMENT_NODE)
        return nullptr;
    for (xmlAttrPtr a = noeud->properties; a; a = a->next)
        if (NomQualifie(a->name, a->ns) == nom)
            return a;
    return nullptr;
}

QString NomElement(xmlNodePtr noeud)
{
    return NomQualifie(noeud->name, noeud->ns);
}

// --- Parsing ---------------------------------------------------------------

struct EtatAnalyse
{
    bool typeDocument = false;
};

// A document type declaration stops the parser at once, before any entity
// is declared.
void RefuserTypeDocument(void *contexte, const xmlChar *, const xmlChar *, const xmlChar *)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(contexte);
    if (auto etat = static_cast<EtatAnalyse *>(ctxt->_private))
        etat->typeDocument = true;
    xmlStopParser(ctxt);
}

void IgnorerErreur(void *, xmlErrorPtr) { }

// The text is marked for translation where it is written.
[[noreturn]] void Echec(const char *texte)
{
    throw ErreurDocumentXml(QCoreApplication::translate("DocumentXml", texte));
}

} // namespace

// --- TNoeudXml -------------------------------------------------------------

TNoeudXml::Genre TNoeudXml::Type() const
{
    if (!m_noeud)
        return Genre::Nul;
    switch (N(m_noeud)->type) {
    case XML_DOCUMENT_NODE:
        return Genre::Document;
    case XML_ELEMENT_NODE:
        return Genre::Element;
    case XML_TEXT_NODE:
        return Genre::Texte;
    case XML_CDATA_SECTION_NODE:
        return Genre::CData;
    case XML_PI_NODE:
        return xmlStrcmp(N(m_noeud)->name, BAD_CAST "xml") == 0 ? Genre::Declaration : Genre::Instruction;
    case XML_COMMENT_NODE:
        return Genre::Commentaire;
    case XML_DTD_NODE:
    case XML_DOCUMENT_TYPE_NODE:
        return Genre::TypeDocument;
    default:
        return Genre::Autre;
    }
}

QString TNoeudXml::Nom() const
{
    switch (Type()) {
    case Genre::Element:
        return NomElement(N(m_noeud));
    case Genre::Instruction:
    case Genre::Declaration:
        return DepuisXml(N(m_noeud)->name);
    default:
        return QString();
    }
}

QString TNoeudXml::Attribut(const QString &nom) const
{
    xmlAttrPtr a = TrouverAttribut(N(m_noeud), nom);
    if (!a)
        return QString();
    xmlChar *valeur = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    QString resultat = DepuisXml(valeur);
    xmlFree(valeur);
    if (resultat.isNull())
        resultat = QLatin1String(""); // present but empty: not null
    return resultat;
}

bool TNoeudXml::AAttribut(const QString &nom) const
{
    return TrouverAttribut(N(m_noeud), nom) != nullptr;
}

TNoeudXml TNoeudXml::Enfant(const QString &nom) const
{
    if (!m_noeud)
        return TNoeudXml();
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        if (e->type == XML_ELEMENT_NODE && NomElement(e) == nom)
            return TNoeudXml(e);
    return TNoeudXml();
}

QList<TNoeudXml> TNoeudXml::Enfants(const QString &nom) const
{
    QList<TNoeudXml> liste;
    if (!m_noeud)
        return liste;
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        if (e->type == XML_ELEMENT_NODE && NomElement(e) == nom)
            liste.append(TNoeudXml(e));
    return Compter(liste);
}

QList<TNoeudXml> TNoeudXml::Elements() const
{
    QList<TNoeudXml> liste;
    if (!m_noeud)
        return liste;
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        if (e->type == XML_ELEMENT_NODE)
            liste.append(TNoeudXml(e));
    return Compter(liste);
}

QList<TNoeudXml> TNoeudXml::Noeuds() const
{
    QList<TNoeudXml> liste;
    if (!m_noeud)
        return liste;
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        liste.append(TNoeudXml(e));
    return Compter(liste);
}

QString TNoeudXml::Texte() const
{
    if (!m_noeud)
        return QString();
    if (N(m_noeud)->type == XML_DOCUMENT_NODE)
        return TNoeudXml(xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(m_noeud))).Texte();
    xmlChar *texte = xmlNodeGetContent(N(m_noeud));
    QString resultat = FinsDeLigneLf(DepuisXml(texte));
    xmlFree(texte);
    if (resultat.isNull())
        resultat = QLatin1String("");
    return resultat;
}

void TNoeudXml::AjouterTexteUtf8(QByteArray &sortie) const
{
    const xmlNodePtr noeud = N(m_noeud);
    if (!noeud)
        return;
    switch (noeud->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        if (noeud->content)
            sortie.append(reinterpret_cast<const char *>(noeud->content));
        return;
    case XML_ELEMENT_NODE:
        for (xmlNodePtr e = noeud->children; e; e = e->next) {
            if (e->type == XML_TEXT_NODE || e->type == XML_CDATA_SECTION_NODE || e->type == XML_ELEMENT_NODE) {
                TNoeudXml(e).AjouterTexteUtf8(sortie);
            } else if (e->type == XML_ENTITY_REF_NODE || e->type == XML_ENTITY_NODE) {
                // Not in the documents read (no declarations): libxml2 says.
                xmlChar *texte = xmlNodeGetContent(e);
                if (texte)
                    sortie.append(reinterpret_cast<const char *>(texte));
                xmlFree(texte);
            }
        }
        return;
    default: {
        xmlChar *texte = xmlNodeGetContent(noeud);
        if (texte)
            sortie.append(reinterpret_cast<const char *>(texte));
        xmlFree(texte);
        return;
    }
    }
}

bool TNoeudXml::EstElementNomme(const QByteArray &nomUtf8) const
{
    const xmlNodePtr noeud = N(m_noeud);
    if (!noeud || noeud->type != XML_ELEMENT_NODE || !noeud->name)
        return false;
    const char *nom = reinterpret_cast<const char *>(noeud->name);
    if (!noeud->ns || !noeud->ns->prefix)
        return nomUtf8 == nom;
    const char *prefixe = reinterpret_cast<const char *>(noeud->ns->prefix);
    const qsizetype p = qsizetype(std::strlen(prefixe));
    return nomUtf8.size() > p && nomUtf8.startsWith(QByteArrayView(prefixe, p)) && nomUtf8.at(p) == ':'
        && QByteArrayView(nomUtf8).sliced(p + 1) == QByteArrayView(nom);
}

TNoeudXml TNoeudXml::PremierEnfant() const
{
    return m_noeud && N(m_noeud)->type != XML_ATTRIBUTE_NODE ? TNoeudXml(N(m_noeud)->children) : TNoeudXml();
}

TNoeudXml TNoeudXml::Suivant() const
{
    return m_noeud ? TNoeudXml(N(m_noeud)->next) : TNoeudXml();
}

QString TNoeudXml::Cible() const
{
    const Genre g = Type();
    return g == Genre::Instruction || g == Genre::Declaration ? DepuisXml(N(m_noeud)->name) : QString();
}

QString TNoeudXml::Donnees() const
{
    const Genre g = Type();
    return g == Genre::Instruction || g == Genre::Declaration ? FinsDeLigneLf(DepuisXml(N(m_noeud)->content))
                                                              : QString();
}

int TNoeudXml::Ligne() const
{
    if (!m_noeud || N(m_noeud)->type == XML_DOCUMENT_NODE)
        return 0;
    const long ligne = xmlGetLineNo(N(m_noeud));
    return ligne > 0 && ligne < INT_MAX ? int(ligne) : 0;
}

// --- TDocumentXml ----------------------------------------------------------

struct TDocumentXml::Prive
{
    xmlDocPtr doc = nullptr;
    int ligneErreur = 0;
    QString messageErreur;

    void Liberer()
    {
        if (doc)
            xmlFreeDoc(doc);
        doc = nullptr;
    }
};

TDocumentXml::TDocumentXml() : d(new Prive)
{
    FaireTaireLibxml();
    xmlInitParser();
    d->doc = xmlNewDoc(BAD_CAST "1.0");
    if (!d->doc)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Out of memory."));
}

TDocumentXml::~TDocumentXml()
{
    d->Liberer();
}

bool TDocumentXml::Charger(const QByteArray &octets)
{
    d->Liberer();
    d->ligneErreur = 0;
    d->messageErreur.clear();
    auto refuser = [this](int ligne, const QString &message) {
        d->ligneErreur = ligne;
        d->messageErreur = message;
        d->doc = xmlNewDoc(BAD_CAST "1.0"); // stays usable, empty
        return false;
    };
    if (octets.size() > INT_MAX / 2)
        return refuser(0, QCoreApplication::translate("DocumentXml", "The document is too large."));

    int ligneAttributs = 0;
    if (!GardeXml::AttributsRaisonnables(octets, ligneAttributs))
        return refuser(ligneAttributs,
                       QCoreApplication::translate("DocumentXml", "An element has more than %1 attributes.")
                           .arg(GardeXml::MaxAttributs));
    FaireTaireLibxml();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return refuser(0, QCoreApplication::translate("DocumentXml", "Out of memory."));
    EtatAnalyse etat;
    ctxt->_private = &etat;
    ctxt->sax->internalSubset = RefuserTypeDocument;
    ctxt->sax->externalSubset = RefuserTypeDocument;
    ctxt->sax->serror = IgnorerErreur;
    // NONET: nothing is ever fetched; no NOENT, DTDLOAD or HUGE, so entities
    // stay unexpanded and libxml2's size and depth limits hold.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, octets.constData(), int(octets.size()), nullptr, nullptr, options);
    const bool bienForme = ctxt->wellFormed && !etat.typeDocument && doc;
    int ligne = 0;
    QString message;
    if (!bienForme) {
        if (etat.typeDocument) {
            ligne = ctxt->input ? ctxt->input->line : 0;
            message = QCoreApplication::translate("DocumentXml", "Document type declarations are not accepted.");
        } else if (xmlErrorPtr e = xmlCtxtGetLastError(ctxt); e && e->code != XML_ERR_OK) {
            ligne = e->line;
            message = DepuisXml(BAD_CAST e->message).trimmed();
        }
        if (message.isEmpty())
            message = QCoreApplication::translate("DocumentXml", "The document is not well-formed.");
    }
    xmlFreeParserCtxt(ctxt);
    if (!bienForme) {
        if (doc)
            xmlFreeDoc(doc);
        // The parser ran out of the file's memory budget: say that, not what it made of it.
        if (TBudgetMemoire *budget = TBudgetMemoire::Courant(); budget && budget->Depasse()) {
            d->doc = xmlNewDoc(BAD_CAST "1.0");
            budget->Refuser();
        }
        return refuser(ligne, message);
    }
    if (!xmlDocGetRootElement(doc)) {
        xmlFreeDoc(doc);
        return refuser(0, QCoreApplication::translate("DocumentXml", "The document has no root element."));
    }
    d->doc = doc;
    return true;
}

int TDocumentXml::LigneErreur() const
{
    return d->ligneErreur;
}

QString TDocumentXml::MessageErreur() const
{
    return d->messageErreur;
}

QString TDocumentXml::Encodage() const
{
    return d->doc && d->doc->encoding ? DepuisXml(d->doc->encoding) : QString();
}

TNoeudXml TDocumentXml::Noeud() const
{
    return TNoeudXml(d->doc);
}

TNoeudXml TDocumentXml::Racine() const
{
    return TNoeudXml(d->doc ? xmlDocGetRootElement(d->doc) : nullptr);
}

QList<TNoeudXml> TDocumentXml::InstructionsAvantRacine() const
{
    QList<TNoeudXml> liste;
    for (xmlNodePtr n = d->doc ? d->doc->children : nullptr; n && n->type != XML_ELEMENT_NODE; n = n->next)
        if (n->type == XML_PI_NODE)
            liste.append(TNoeudXml(n));
    return liste;
}

// --- Streaming -------------------------------------------------------------

namespace {

xmlTextReaderPtr R(void *p)
{
    return static_cast<xmlTextReaderPtr>(p);
}

} // namespace

TLectureXml::TLectureXml(const QByteArray &octets)
{
    // The same refusals as Charger: no document type declaration (looked for
    // in the bytes, before the parser could declare anything), no network.
    int ligne = 0;
    if (octets.size() > INT_MAX / 2 || octets.contains("<!DOCTYPE")
        || !GardeXml::AttributsRaisonnables(octets, ligne)) {
        m_erreur = true;
        return;
    }
    FaireTaireLibxml();
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    m_lecteur = xmlReaderForMemory(octets.constData(), int(octets.size()), nullptr, nullptr, options);
    if (!m_lecteur) {
        m_erreur = true;
        return;
    }
    xmlTextReaderSetStructuredErrorHandler(
        R(m_lecteur), [](void *, xmlErrorPtr) {}, nullptr);
}

TLectureXml::~TLectureXml()
{
    if (m_lecteur)
        xmlFreeTextReader(R(m_lecteur));
}

bool TLectureXml::LireRacine()
{
    if (m_erreur)
        return false;
    for (;;) {
        const int lu = xmlTextReaderRead(R(m_lecteur));
        if (lu != 1) {
            m_erreur = true;
            return false;
        }
        const int genre = xmlTextReaderNodeType(R(m_lecteur));
        xmlNodePtr noeud = xmlTextReaderCurrentNode(R(m_lecteur));
        if (genre == XML_READER_TYPE_DOCUMENT_TYPE || !noeud) {
            m_erreur = true;
            return false;
        }
        if (genre == XML_READER_TYPE_ELEMENT) {
            m_racine = noeud;
            m_finRacine = xmlTextReaderIsEmptyElement(R(m_lecteur)) == 1;
            return true;
        }
        const TNoeudXml n(noeud);
        Prologue p{n.Type(), QString(), QString()};
        if (p.genre == TNoeudXml::Genre::Instruction || p.genre == TNoeudXml::Genre::Declaration) {
            p.cible = n.Cible();
            p.donnees = n.Donnees();
        }
        m_prologue.append(p);
    }
}

TNoeudXml TLectureXml::Suivant()
{
    if (m_erreur || m_finRacine || !m_racine)
        return TNoeudXml();
    // Past the tree given last time: its nodes are freed as the reader goes.
    int lu = m_surEnfant ? xmlTextReaderNext(R(m_lecteur)) : xmlTextReaderRead(R(m_lecteur));
    m_surEnfant = false;
    for (;;) {
        if (lu != 1) {
            m_erreur = true;
            return TNoeudXml();
        }
        const int genre = xmlTextReaderNodeType(R(m_lecteur));
        const int profondeur = xmlTextReaderDepth(R(m_lecteur));
        if (profondeur == 0 && genre == XML_READER_TYPE_END_ELEMENT) {
            m_finRacine = true;
            return TNoeudXml();
        }
        if (profondeur == 1 && genre == XML_READER_TYPE_ELEMENT) {
            xmlNodePtr noeud = xmlTextReaderExpand(R(m_lecteur));
            if (!noeud) {
                m_erreur = true;
                return TNoeudXml();
            }
            m_surEnfant = true;
            return TNoeudXml(noeud);
        }
        lu = xmlTextReaderRead(R(m_lecteur));
    }
}

bool TLectureXml::Terminer()
{
    while (!m_erreur && !m_finRacine)
        Suivant();
    if (m_erreur)
        return false;
    int lu;
    while ((lu = xmlTextReaderRead(R(m_lecteur))) == 1) {
        if (xmlTextReaderNodeType(R(m_lecteur)) == XML_READER_TYPE_DOCUMENT_TYPE)
            m_erreur = true;
    }
    if (lu != 0)
        m_erreur = true;
    return !m_erreur;
}

QString TLectureXml::Encodage() const
{
    if (!m_lecteur)
        return QString();
    const xmlChar *encodage = xmlTextReaderConstEncoding(R(m_lecteur));
    return encodage ? DepuisXml(encodage) : QString();
}
