#include "formats/anki/anki.h"

#include "formats/anki/ankicommun.h"
#include "formats/contrat.h"
#include "formats/html.h"
#include "formats/questions.h"
#include "formats/zip.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <libxml/HTMLparser.h>
#include <sqlite3.h>

#include <vector>

// Anki packages and Anki text written from a card file.

namespace {

using namespace AnkiCommun;

// ================================================================ export

// The fields of the card file that the note type carries, in the note's
// order: the question first (Anki sorts, checks duplicates on and lists the
// first field), the body, the title last. MCQ notes add three fields made
// for studying: the choices without markup, the choices with the right ones
// marked, the general feedback.
struct Modele
{
    QList<int> champs; // 0 title, 1 question or index, 2 answer or body
    QStringList noms;  // the note's field names, the MCQ fields' after those of champs
    bool qcm = false;
    QString nomType;
    QString paquet;

    // The note field of a card field, -1 when it has none.
    int Rang(int champ) const { return int(champs.indexOf(champ)); }
};

// The text without the control characters Anki drops from what it stores
// (TAB and line ends are kept). In a field, U+001F would split it in two; in
// a deck name, start a subdeck.
QString SansControles(const QString &texte)
{
    QString propre;
    propre.reserve(texte.size());
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if ((u >= 0x20 && u != 0x7F) || u == u'\t' || u == u'\r' || u == u'\n')
            propre += c;
    }
    return propre;
}

// A field name Anki accepts: none of : { } " and no leading # / ^.
QString NomChamp(QString nom, int rang, const QStringList &pris)
{
    for (const char c : {':', '{', '}', '"'})
        nom.remove(QLatin1Char(c));
    nom = SansControles(nom).simplified();
    while (!nom.isEmpty() && (nom.at(0) == u'#' || nom.at(0) == u'/' || nom.at(0) == u'^'))
        nom.remove(0, 1);
    if (nom.isEmpty())
        nom = QStringLiteral("Field %1").arg(rang + 1);
    QString unique = nom;
    for (int n = 2; pris.contains(unique, Qt::CaseInsensitive); ++n)
        unique = QStringLiteral("%1 %2").arg(nom).arg(n);
    return unique;
}

QString NomPaquet(const TFichierX &fichier, const QString &secours)
{
    QString nom = fichier.Titre;
    if (nom.isEmpty())
        nom = NomSansExtension(fichier.NomFichier.isEmpty() ? secours : fichier.NomFichier);
    nom = SansControles(nom).simplified();
    return nom.isEmpty() ? QStringLiteral("Amblopad") : nom;
}

Modele ModeleDe(const TFichierX &fichier, const QString &secours)
{
    TFicheX etiquettes = fichier.Etiquettes;
    if (!fichier.AvecEtiquettes) {
        TFichierX defaut(fichier.TypeFichier, fichier.FormatFichier);
        defaut.EtiquettesParDefaut();
        etiquettes = defaut.Etiquettes;
    }
    Modele m;
    if (!fichier.Numerote)
        m.champs << 1;
    m.champs << 2;
    if (fichier.AvecTitre)
        m.champs << 0;
    for (int c : m.champs) {
        const QString &legende = c == 0 ? etiquettes.Champ0() : c == 1 ? etiquettes.Champ1() : etiquettes.Champ2();
        m.noms << NomChamp(legende, int(m.noms.size()), m.noms);
    }
    m.qcm = fichier.TypeFichier == u'M';
    if (m.qcm) {
        for (const QString &nom : {Anki::tr("Choices"), Anki::tr("Solution"), Anki::tr("Feedback")})
            m.noms << NomChamp(nom, int(m.noms.size()), m.noms);
    }
    m.nomType = PrefixeType + fichier.NomTypeFichier();
    m.paquet = NomPaquet(fichier, secours);
    return m;
}

// A card text as the HTML of a note's field, in the NFC form Anki keeps.
// Control characters are dropped as Anki drops them: U+001F would split the
// field in two.
QString ChampAnki(const QString &texte)
{
    return Html::DepuisTexte(SansControles(texte)).normalized(QString::NormalizationForm_C);
}

// Entities decoded (named ones from libxml2's HTML table), as Anki decodes
// them; an unknown one is left as written.
QString DecoderEntites(const QString &texte)
{
    QString sortie;
    sortie.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const qsizetype fin = texte.at(i) == u'&' ? texte.indexOf(u';', i) : -1;
        if (fin > i + 1 && fin - i <= 32) {
            const QString nom = texte.mid(i + 1, fin - i - 1);
            bool ok = false;
            char32_t code = 0;
            if (nom.startsWith(QLatin1String("#x"), Qt::CaseInsensitive))
                code = nom.mid(2).toUInt(&ok, 16);
            else if (nom.startsWith(u'#'))
                code = nom.mid(1).toUInt(&ok, 10);
            else if (const htmlEntityDesc *e = htmlEntityLookup(
                         reinterpret_cast<const xmlChar *>(nom.toUtf8().constData())))
                code = e->value;
            if (code != 0 && code <= 0x10FFFF) {
                sortie += QString::fromUcs4(&code, 1);
                i = fin;
                continue;
            }
        }
        sortie += texte.at(i);
    }
    return sortie;
}

// The text Anki sorts a note by and checksums (sfld, csum): every tag
// dropped with nothing in its place, then, when the field holds an entity,
// entities decoded and no-break spaces made spaces. Nothing is trimmed. The
// fields written here hold no media, comment, style or script.
QString TriAnki(const QString &html)
{
    QString sans;
    sans.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html.at(i) == u'<') {
            const qsizetype fin = html.indexOf(u'>', i);
            if (fin >= 0) {
                i = fin;
                continue;
            }
        }
        sans += html.at(i);
    }
    if (!sans.contains(u'&'))
        return sans;
    return DecoderEntites(sans).replace(QChar(0xA0), u' ');
}

// The list of a question's answers, lettered as Anki shows them.
QString Liste(const QStringList &elements)
{
    if (elements.isEmpty())
        return QString();
    return QStringLiteral("<ol type=\"A\"><li>") + elements.join(QLatin1String("</li><li>"))
        + QStringLiteral("</li></ol>");
}

// An MCQ card for studying: the choices without markup for the front, the
// right ones marked for the back, the general feedback after them.
struct Affichage
{
    QString choix;
    QString solution;
    QString feedback;
};

Affichage Afficher(const Questions::Question &q)
{
    const bool choixMultiple = q.genre == Questions::Genre::ChoixMultiple || q.genre == Questions::Genre::VraiFaux;
    QStringList choix, marques, justes, retours;
    for (const Questions::Morceau &m : q.morceaux) {
        switch (m.sorte) {
        case Questions::Morceau::Reponse: {
            const QString texte = ChampAnki(m.autre.isEmpty() ? m.texte : m.texte + u' ' + m.autre);
            choix << texte;
            bool ok = false;
            const double note = m.note.toDouble(&ok);
            if (ok && note > 0) {
                const QString part = note < 100 ? QStringLiteral(" (%1%)").arg(m.note) : QString();
                marques << QStringLiteral("<b>\u2714 ") + texte + part + QStringLiteral("</b>");
                justes << texte + part;
            } else {
                marques << texte;
            }
            break;
        }
        case Questions::Morceau::Paire:
            justes << ChampAnki(m.texte) + QStringLiteral(" \u2192 ") + ChampAnki(m.autre);
            break;
        case Questions::Morceau::Feedback:
            retours << ChampAnki(m.texte);
            break;
        case Questions::Morceau::Modele:
            break;
        }
    }
    Affichage a;
    if (choixMultiple) {
        a.choix = Liste(choix);
        a.solution = Liste(marques);
    } else {
        a.solution = justes.join(QLatin1String("<br>"));
    }
    a.feedback = retours.join(QLatin1String("<br>"));
    return a;
}

// The fields of a card's note, in the note type's order.
QStringList ChampsNote(const Modele &m, const TFicheX &fiche, Questions::DepuisCartes *questions)
{
    QStringList champs;
    for (int c : m.champs)
        champs << ChampAnki(fiche.Champ(c));
    if (m.qcm) {
        const Affichage a = Afficher(questions->Lire(fiche));
        champs << a.choix << a.solution << a.feedback;
    }
    return champs;
}

// The text that identifies a card across exports, and how many cards before
// it had the same one.
struct Cle
{
    QString texte;
    int occurrence;
};

std::vector<Cle> Cles(const TFichierX &fichier)
{
    std::vector<Cle> cles;
    cles.reserve(fichier.Fiches.size());
    QHash<QString, int> vues;
    for (int i = 0; i < fichier.NombreFiches(); ++i) {
        const QString texte = fichier.Numerote ? QString::number(i + 1) : fichier.Fiche(i).Champ1();
        cles.push_back({texte, vues[texte]++});
    }
    return cles;
}

// A positive id below 2^53 (JavaScript clients read them as doubles), the
// same for the same text.
qint64 IdStable(const QString &texte)
{
    const QByteArray h = QCryptographicHash::hash(Utf8(texte), QCryptographicHash::Sha1);
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | uchar(h.at(i));
    return qint64(v % 1000000000000ULL) + 1000000000000LL;
}

// Anki's checksum of a note: the first 8 hex digits of the SHA-1 of its first
// field's text.
qint64 Checksum(const QString &texte)
{
    const QByteArray h = QCryptographicHash::hash(Utf8(texte), QCryptographicHash::Sha1);
    return qint64((quint32(uchar(h.at(0))) << 24) | (quint32(uchar(h.at(1))) << 16) | (quint32(uchar(h.at(2))) << 8)
                  | quint32(uchar(h.at(3))));
}

QString Gabarit(const Modele &m, bool verso)
{
    const auto champ = [&m](int rang) { return QStringLiteral("{{%1}}").arg(m.noms.at(rang)); };
    // A field and what follows it, shown only when the field is not empty.
    const auto siPresent = [&m](int rang, const QString &avant, const QString &apres) {
        return QStringLiteral("{{#%1}}%2{{%1}}%3{{/%1}}").arg(m.noms.at(rang), avant, apres);
    };
    // Front: the title (when there is one) over the question, MCQ choices
    // under it; a file without questions shows its body, and has no back.
    QString recto = m.Rang(0) >= 0 ? siPresent(m.Rang(0), QString(), QStringLiteral("<br>")) : QString();
    if (m.Rang(1) < 0)
        return verso ? QStringLiteral("{{FrontSide}}") : recto + champ(m.Rang(2));
    recto += champ(m.Rang(1));
    const int qcm = int(m.champs.size());
    if (m.qcm)
        recto += siPresent(qcm, QStringLiteral("<br><br>"), QString());
    if (!verso)
        return recto;
    const QString reponse = m.qcm ? champ(qcm + 1) + siPresent(qcm + 2, QStringLiteral("<br><br>"), QString())
                                  : champ(m.Rang(2));
    return QStringLiteral("{{FrontSide}}\n\n<hr id=answer>\n\n") + reponse;
}

QJsonObject JsonModele(const Modele &m, qint64 mid, qint64 did, qint64 maintenant)
{
    QJsonArray champs;
    for (int i = 0; i < m.noms.size(); ++i) {
        champs.append(QJsonObject{{QStringLiteral("name"), m.noms.at(i)},
                                  {QStringLiteral("ord"), i},
                                  {QStringLiteral("sticky"), false},
                                  {QStringLiteral("rtl"), false},
                                  {QStringLiteral("font"), QStringLiteral("Arial")},
                                  {QStringLiteral("size"), 20},
                                  {QStringLiteral("media"), QJsonArray()}});
    }
    const QJsonObject modele{{QStringLiteral("name"), NomGabarit},
                             {QStringLiteral("ord"), 0},
                             {QStringLiteral("qfmt"), Gabarit(m, false)},
                             {QStringLiteral("afmt"), Gabarit(m, true)},
                             {QStringLiteral("bqfmt"), QString()},
                             {QStringLiteral("bafmt"), QString()},
                             {QStringLiteral("did"), QJsonValue::Null},
                             {QStringLiteral("bfont"), QString()},
                             {QStringLiteral("bsize"), 0}};
    // A card needs one of the fields on its front.
    QJsonArray requis;
    for (int c : {0, 1})
        if (m.Rang(c) >= 0)
            requis.append(m.Rang(c));
    if (m.Rang(1) < 0)
        requis.append(m.Rang(2));
    return QJsonObject{{QStringLiteral("id"), mid},
                       {QStringLiteral("name"), m.nomType},
                       {QStringLiteral("type"), 0},
                       {QStringLiteral("mod"), maintenant},
                       {QStringLiteral("usn"), -1},
                       {QStringLiteral("sortf"), 0},
                       {QStringLiteral("did"), did},
                       {QStringLiteral("tmpls"), QJsonArray{modele}},
                       {QStringLiteral("flds"), champs},
                       {QStringLiteral("css"),
                        QStringLiteral(".card {\n font-family: arial;\n font-size: 20px;\n text-align: center;\n"
                                       " color: black;\n background-color: white;\n}\n")},
                       {QStringLiteral("latexPre"),
                        QStringLiteral("\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n"
                                       "\\usepackage[utf8]{inputenc}\n\\usepackage{amssymb,amsmath}\n"
                                       "\\pagestyle{empty}\n\\setlength{\\parindent}{0in}\n\\begin{document}\n")},
                       {QStringLiteral("latexPost"), QStringLiteral("\\end{document}")},
                       {QStringLiteral("latexsvg"), false},
                       {QStringLiteral("req"), QJsonArray{QJsonArray{0, QStringLiteral("any"), requis}}},
                       {QStringLiteral("tags"), QJsonArray()},
                       {QStringLiteral("vers"), QJsonArray()}};
}

QJsonObject JsonPaquet(qint64 id, const QString &nom, qint64 maintenant)
{
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("name"), nom},
                       {QStringLiteral("mod"), maintenant},
                       {QStringLiteral("usn"), -1},
                       {QStringLiteral("desc"), QString()},
                       {QStringLiteral("dyn"), 0},
                       {QStringLiteral("conf"), 1},
                       {QStringLiteral("collapsed"), false},
                       {QStringLiteral("browserCollapsed"), false},
                       {QStringLiteral("extendNew"), 0},
                       {QStringLiteral("extendRev"), 0},
                       {QStringLiteral("newToday"), QJsonArray{0, 0}},
                       {QStringLiteral("revToday"), QJsonArray{0, 0}},
                       {QStringLiteral("lrnToday"), QJsonArray{0, 0}},
                       {QStringLiteral("timeToday"), QJsonArray{0, 0}}};
}

QJsonObject JsonOptionsPaquet()
{
    return QJsonObject{{QStringLiteral("id"), 1},
                       {QStringLiteral("name"), QStringLiteral("Default")},
                       {QStringLiteral("mod"), 0},
                       {QStringLiteral("usn"), 0},
                       {QStringLiteral("maxTaken"), 60},
                       {QStringLiteral("autoplay"), true},
                       {QStringLiteral("timer"), 0},
                       {QStringLiteral("replayq"), true},
                       {QStringLiteral("dyn"), false},
                       {QStringLiteral("new"),
                        QJsonObject{{QStringLiteral("delays"), QJsonArray{1, 10}},
                                    {QStringLiteral("ints"), QJsonArray{1, 4, 0}},
                                    {QStringLiteral("initialFactor"), 2500},
                                    {QStringLiteral("order"), 1},
                                    {QStringLiteral("perDay"), 20},
                                    {QStringLiteral("bury"), false}}},
                       {QStringLiteral("rev"),
                        QJsonObject{{QStringLiteral("perDay"), 200},
                                    {QStringLiteral("ease4"), 1.3},
                                    {QStringLiteral("ivlFct"), 1},
                                    {QStringLiteral("maxIvl"), 36500},
                                    {QStringLiteral("hardFactor"), 1.2},
                                    {QStringLiteral("bury"), false}}},
                       {QStringLiteral("lapse"),
                        QJsonObject{{QStringLiteral("delays"), QJsonArray{10}},
                                    {QStringLiteral("mult"), 0},
                                    {QStringLiteral("minInt"), 1},
                                    {QStringLiteral("leechFails"), 8},
                                    {QStringLiteral("leechAction"), 1}}}};
}

QByteArray Compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The schema of the collections that every Anki 2.1 and the phone versions
// import (version 11).
const char *const SchemaCollection = R"(
create table col (id integer primary key, crt integer not null, mod integer not null,
  scm integer not null, ver integer not null, dty integer not null, usn integer not null,
  ls integer not null, conf text not null, models text not null, decks text not null,
  dconf text not null, tags text not null);
create table notes (id integer primary key, guid text not null, mid integer not null,
  mod integer not null, usn integer not null, tags text not null, flds text not null,
  sfld integer not null, csum integer not null, flags integer not null, data text not null);
create table cards (id integer primary key, nid integer not null, did integer not null,
  ord integer not null, mod integer not null, usn integer not null, type integer not null,
  queue integer not null, due integer not null, ivl integer not null, factor integer not null,
  reps integer not null, lapses integer not null, left integer not null, odue integer not null,
  odid integer not null, flags integer not null, data text not null);
create table revlog (id integer primary key, cid integer not null, usn integer not null,
  ease integer not null, ivl integer not null, lastIvl integer not null, factor integer not null,
  time integer not null, type integer not null);
create table graves (usn integer not null, oid integer not null, type integer not null);
create index ix_notes_usn on notes (usn);
create index ix_cards_usn on cards (usn);
create index ix_revlog_usn on revlog (usn);
create index ix_cards_nid on cards (nid);
create index ix_cards_sched on cards (did, queue, due);
create index ix_revlog_cid on revlog (cid);
create index ix_notes_csum on notes (csum);
)";

// Building a database is our own work: a failure there is no fault of a file.
void Construire(int code, sqlite3 *base)
{
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE)
        return;
    if ((code & 0xFF) == SQLITE_NOMEM)
        throw std::bad_alloc();
    throw ErreurFichier(
        Anki::tr("The Anki collection could not be built: %1").arg(QString::fromUtf8(sqlite3_errmsg(base))));
}

QByteArray Collection(const TFichierX &fichier, const Modele &m, const TOptions &reglages)
{
    sqlite3 *brute = nullptr;
    const int ouverture = sqlite3_open_v2(":memory:", &brute, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Base base(brute);
    Construire(ouverture, brute);
    Construire(sqlite3_exec(brute, SchemaCollection, nullptr, nullptr, nullptr), brute);
    Construire(sqlite3_exec(brute, "begin", nullptr, nullptr, nullptr), brute);

    const qint64 maintenantMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 maintenant = maintenantMs / 1000;
    qint64 mid = IdStable(m.nomType + SeparateurChamps + m.noms.join(SeparateurChamps));
    qint64 did = IdStable(QStringLiteral("deck") + SeparateurChamps + m.paquet);
    if (did == mid)
        ++did;

    const QJsonObject modeles{{QString::number(mid), JsonModele(m, mid, did, maintenant)}};
    QJsonObject defaut = JsonPaquet(1, QStringLiteral("Default"), maintenant);
    const QJsonObject paquets{{QStringLiteral("1"), defaut},
                              {QString::number(did), JsonPaquet(did, m.paquet, maintenant)}};
    const QJsonObject options{{QStringLiteral("1"), JsonOptionsPaquet()}};
    const QJsonObject conf{{QStringLiteral("nextPos"), fichier.NombreFiches() + 1},
                           {QStringLiteral("estTimes"), true},
                           {QStringLiteral("activeDecks"), QJsonArray{did}},
                           {QStringLiteral("sortType"), QStringLiteral("noteFld")},
                           {QStringLiteral("timeLim"), 0},
                           {QStringLiteral("sortBackwards"), false},
                           {QStringLiteral("addToCur"), true},
                           {QStringLiteral("curDeck"), did},
                           {QStringLiteral("newSpread"), 0},
                           {QStringLiteral("dueCounts"), true},
                           {QStringLiteral("curModel"), QString::number(mid)},
                           {QStringLiteral("collapseTime"), 1200}};
    {
        sqlite3_stmt *s = nullptr;
        Construire(sqlite3_prepare_v2(brute,
                                      "insert into col values (1, ?1, ?2, ?2, 11, 0, 0, 0, ?3, ?4, ?5, ?6, '{}')", -1,
                                      &s, nullptr),
                   brute);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> garde(s, sqlite3_finalize);
        const QByteArray c = Compact(conf), mo = Compact(modeles), pa = Compact(paquets), op = Compact(options);
        sqlite3_bind_int64(s, 1, maintenant - maintenant % 86400);
        sqlite3_bind_int64(s, 2, maintenantMs);
        sqlite3_bind_text(s, 3, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 4, mo.constData(), int(mo.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 5, pa.constData(), int(pa.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 6, op.constData(), int(op.size()), SQLITE_TRANSIENT);
        Construire(sqlite3_step(s), brute);
    }

    sqlite3_stmt *note = nullptr;
    sqlite3_stmt *carte = nullptr;
    Construire(sqlite3_prepare_v2(brute, "insert into notes values (?1, ?2, ?3, ?4, -1, '', ?5, ?6, ?7, 0, '')", -1,
                                  &note, nullptr),
               brute);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> gardeNote(note, sqlite3_finalize);
    Construire(sqlite3_prepare_v2(brute,
                                  "insert into cards values (?1, ?1, ?2, 0, ?3, -1, 0, 0, ?4, 0, 0, 0, 0, "
                                  "0, 0, 0, 0, '')",
                                  -1, &carte, nullptr),
               brute);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> gardeCarte(carte, sqlite3_finalize);

    const std::vector<Cle> cles = Cles(fichier);
    Questions::DepuisCartes questions(fichier, reglages);
    for (int i = 0; i < fichier.NombreFiches(); ++i) {
        const QStringList champs = ChampsNote(m, fichier.Fiche(i), &questions);
        const QByteArray flds = Utf8(champs.join(SeparateurChamps));
        const QByteArray guid = Utf8(
            TFichierAnki::Guid(fichier.Titre, cles[size_t(i)].texte, cles[size_t(i)].occurrence));
        const QString tri = TriAnki(champs.first());
        const QByteArray sfld = Utf8(tri);
        const qint64 id = maintenantMs + i;
        sqlite3_reset(note);
        sqlite3_bind_int64(note, 1, id);
        sqlite3_bind_text(note, 2, guid.constData(), int(guid.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(note, 3, mid);
        sqlite3_bind_int64(note, 4, maintenant);
        sqlite3_bind_text(note, 5, flds.constData(), int(flds.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(note, 6, sfld.constData(), int(sfld.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(note, 7, Checksum(tri));
        Construire(sqlite3_step(note), brute);
        sqlite3_reset(carte);
        sqlite3_bind_int64(carte, 1, id);
        sqlite3_bind_int64(carte, 2, did);
        sqlite3_bind_int64(carte, 3, maintenant);
        sqlite3_bind_int64(carte, 4, i + 1); // new cards come in this order
        Construire(sqlite3_step(carte), brute);
    }
    Construire(sqlite3_exec(brute, "commit", nullptr, nullptr, nullptr), brute);

    sqlite3_int64 taille = 0;
    unsigned char *octets = sqlite3_serialize(brute, "main", &taille, 0);
    if (!octets)
        throw std::bad_alloc();
    QByteArray resultat(reinterpret_cast<const char *>(octets), qsizetype(taille));
    sqlite3_free(octets);
    return resultat;
}

} // namespace

QString TFichierAnki::Guid(const QString &titre, const QString &cle, int occurrence)
{
    // Anki's own GUIDs are 64 bits written in base 91.
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                   "!#$%&()*+,-./:;<=>?@[]^_`{|}~";
    const QString source = QStringLiteral("amblopad") + SeparateurChamps + titre + SeparateurChamps + cle
        + SeparateurChamps + QString::number(occurrence);
    const QByteArray h = QCryptographicHash::hash(Utf8(source), QCryptographicHash::Sha1);
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | uchar(h.at(i));
    QString guid;
    do {
        guid.prepend(QLatin1Char(alphabet[v % 91]));
        v /= 91;
    } while (v);
    return guid;
}

QByteArray TFichierAnki::EcrirePaquet(const TFichierX &fichier, const QString &nomSecours, const TOptions &options)
{
    const Modele m = ModeleDe(fichier, nomSecours);
    return Zip::Ecrire({{QStringLiteral("collection.anki2"), Collection(fichier, m, options)},
                        {QStringLiteral("media"), QByteArrayLiteral("{}")}},
                       Anki::tr("The Anki package could not be built: %1"));
}

QByteArray TFichierAnki::EcrireTexte(const TFichierX &fichier, const QString &nomSecours, const TOptions &options)
{
    const Modele m = ModeleDe(fichier, nomSecours);
    auto ligne = [](const QString &v) {
        return QString(v).replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    };
    // Anki's default import of this text maps columns to the fields of its
    // stock Basic type by position: Front and Back as they should be studied,
    // an empty tags column, then the card's own fields, which Basic leaves
    // out and this program reads back (the amblopad line says which).
    QString disposition;
    for (int c : m.champs)
        disposition += QString::number(c);
    QString texte = QStringLiteral("#separator:tab\n#html:true\n#notetype:Basic\n#deck:") + ligne(m.paquet)
        + QStringLiteral("\n#tags column:3\n#%1:%2 %3\n")
              .arg(CleDisposition, QString(fichier.TypeFichier), disposition);
    Questions::DepuisCartes questions(fichier, options);
    for (const auto &fiche : fichier.Fiches) {
        const QStringList champs = ChampsNote(m, fiche, &questions);
        QString recto, verso;
        if (m.Rang(1) < 0) {
            recto = champs.at(m.Rang(2));
        } else if (m.qcm) {
            const int qcm = int(m.champs.size());
            recto = champs.at(m.Rang(1));
            if (!champs.at(qcm).isEmpty())
                recto += QStringLiteral("<br><br>") + champs.at(qcm);
            verso = champs.at(qcm + 1);
            if (!champs.at(qcm + 2).isEmpty())
                verso += QStringLiteral("<br><br>") + champs.at(qcm + 2);
        } else {
            recto = champs.at(m.Rang(1));
            verso = champs.at(m.Rang(2));
        }
        // Anki skips a note whose first field is empty.
        if (recto.isEmpty())
            recto = ChampAnki(Anki::tr("(empty)"));
        // A line starting with # would be read as a comment.
        if (recto.startsWith(u'#'))
            recto.replace(0, 1, QStringLiteral("&#35;"));
        texte += recto + u'\t' + verso + u'\t';
        for (int i = 0; i < m.champs.size(); ++i)
            texte += u'\t' + champs.at(i);
        texte += u'\n';
    }
    return Utf8(texte);
}

void TFichierAnki::Exporter(const TFichierX &fichier, const QString &nom, bool texte, const TOptions &options)
{
    const QByteArray octets = texte ? EcrireTexte(fichier, nom, options) : EcrirePaquet(fichier, nom, options);
    Contrat::EcrireExport(fichier, nom, octets);
}
