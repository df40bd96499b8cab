#include "formats/documentxml.h"

#include "formats/gardexml.h"
#include "model/budget.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>

namespace {

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

// A copy libxml2 could not make within the file's memory budget: the
// budget's refusal, never an empty text in its place.
void SiMemoireRefusee(const xmlChar *copie)
{
    if (!copie)
        if (TBudgetMemoire *budget = TBudgetMemoire::Courant(); budget && budget->Depasse())
            budget->Refuser();
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
    // When streaming: the reading, and what its receiver threw.
    TLectureXml *lecture = nullptr;
    TLectureElementsXml *elements = nullptr;
    std::exception_ptr exception;
};

// NONET: nothing is ever fetched; no NOENT, DTDLOAD or HUGE, so entities
// stay unexpanded and libxml2's size and depth limits hold.
constexpr int OptionsLecture = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// A document type declaration stops the parser at once, before any entity
// is declared.
void RefuserTypeDocument(void *contexte, const xmlChar *, const xmlChar *, const xmlChar *)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(contexte);
    if (auto etat = static_cast<EtatAnalyse *>(ctxt->_private))
        etat->typeDocument = true;
    xmlStopParser(ctxt);
}

// The text is marked for translation where it is written.
[[noreturn]] void Echec(const char *texte)
{
    if (TProgression::Annulee()) // the allocation was turned down to stop the work
        throw ErreurAnnulation();
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

bool TNoeudXml::EstNommeLocal(QStringView nom) const
{
    if (Type() != Genre::Element)
        return false;
    // The parser keeps a declared prefix apart; an undeclared one stays in the name.
    const xmlChar *local = N(m_noeud)->name;
    if (const xmlChar *deuxPoints = xmlStrchr(local, ':'))
        local = deuxPoints + 1;
    qsizetype i = 0;
    for (; i < nom.size() && local[i]; ++i) {
        if (local[i] >= 0x80 || nom[i].unicode() >= 0x80)
            return DepuisXml(local) == nom;
        if (local[i] != nom[i].unicode())
            return false;
    }
    return i == nom.size() && !local[i];
}

QString TNoeudXml::Attribut(const QString &nom) const
{
    xmlAttrPtr a = TrouverAttribut(N(m_noeud), nom);
    if (!a)
        return QString();
    xmlChar *valeur = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    SiMemoireRefusee(valeur);
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
    SiMemoireRefusee(texte);
    QString resultat = FinsDeLigneLf(DepuisXml(texte));
    xmlFree(texte);
    if (resultat.isNull())
        resultat = QLatin1String("");
    return resultat;
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
    GardeXml::PreparerMemoire();
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
    GardeXml::PreparerMemoire();
    GardeXml::OublierMessages();
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
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    const bool depasseAvant = budget && budget->Depasse();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return refuser(0, QCoreApplication::translate("DocumentXml", "Out of memory."));
    EtatAnalyse etat;
    ctxt->_private = &etat;
    ctxt->sax->internalSubset = RefuserTypeDocument;
    ctxt->sax->externalSubset = RefuserTypeDocument;
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, octets.constData(), int(octets.size()), nullptr, nullptr, OptionsLecture);
    // Memory turned down stops the parser without marking the document
    // malformed: the tree it gives is cut short.
    const bool memoire = ctxt->errNo == XML_ERR_NO_MEMORY || (budget && budget->Depasse() && !depasseAvant);
    const bool bienForme = ctxt->wellFormed && !etat.typeDocument && doc && !memoire;
    int ligne = 0;
    QString message;
    if (!bienForme) {
        if (memoire) {
            message = QCoreApplication::translate("DocumentXml", "Out of memory.");
        } else if (etat.typeDocument) {
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
        if (memoire && budget && budget->Depasse()) {
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

const unsigned char *U(const xmlChar *p)
{
    return reinterpret_cast<const unsigned char *>(p);
}

bool NomQualifieEgal(const unsigned char *prefixe, const unsigned char *nom, QByteArrayView attendu)
{
    const char *n = reinterpret_cast<const char *>(nom);
    if (!prefixe)
        return attendu == QByteArrayView(n);
    const QByteArrayView p(reinterpret_cast<const char *>(prefixe));
    return attendu.size() > p.size() && attendu.startsWith(p) && attendu.at(p.size()) == ':'
        && attendu.sliced(p.size() + 1) == QByteArrayView(n);
}

} // namespace

TBaliseXml::TBaliseXml(const unsigned char *prefixe, const unsigned char *nom, const unsigned char *const *attributs,
                       int nombre)
    : m_prefixe(prefixe), m_nom(nom), m_longueur(qsizetype(std::strlen(reinterpret_cast<const char *>(nom)))),
      m_attributs(attributs), m_nombre(nombre)
{
}

bool TBaliseXml::EstNommeePrefixe(QByteArrayView nomUtf8) const
{
    return NomQualifieEgal(m_prefixe, m_nom, nomUtf8);
}

const unsigned char *const *TBaliseXml::Trouver(QByteArrayView nomUtf8) const
{
    for (int i = 0; i < m_nombre; ++i) {
        const unsigned char *const *a = m_attributs + 5 * i;
        if (NomQualifieEgal(a[1], a[0], nomUtf8))
            return a;
    }
    return nullptr;
}

QString TBaliseXml::Attribut(QByteArrayView nomUtf8) const
{
    const unsigned char *const *a = Trouver(nomUtf8);
    if (!a)
        return QString();
    // Without entity substitution the parser hands a literal '&' on as
    // "&#38;" (the only reference left in a value); the tree resolves it.
    QByteArray valeur(reinterpret_cast<const char *>(a[3]), a[4] - a[3]);
    if (valeur.contains('&'))
        valeur.replace("&#38;", "&");
    return TLectureXml::Chaine(valeur); // present but empty: not null
}

bool TBaliseXml::AttributEst(QByteArrayView nomUtf8, QByteArrayView minuscules) const
{
    // A value holding a reference ("&#38;") is no word of letters either.
    const unsigned char *const *a = Trouver(nomUtf8);
    if (!a || a[4] - a[3] != minuscules.size())
        return false;
    for (qsizetype i = 0; i < minuscules.size(); ++i) {
        unsigned char c = a[3][i];
        if (c >= 'A' && c <= 'Z')
            c = c + ('a' - 'A');
        if (c != static_cast<unsigned char>(minuscules[i]))
            return false;
    }
    return true;
}

// The parser's callbacks: each hands its event to the receiver. Whatever the
// receiver throws must not cross libxml2's frames: it is kept, the parser
// stopped, and it is thrown again once the parser is back.
struct LectureEnCours
{
    static TLectureXml &Lecture(void *contexte)
    {
        auto ctxt = static_cast<xmlParserCtxtPtr>(contexte);
        return *static_cast<EtatAnalyse *>(ctxt->_private)->lecture;
    }

    template <typename F>
    static void Proteger(void *contexte, F &&appel)
    {
        try {
            appel(Lecture(contexte).m_recepteur);
        } catch (...) {
            auto ctxt = static_cast<xmlParserCtxtPtr>(contexte);
            static_cast<EtatAnalyse *>(ctxt->_private)->exception = std::current_exception();
            xmlStopParser(ctxt);
        }
    }

    static void Debut(void *contexte, const xmlChar *nom, const xmlChar *prefixe, const xmlChar *, int,
                      const xmlChar **, int attributs, int, const xmlChar **valeurs)
    {
        Proteger(contexte, [&](TLectureXml::Recepteur &r) {
            r.Debut(TBaliseXml(U(prefixe), U(nom), reinterpret_cast<const unsigned char *const *>(valeurs), attributs));
        });
    }

    static void Fin(void *contexte, const xmlChar *, const xmlChar *, const xmlChar *)
    {
        Proteger(contexte, [](TLectureXml::Recepteur &r) { r.Fin(); });
    }

    static void Caracteres(void *contexte, const xmlChar *texte, int taille)
    {
        Proteger(contexte,
                 [&](TLectureXml::Recepteur &r) { r.Texte(reinterpret_cast<const char *>(texte), taille, false); });
    }

    static void CData(void *contexte, const xmlChar *texte, int taille)
    {
        Proteger(contexte,
                 [&](TLectureXml::Recepteur &r) { r.Texte(reinterpret_cast<const char *>(texte), taille, true); });
    }

    static void Commentaire(void *contexte, const xmlChar *)
    {
        Proteger(contexte, [](TLectureXml::Recepteur &r) { r.Commentaire(); });
    }

    static void Instruction(void *contexte, const xmlChar *cible, const xmlChar *donnees)
    {
        Proteger(contexte, [&](TLectureXml::Recepteur &r) {
            r.Instruction(QByteArrayView(reinterpret_cast<const char *>(cible)),
                          QByteArrayView(donnees ? reinterpret_cast<const char *>(donnees) : ""));
        });
    }

    // Only entities declared in a document type would get here: none are.
    static void Reference(void *, const xmlChar *) { }
};

namespace {

// The guards and the parse of every streaming reading: the bytes read a
// piece at a time, as from a file, so that the parser keeps a window of the
// document rather than a copy of all of it. installer puts the reading's
// callbacks in the parser's handler. contexte holds the parser while it runs;
// arrete: the reading was stopped from its receiver.
bool AnalyserFlux(const QByteArray &octets, EtatAnalyse &etat, void (*installer)(xmlSAXHandlerPtr), void **contexte,
                  const bool *arrete, QString *encodage)
{
    GardeXml::PreparerMemoire();
    GardeXml::OublierMessages();
    int ligne = 0;
    if (octets.size() > INT_MAX / 2 || !GardeXml::AttributsRaisonnables(octets, ligne))
        return false;
    xmlInitParser();
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    const bool depasseAvant = budget && budget->Depasse();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        if (budget && budget->Depasse())
            budget->Refuser();
        return false;
    }
    ctxt->_private = &etat;
    ctxt->sax->internalSubset = RefuserTypeDocument;
    ctxt->sax->externalSubset = RefuserTypeDocument;
    installer(ctxt->sax);
    struct Source
    {
        const char *debut;
        const char *p;
        const char *fin;
        static int Lire(void *source, char *tampon, int taille)
        {
            auto s = static_cast<Source *>(source);
            if (!TProgression::Continuer(s->p - s->debut, s->fin - s->debut))
                return -1; // stopped: said once the parser is back
            const int n = int(std::min<qint64>(taille, s->fin - s->p));
            std::memcpy(tampon, s->p, size_t(n));
            s->p += n;
            return n;
        }
    } source{octets.constData(), octets.constData(), octets.constData() + octets.size()};
    *contexte = ctxt;
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, Source::Lire, nullptr, &source, nullptr, nullptr, OptionsLecture);
    *contexte = nullptr;
    // Memory turned down stops the parser without marking the document
    // malformed: the events stopped short.
    const bool memoire = ctxt->errNo == XML_ERR_NO_MEMORY || (budget && budget->Depasse() && !depasseAvant);
    const bool bienForme = ctxt->wellFormed && !etat.typeDocument && !*arrete && !etat.exception && doc && !memoire;
    if (bienForme && doc->encoding && encodage)
        *encodage = DepuisXml(doc->encoding);
    if (doc)
        xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    if (etat.exception)
        std::rethrow_exception(etat.exception);
    if (TProgression::Annulee())
        throw ErreurAnnulation();
    // The parser ran out of the file's memory budget: say that, not what it made of it.
    if (memoire && !*arrete && budget && budget->Depasse())
        budget->Refuser();
    return bienForme;
}

// The parser's own handler, but for the events that would build the tree.
// The start and end of the document stay: they record the encoding.
void InstallerEvenements(xmlSAXHandlerPtr sax)
{
    sax->startElementNs = LectureEnCours::Debut;
    sax->endElementNs = LectureEnCours::Fin;
    sax->characters = LectureEnCours::Caracteres;
    sax->ignorableWhitespace = LectureEnCours::Caracteres;
    sax->cdataBlock = LectureEnCours::CData;
    sax->comment = LectureEnCours::Commentaire;
    sax->processingInstruction = LectureEnCours::Instruction;
    sax->reference = LectureEnCours::Reference;
}

} // namespace

bool TLectureXml::Lire(const QByteArray &octets)
{
    m_arrete = false;
    m_encodage.clear();
    EtatAnalyse etat;
    etat.lecture = this;
    return AnalyserFlux(octets, etat, InstallerEvenements, &m_contexte, &m_arrete, &m_encodage);
}

QString TLectureXml::Chaine(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return QLatin1String("");
    const auto *o = reinterpret_cast<const uchar *>(utf8.data());
    if (utf8.size() < 3 || o[0] != 0xEF || o[1] != 0xBB || o[2] != 0xBF)
        return QString::fromUtf8(utf8); // the faster decoder
    QStringDecoder decodeur(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString resultat(utf8.size(), Qt::Uninitialized);
    resultat.truncate(decodeur.appendToBuffer(resultat.data(), utf8) - resultat.constData());
    return resultat;
}

void TLectureXml::Arreter()
{
    m_arrete = true;
    if (m_contexte)
        xmlStopParser(static_cast<xmlParserCtxtPtr>(m_contexte));
}

// The tree's own callbacks build the elements; these two decide what is kept.
// Outside the element taken, the tree holds only the elements being read:
// what a parent held before its next child (texts, comments, children done
// with) is freed as that child starts, and an element as it ends. Texts are
// still built there so that libxml2's limit on a text's size holds.
struct ElementsEnCours
{
    static xmlParserCtxtPtr Contexte(void *contexte) { return static_cast<xmlParserCtxtPtr>(contexte); }
    static TLectureElementsXml &Lecture(void *contexte)
    {
        return *static_cast<EtatAnalyse *>(Contexte(contexte)->_private)->elements;
    }

    template <typename F>
    static void Proteger(xmlParserCtxtPtr ctxt, F &&appel)
    {
        try {
            appel();
        } catch (...) {
            static_cast<EtatAnalyse *>(ctxt->_private)->exception = std::current_exception();
            xmlStopParser(ctxt);
        }
    }

    static void Liberer(xmlNodePtr noeud)
    {
        xmlUnlinkNode(noeud);
        xmlFreeNode(noeud);
    }

    static void Debut(void *contexte, const xmlChar *nom, const xmlChar *prefixe, const xmlChar *uri, int espaces,
                      const xmlChar **declarations, int attributs, int defauts, const xmlChar **valeurs)
    {
        xmlParserCtxtPtr ctxt = Contexte(contexte);
        TLectureElementsXml &l = Lecture(contexte);
        if (l.m_profondeur > 0) {
            xmlSAX2StartElementNs(ctxt, nom, prefixe, uri, espaces, declarations, attributs, defauts, valeurs);
            ++l.m_profondeur;
            return;
        }
        xmlNodePtr parent = ctxt->node;
        if (parent) {
            while (parent->children)
                Liberer(parent->children);
        }
        xmlSAX2StartElementNs(ctxt, nom, prefixe, uri, espaces, declarations, attributs, defauts, valeurs);
        xmlNodePtr element = ctxt->node;
        if (!element || element == parent)
            return; // not built (out of memory, too deep): the parser has stopped
        Proteger(ctxt, [&] {
            if (l.m_recepteur.Debut(TNoeudXml(element)))
                l.m_profondeur = 1;
        });
    }

    static void Fin(void *contexte, const xmlChar *nom, const xmlChar *prefixe, const xmlChar *uri)
    {
        xmlParserCtxtPtr ctxt = Contexte(contexte);
        TLectureElementsXml &l = Lecture(contexte);
        xmlNodePtr element = ctxt->node;
        xmlSAX2EndElementNs(ctxt, nom, prefixe, uri);
        if (!element)
            return;
        if (l.m_profondeur > 1) {
            --l.m_profondeur;
            return;
        }
        if (l.m_profondeur == 1) {
            l.m_profondeur = 0;
            Proteger(ctxt, [&] { l.m_recepteur.Element(TNoeudXml(element)); });
        }
        Liberer(element);
    }
};

namespace {

void InstallerElements(xmlSAXHandlerPtr sax)
{
    sax->startElementNs = ElementsEnCours::Debut;
    sax->endElementNs = ElementsEnCours::Fin;
}

} // namespace

bool TLectureElementsXml::Lire(const QByteArray &octets)
{
    m_profondeur = 0;
    EtatAnalyse etat;
    etat.elements = this;
    void *contexte = nullptr;
    const bool arrete = false;
    return AnalyserFlux(octets, etat, InstallerElements, &contexte, &arrete, nullptr);
}
