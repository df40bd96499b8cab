<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Aiken</name>
    <message>
        <source>The file is not UTF-8 text.</source>
        <translation>Le fichier n&apos;est pas du texte UTF-8.</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>Ligne %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>an answer without its question.</source>
        <translation>une réponse sans sa question.</translation>
    </message>
    <message>
        <source>an ANSWER line without its question.</source>
        <translation>une ligne ANSWER sans sa question.</translation>
    </message>
    <message>
        <source>this question needs at least 2 answers.</source>
        <translation>cette question demande au moins 2 réponses.</translation>
    </message>
    <message>
        <source>the answer &quot;%1&quot; is none of the question&apos;s answers.</source>
        <translation>la réponse «&#xa0;%1&#xa0;» n&apos;est aucune des réponses de la question.</translation>
    </message>
    <message>
        <source>this question has no ANSWER line.</source>
        <translation>cette question n&apos;a pas de ligne ANSWER.</translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) are not single-answer multiple choice with at most 26 answers and were left out of the Aiken file.</source>
        <translation>
            <numerusform>%n fiche n&apos;est pas un choix multiple à réponse unique d&apos;au plus 26 réponses et a été laissée hors du fichier Aiken.</numerusform>
            <numerusform>%n fiches ne sont pas des choix multiples à réponse unique d&apos;au plus 26 réponses et ont été laissées hors du fichier Aiken.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Anki</name>
    <message>
        <source>This Anki package is damaged or holds no Anki collection.</source>
        <translation>Ce paquet Anki est endommagé ou ne contient aucune collection Anki.</translation>
    </message>
    <message>
        <source>Reading this Anki collection takes too long: it is refused.</source>
        <translation>La lecture de cette collection Anki prend trop de temps&#xa0;: elle est refusée.</translation>
    </message>
    <message>
        <source>The Anki collection could not be built: %1</source>
        <translation>La collection Anki n&apos;a pas pu être construite&#xa0;: %1</translation>
    </message>
    <message>
        <source>The Anki package could not be built: %1</source>
        <translation>Le paquet Anki n&apos;a pas pu être construit&#xa0;: %1</translation>
    </message>
    <message>
        <source>This Anki collection is in a version this program does not know (%1).</source>
        <translation>Cette collection Anki est dans une version que ce programme ne connaît pas (%1).</translation>
    </message>
    <message>
        <source>The note type &quot;%1&quot; has no first field.</source>
        <translation>Le type de note «&#xa0;%1&#xa0;» n&apos;a pas de premier champ.</translation>
    </message>
    <message>
        <source>This Anki text file names a separator this program does not know: &quot;%1&quot;.</source>
        <translation>Ce fichier texte Anki indique un séparateur que ce programme ne connaît pas&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>This Anki package is not a valid zip file.</source>
        <translation>Ce paquet Anki n&apos;est pas un fichier zip valide.</translation>
    </message>
    <message>
        <source>This Anki text file is not valid UTF-8.</source>
        <translation>Ce fichier texte Anki n&apos;est pas en UTF-8 valide.</translation>
    </message>
    <message>
        <source>This file is no Anki text export: its first lines are not Anki&apos;s headers.</source>
        <translation>Ce fichier n&apos;est pas un export texte d&apos;Anki&#xa0;: ses premières lignes ne sont pas les en-têtes d&apos;Anki.</translation>
    </message>
    <message>
        <source>Note %1 of this Anki text file has no first field.</source>
        <translation>La note %1 de ce fichier texte Anki n&apos;a pas de premier champ.</translation>
    </message>
    <message numerus="yes">
        <source>%n note(s) carry tags, which cards have no place for: the tags were left out.</source>
        <translation>
            <numerusform>%n note porte des étiquettes, que les fiches n&apos;ont pas de place pour garder&#xa0;: les étiquettes ont été laissées de côté.</numerusform>
            <numerusform>%n notes portent des étiquettes, que les fiches n&apos;ont pas de place pour garder&#xa0;: les étiquettes ont été laissées de côté.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n note(s) hold cloze deletions ({{c1::...}}): their text is kept as it stands, without the gaps.</source>
        <translation>
            <numerusform>%n note contient des textes à trous ({{c1::...}})&#xa0;: son texte est gardé tel quel, sans les trous.</numerusform>
            <numerusform>%n notes contiennent des textes à trous ({{c1::...}})&#xa0;: leur texte est gardé tel quel, sans les trous.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>This Anki package holds %n sound or picture file(s), which cards cannot show: they were left out.</source>
        <translation>
            <numerusform>Ce paquet Anki contient %n fichier son ou image, que les fiches ne peuvent pas montrer&#xa0;: il a été laissé de côté.</numerusform>
            <numerusform>Ce paquet Anki contient %n fichiers sons ou images, que les fiches ne peuvent pas montrer&#xa0;: ils ont été laissés de côté.</numerusform>
        </translation>
    </message>
    <message>
        <source>The notes come from several decks; the card file keeps no deck.</source>
        <translation>Les notes viennent de plusieurs paquets&#xa0;; le fichier de fiches ne garde aucun paquet.</translation>
    </message>
    <message>
        <source>This Anki package holds a write-ahead log (%1): the notes added or changed since its collection was last saved are left out.</source>
        <translation>Ce paquet Anki contient un journal d&apos;écriture anticipée (%1)&#xa0;: les notes ajoutées ou modifiées depuis le dernier enregistrement de sa collection sont laissées de côté.</translation>
    </message>
    <message>
        <source>This Anki package was made by an Anki newer than this program knows. Export the deck again from Anki with &quot;Support older Anki versions&quot; checked.</source>
        <translation>Ce paquet Anki a été fait par une version d&apos;Anki plus récente que celles que ce programme connaît. Exportez de nouveau le paquet depuis Anki en cochant «&#xa0;Support older Anki versions&#xa0;».</translation>
    </message>
    <message>
        <source>Choices</source>
        <translation>Choix</translation>
    </message>
    <message>
        <source>Solution</source>
        <translation>Solution</translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation>Commentaire</translation>
    </message>
    <message>
        <source>(empty)</source>
        <translation>(vide)</translation>
    </message>
</context>
<context>
    <name>Budget</name>
    <message>
        <source>This file would need more than %1 MB of memory: a file may use at most 20 times its size, or 256 MB.</source>
        <translation>Ce fichier demanderait plus de %1 Mo de mémoire&#xa0;: un fichier peut en utiliser au plus 20 fois sa taille, ou 256 Mo.</translation>
    </message>
    <message>
        <source>A card text in this file holds more than %L1 characters: the file is refused.</source>
        <translation>Un texte de fiche de ce fichier contient plus de %L1 caractères&#xa0;: le fichier est refusé.</translation>
    </message>
    <message>
        <source>A card text in this file holds more than %L1 lines: the file is refused.</source>
        <translation>Un texte de fiche de ce fichier contient plus de %L1 lignes&#xa0;: le fichier est refusé.</translation>
    </message>
</context>
<context>
    <name>Chaines</name>
    <message>
        <source>7.8</source>
        <translation>7.8</translation>
    </message>
    <message>
        <source>Dictionnaire</source>
        <translation>Dictionnaire</translation>
    </message>
    <message>
        <source>Enumerations</source>
        <translation>Énumérations</translation>
    </message>
    <message>
        <source>Holdall</source>
        <translation>Fourre-tout</translation>
    </message>
    <message>
        <source>Lists</source>
        <translation>Listes</translation>
    </message>
    <message>
        <source>MCQ</source>
        <translation>QCM</translation>
    </message>
    <message>
        <source>Notebook</source>
        <translation>Bloc-notes</translation>
    </message>
    <message>
        <source>Questionnaire</source>
        <translation>Questionnaire</translation>
    </message>
    <message>
        <source>Directory</source>
        <translation>Répertoire</translation>
    </message>
    <message>
        <source>Visit cards</source>
        <translation>Cartes de visite</translation>
    </message>
    <message>
        <source>Native</source>
        <translation>Natif</translation>
    </message>
    <message>
        <source>XML</source>
        <translation>XML</translation>
    </message>
    <message>
        <source>Cardfile</source>
        <translation>Cardfile</translation>
    </message>
    <message>
        <source>CSV</source>
        <translation>CSV</translation>
    </message>
    <message>
        <source>Moodle</source>
        <translation>Moodle</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Numéro</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Onglet</translation>
    </message>
    <message>
        <source>Body</source>
        <translation>Corps</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>Answer</source>
        <translation>Réponse</translation>
    </message>
    <message>
        <source>or</source>
        <translation>ou</translation>
    </message>
    <message>
        <source>!&quot;&apos;,-.:;?</source>
        <translation>!&quot;&apos;,-.:;?</translation>
    </message>
    <message>
        <source>a an the</source>
        <translation>le la les un une des</translation>
    </message>
    <message>
        <source>Lucida Sans Typewriter</source>
        <translation>Lucida Sans Typewriter</translation>
    </message>
    <message>
        <source>MS Reference Sans Serif</source>
        <translation>MS Reference Sans Serif</translation>
    </message>
    <message>
        <source>===</source>
        <translation>===</translation>
    </message>
    <message>
        <source>L</source>
        <translation>L</translation>
    </message>
    <message>
        <source>GIFT</source>
        <translation>GIFT</translation>
    </message>
    <message>
        <source>Aiken</source>
        <translation>Aiken</translation>
    </message>
    <message>
        <source>Anki</source>
        <translation>Anki</translation>
    </message>
    <message>
        <source>Anki text</source>
        <translation>Texte Anki</translation>
    </message>
    <message>
        <source>QTI 2.1</source>
        <translation>QTI 2.1</translation>
    </message>
    <message>
        <source>Common Cartridge</source>
        <translation>Common Cartridge</translation>
    </message>
    <message>
        <source>QTI 1.2</source>
        <translation>QTI 1.2</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>Not enough memory.</source>
        <translation>Mémoire insuffisante.</translation>
    </message>
    <message>
        <source>No command given.</source>
        <translation>Aucune commande donnée.</translation>
    </message>
    <message>
        <source>Option %1 needs a value.</source>
        <translation>L&apos;option %1 demande une valeur.</translation>
    </message>
    <message>
        <source>A type is one letter from A to Z: &quot;%1&quot;.</source>
        <translation>Un type est une lettre de A à Z&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Unknown format &quot;%1&quot;.</source>
        <translation>Format inconnu&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Unknown option &quot;%1&quot;.</source>
        <translation>Option inconnue&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Unknown command &quot;%1&quot;.</source>
        <translation>Commande inconnue&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Wrong number of files for &quot;%1&quot;.</source>
        <translation>Nombre de fichiers incorrect pour «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>--to is for convert only.</source>
        <translation>--to ne sert qu&apos;à convert.</translation>
    </message>
    <message>
        <source>Cannot tell the format from &quot;%1&quot;: use --to.</source>
        <translation>Impossible de déduire le format de «&#xa0;%1&#xa0;»&#xa0;: utilisez --to.</translation>
    </message>
    <message>
        <source>The %1 format cannot hold a %2 card file.</source>
        <translation>Le format %1 ne peut pas contenir un fichier de fiches de type %2.</translation>
    </message>
    <message>
        <source>--lossy is for convert only.</source>
        <translation>--lossy ne sert qu&apos;à convert.</translation>
    </message>
    <message>
        <source>card %1 (&quot;%2&quot;)</source>
        <translation>la fiche %1 («&#xa0;%2&#xa0;»)</translation>
    </message>
    <message>
        <source>the file&apos;s header</source>
        <translation>l&apos;en-tête du fichier</translation>
    </message>
    <message>
        <source>%1 character(s) cannot be written in this format and would become &quot;?&quot;; the first one, %2, is in %3. Nothing was written; --lossy converts anyway.</source>
        <translation>%1 caractère(s) ne peuvent pas être écrits dans ce format et deviendraient «&#xa0;?&#xa0;»&#xa0;; le premier, %2, est dans %3. Rien n&apos;a été écrit&#xa0;; --lossy convertit malgré tout.</translation>
    </message>
    <message>
        <source>--%1 goes with convert --to %2.</source>
        <translation>--%1 va avec convert --to %2.</translation>
    </message>
    <message>
        <source>Usage:
  amblopad-cli info FILE [--type T]
  amblopad-cli dump FILE [--type T]
  amblopad-cli convert IN OUT [--to F] [--type T] [--lossy] [--anki-text]
  amblopad-cli spell FILE [--lang D] [--type T]

T is a file type letter (A..Z), given to a CSV input,
and to an Anki deck (default: the type it was written from
by this program, else D).
F is a format letter: %1;
without --to it comes from OUT&apos;s extension.
--anki-text with --to k writes Anki text instead of a package.
--lossy converts instead of refusing when characters do not fit the
output&apos;s code page (written as &apos;?&apos;) or multiple-choice cards have no
right answer marked.
spell prints one line per unknown word: card number, field, word and
suggestions, separated by tabs; D is a dictionary name (fr_FR, en_US).
It exits with 1 when a word is unknown, 2 when the dictionary is missing.
</source>
        <translation>Usage&#xa0;:
  amblopad-cli info FICHIER [--type T]
  amblopad-cli dump FICHIER [--type T]
  amblopad-cli convert ENTRÉE SORTIE [--to F] [--type T] [--lossy] [--anki-text]
  amblopad-cli spell FICHIER [--lang D] [--type T]

T est une lettre de type de fichier (A..Z), donnée à une entrée CSV,
et à un paquet Anki (par défaut&#xa0;: le type dont ce programme
l&apos;a tiré, sinon D).
F est une lettre de format&#xa0;: %1&#xa0;;
sans --to, elle est tirée de l&apos;extension de SORTIE.
--anki-text avec --to k écrit du texte Anki au lieu d&apos;un paquet.
--lossy convertit au lieu de refuser quand des caractères ne tiennent pas dans
la page de code de la sortie (écrits &apos;?&apos;) ou que des fiches à choix
multiple n&apos;ont aucune bonne réponse marquée.
spell écrit une ligne par mot inconnu&#xa0;: numéro de fiche, champ, mot et
suggestions, séparés par des tabulations&#xa0;; D est le nom d&apos;un dictionnaire (fr_FR, en_US).
Il sort avec 1 quand un mot est inconnu, 2 quand le dictionnaire manque.
</translation>
    </message>
    <message>
        <source>%1 multiple-choice card(s) have no right answer marked and would become questions that accept every answer, or none; the first one is card %2 (&quot;%3&quot;). Nothing was written; --lossy converts anyway.</source>
        <translation>%1 fiche(s) à choix multiple n&apos;ont aucune bonne réponse marquée et deviendraient des questions qui acceptent toute réponse, ou aucune&#xa0;; la première est la fiche %2 («&#xa0;%3&#xa0;»). Rien n&apos;a été écrit&#xa0;; --lossy convertit malgré tout.</translation>
    </message>
    <message>
        <source>--lang is for spell only.</source>
        <translation>--lang ne sert qu&apos;à spell.</translation>
    </message>
</context>
<context>
    <name>Contrat</name>
    <message>
        <source>&quot;%1&quot; would take %2 MB in this format, more than the %3 MB of the largest file that can be opened. Nothing was saved.</source>
        <translation>«&#xa0;%1&#xa0;» prendrait %2&#xa0;Mo dans ce format, plus que les %3&#xa0;Mo du plus gros fichier qui puisse être ouvert. Rien n&apos;a été enregistré.</translation>
    </message>
</context>
<context>
    <name>Csv</name>
    <message>
        <source>The CSV file is not valid UTF-8 text (line %1).</source>
        <translation>Le fichier CSV n&apos;est pas un texte UTF-8 valide (ligne %1).</translation>
    </message>
    <message>
        <source>Not enough fields found in the CSV file&#xa0;!</source>
        <translation>Pas assez de champs trouvés dans le fichier CSV&#xa0;!</translation>
    </message>
</context>
<context>
    <name>DocumentXml</name>
    <message>
        <source>An element has more than %1 attributes.</source>
        <translation>Un élément a plus de %1 attributs.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Mémoire insuffisante.</translation>
    </message>
    <message>
        <source>The document is too large.</source>
        <translation>Le document est trop volumineux.</translation>
    </message>
    <message>
        <source>Document type declarations are not accepted.</source>
        <translation>Les déclarations de type de document ne sont pas acceptées.</translation>
    </message>
    <message>
        <source>The document is not well-formed.</source>
        <translation>Le document n&apos;est pas bien formé.</translation>
    </message>
    <message>
        <source>The document has no root element.</source>
        <translation>Le document n&apos;a pas d&apos;élément racine.</translation>
    </message>
</context>
<context>
    <name>Erreurs</name>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Index de liste hors limites (%1)</translation>
    </message>
</context>
<context>
    <name>Flux</name>
    <message>
        <source>It is not a regular file.</source>
        <translation>Ce n&apos;est pas un fichier ordinaire.</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Impossible d&apos;ouvrir le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Impossible de créer le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Error writing file &quot;%1&quot;. %2</source>
        <translation>Erreur d&apos;écriture du fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is in use by another program.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» est utilisé par un autre programme.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is too large.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» est trop volumineux.</translation>
    </message>
    <message>
        <source>Error reading file &quot;%1&quot;. %2</source>
        <translation>Erreur de lecture du fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>The file system is read-only.</source>
        <translation>Le système de fichiers est en lecture seule.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; was left incomplete by an interrupted save and could not be restored. %2 Its previous content is in &quot;%3&quot;.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» a été laissé incomplet par un enregistrement interrompu et n&apos;a pas pu être rétabli. %2 Son contenu précédent se trouve dans «&#xa0;%3&#xa0;».</translation>
    </message>
</context>
<context>
    <name>Formats</name>
    <message>
        <source>Not enough memory for the file &quot;%1&quot;.</source>
        <translation>Mémoire insuffisante pour le fichier «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Not a valid Windows 3.1 Cardfile file!</source>
        <translation>Pas un fichier Cardfile de Windows 3.1 valide&#xa0;!</translation>
    </message>
    <message>
        <source>A Windows 3.1 Cardfile file holds at most %1 cards; this card file has %2.</source>
        <translation>Un fichier Cardfile de Windows 3.1 contient au plus %1 fiches&#xa0;; ce fichier de fiches en a %2.</translation>
    </message>
    <message>
        <source>The text of card %1 is %2 bytes long; a Windows 3.1 Cardfile card holds at most %3 bytes of text.</source>
        <translation>Le texte de la fiche %1 fait %2 octets&#xa0;; une fiche Cardfile de Windows 3.1 contient au plus %3 octets de texte.</translation>
    </message>
    <message>
        <source>This card file is too large for a Windows 3.1 Cardfile file.</source>
        <translation>Ce fichier de fiches est trop volumineux pour un fichier Cardfile de Windows 3.1.</translation>
    </message>
    <message>
        <source>This file cannot be used as a model!</source>
        <translation>Ce fichier ne peut pas servir de modèle&#xa0;!</translation>
    </message>
    <message>
        <source>The file was not recognized!</source>
        <translation>Le fichier n&apos;a pas été reconnu&#xa0;!</translation>
    </message>
    <message>
        <source>Unknown format &quot;%1&quot;.</source>
        <translation>Format inconnu&#xa0;: «&#xa0;%1&#xa0;».</translation>
    </message>
</context>
<context>
    <name>GardeXml</name>
    <message>
        <source>XML parser, line %1: %2</source>
        <translation>Analyseur XML, ligne %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>XML parser: %1</source>
        <translation>Analyseur XML&#xa0;: %1</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>erreur %1</translation>
    </message>
    <message numerus="yes">
        <source>(%n more message(s) from the XML parser)</source>
        <translation>
            <numerusform>(%n autre message de l&apos;analyseur XML)</numerusform>
            <numerusform>(%n autres messages de l&apos;analyseur XML)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Gift</name>
    <message>
        <source>Question</source>
        <translation>Question</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>Ligne %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>this question needs at least %1 answers.</source>
        <translation>cette question demande au moins %1 réponses.</translation>
    </message>
    <message>
        <source>a matching answer needs &quot;-&gt;&quot;.</source>
        <translation>une réponse d&apos;appariement demande «&#xa0;-&gt;&#xa0;».</translation>
    </message>
    <message>
        <source>a numerical question needs an answer.</source>
        <translation>une question numérique demande une réponse.</translation>
    </message>
    <message>
        <source>a numerical range needs two numbers.</source>
        <translation>un intervalle numérique demande deux nombres.</translation>
    </message>
    <message>
        <source>a numerical tolerance must be a number.</source>
        <translation>une tolérance numérique doit être un nombre.</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;.</source>
        <translation>commande inconnue «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>an answer block lacks its &quot;{&quot; or its &quot;}&quot;.</source>
        <translation>un bloc de réponses n&apos;a pas son «&#xa0;{&#xa0;» ou son «&#xa0;}&#xa0;».</translation>
    </message>
    <message>
        <source>The file is not UTF-8 text.</source>
        <translation>Le fichier n&apos;est pas du texte UTF-8.</translation>
    </message>
    <message numerus="yes">
        <source>%n answer feedback(s) of this file have no place in a card and were left out.</source>
        <translation>
            <numerusform>%n commentaire de réponse de ce fichier n&apos;a pas de place dans une fiche et a été laissé de côté.</numerusform>
            <numerusform>%n commentaires de réponse de ce fichier n&apos;ont pas de place dans une fiche et ont été laissés de côté.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) cannot be written exactly in GIFT and were written as the closest question Moodle accepts.</source>
        <translation>
            <numerusform>%n fiche ne peut pas s&apos;écrire exactement en GIFT et a été écrite comme la question la plus proche que Moodle accepte.</numerusform>
            <numerusform>%n fiches ne peuvent pas s&apos;écrire exactement en GIFT et ont été écrites comme les questions les plus proches que Moodle accepte.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Interaction</name>
    <message>
        <source>Open as &amp;read-only</source>
        <translation>Ouvrir en &amp;lecture seule</translation>
    </message>
    <message>
        <source>&amp;Recover</source>
        <translation>&amp;Récupérer</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Supprimer</translation>
    </message>
    <message>
        <source>&amp;Later</source>
        <translation>Plus &amp;tard</translation>
    </message>
</context>
<context>
    <name>LectureHtml</name>
    <message>
        <source>A field of this file could not be read whole: its HTML is nested too deeply or holds too long a text.</source>
        <translation>Un champ de ce fichier n&apos;a pas pu être lu en entier&#xa0;: son HTML est imbriqué trop profondément ou contient un texte trop long.</translation>
    </message>
</context>
<context>
    <name>Moodle</name>
    <message>
        <source>Question %1 of the quiz has no &quot;type&quot; attribute!</source>
        <translation>La question %1 du test n&apos;a pas d&apos;attribut «&#xa0;type&#xa0;»&#xa0;!</translation>
    </message>
    <message>
        <source>Error in writing XML code!</source>
        <translation>Erreur dans l&apos;écriture du code XML&#xa0;!</translation>
    </message>
    <message>
        <source>Not a valid Moodle file!</source>
        <translation>Pas un fichier Moodle valide&#xa0;!</translation>
    </message>
</context>
<context>
    <name>Natif</name>
    <message>
        <source>Not a valid native Amblorine file!</source>
        <translation>Pas un fichier natif d&apos;Amblorine valide&#xa0;!</translation>
    </message>
    <message>
        <source>The card &quot;%1&quot; (number %2) is too long for the native format: a field holds at most 251 lines of 60 characters. Nothing was saved.</source>
        <translation>La fiche «&#xa0;%1&#xa0;» (numéro %2) est trop longue pour le format natif&#xa0;: un champ contient au plus 251 lignes de 60 caractères. Rien n&apos;a été enregistré.</translation>
    </message>
</context>
<context>
    <name>Orthographe</name>
    <message>
        <source>en</source>
        <comment>the interface&apos;s language code: the default spelling dictionary&apos;s language</comment>
        <translation>fr</translation>
    </message>
    <message>
        <source>No spelling dictionary is installed.</source>
        <translation>Aucun dictionnaire orthographique n&apos;est installé.</translation>
    </message>
    <message>
        <source>No spelling dictionary &quot;%1&quot; (installed: %2).</source>
        <translation>Pas de dictionnaire orthographique «&#xa0;%1&#xa0;» (installés&#xa0;: %2).</translation>
    </message>
    <message>
        <source>The spelling dictionary &quot;%1&quot; is written in %2, which this program cannot read.</source>
        <translation>Le dictionnaire orthographique «&#xa0;%1&#xa0;» est écrit en %2, que ce programme ne sait pas lire.</translation>
    </message>
</context>
<context>
    <name>Outils</name>
    <message>
        <source>%1 on %2</source>
        <translation>%1 sur %2</translation>
    </message>
</context>
<context>
    <name>Progression</name>
    <message>
        <source>Cancelled.</source>
        <translation>Annulé.</translation>
    </message>
</context>
<context>
    <name>Qti</name>
    <message>
        <source>The package could not be written: %1</source>
        <translation>Le paquet n&apos;a pas pu être écrit&#xa0;: %1</translation>
    </message>
    <message>
        <source>This package is not a valid zip file.</source>
        <translation>Ce paquet n&apos;est pas un fichier zip valide.</translation>
    </message>
    <message>
        <source>This package is damaged.</source>
        <translation>Ce paquet est endommagé.</translation>
    </message>
    <message>
        <source>This zip file holds no imsmanifest.xml: it is no QTI package.</source>
        <translation>Ce fichier zip ne contient pas d&apos;imsmanifest.xml&#xa0;: ce n&apos;est pas un paquet QTI.</translation>
    </message>
    <message>
        <source>The package&apos;s imsmanifest.xml cannot be read.</source>
        <translation>L&apos;imsmanifest.xml du paquet est illisible.</translation>
    </message>
    <message>
        <source>The package names a file outside itself: %1</source>
        <translation>Le paquet désigne un fichier hors de lui-même&#xa0;: %1</translation>
    </message>
    <message>
        <source>This package holds no QTI 1.2 assessment or question bank.</source>
        <translation>Ce paquet ne contient aucun test ni banque de questions QTI 1.2.</translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) have no question of this format (categories, cloze cards of several gaps, other question types the format cannot hold) and were left out.</source>
        <translation>
            <numerusform>%n fiche n&apos;a pas de question dans ce format (catégories, textes à trous de plusieurs trous, autres types de question que le format ne peut contenir) et a été omise.</numerusform>
            <numerusform>%n fiches n&apos;ont pas de question dans ce format (catégories, textes à trous de plusieurs trous, autres types de question que le format ne peut contenir) et ont été omises.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) were written as the closest question this format holds (grades other than 0 and 100, wrong short answers, numerical units, essay templates, a missing word as a short answer with a blank).</source>
        <translation>
            <numerusform>%n fiche a été écrite comme la question la plus proche que ce format contient (notes autres que 0 et 100, réponses courtes fausses, unités numériques, modèles de composition, mot manquant écrit en réponse courte avec un blanc).</numerusform>
            <numerusform>%n fiches ont été écrites comme la question la plus proche que ce format contient (notes autres que 0 et 100, réponses courtes fausses, unités numériques, modèles de composition, mot manquant écrit en réponse courte avec un blanc).</numerusform>
        </translation>
    </message>
    <message>
        <source>This QTI document is not well-formed XML.</source>
        <translation>Ce document QTI n&apos;est pas du XML bien formé.</translation>
    </message>
    <message>
        <source>Not a QTI 1.2 document (no questestinterop element).</source>
        <translation>Ce n&apos;est pas un document QTI 1.2 (pas d&apos;élément questestinterop).</translation>
    </message>
    <message numerus="yes">
        <source>%n question(s) of a kind cards cannot hold were left out: %1.</source>
        <translation>
            <numerusform>%n question d&apos;un genre que les fiches ne peuvent contenir a été omise&#xa0;: %1.</numerusform>
            <numerusform>%n questions d&apos;un genre que les fiches ne peuvent contenir ont été omises&#xa0;: %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n feedback(s) given for one answer, or for right or wrong answers, have no place in a card and were left out.</source>
        <translation>
            <numerusform>%n rétroaction propre à une réponse, ou aux réponses justes ou fausses, n&apos;a pas de place dans une fiche et a été omise.</numerusform>
            <numerusform>%n rétroactions propres à une réponse, ou aux réponses justes ou fausses, n&apos;ont pas de place dans une fiche et ont été omises.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n picture(s) or sound(s) cannot be shown on a card: they were left out (an image keeps its name or description in the text).</source>
        <translation>
            <numerusform>%n image ou son ne peut être montré sur une fiche&#xa0;: omis (une image garde son nom ou sa description dans le texte).</numerusform>
            <numerusform>%n images ou sons ne peuvent être montrés sur une fiche&#xa0;: omis (une image garde son nom ou sa description dans le texte).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n question(s) were read as the closest card: a numerical margin other than half the last decimal, or right answers that name none of the choices.</source>
        <translation>
            <numerusform>%n question a été lue comme la fiche la plus proche&#xa0;: marge numérique autre que la moitié de la dernière décimale, ou bonnes réponses ne désignant aucun des choix.</numerusform>
            <numerusform>%n questions ont été lues comme la fiche la plus proche&#xa0;: marge numérique autre que la moitié de la dernière décimale, ou bonnes réponses ne désignant aucun des choix.</numerusform>
        </translation>
    </message>
    <message>
        <source>No card of this file has a question a Common Cartridge can hold: nothing was written.</source>
        <translation>Aucune fiche de ce fichier n&apos;a de question qu&apos;une Common Cartridge puisse contenir&#xa0;: rien n&apos;a été écrit.</translation>
    </message>
</context>
<context>
    <name>Qti21</name>
    <message>
        <source>The QTI package could not be made: %1</source>
        <translation>Le paquet QTI n&apos;a pas pu être créé : %1</translation>
    </message>
    <message numerus="yes">
        <source>%n card(s) cannot be written exactly as QTI 2.1 items and were written as the closest item.</source>
        <translation>
            <numerusform>%n fiche ne peut pas être écrite exactement comme item QTI 2.1 et a été écrite comme l&apos;item le plus proche.</numerusform>
            <numerusform>%n fiches ne peuvent pas être écrites exactement comme items QTI 2.1 et ont été écrites comme l&apos;item le plus proche.</numerusform>
        </translation>
    </message>
    <message>
        <source>right answers given as whole sets</source>
        <translation>bonnes réponses données en ensembles entiers</translation>
    </message>
    <message>
        <source>no right answer (survey)</source>
        <translation>aucune bonne réponse (sondage)</translation>
    </message>
    <message>
        <source>formula (calculated)</source>
        <translation>formule (calculée)</translation>
    </message>
    <message>
        <source>matching without two sets</source>
        <translation>appariement sans deux ensembles</translation>
    </message>
    <message>
        <source>hotspot</source>
        <translation>zone cliquable</translation>
    </message>
    <message>
        <source>ordering</source>
        <translation>mise en ordre</translation>
    </message>
    <message>
        <source>drag and drop</source>
        <translation>glisser-déposer</translation>
    </message>
    <message>
        <source>association</source>
        <translation>association</translation>
    </message>
    <message>
        <source>file upload</source>
        <translation>envoi de fichier</translation>
    </message>
    <message>
        <source>hot text</source>
        <translation>texte cliquable</translation>
    </message>
    <message>
        <source>slider</source>
        <translation>curseur</translation>
    </message>
    <message>
        <source>drawing</source>
        <translation>dessin</translation>
    </message>
    <message>
        <source>media</source>
        <translation>média</translation>
    </message>
    <message>
        <source>custom</source>
        <translation>interaction propre</translation>
    </message>
    <message>
        <source>This is not a QTI 2.1 item.</source>
        <translation>Ce n&apos;est pas un item QTI 2.1.</translation>
    </message>
    <message>
        <source>values drawn per attempt (template)</source>
        <translation>valeurs tirées à chaque essai (modèle)</translation>
    </message>
    <message>
        <source>multiple blanks</source>
        <translation>plusieurs trous</translation>
    </message>
    <message>
        <source>multiple dropdowns</source>
        <translation>plusieurs listes déroulantes</translation>
    </message>
    <message>
        <source>several interactions</source>
        <translation>plusieurs interactions</translation>
    </message>
    <message>
        <source>This QTI item is not well-formed XML.</source>
        <translation>Cet item QTI n&apos;est pas du XML bien formé.</translation>
    </message>
    <message>
        <source>The QTI item &quot;%1&quot; of this package is not well-formed XML.</source>
        <translation>L&apos;item QTI « %1 » de ce paquet n&apos;est pas du XML bien formé.</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n</source>
        <translation>
            <numerusform>%1 : %n</numerusform>
            <numerusform>%1 : %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n item(s) have no card form and were left out (%1).</source>
        <translation>
            <numerusform>%n item n&apos;a pas de forme de fiche et a été omis (%1).</numerusform>
            <numerusform>%n items n&apos;ont pas de forme de fiche et ont été omis (%1).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n picture(s) or media object(s) have no place in a card: pictures were replaced by their alternative text.</source>
        <translation>
            <numerusform>%n image ou objet média n&apos;a pas de place dans une fiche : les images ont été remplacées par leur texte de remplacement.</numerusform>
            <numerusform>%n images ou objets médias n&apos;ont pas de place dans une fiche : les images ont été remplacées par leur texte de remplacement.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n feedback(s) other than the general feedback have no place in a card and were left out.</source>
        <translation>
            <numerusform>%n feedback autre que le feedback général n&apos;a pas de place dans une fiche et a été omis.</numerusform>
            <numerusform>%n feedbacks autres que le feedback général n&apos;ont pas de place dans une fiche et ont été omis.</numerusform>
        </translation>
    </message>
    <message>
        <source>This QTI package is damaged.</source>
        <translation>Ce paquet QTI est endommagé.</translation>
    </message>
    <message>
        <source>This QTI package is not a valid zip file.</source>
        <translation>Ce paquet QTI n&apos;est pas un fichier zip valide.</translation>
    </message>
    <message>
        <source>This zip file holds no imsmanifest.xml: it is not a QTI package.</source>
        <translation>Ce fichier zip ne contient pas d&apos;imsmanifest.xml : ce n&apos;est pas un paquet QTI.</translation>
    </message>
    <message>
        <source>The manifest of this QTI package is not well-formed XML.</source>
        <translation>Le manifeste de ce paquet QTI n&apos;est pas du XML bien formé.</translation>
    </message>
    <message>
        <source>This package lists no QTI 2 item.</source>
        <translation>Ce paquet ne liste aucun item QTI 2.</translation>
    </message>
    <message>
        <source>The test of this QTI package is not well-formed XML.</source>
        <translation>Le test de ce paquet QTI n&apos;est pas du XML bien formé.</translation>
    </message>
</context>
<context>
    <name>TAide</name>
    <message>
        <source>Amblopad Help</source>
        <translation>Aide d&apos;Amblopad</translation>
    </message>
    <message>
        <source>Navigation</source>
        <translation>Navigation</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Précédent</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Suivant</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Sommaire</translation>
    </message>
    <message>
        <source>en</source>
        <comment>language code of the help pages</comment>
        <translation>fr</translation>
    </message>
</context>
<context>
    <name>TDlgChercher</name>
    <message>
        <source>Find</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Expression to find:</source>
        <translation>Expression à rechercher&#xa0;:</translation>
    </message>
    <message>
        <source>Differentiate case</source>
        <translation>Respecter la casse</translation>
    </message>
    <message>
        <source>Search only in the index field</source>
        <translation>Chercher seulement dans le champ d&apos;index</translation>
    </message>
    <message>
        <source>Search backward</source>
        <translation>Chercher vers le début</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Chercher</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>TDlgEntete</name>
    <message>
        <source>Header of the file</source>
        <translation>En-tête du fichier</translation>
    </message>
    <message>
        <source>Header</source>
        <translation>En-tête</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titre&#xa0;:</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>Description&#xa0;:</translation>
    </message>
    <message>
        <source>Signature:</source>
        <translation>Signature&#xa0;:</translation>
    </message>
</context>
<context>
    <name>TDlgEtiquettes</name>
    <message>
        <source>Labels of the fields</source>
        <translation>Étiquettes des champs</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Field %1:</source>
        <translation>Champ %1&#xa0;:</translation>
    </message>
</context>
<context>
    <name>TDlgNouveau</name>
    <message>
        <source>New file</source>
        <translation>Nouveau fichier</translation>
    </message>
    <message>
        <source>Do you want create a new file?</source>
        <translation>Voulez-vous créer un nouveau fichier&#xa0;?</translation>
    </message>
    <message>
        <source>Type :</source>
        <translation>Type&#xa0;:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>Open the Anki deck as</source>
        <translation>Ouvrir le paquet Anki comme</translation>
    </message>
    <message>
        <source>Which type of card file should the deck&apos;s notes become?</source>
        <translation>Quel type de fichier de fiches les notes du paquet doivent-elles devenir&#xa0;?</translation>
    </message>
</context>
<context>
    <name>TDlgOptions</name>
    <message>
        <source>Options of Questionnaire</source>
        <translation>Options du questionnaire</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Ask again when bad answer</source>
        <translation>Reposer après une mauvaise réponse</translation>
    </message>
    <message>
        <source>Follow the order of the questions</source>
        <translation>Suivre l&apos;ordre des questions</translation>
    </message>
    <message>
        <source>Avoid accidental usage of Enter</source>
        <translation>Éviter l&apos;usage accidentel de la touche Entrée</translation>
    </message>
    <message>
        <source>Match word-by-word</source>
        <translation>Comparer mot à mot</translation>
    </message>
    <message>
        <source>Match case</source>
        <translation>Respecter la casse</translation>
    </message>
    <message>
        <source>Match phonetic</source>
        <translation>Comparer phonétiquement</translation>
    </message>
    <message>
        <source>Candidate must correct his answer</source>
        <translation>Le candidat doit corriger sa réponse</translation>
    </message>
    <message>
        <source>Time to answer (in seconds):</source>
        <translation>Temps pour répondre (en secondes)&#xa0;:</translation>
    </message>
    <message>
        <source>Number of questions to ask:</source>
        <translation>Nombre de questions à poser&#xa0;:</translation>
    </message>
    <message>
        <source>Threshold for fair score (in %): </source>
        <translation>Seuil de note honorable (en %)&#xa0;: </translation>
    </message>
    <message>
        <source>unlimited</source>
        <translation>illimité</translation>
    </message>
    <message>
        <source>all</source>
        <translation>toutes</translation>
    </message>
    <message>
        <source>(0 to 255)</source>
        <translation>(de 0 à 255)</translation>
    </message>
</context>
<context>
    <name>TDlgOptionsAvancees</name>
    <message>
        <source>Advanced options of Questionnaire</source>
        <translation>Options avancées du questionnaire</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Word separator for visible answers:</source>
        <translation>Mot séparateur des réponses visibles&#xa0;:</translation>
    </message>
    <message>
        <source>Character separator for invisible answers:</source>
        <translation>Caractère séparateur des réponses invisibles&#xa0;:</translation>
    </message>
    <message>
        <source>Punctuation (words delimiter): </source>
        <translation>Ponctuation (délimiteurs de mots)&#xa0;: </translation>
    </message>
    <message>
        <source>Ignored words:</source>
        <translation>Mots ignorés&#xa0;:</translation>
    </message>
    <message>
        <source>default</source>
        <translation>par défaut</translation>
    </message>
</context>
<context>
    <name>TDlgOptionsCSV</name>
    <message>
        <source>Options for CSV files</source>
        <translation>Options des fichiers CSV</translation>
    </message>
    <message>
        <source>Character encoding</source>
        <translation>Codage des caractères</translation>
    </message>
    <message>
        <source>ANSI</source>
        <translation>ANSI</translation>
    </message>
    <message>
        <source>UTF-8</source>
        <translation>UTF-8</translation>
    </message>
    <message>
        <source>Field separator</source>
        <translation>Séparateur de champs</translation>
    </message>
</context>
<context>
    <name>TDlgPropriete</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
</context>
<context>
    <name>TFormFiche</name>
    <message>
        <source>You may not write to &quot;%1&quot;: it is open read-only.</source>
        <translation>Vous ne pouvez pas écrire dans «&#xa0;%1&#xa0;»&#xa0;: il est ouvert en lecture seule.</translation>
    </message>
    <message>
        <source>Amblopad: micro Data Base</source>
        <translation>Amblopad&#xa0;: micro base de données</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Précédente</translation>
    </message>
    <message>
        <source>Previous card</source>
        <translation>Fiche précédente</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Suivante</translation>
    </message>
    <message>
        <source>Next card</source>
        <translation>Fiche suivante</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Nouvelle</translation>
    </message>
    <message>
        <source>New card</source>
        <translation>Nouvelle fiche</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Insérer</translation>
    </message>
    <message>
        <source>Insert card</source>
        <translation>Insérer une fiche</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Delete card</source>
        <translation>Supprimer la fiche</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Chercher</translation>
    </message>
    <message>
        <source>Search a card</source>
        <translation>Chercher une fiche</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Nouveau</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Ouvrir</translation>
    </message>
    <message>
        <source>New file from model</source>
        <translation>Nouveau fichier d&apos;après un modèle</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Récent</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Enregistrer</translation>
    </message>
    <message>
        <source>Save &amp;as...</source>
        <translation>Enregistrer &amp;sous...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>&amp;Propriétés</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Edition</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>&amp;First card</source>
        <translation>&amp;Première fiche</translation>
    </message>
    <message>
        <source>&amp;Last card</source>
        <translation>&amp;Dernière fiche</translation>
    </message>
    <message>
        <source>&amp;List of cards</source>
        <translation>&amp;Liste des fiches</translation>
    </message>
    <message>
        <source>&amp;Search card</source>
        <translation>&amp;Rechercher une fiche</translation>
    </message>
    <message>
        <source>Find next</source>
        <translation>Rechercher la suivante</translation>
    </message>
    <message>
        <source>Abort Search</source>
        <translation>Abandonner la recherche</translation>
    </message>
    <message>
        <source>&amp;Validate</source>
        <translation>&amp;Valider</translation>
    </message>
    <message>
        <source>&amp;New card</source>
        <translation>&amp;Nouvelle fiche</translation>
    </message>
    <message>
        <source>&amp;Insert card</source>
        <translation>&amp;Insérer une fiche</translation>
    </message>
    <message>
        <source>&amp;Delete card</source>
        <translation>&amp;Supprimer la fiche</translation>
    </message>
    <message>
        <source>Cancel modification</source>
        <translation>Annuler la modification</translation>
    </message>
    <message>
        <source>Switch fields</source>
        <translation>Permuter les champs</translation>
    </message>
    <message>
        <source>Card –&gt; printer</source>
        <translation>Fiche –&gt; imprimante</translation>
    </message>
    <message>
        <source>Card –&gt; clipboard</source>
        <translation>Fiche –&gt; presse-papiers</translation>
    </message>
    <message>
        <source>List –&gt; clipboard</source>
        <translation>Liste –&gt; presse-papiers</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>Advanced options</source>
        <translation>Options avancées</translation>
    </message>
    <message>
        <source>&amp;Header</source>
        <translation>&amp;En-tête</translation>
    </message>
    <message>
        <source>&amp;Labels</source>
        <translation>É&amp;tiquettes</translation>
    </message>
    <message>
        <source>&amp;Canvas</source>
        <translation>&amp;Canevas</translation>
    </message>
    <message>
        <source>Style sheet</source>
        <translation>Feuille de style</translation>
    </message>
    <message>
        <source>&amp;Preferences</source>
        <translation>&amp;Préférences</translation>
    </message>
    <message>
        <source>&amp;Fonts</source>
        <translation>&amp;Polices</translation>
    </message>
    <message>
        <source>Fields</source>
        <translation>Champs</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>CSV options</source>
        <translation>Options CSV</translation>
    </message>
    <message>
        <source>Keep to foreground</source>
        <translation>Garder au premier plan</translation>
    </message>
    <message>
        <source>&amp;Open when starts</source>
        <translation>&amp;Ouvrir au démarrage</translation>
    </message>
    <message>
        <source>&amp;Unique instance</source>
        <translation>Instance &amp;unique</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Sommaire</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>À &amp;propos...</translation>
    </message>
    <message>
        <source>(No card)</source>
        <translation>(Aucune fiche)</translation>
    </message>
    <message>
        <source>Amblopad %1<byte value="xd"/>
micro Data Base: an editor of card files for Amblorine.<byte value="xd"/>
<byte value="xd"/>
This program is free software: you can redistribute it and/or modify it under the terms of the GNU General Public License, version 3 or any later version. It comes with no warranty.<byte value="xd"/>
<byte value="xd"/>
Built with Qt %2 (LGPL version 3) and libxml2 (MIT licence).</source>
        <translation>Amblopad %1<byte value="xd"/>
micro base de données&#xa0;: un éditeur de fichiers de fiches pour Amblorine.<byte value="xd"/>
<byte value="xd"/>
Ce programme est un logiciel libre&#xa0;: vous pouvez le redistribuer et/ou le modifier selon les termes de la licence publique générale GNU (GPL), version 3 ou toute version ultérieure. Il est fourni sans aucune garantie.<byte value="xd"/>
<byte value="xd"/>
Construit avec Qt %2 (LGPL version 3) et libxml2 (licence MIT).</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>(No file loaded)</source>
        <translation>(Aucun fichier chargé)</translation>
    </message>
    <message>
        <source>(New file)</source>
        <translation>(Nouveau fichier)</translation>
    </message>
    <message>
        <source>Search only in field &quot;%1&quot;</source>
        <translation>Chercher seulement dans le champ «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>The card is incomplete!<byte value="xd"/>
Fill it or delete it.</source>
        <translation>La fiche est incomplète&#xa0;!<byte value="xd"/>
Complétez-la ou supprimez-la.</translation>
    </message>
    <message>
        <source>Do you really want to delete this card?</source>
        <translation>Voulez-vous vraiment supprimer cette fiche&#xa0;?</translation>
    </message>
    <message>
        <source>Do you really want to switch fields %1/%2 of all the cards?</source>
        <translation>Voulez-vous vraiment permuter les champs %1/%2 de toutes les fiches&#xa0;?</translation>
    </message>
    <message>
        <source>Will you make the current card as a canvas?<byte value="xd"/>
Click on &quot;Abort&quot; to delete the canvas.</source>
        <translation>Voulez-vous faire de la fiche courante le canevas&#xa0;?<byte value="xd"/>
Cliquez sur «&#xa0;Abandonner&#xa0;» pour supprimer le canevas.</translation>
    </message>
    <message>
        <source>Will you really delete the canvas?</source>
        <translation>Voulez-vous vraiment supprimer le canevas&#xa0;?</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Tous</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; is the file being edited: choose another name for the export.</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» est le fichier en cours d&apos;édition&#xa0;: choisissez un autre nom pour l&apos;exportation.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; already exists.<byte value="xd"/>
Overwrite it?</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» existe déjà.<byte value="xd"/>
Le remplacer&#xa0;?</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; has been modified.<byte value="xd"/>
Do you want to save it?</source>
        <translation>Le fichier «&#xa0;%1&#xa0;» a été modifié.<byte value="xd"/>
Voulez-vous l&apos;enregistrer&#xa0;?</translation>
    </message>
    <message>
        <source>Type: %1<byte value="xd"/>
<byte value="xd"/>
Format: %2<byte value="xd"/>
<byte value="xd"/>
Number of cards: %3</source>
        <translation>Type&#xa0;: %1<byte value="xd"/>
<byte value="xd"/>
Format&#xa0;: %2<byte value="xd"/>
<byte value="xd"/>
Nombre de fiches&#xa0;: %3</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Propriétés</translation>
    </message>
    <message>
        <source>The card could not be printed.</source>
        <translation>La fiche n&apos;a pas pu être imprimée.</translation>
    </message>
    <message>
        <source>Name of the file:</source>
        <translation>Nom du fichier&#xa0;:</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot separate the fields of a CSV file: the separator stays &quot;%2&quot;.</source>
        <translation>«&#xa0;%1&#xa0;» ne peut pas séparer les champs d&apos;un fichier CSV&#xa0;: le séparateur reste «&#xa0;%2&#xa0;».</translation>
    </message>
    <message>
        <source>Search completed.</source>
        <translation>Recherche terminée.</translation>
    </message>
    <message>
        <source>End of search.</source>
        <translation>Fin de la recherche.</translation>
    </message>
    <message>
        <source>Not found!</source>
        <translation>Introuvable&#xa0;!</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Échec</translation>
    </message>
    <message numerus="yes">
        <source>%n character(s) cannot be written in this format and will be saved as &quot;?&quot;.</source>
        <translation>
            <numerusform>%n caractère ne peut pas être écrit dans ce format et sera enregistré comme «&#xa0;?&#xa0;».</numerusform>
            <numerusform>%n caractères ne peuvent pas être écrits dans ce format et seront enregistrés comme «&#xa0;?&#xa0;».</numerusform>
        </translation>
    </message>
    <message>
        <source>The first one, &quot;%1&quot;, is in card %2 (&quot;%3&quot;).</source>
        <translation>Le premier, «&#xa0;%1&#xa0;», est dans la fiche %2 («&#xa0;%3&#xa0;»).</translation>
    </message>
    <message>
        <source>The first one, &quot;%1&quot;, is in the file&apos;s header.</source>
        <translation>Le premier, «&#xa0;%1&#xa0;», est dans l&apos;en-tête du fichier.</translation>
    </message>
    <message>
        <source>Save anyway?</source>
        <translation>Enregistrer malgré tout&#xa0;?</translation>
    </message>
    <message>
        <source>The card could not be printed to &quot;%1&quot;.</source>
        <translation>La fiche n&apos;a pas pu être imprimée dans «&#xa0;%1&#xa0;».</translation>
    </message>
    <message numerus="yes">
        <source>%n multiple-choice card(s) have no right answer marked: such a question accepts every answer, or none.</source>
        <translation>
            <numerusform>%n fiche à choix multiple n&apos;a aucune bonne réponse marquée&#xa0;: une telle question accepte toute réponse, ou aucune.</numerusform>
            <numerusform>%n fiches à choix multiple n&apos;ont aucune bonne réponse marquée&#xa0;: de telles questions acceptent toute réponse, ou aucune.</numerusform>
        </translation>
    </message>
    <message>
        <source>The first one is card %1 (&quot;%2&quot;).</source>
        <translation>La première est la fiche %1 («&#xa0;%2&#xa0;»).</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is on a read-only file system: it is open read-only.</source>
        <translation>«&#xa0;%1&#xa0;» se trouve sur un système de fichiers en lecture seule&#xa0;: il est ouvert en lecture seule.</translation>
    </message>
    <message>
        <source>Opening &quot;%1&quot;...</source>
        <translation>Ouverture de «&#xa0;%1&#xa0;»…</translation>
    </message>
    <message>
        <source>Saving &quot;%1&quot;...</source>
        <translation>Enregistrement de «&#xa0;%1&#xa0;»…</translation>
    </message>
    <message>
        <source>D&amp;uplicate card</source>
        <translation>D&amp;upliquer la fiche</translation>
    </message>
    <message>
        <source>Print &amp;all cards</source>
        <translation>Imprimer toutes les fic&amp;hes</translation>
    </message>
    <message>
        <source>Paste as ne&amp;w card</source>
        <translation>Coller co&amp;mme nouvelle fiche</translation>
    </message>
    <message>
        <source>The clipboard holds no card to paste.</source>
        <translation>Le presse-papiers ne contient aucune fiche à coller.</translation>
    </message>
    <message>
        <source>The cards could not be printed.</source>
        <translation>Les fiches n&apos;ont pas pu être imprimées.</translation>
    </message>
    <message>
        <source>The cards could not be printed to &quot;%1&quot;.</source>
        <translation>Les fiches n&apos;ont pas pu être imprimées dans «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Edit card</source>
        <translation>Modifier la fiche</translation>
    </message>
    <message>
        <source>Canvas</source>
        <translation>Canevas</translation>
    </message>
    <message>
        <source>Delete canvas</source>
        <translation>Supprimer le canevas</translation>
    </message>
    <message>
        <source>Header</source>
        <translation>En-tête</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Défaire</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Refaire</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>Défaire «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>Refaire «&#xa0;%1&#xa0;»</translation>
    </message>
</context>
<context>
    <name>TListe</name>
    <message>
        <source>List of cards</source>
        <translation>Liste des fiches</translation>
    </message>
</context>
<context>
    <name>TOffreRecuperation</name>
    <message>
        <source>A recovery copy cannot be read</source>
        <translation>Une copie de récupération est illisible</translation>
    </message>
    <message>
        <source>It was set aside as &quot;%1&quot;.</source>
        <translation>Elle a été mise de côté sous le nom «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>(New file)</source>
        <translation>(Nouveau fichier)</translation>
    </message>
    <message>
        <source>Recover the unsaved changes to %1 from %2?</source>
        <translation>Récupérer les modifications non enregistrées de %1 du %2&#xa0;?</translation>
    </message>
    <message>
        <source>Recovery</source>
        <translation>Récupération</translation>
    </message>
</context>
<context>
    <name>TVerificationOrthographe</name>
    <message>
        <source>Spell checking is off: no dictionary of the interface&apos;s language is installed.</source>
        <translation>Vérification orthographique désactivée&#xa0;: aucun dictionnaire de la langue de l&apos;interface n&apos;est installé.</translation>
    </message>
    <message>
        <source>Spell checking is off: %1</source>
        <translation>Vérification orthographique désactivée&#xa0;: %1</translation>
    </message>
    <message>
        <source>(No suggestions)</source>
        <translation>(Aucune suggestion)</translation>
    </message>
    <message>
        <source>Add to dictionary</source>
        <translation>Ajouter au dictionnaire</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is accepted until the program ends, but could not be saved in %2.</source>
        <translation>«&#xa0;%1&#xa0;» est accepté jusqu&apos;à la fin du programme, mais n&apos;a pas pu être enregistré dans %2.</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorer</translation>
    </message>
    <message>
        <source>S&amp;pelling</source>
        <translation>Ort&amp;hographe</translation>
    </message>
    <message>
        <source>&amp;Check spelling as you type</source>
        <translation>&amp;Vérifier l&apos;orthographe pendant la saisie</translation>
    </message>
    <message>
        <source>Language of the interface (no dictionary)</source>
        <translation>Langue de l&apos;interface (aucun dictionnaire)</translation>
    </message>
    <message>
        <source>Language of the interface: %1</source>
        <translation>Langue de l&apos;interface&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1 (not installed)</source>
        <translation>%1 (non installé)</translation>
    </message>
</context>
</TS>
