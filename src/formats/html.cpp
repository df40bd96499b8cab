#include "formats/html.h"

#include "formats/gardexml.h"
#include "model/budget.h"
#include "model/erreurs.h"

#include <QCoreApplication>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cstring>
#include <memory>

namespace {

const QString CRLF = QStringLiteral("\r\n");

// The messages' translation context.
struct LectureHtml
{
    Q_DECLARE_TR_FUNCTIONS(LectureHtml)
};

struct LibererDoc
{
    void operator()(xmlDoc *d) const { xmlFreeDoc(d); }
};

struct LibererContexte
{
    void operator()(htmlParserCtxt *c) const { htmlFreeParserCtxt(c); }
};

// The tree of a fragment, whole or not at all: libxml2 stops on a refused
// allocation, past its depth limit or on a text node too long, and hands back
// what it built so far.
std::unique_ptr<xmlDoc, LibererDoc> Analyser(const QByteArray &source, bool confiance)
{
    GardeXml::PreparerMemoire();
    TBudgetMemoire *budget = TBudgetMemoire::Courant();
    std::unique_ptr<htmlParserCtxt, LibererContexte> contexte(htmlNewParserCtxt());
    if (!contexte) {
        if (budget && budget->Depasse())
            budget->Refuser();
        throw std::bad_alloc();
    }
    // Our own HTML (one level of tags) may hold texts of any length.
    const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_NOIMPLIED
        | (confiance ? XML_PARSE_HUGE : 0);
    std::unique_ptr<xmlDoc, LibererDoc> doc(
        htmlCtxtReadMemory(contexte.get(), source.constData(), int(source.size()), nullptr, "UTF-8", options));
    // Some of libxml2's failed allocations only drop a piece without stopping.
    if (budget && budget->Depasse())
        budget->Refuser();
    if (doc && !contexte->disableSAX)
        return doc;
    if (confiance || (contexte->errNo == XML_ERR_NO_MEMORY && !doc))
        throw std::bad_alloc();
    throw ErreurIdInvalide(LectureHtml::tr("A field of this file could not be read whole: its HTML is nested too "
                                           "deeply or holds too long a text."));
}

bool EstBloc(const char *nom)
{
    static const char *const blocs[] = {"div", "p",       "li",      "ul",     "ol",     "tr",         "table", "h1",
                                        "h2",  "h3",      "h4",      "h5",     "h6",     "blockquote", "pre",   "dt",
                                        "dd",  "section", "article", "header", "footer", "hr"};
    for (const char *b : blocs) {
        if (std::strcmp(nom, b) == 0)
            return true;
    }
    return false;
}

QString Utf8(const xmlChar *texte)
{
    return texte ? QString::fromUtf8(reinterpret_cast<const char *>(texte)) : QString();
}

// Raw line ends in a text node: kept as line ends, in the program's CR LF.
void AjouterTexte(QString &sortie, const QString &texte, bool sauts)
{
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < texte.size() && texte.at(i + 1) == u'\n')
                ++i;
            if (sauts)
                sortie += CRLF;
            else
                sortie += u' ';
        } else {
            sortie += c;
        }
    }
}

QString Convertir(const QString &html, bool sauts)
{
    if (html.isEmpty())
        return QString();
    // A fragment parsed alone loses its leading blanks and gains paragraphs;
    // inside a div of a body the parser keeps it as it is.
    const QByteArray source = "<html><body><div>" + html.toUtf8() + "</div></body></html>";
    // Sort texts are made from HTML this program wrote; fields come from files.
    const std::unique_ptr<xmlDoc, LibererDoc> doc = Analyser(source, !sauts);
    QString sortie;
    // A block boundary asks for a line end, given only when text follows and
    // no <br> just gave one.
    bool sautEnAttente = false;
    bool apresBr = false;
    auto texte = [&](const QString &t) {
        if (sautEnAttente && !sortie.isEmpty() && !apresBr && sauts)
            sortie += CRLF;
        sautEnAttente = false;
        apresBr = false;
        AjouterTexte(sortie, t, sauts);
    };
    auto bloc = [](const xmlNode *n) {
        return n->type == XML_ELEMENT_NODE && EstBloc(reinterpret_cast<const char *>(n->name));
    };
    // Walked without recursion: the parser's depth limit is the only bound.
    xmlNode *n = doc->children;
    while (n) {
        bool descendre = false;
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            const QString t = Utf8(n->content);
            if (!t.isEmpty())
                texte(t);
        } else if (n->type == XML_ELEMENT_NODE) {
            const char *nom = reinterpret_cast<const char *>(n->name);
            if (std::strcmp(nom, "br") == 0) {
                sautEnAttente = false;
                apresBr = true;
                if (sauts)
                    sortie += CRLF;
            } else if (std::strcmp(nom, "img") == 0) {
                xmlChar *src = xmlGetProp(n, reinterpret_cast<const xmlChar *>("src"));
                const QString fichier = Utf8(src);
                xmlFree(src);
                if (!fichier.isEmpty())
                    texte(fichier);
            } else if (std::strcmp(nom, "script") != 0 && std::strcmp(nom, "style") != 0) {
                if (bloc(n))
                    sautEnAttente = true;
                descendre = n->children != nullptr;
            }
        } else if (n->type == XML_HTML_DOCUMENT_NODE || n->type == XML_DOCUMENT_NODE) {
            descendre = n->children != nullptr;
        }
        if (descendre) {
            n = n->children;
            continue;
        }
        // Leaving n, then each parent without a next sibling: a block's end.
        for (;;) {
            if (bloc(n))
                sautEnAttente = true;
            if (n->next) {
                n = n->next;
                break;
            }
            n = n->parent;
            if (!n || n->type != XML_ELEMENT_NODE) {
                n = nullptr;
                break;
            }
        }
    }
    if (!sauts)
        return sortie.trimmed();
    return sortie;
}

} // namespace

namespace Html {

QString DepuisTexte(const QString &texte)
{
    QString sortie;
    sortie.reserve(texte.size() + texte.size() / 8);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        switch (c.unicode()) {
        case u'&':
            sortie += QLatin1String("&amp;");
            break;
        case u'<':
            sortie += QLatin1String("&lt;");
            break;
        case u'>':
            sortie += QLatin1String("&gt;");
            break;
        case u'"':
            sortie += QLatin1String("&quot;");
            break;
        case u'\t':
            sortie += QLatin1String("    ");
            break;
        case u'\r':
            if (i + 1 < texte.size() && texte.at(i + 1) == u'\n')
                ++i;
            sortie += QLatin1String("<br>");
            break;
        case u'\n':
            sortie += QLatin1String("<br>");
            break;
        default:
            sortie += c;
        }
    }
    return sortie;
}

QString VersTexte(const QString &html)
{
    return Convertir(html, true);
}

QString SansBalises(const QString &html)
{
    return Convertir(html, false);
}

}
