// The floor of a reader on libxml2's SAX2 interface: the parse the XML card
// reader runs (same entry, same options), with callbacks that do nothing.
//
//   sax_vide FILE        prints 1 when the document is well-formed
//
// Compared with `xmllint --noout FILE` under callgrind, it tells how much of
// xmllint's cost is libxml2's parsing itself, which no SAX reader can go below.

#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void Debut(void *, const xmlChar *, const xmlChar *, const xmlChar *, int, const xmlChar **, int, int, const xmlChar **)
{
}
void Fin(void *, const xmlChar *, const xmlChar *, const xmlChar *) { }
void Texte(void *, const xmlChar *, int) { }

struct Source
{
    const char *p;
    const char *fin;
    static int Lire(void *source, char *tampon, int taille)
    {
        auto s = static_cast<Source *>(source);
        const long n = taille < s->fin - s->p ? taille : s->fin - s->p;
        std::copy(s->p, s->p + n, tampon);
        s->p += n;
        return int(n);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    FILE *f = std::fopen(argv[1], "rb");
    if (!f)
        return 2;
    std::vector<char> octets;
    char tampon[65536];
    for (size_t n; (n = std::fread(tampon, 1, sizeof tampon, f)) > 0;)
        octets.insert(octets.end(), tampon, tampon + n);
    std::fclose(f);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    ctxt->sax->startElementNs = Debut;
    ctxt->sax->endElementNs = Fin;
    ctxt->sax->characters = Texte;
    ctxt->sax->ignorableWhitespace = Texte;
    ctxt->sax->cdataBlock = Texte;
    Source source{octets.data(), octets.data() + octets.size()};
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, Source::Lire, nullptr, &source, nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::printf("%d\n", ctxt->wellFormed);
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    return 0;
}
