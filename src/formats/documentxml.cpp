#include "documentxml.h"

#include <QCoreApplication>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <vector>

namespace {

xmlNodePtr N(void *p)
{
    return static_cast<xmlNodePtr>(p);
}

QString DepuisXml(const xmlChar *texte)
{
    return texte ? QString::fromUtf8(reinterpret_cast<const char *>(texte)) : QString();
}

QByteArray VersXml(const QString &texte)
{
    return texte.toUtf8();
}

const xmlChar *X(const QByteArray &octets)
{
    return reinterpret_cast<const xmlChar *>(octets.constData());
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

void IgnorerErreur(void *, xmlErrorPtr) {}

// --- Saving ----------------------------------------------------------------

// Writes the code point in UTF-8 at p when XML 1.0 allows it; returns the
// position after it.
char *AjouterCaractere(char *p, char32_t c)
{
    const bool permis = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
                        || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    if (!permis)
        return p;
    if (c < 0x80) {
        *p++ = char(c);
    } else if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
        *p++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    } else {
        *p++ = char(0xF0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3F));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    return p;
}

template<size_t N>
char *Copier(char *p, const char (&litteral)[N])
{
    for (size_t k = 0; k + 1 < N; ++k)
        *p++ = litteral[k];
    return p;
}

enum class Contexte { Brut, Texte, Attribut };

// Writes UTF-8 text from the tree, escaped for its place; malformed UTF-8 and
// forbidden characters are left out.
void Ecrire(QByteArray &sortie, const xmlChar *texte, Contexte contexte)
{
    if (!texte)
        return;
    const QString s = DepuisXml(texte);
    // Written through a pointer into room for the longest form of every
    // UTF-16 unit ("&quot;", 6 bytes), then cut to size: one append per byte
    // was the largest cost of saving a large document.
    const qsizetype debut = sortie.size();
    sortie.resize(debut + s.size() * 6);
    char *p = sortie.data() + debut;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s.at(i), s.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            continue;
        }
        if (contexte != Contexte::Brut) {
            switch (c) {
            case '&':
                p = Copier(p, "&amp;");
                continue;
            case '<':
                p = Copier(p, "&lt;");
                continue;
            case '>':
                p = Copier(p, "&gt;");
                continue;
            default:
                break;
            }
        }
        if (contexte == Contexte::Attribut) {
            // Attribute value normalisation would turn these into spaces.
            switch (c) {
            case '"':
                p = Copier(p, "&quot;");
                continue;
            case '\t':
                p = Copier(p, "&#9;");
                continue;
            case '\n':
                p = Copier(p, "&#10;");
                continue;
            case '\r':
                p = Copier(p, "&#13;");
                continue;
            default:
                break;
            }
        }
        p = AjouterCaractere(p, c);
    }
    sortie.truncate(p - sortie.constData());
}

void EcrireCData(QByteArray &sortie, const xmlChar *texte)
{
    QByteArray contenu;
    Ecrire(contenu, texte, Contexte::Brut);
    // One section cannot hold "]]>": end it between "]]" and ">".
    contenu.replace("]]>", "]]]]><![CDATA[>");
    sortie += "<![CDATA[";
    sortie += contenu;
    sortie += "]]>";
}

void EcrireNoeud(QByteArray &sortie, xmlNodePtr noeud)
{
    switch (noeud->type) {
    case XML_ELEMENT_NODE: {
        const QByteArray nom = VersXml(NomElement(noeud));
        sortie += '<';
        sortie += nom;
        for (xmlAttrPtr a = noeud->properties; a; a = a->next) {
            sortie += ' ';
            sortie += VersXml(NomQualifie(a->name, a->ns));
            sortie += "=\"";
            xmlChar *valeur = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
            Ecrire(sortie, valeur, Contexte::Attribut);
            xmlFree(valeur);
            sortie += '"';
        }
        if (!noeud->children) {
            sortie += "/>";
            break;
        }
        sortie += '>';
        for (xmlNodePtr e = noeud->children; e; e = e->next)
            EcrireNoeud(sortie, e);
        sortie += "</";
        sortie += nom;
        sortie += '>';
        break;
    }
    case XML_TEXT_NODE:
        Ecrire(sortie, noeud->content, Contexte::Texte);
        break;
    case XML_CDATA_SECTION_NODE:
        EcrireCData(sortie, noeud->content);
        break;
    case XML_PI_NODE: {
        sortie += "<?";
        Ecrire(sortie, noeud->name, Contexte::Brut);
        if (noeud->content && *noeud->content) {
            sortie += ' ';
            QByteArray donnees;
            Ecrire(donnees, noeud->content, Contexte::Brut);
            donnees.replace("?>", "? >");
            sortie += donnees;
        }
        sortie += "?>";
        break;
    }
    case XML_COMMENT_NODE: {
        QByteArray texte;
        Ecrire(texte, noeud->content, Contexte::Brut);
        while (texte.contains("--"))
            texte.replace("--", "- -");
        if (texte.endsWith('-'))
            texte += ' ';
        sortie += "<!--";
        sortie += texte;
        sortie += "-->";
        break;
    }
    case XML_ENTITY_REF_NODE:
        sortie += '&';
        Ecrire(sortie, noeud->name, Contexte::Brut);
        sortie += ';';
        break;
    default:
        break; // document type declarations are never written
    }
}

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
    return liste;
}

QList<TNoeudXml> TNoeudXml::Elements() const
{
    QList<TNoeudXml> liste;
    if (!m_noeud)
        return liste;
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        if (e->type == XML_ELEMENT_NODE)
            liste.append(TNoeudXml(e));
    return liste;
}

QList<TNoeudXml> TNoeudXml::Noeuds() const
{
    QList<TNoeudXml> liste;
    if (!m_noeud)
        return liste;
    for (xmlNodePtr e = N(m_noeud)->children; e; e = e->next)
        liste.append(TNoeudXml(e));
    return liste;
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

namespace {

// The node may take a child: the document or an element.
void VerifierParent(xmlNodePtr parent)
{
    if (!parent)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "No node to add to."));
    if (parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_NODE)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Only an element or the document can hold other nodes."));
}

void VerifierEnfant(xmlNodePtr parent, xmlNodePtr enfant)
{
    if (!enfant)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "No node to add."));
    if (enfant->parent || enfant->prev || enfant->next || enfant->type == XML_DOCUMENT_NODE)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "This node is already placed in the document."));
    if (enfant->doc != parent->doc && !(parent->type == XML_DOCUMENT_NODE
                                         && enfant->doc == reinterpret_cast<xmlDocPtr>(parent)))
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "This node belongs to another document."));
    if (parent->type == XML_DOCUMENT_NODE) {
        if (enfant->type == XML_TEXT_NODE || enfant->type == XML_CDATA_SECTION_NODE)
            Echec(QT_TRANSLATE_NOOP("DocumentXml", "Text cannot stand outside the root element."));
        if (enfant->type == XML_ELEMENT_NODE
            && xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent)))
            Echec(QT_TRANSLATE_NOOP("DocumentXml", "The document already has a root element."));
    } else if (enfant->type == XML_PI_NODE && xmlStrcmp(enfant->name, BAD_CAST "xml") == 0) {
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "The XML declaration belongs at the top of the document."));
    }
}

} // namespace

TNoeudXml TNoeudXml::Ajouter(const TNoeudXml &enfant)
{
    return InsererAvant(enfant, TNoeudXml());
}

TNoeudXml TNoeudXml::InsererAvant(const TNoeudXml &enfant, const TNoeudXml &reference)
{
    xmlNodePtr parent = N(m_noeud);
    VerifierParent(parent);
    VerifierEnfant(parent, N(enfant.m_noeud));
    xmlNodePtr e = N(enfant.m_noeud);
    if (reference.m_noeud) {
        if (N(reference.m_noeud)->parent != parent)
            Echec(QT_TRANSLATE_NOOP("DocumentXml", "The reference node is not a child of this node."));
        // Linked by hand: xmlAddPrevSibling would merge adjacent texts, and
        // the node handed back must stay valid.
        xmlNodePtr ref = N(reference.m_noeud);
        e->parent = parent;
        e->next = ref;
        e->prev = ref->prev;
        if (ref->prev)
            ref->prev->next = e;
        else
            parent->children = e;
        ref->prev = e;
    } else {
        e->parent = parent;
        e->prev = parent->last;
        e->next = nullptr;
        if (parent->last)
            parent->last->next = e;
        else
            parent->children = e;
        parent->last = e;
    }
    return enfant;
}

void TNoeudXml::DefinirAttribut(const QString &nom, const QString &valeur)
{
    xmlNodePtr noeud = N(m_noeud);
    if (!noeud || noeud->type != XML_ELEMENT_NODE)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Only an element has attributes."));
    const QByteArray n = VersXml(nom);
    if (xmlValidateName(X(n), 0) != 0)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Invalid attribute name."));
    if (!xmlSetProp(noeud, X(n), X(VersXml(valeur))))
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "The attribute cannot be set."));
}

void TNoeudXml::DefinirTexte(const QString &texte)
{
    xmlNodePtr noeud = N(m_noeud);
    if (!noeud || noeud->type != XML_ELEMENT_NODE)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Only an element takes a text."));
    if (noeud->children) {
        xmlFreeNodeList(noeud->children);
        noeud->children = nullptr;
        noeud->last = nullptr;
    }
    const QByteArray t = VersXml(texte);
    xmlNodePtr texteXml = xmlNewDocTextLen(noeud->doc, X(t), int(t.size()));
    if (!texteXml)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Out of memory."));
    xmlAddChild(noeud, texteXml);
}

// --- TDocumentXml ----------------------------------------------------------

struct TDocumentXml::Prive
{
    xmlDocPtr doc = nullptr;
    // Created nodes; those never placed are freed with the document.
    std::vector<xmlNodePtr> crees;
    int ligneErreur = 0;
    QString messageErreur;

    void Liberer()
    {
        for (xmlNodePtr n : crees)
            if (!n->parent)
                xmlFreeNode(n);
        crees.clear();
        if (doc)
            xmlFreeDoc(doc);
        doc = nullptr;
    }

    xmlNodePtr Garder(xmlNodePtr n)
    {
        if (!n)
            Echec(QT_TRANSLATE_NOOP("DocumentXml", "Out of memory."));
        crees.push_back(n);
        return n;
    }
};

TDocumentXml::TDocumentXml() : d(new Prive)
{
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
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, octets.constData(), int(octets.size()), nullptr,
                                      nullptr, options);
    const bool bienForme = ctxt->wellFormed && !etat.typeDocument && doc;
    int ligne = 0;
    QString message;
    if (!bienForme) {
        if (etat.typeDocument) {
            ligne = ctxt->input ? ctxt->input->line : 0;
            message = QCoreApplication::translate("DocumentXml",
                                                  "Document type declarations are not accepted.");
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
    for (xmlNodePtr n = d->doc ? d->doc->children : nullptr; n && n->type != XML_ELEMENT_NODE;
         n = n->next)
        if (n->type == XML_PI_NODE)
            liste.append(TNoeudXml(n));
    return liste;
}

TNoeudXml TDocumentXml::CreerElement(const QString &nom)
{
    const QByteArray n = VersXml(nom);
    if (xmlValidateName(X(n), 0) != 0)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Invalid element name."));
    return TNoeudXml(d->Garder(xmlNewDocNode(d->doc, nullptr, X(n), nullptr)));
}

TNoeudXml TDocumentXml::CreerTexte(const QString &texte)
{
    const QByteArray t = VersXml(texte);
    return TNoeudXml(d->Garder(xmlNewDocTextLen(d->doc, X(t), int(t.size()))));
}

TNoeudXml TDocumentXml::CreerCData(const QString &texte)
{
    const QByteArray t = VersXml(texte);
    return TNoeudXml(d->Garder(xmlNewCDataBlock(d->doc, X(t), int(t.size()))));
}

TNoeudXml TDocumentXml::CreerInstruction(const QString &cible, const QString &donnees)
{
    const QByteArray c = VersXml(cible);
    if (xmlValidateName(X(c), 0) != 0)
        Echec(QT_TRANSLATE_NOOP("DocumentXml", "Invalid processing instruction target."));
    return TNoeudXml(d->Garder(xmlNewDocPI(d->doc, X(c), X(VersXml(donnees)))));
}

TNoeudXml TDocumentXml::CreerDeclaration()
{
    return CreerInstruction(QStringLiteral("xml"),
                            QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
}

QByteArray TDocumentXml::Sauver(const QByteArray &finLigne) const
{
    QByteArray sortie;
    if (!d->doc)
        return sortie;
    // The declaration, wherever it was put, comes first.
    for (xmlNodePtr n = d->doc->children; n; n = n->next)
        if (n->type == XML_PI_NODE && xmlStrcmp(n->name, BAD_CAST "xml") == 0) {
            EcrireNoeud(sortie, n);
            sortie += finLigne;
            break;
        }
    for (xmlNodePtr n = d->doc->children; n; n = n->next) {
        if (n->type == XML_PI_NODE && xmlStrcmp(n->name, BAD_CAST "xml") == 0)
            continue;
        if (n->type == XML_DTD_NODE)
            continue;
        EcrireNoeud(sortie, n);
        sortie += finLigne;
    }
    return sortie;
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
    if (octets.size() > INT_MAX / 2 || octets.contains("<!DOCTYPE")) {
        m_erreur = true;
        return;
    }
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    m_lecteur = xmlReaderForMemory(octets.constData(), int(octets.size()), nullptr, nullptr, options);
    if (!m_lecteur) {
        m_erreur = true;
        return;
    }
    xmlTextReaderSetStructuredErrorHandler(R(m_lecteur), [](void *, xmlErrorPtr) {}, nullptr);
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
