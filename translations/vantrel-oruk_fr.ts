<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>EConvertError</name>
    <message>
        <source>Date et heure hors de l&apos;intervalle représentable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Argument de codage de date incorrect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Argument de codage d&apos;heure incorrect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date de fichier incorrecte (0x%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EPrinter</name>
    <message>
        <source>Aucune imprimante n&apos;est disponible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Impression en cours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;est pas en train d&apos;imprimer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imprimante inconnue : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>L&apos;imprimante %1 refuse le document</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;a pas pu commencer une nouvelle page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;a pas pu terminer le document</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ERegistryException</name>
    <message>
        <source>Erreur à l&apos;obtention des données pour %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type de données incorrect pour %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Impossible de créer le fichier %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erreur à l&apos;enregistrement de flux</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erreur inconnue %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fr</source>
        <comment>the language of the system&apos;s error texts</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Erreur inconnue</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ItemProperties</name>
    <message numerus="yes">
        <source>%n items</source>
        <translation>
            <numerusform>%n élément</numerusform>
            <numerusform>%n éléments</numerusform>
        </translation>
    </message>
    <message>
        <source>Symbolic link to %1</source>
        <translation>Lien symbolique vers %1</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Dossier</translation>
    </message>
    <message>
        <source>Named pipe</source>
        <translation>Tube nommé</translation>
    </message>
    <message>
        <source>Socket</source>
        <translation>Socket</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Périphérique</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Inconnu</translation>
    </message>
    <message>
        <source>%1 (%2 bytes)</source>
        <translation>%1 (%2 octets)</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Chemin</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Contenu</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Taille</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Modifié</translation>
    </message>
    <message>
        <source>Accessed</source>
        <translation>Consulté</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>État modifié</translation>
    </message>
    <message>
        <source>Permissions</source>
        <translation>Droits</translation>
    </message>
    <message>
        <source>Owner</source>
        <translation>Propriétaire</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Groupe</translation>
    </message>
    <message>
        <source>%1 Properties</source>
        <extracomment>The dialog&apos;s title; %1 is the item&apos;s name.</extracomment>
        <translation>Propriétés de %1</translation>
    </message>
    <message>
        <source>%1:</source>
        <extracomment>A label before its value; %1 is the label&apos;s text.</extracomment>
        <translation>%1 :</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Dossier</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Disque</translation>
    </message>
</context>
<context>
    <name>ShellContextMenu</name>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Ouvrir</translation>
    </message>
    <message>
        <source>Opens the item with its default application.</source>
        <translation>Ouvre l&apos;élément avec son application par défaut.</translation>
    </message>
    <message>
        <source>Open &amp;Containing Folder</source>
        <translation>Ouvrir le &amp;dossier parent</translation>
    </message>
    <message>
        <source>Opens the folder that holds the item.</source>
        <translation>Ouvre le dossier qui contient l&apos;élément.</translation>
    </message>
    <message>
        <source>Copy &amp;Path</source>
        <translation>Copier le &amp;chemin</translation>
    </message>
    <message>
        <source>Copies the item&apos;s path to the clipboard.</source>
        <translation>Copie le chemin de l&apos;élément dans le presse-papiers.</translation>
    </message>
    <message>
        <source>New &amp;Folder</source>
        <translation>&amp;Nouveau dossier</translation>
    </message>
    <message>
        <source>Creates a new folder inside this folder.</source>
        <translation>Crée un nouveau dossier dans ce dossier.</translation>
    </message>
    <message>
        <source>Move to &amp;Trash</source>
        <translation>&amp;Mettre à la corbeille</translation>
    </message>
    <message>
        <source>Moves the item to the trash.</source>
        <translation>Met l&apos;élément à la corbeille.</translation>
    </message>
    <message>
        <source>Rena&amp;me</source>
        <translation>&amp;Renommer</translation>
    </message>
    <message>
        <source>Renames the item.</source>
        <translation>Renomme l&apos;élément.</translation>
    </message>
    <message>
        <source>P&amp;roperties</source>
        <translation>&amp;Propriétés</translation>
    </message>
    <message>
        <source>Shows the item&apos;s path, kind, size, dates and permissions.</source>
        <translation>Affiche le chemin, le type, la taille, les dates et les droits de l&apos;élément.</translation>
    </message>
    <message>
        <source>Open &amp;With</source>
        <translation>Ouvrir a&amp;vec</translation>
    </message>
    <message>
        <source>No Applications Found</source>
        <translation>Aucune application trouvée</translation>
    </message>
    <message>
        <source>Opens the item with %1.</source>
        <translation>Ouvre l&apos;élément avec %1.</translation>
    </message>
    <message>
        <source>Cannot create a new folder in %1: %2.</source>
        <translation>Impossible de créer un nouveau dossier dans %1 : %2.</translation>
    </message>
    <message>
        <source>it lies on another file system than the trash</source>
        <translation>il se trouve sur un autre système de fichiers que la corbeille</translation>
    </message>
    <message>
        <source>it is the trash or holds it</source>
        <translation>c&apos;est la corbeille ou il la contient</translation>
    </message>
    <message>
        <source>Cannot move %1 to the trash: %2.</source>
        <translation>Impossible de mettre %1 à la corbeille : %2.</translation>
    </message>
    <message>
        <source>Cannot read the properties of %1: %2.</source>
        <translation>Impossible de lire les propriétés de %1 : %2.</translation>
    </message>
    <message>
        <source>Cannot open %1: no application is set up to open items of type %2.</source>
        <translation>Impossible d&apos;ouvrir %1 : aucune application n&apos;est configurée pour ouvrir les éléments de type %2.</translation>
    </message>
    <message>
        <source>The application &quot;%1&quot; has no command line that can be run.</source>
        <translation>L&apos;application « %1 » n&apos;a pas de ligne de commande qui puisse être exécutée.</translation>
    </message>
    <message>
        <source>Cannot start &quot;%1&quot; (%2).</source>
        <translation>Impossible de démarrer « %1 » (%2).</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nouveau dossier</translation>
    </message>
    <message>
        <source>New Folder (%1)</source>
        <translation>Nouveau dossier (%1)</translation>
    </message>
</context>
<context>
    <name>ShellPlaces</name>
    <message>
        <source>Desktop</source>
        <translation>Bureau</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Ordinateur</translation>
    </message>
    <message>
        <source>Trash</source>
        <translation>Corbeille</translation>
    </message>
    <message>
        <source>Control Panel</source>
        <translation>Panneau de configuration</translation>
    </message>
    <message>
        <source>Printers</source>
        <translation>Imprimantes</translation>
    </message>
</context>
<context>
    <name>TCommandLine</name>
    <message>
        <source>option inconnue : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>option ambiguë : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>l&apos;option %1 ne prend pas de valeur</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TExport</name>
    <message>
        <source>%1 fichiers trouvés</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>vantrel-oruk-export : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>lecture interrompue : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage : vantrel-oruk-export [OPTIONS] DOSSIER
Écrit le listing du dossier DOSSIER, comme « Lecture répertoire » de Vantrel Oruk.

  -d, --dirs-only        seulement les répertoires
  -s, --sorted           ordre alphabétique
  -S, --sizes            inclure la taille des fichiers
  -D, --dates            inclure la date des fichiers
      --font &quot;FAMILLE[,POINTS]&quot;  police du listing (défaut : MS Sans Serif, 8)
  -o, --output FICHIER   fichier à écrire ; .rtf : RTF, .pdf : PDF imprimé (A4),
                         .csv : CSV, .json : JSON, .html ou .htm : page HTML,
                         .txt ou autre : texte ; - ou absent : texte sur la
                         sortie standard
      --format rtf|text|pdf|csv|json|html  impose le format
      --totals           sous chaque répertoire, le nombre et la taille de ses
                         propres fichiers (sans ceux des sous-répertoires) ;
                         à la fin, « Total : » de toute l&apos;arborescence ;
                         en CSV, JSON et HTML, des champs et attributs
      --include MASQUES  seulement les fichiers dont le nom suit un des
                         masques (« *.jpg;*.png », casse ignorée)
      --exclude MASQUES  sans les fichiers dont le nom suit un des masques
      --exclude-dir MASQUES  ne parcourt pas les répertoires de ces noms
      --max-depth N      ne parcourt pas les répertoires au-delà de N niveaux
                         (0 : les fichiers du dossier seul)
      --csv-safe         en CSV, une « &apos; » devant les cellules qu&apos;un tableur
                         prendrait pour des formules (=, +, -, @)
  -h, --help             affiche cette aide
      --version          affiche la version

Code de sortie : 0 réussi, 1 listing ou écriture en échec, 2 usage ou dossier illisible.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Essayez « vantrel-oruk-export --help ».</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un dossier lisible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>vantrel-oruk-export : impossible de lancer %1 pour le PDF : %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TExportArgs</name>
    <message>
        <source>liste de masques invalide pour %1 : « %2 » (attendu : des masques non vides séparés par « ; », par exemple « *.jpg;*.png »)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>le nom du fichier de sortie est vide (-o FICHIER, ou -o - pour la sortie standard)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>police invalide : « %1 » (attendu : FAMILLE[,POINTS])</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>format inconnu : « %1 » (rtf, text, pdf, csv, json ou html)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--exclude-dir prend des noms de répertoires, sans « / » : « %1 »</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>profondeur invalide pour --max-depth : « %1 » (attendu : un entier positif ou nul)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>l&apos;option %1 attend une valeur</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>aucun dossier indiqué</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>un seul dossier est attendu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>la sortie PDF demande un fichier : -o FICHIER.pdf</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TFolderTotals</name>
    <message numerus="yes">
        <source> fichiers</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> fichier</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Total : </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Répertoire racine</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dossiers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Répertoire racine non choisi.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Avertissement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lecture terminée.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lecture interrompue : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lecture en cours : %1 fichiers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Afficher seulement les répertoires</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ordre alphabétique</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inclure taille</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Inclure date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lecture répertoire</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Police...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imprimer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enregistrer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Aucune lecture à enregistrer : choisissez un dossier et lisez-le d&apos;abord.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Aperçu...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>THtmlWriter</name>
    <message>
        <source>fr</source>
        <comment>the language of the page</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listing de %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TListing</name>
    <message>
        <source> octets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Ko</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Mo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Go</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TPreviewDialog</name>
    <message>
        <source>Aperçu avant impression</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Première page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page précédente</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page suivante</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dernière page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Numéro de page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pleine largeur</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page entière</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Une page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deux pages</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imprimer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>sur %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>sur au moins %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TReadCommand</name>
    <message>
        <source>erreur inconnue</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRemembered</name>
    <message>
        <source>vantrel-oruk : réglages non enregistrés : %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>vantrel-oruk : réglages illisibles ou endommagés ignorés : %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message>
        <source>Capacité de la vue dépassée (%1 caractères)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TSaveDialog</name>
    <message>
        <source>%1 existe déjà.
Voulez-vous le remplacer ?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enregistrer sous</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TSaveListing</name>
    <message>
        <source>Fichiers RTF (*.rtf)|*.rtf|Documents PDF (*.pdf)|*.pdf|Texte (*.txt)|*.txt|Pages HTML, fichiers trouvés (*.html)|*.html;*.htm|Tableaux CSV, fichiers trouvés (*.csv)|*.csv|Données JSON, fichiers trouvés (*.json)|*.json</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TWindowArgs</name>
    <message>
        <source>vantrel-oruk : </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>un seul dossier est attendu</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--read demande un dossier</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Essayez « vantrel-oruk --help ».</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un dossier</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage : vantrel-oruk [OPTIONS] [DOSSIER]
Affiche le listing d&apos;une arborescence, l&apos;imprime et l&apos;enregistre.

  DOSSIER                choisi dans l&apos;arborescence à l&apos;ouverture
  -r, --read             lit aussitôt DOSSIER, comme « Lecture répertoire »
  -platform, -style...   les options de Qt (voir la page de manuel)
  -h, --help             affiche cette aide
      --version          affiche la version

Code de sortie : 0 réussi, 2 usage ou dossier introuvable.
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TorbSystemTreeView</name>
    <message>
        <source>a name cannot be empty</source>
        <translation>un nom ne peut pas être vide</translation>
    </message>
    <message>
        <source>a name cannot contain &quot;/&quot;</source>
        <translation>un nom ne peut pas contenir « / »</translation>
    </message>
    <message>
        <source>a name cannot contain a NUL character</source>
        <translation>un nom ne peut pas contenir de caractère NUL</translation>
    </message>
    <message>
        <source>&quot;.&quot; and &quot;..&quot; are reserved names</source>
        <translation>« . » et « .. » sont des noms réservés</translation>
    </message>
    <message>
        <source>an item with that name already exists in this folder</source>
        <translation>un élément de ce nom existe déjà dans ce dossier</translation>
    </message>
    <message>
        <source>the folder that holds it may not be changed</source>
        <translation>le dossier qui le contient ne peut pas être modifié</translation>
    </message>
    <message>
        <source>it no longer exists</source>
        <translation>il n&apos;existe plus</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>le nom est trop long</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>le système de fichiers est en lecture seule</translation>
    </message>
    <message>
        <source>Cannot rename %1 to %2: %3.</source>
        <translation>Impossible de renommer %1 en %2 : %3.</translation>
    </message>
</context>
<context>
    <name>VersionText</name>
    <message>
        <source>Copyright (C) 2026 the Vantrel Oruk developers.
Licence GPLv3+ : GNU GPL version 3 ou ultérieure &lt;https://gnu.org/licenses/gpl.html&gt;.
Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.
Il n&apos;y a AUCUNE GARANTIE, dans la limite permise par la loi.
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
