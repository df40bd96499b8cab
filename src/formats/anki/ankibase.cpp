#include "formats/anki/ankilecture.h"

#include "formats/html.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sqlite3.h>

#include <climits>
#include <cstring>

// The collection database of an Anki package (SQLite, read from memory).

namespace AnkiLecture {

[[noreturn]] void TropLong()
{
    Refuser(Anki::tr("Reading this Anki collection takes too long: it is refused."));
}

// The reading of one collection: every byte read from the database counts
// against the file's memory budget, and all of them together may not pass a
// bound set by the database's size. A real collection reads each stored text
// once; a default value given to a column by ALTER TABLE is stored once and
// read again for every row.
struct Lecture
{
    qint64 restant;
    Lecture *precedente;
};
thread_local Lecture *t_lecture = nullptr;

class EnLecture
{
public:
    explicit EnLecture(qint64 tailleBase) : m_lecture{2 * tailleBase + (1 << 20), t_lecture} { t_lecture = &m_lecture; }
    ~EnLecture() { t_lecture = m_lecture.precedente; }
    EnLecture(const EnLecture &) = delete;
    EnLecture &operator=(const EnLecture &) = delete;

private:
    Lecture m_lecture;
};

void CompterLu(qint64 octets)
{
    if (!t_lecture)
        return;
    t_lecture->restant -= octets;
    if (t_lecture->restant < 0)
        TropLong();
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(octets);
}

// A prepared statement; any failure of SQLite is a refusal of the file.
class Requete
{
public:
    Requete(sqlite3 *base, const char *sql) { Verifier(sqlite3_prepare_v2(base, sql, -1, &m_requete, nullptr)); }
    ~Requete() { sqlite3_finalize(m_requete); }
    Requete(const Requete &) = delete;
    Requete &operator=(const Requete &) = delete;

    // False when there is no more row.
    bool Suivante()
    {
        const int r = sqlite3_step(m_requete);
        if (r == SQLITE_ROW)
            return true;
        if (r == SQLITE_DONE)
            return false;
        Verifier(r);
        return false;
    }
    void Executer()
    {
        while (Suivante()) { }
        sqlite3_reset(m_requete);
    }
    void Lier(int i, qint64 v) { Verifier(sqlite3_bind_int64(m_requete, i, v)); }
    void Lier(int i, const QByteArray &v)
    {
        Verifier(sqlite3_bind_text(m_requete, i, v.constData(), int(v.size()), SQLITE_TRANSIENT));
    }
    void Lier(int i, const QString &v) { Lier(i, Utf8(v)); }
    qint64 Entier(int i) const { return sqlite3_column_int64(m_requete, i); }
    QString Texte(int i) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_requete, i));
        if (!t)
            return QString();
        const int n = sqlite3_column_bytes(m_requete, i);
        CompterLu(n);
        return QString::fromUtf8(t, n);
    }
    // The UTF-8 bytes of a text column, valid until the next step.
    QByteArray Octets(int i) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_requete, i));
        if (!t)
            return QByteArray();
        const int n = sqlite3_column_bytes(m_requete, i);
        CompterLu(n);
        return QByteArray::fromRawData(t, n);
    }

    // Errors of a database read from a file: the file is refused.
    static void VerifierCode(int code);

private:
    void Verifier(int code) const
    {
        if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
            VerifierCode(code);
    }
    sqlite3_stmt *m_requete = nullptr;
};

void Requete::VerifierCode(int code)
{
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE)
        return;
    switch (code & 0xFF) {
    case SQLITE_INTERRUPT:
        TropLong();
    case SQLITE_NOMEM:
        throw std::bad_alloc();
    case SQLITE_TOOBIG:
        if (const TBudgetMemoire *budget = TBudgetMemoire::Courant())
            budget->Refuser();
        Endommage();
    default:
        // SQLITE_CORRUPT, SQLITE_NOTADB, a missing table or column...
        Endommage();
    }
}

void Executer(sqlite3 *base, const char *sql)
{
    Requete r(base, sql);
    r.Executer();
}

int Progression(void *restant)
{
    auto *n = static_cast<qint64 *>(restant);
    return --*n < 0 ? 1 : 0;
}

// The collation Anki's newer schema declares on names.
int Unicase(void *, int l1, const void *t1, int l2, const void *t2)
{
    return QString::fromUtf8(static_cast<const char *>(t1), l1)
        .compare(QString::fromUtf8(static_cast<const char *>(t2), l2), Qt::CaseInsensitive);
}

// Opens a collection read from a package, read-only and defensive; the
// bytes must outlive the database.
Base OuvrirCollection(QByteArray &octets, qint64 &restant)
{
    if (octets.size() < 100 || std::memcmp(octets.constData(), "SQLite format 3", 16) != 0)
        Endommage();
    // A collection left in WAL mode reads as an ordinary one from memory.
    if (octets[18] == 2)
        octets[18] = 1;
    if (octets[19] == 2)
        octets[19] = 1;
    sqlite3 *brute = nullptr;
    const int ouverture = sqlite3_open_v2(":memory:", &brute, SQLITE_OPEN_READWRITE, nullptr);
    Base base(brute);
    if (ouverture != SQLITE_OK)
        throw std::bad_alloc();
    sqlite3_db_config(brute, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(brute, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // SQLite copies a value spread over pages before handing it out: one
    // longer than what is left of the budget (its copy, then its text) is
    // refused before it is copied.
    qint64 longueur = qMin<qint64>(octets.size() + 1, 1000000000);
    if (const TBudgetMemoire *budget = TBudgetMemoire::Courant())
        longueur = qMin(longueur, qMax<qint64>(1, (budget->Limite() - budget->Pris()) / 3));
    sqlite3_limit(brute, SQLITE_LIMIT_LENGTH, int(longueur));
    sqlite3_create_collation(brute, "unicase", SQLITE_UTF8, nullptr, Unicase);
    // Work bounded by the size: a few thousand steps a byte is far more
    // than reading any real collection takes.
    restant = 100000 + octets.size() / 4;
    sqlite3_progress_handler(brute, 1000, Progression, &restant);
    Requete::VerifierCode(sqlite3_deserialize(brute, "main", reinterpret_cast<unsigned char *>(octets.data()),
                                              octets.size(), octets.size(), SQLITE_DESERIALIZE_READONLY));
    Executer(brute, "pragma trusted_schema = off");
    // Sorts and DISTINCT work in memory, never in files of /var/tmp.
    Executer(brute, "pragma temp_store = memory");
    Executer(brute, "pragma query_only = on");
    return base;
}

// The tables read must be real tables, not views or something else.
void VerifierTables(sqlite3 *base, std::initializer_list<const char *> noms)
{
    for (const char *nom : noms) {
        Requete r(base, "select type from sqlite_master where lower(name) = ?1");
        r.Lier(1, QByteArray(nom));
        if (!r.Suivante() || r.Texte(0) != QLatin1String("table"))
            Endommage();
    }
}

// The note types (id, name, number of fields) and the deck names.
struct Contenu
{
    QHash<qint64, QString> types;
    QHash<qint64, int> nombreChamps;
    QHash<qint64, QString> paquets;
    QSet<qint64> titreDevant; // note types of older exports

    // An entry of the hashes costs its node, its share of the table and its name.
    static QString Compter(QString nom)
    {
        if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
            budget->Prendre(64 + TBudgetMemoire::CoutTexte(nom));
        return nom;
    }
};

// What QJsonDocument takes for a text, counted before it is parsed: about
// 50 bytes a value (its entry, a container for an object or array), rounded
// up, and the strings.
qint64 CoutJson(const QByteArray &texte)
{
    qint64 valeurs = 1;
    bool chaine = false;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char c = texte.at(i);
        if (chaine) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                chaine = false;
        } else if (c == '"') {
            chaine = true;
        } else if (c == ',' || c == ':' || c == '[' || c == '{') {
            ++valeurs;
        }
    }
    return 64 * valeurs + 2 * texte.size();
}

QJsonObject ObjetJson(const QByteArray &texte)
{
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(CoutJson(texte));
    QJsonParseError erreur;
    const QJsonDocument doc = QJsonDocument::fromJson(texte, &erreur);

    if (erreur.error != QJsonParseError::NoError || !doc.isObject())
        Endommage();
    return doc.object();
}

Contenu LireCollection(sqlite3 *base, bool &tables)
{
    VerifierTables(base, {"col", "notes"});
    Requete col(base, "select ver, models, decks from col order by id limit 1");
    if (!col.Suivante())
        Endommage();
    const qint64 version = col.Entier(0);
    if (version < 11 || version > 18)
        Refuser(Anki::tr("This Anki collection is in a version this program does not know (%1).").arg(version));
    // Note types and decks moved out of col into tables of their own in version 15.
    tables = version >= 15;
    Contenu c;
    if (tables) {
        VerifierTables(base, {"notetypes", "fields", "decks"});
        Requete types(base, "select id, name from notetypes");
        while (types.Suivante()) {
            c.types.insert(types.Entier(0), Contenu::Compter(types.Texte(1)));
            c.nombreChamps.insert(types.Entier(0), 0);
        }
        Requete champs(base, "select ntid, count(*) from fields group by ntid");
        while (champs.Suivante()) {
            if (c.nombreChamps.contains(champs.Entier(0)))
                c.nombreChamps[champs.Entier(0)] = int(champs.Entier(1));
        }
        Requete paquets(base, "select id, name from decks");
        while (paquets.Suivante())
            c.paquets.insert(paquets.Entier(0),
                             Contenu::Compter(paquets.Texte(1).replace(SeparateurChamps, QLatin1String("::"))));
    } else {
        const QJsonObject modeles = ObjetJson(col.Octets(1));
        for (auto it = modeles.begin(); it != modeles.end(); ++it) {
            const QJsonObject m = it.value().toObject();
            bool ok = false;
            const qint64 id = it.key().toLongLong(&ok);
            if (!ok)
                Endommage();
            c.types.insert(id, Contenu::Compter(m.value(QLatin1String("name")).toString()));
            c.nombreChamps.insert(id, int(m.value(QLatin1String("flds")).toArray().size()));
            const QJsonArray gabarits = m.value(QLatin1String("tmpls")).toArray();
            if (c.types.value(id).startsWith(PrefixeType)
                && gabarits.at(0).toObject().value(QLatin1String("name")).toString() != NomGabarit)
                c.titreDevant.insert(id);
        }
        const QJsonObject paquets = ObjetJson(col.Octets(2));
        for (auto it = paquets.begin(); it != paquets.end(); ++it)
            c.paquets.insert(it.key().toLongLong(),
                             Contenu::Compter(it.value().toObject().value(QLatin1String("name")).toString()));
    }
    return c;
}

// The one deck the cards are in, or empty when they are in several.
QString PaquetUnique(sqlite3 *base, const Contenu &c)
{
    VerifierTables(base, {"cards"});
    Requete r(base, "select distinct did from cards limit 2");
    QList<qint64> ids;
    while (r.Suivante())
        ids << r.Entier(0);
    return ids.size() == 1 ? c.paquets.value(ids.first()) : QString();
}

std::unique_ptr<TFichierX> LireBase(QByteArray &octets, QChar type, const QString &secours, Omissions &omissions,
                                    const TOptions &options, const TFichierAnki::ChoixType &choisir)
{
    qint64 restant = 0;
    const EnLecture lecture(octets.size());
    Base base = OuvrirCollection(octets, restant);
    bool tables = false;
    const Contenu c = LireCollection(base.get(), tables);
    QString titre = PaquetUnique(base.get(), c);
    if (titre.isEmpty())
        titre = secours;
    {
        // All an older Anki finds in a newer package: one note asking to update.
        Requete seule(base.get(), "select count(*), max(flds) from notes");
        if (seule.Suivante() && seule.Entier(0) == 1
            && seule.Texte(1).contains(QLatin1String("Please update to the latest Anki version")))
            RefuserTropRecent();
    }
    {
        Requete decks(base.get(), "select count(distinct did) from cards");
        if (decks.Suivante())
            omissions.paquets = int(qMin<qint64>(decks.Entier(0), INT_MAX));
        // Anki always has the column; a collection without it has no tags to lose.
        Requete colonne(base.get(), "select count(*) from pragma_table_info('notes') where name = 'tags'");
        if (colonne.Suivante() && colonne.Entier(0) > 0) {
            Requete tags(base.get(), "select count(*) from notes where trim(tags) <> ''");
            if (tags.Suivante())
                omissions.etiquettes = int(qMin<qint64>(tags.Entier(0), INT_MAX));
        }
    }
    if (choisir) {
        Requete types(base.get(), "select distinct mid from notes limit 2");
        QList<qint64> ids;
        while (types.Suivante())
            ids << types.Entier(0);
        type = choisir(ids.size() == 1 ? LettreType(c.types.value(ids.first())) : QChar());
        if (type.isNull())
            return nullptr;
    }
    auto fichier = NouveauFichier(type, titre, options);
    Requete notes(base.get(), "select mid, flds from notes order by id");
    while (notes.Suivante()) {
        const qint64 mid = notes.Entier(0);
        if (!c.types.contains(mid))
            Endommage();
        if (c.nombreChamps.value(mid) < 1)
            Refuser(Anki::tr("The note type \"%1\" has no first field.").arg(c.types.value(mid)));
        const QString flds = notes.Texte(1);
        if (Omissions::Trou(flds))
            ++omissions.trous;
        QStringList champs;
        for (const QStringView champ : qTokenize(flds, SeparateurChamps)) {
            // HTML may take more characters than the text it gives, not that many.
            if (champ.size() > 4 * TBudgetMemoire::MaxCaracteresTexte)
                TBudgetMemoire::VerifierCaracteres(champ.size());
            AjouterChamp(champs, Html::VersTexte(champ.toString()));
        }
        const bool ancien = c.titreDevant.contains(mid);
        AjouterNote(*fichier, champs,
                    ancien ? Disposition() : DispositionType(LettreType(c.types.value(mid)), c.nombreChamps.value(mid)),
                    ancien);
        OublierChamps(champs);
    }
    Terminer(*fichier);
    return fichier;
}

} // namespace AnkiLecture
