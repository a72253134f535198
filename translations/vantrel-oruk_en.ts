<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>EConvertError</name>
    <message>
        <source>Date et heure hors de l&apos;intervalle représentable</source>
        <translation>Date and time outside the representable range</translation>
    </message>
    <message>
        <source>Argument de codage de date incorrect</source>
        <translation>Invalid argument to date encode</translation>
    </message>
    <message>
        <source>Argument de codage d&apos;heure incorrect</source>
        <translation>Invalid argument to time encode</translation>
    </message>
    <message>
        <source>Date de fichier incorrecte (0x%1)</source>
        <translation>Invalid file date (0x%1)</translation>
    </message>
</context>
<context>
    <name>EPrinter</name>
    <message>
        <source>Aucune imprimante n&apos;est disponible</source>
        <translation>No printer is available</translation>
    </message>
    <message>
        <source>Impression en cours</source>
        <translation>Printing in progress</translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;est pas en train d&apos;imprimer</source>
        <translation>The printer is not printing</translation>
    </message>
    <message>
        <source>Imprimante inconnue : %1</source>
        <translation>Unknown printer: %1</translation>
    </message>
    <message>
        <source>L&apos;imprimante %1 refuse le document</source>
        <translation>The printer %1 refuses the document</translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;a pas pu commencer une nouvelle page</source>
        <translation>The printer could not start a new page</translation>
    </message>
    <message>
        <source>L&apos;imprimante n&apos;a pas pu terminer le document</source>
        <translation>The printer could not finish the document</translation>
    </message>
</context>
<context>
    <name>ERegistryException</name>
    <message>
        <source>Erreur à l&apos;obtention des données pour %1</source>
        <translation>Failed to get data for %1</translation>
    </message>
    <message>
        <source>Type de données incorrect pour %1</source>
        <translation>Invalid data type for %1</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>Impossible de créer le fichier %1</source>
        <translation>Cannot create file %1</translation>
    </message>
    <message>
        <source>Erreur à l&apos;enregistrement de flux</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>Erreur inconnue %1</source>
        <translation>Unknown error %1</translation>
    </message>
    <message>
        <source>fr</source>
        <comment>the language of the system&apos;s error texts</comment>
        <translation>en</translation>
    </message>
    <message>
        <source>Erreur inconnue</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>ItemProperties</name>
    <message numerus="yes">
        <source>%n items</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Symbolic link to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Named pipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Socket</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2 bytes)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kind</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modified</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Accessed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permissions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Owner</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Properties</source>
        <extracomment>The dialog&apos;s title; %1 is the item&apos;s name.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1:</source>
        <extracomment>A label before its value; %1 is the label&apos;s text.</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ShellContextMenu</name>
    <message>
        <source>&amp;Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the item with its default application.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;Containing Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the folder that holds the item.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy &amp;Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies the item&apos;s path to the clipboard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New &amp;Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creates a new folder inside this folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to &amp;Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moves the item to the trash.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rena&amp;me</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Renames the item.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>P&amp;roperties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the item&apos;s path, kind, size, dates and permissions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;With</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Applications Found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens the item with %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create a new folder in %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it lies on another file system than the trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is the trash or holds it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot move %1 to the trash: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the properties of %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open %1: no application is set up to open items of type %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The application &quot;%1&quot; has no command line that can be run.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot start &quot;%1&quot; (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Folder (%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ShellPlaces</name>
    <message>
        <source>Desktop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Computer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Control Panel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printers</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TCommandLine</name>
    <message>
        <source>option inconnue : %1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>option ambiguë : %1</source>
        <translation>ambiguous option: %1</translation>
    </message>
    <message>
        <source>l&apos;option %1 ne prend pas de valeur</source>
        <translation>option %1 takes no value</translation>
    </message>
</context>
<context>
    <name>TExport</name>
    <message>
        <source>%1 fichiers trouvés</source>
        <translation>%1 files found</translation>
    </message>
    <message>
        <source>vantrel-oruk-export : </source>
        <translation>vantrel-oruk-export: </translation>
    </message>
    <message>
        <source>lecture interrompue : %1</source>
        <translation>reading interrupted: %1</translation>
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
        <translation>Usage: vantrel-oruk-export [OPTIONS] FOLDER
Writes the listing of the folder FOLDER, as Vantrel Oruk&apos;s &quot;Read folder&quot; does.

  -d, --dirs-only        folders only
  -s, --sorted           alphabetical order
  -S, --sizes            include the files&apos; sizes
  -D, --dates            include the files&apos; dates
      --font &quot;FAMILY[,POINTS]&quot;  the listing&apos;s font (default: MS Sans Serif, 8)
  -o, --output FILE      file to write; .rtf: RTF, .pdf: printed PDF (A4),
                         .csv: CSV, .json: JSON, .html or .htm: HTML page,
                         .txt or other: text; - or none: text on standard
                         output
      --format rtf|text|pdf|csv|json|html  forces the format
      --totals           under each folder, the count and size of its own
                         files (without those of its subfolders); at the
                         end, &quot;Total:&quot; of the whole tree; in CSV, JSON and
                         HTML, fields and attributes
      --include MASKS    only the files whose name matches one of the masks
                         (&quot;*.jpg;*.png&quot;, case ignored)
      --exclude MASKS    without the files whose name matches one of the masks
      --exclude-dir MASKS  does not walk the folders of these names
      --max-depth N      does not walk the folders deeper than N levels
                         (0: the folder&apos;s own files only)
      --csv-safe         in CSV, a &quot;&apos;&quot; before the cells that a spreadsheet
                         would take for formulas (=, +, -, @)
  -h, --help             shows this help
      --version          shows the version

Exit status: 0 done, 1 listing or writing failed, 2 usage or unreadable folder.
</translation>
    </message>
    <message>
        <source>Essayez « vantrel-oruk-export --help ».</source>
        <translation>Try &apos;vantrel-oruk-export --help&apos;.</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un dossier lisible</source>
        <translation>&apos;%1&apos; is not a readable folder</translation>
    </message>
    <message>
        <source>vantrel-oruk-export : impossible de lancer %1 pour le PDF : %2</source>
        <translation>vantrel-oruk-export: cannot start %1 for the PDF: %2</translation>
    </message>
</context>
<context>
    <name>TExportArgs</name>
    <message>
        <source>liste de masques invalide pour %1 : « %2 » (attendu : des masques non vides séparés par « ; », par exemple « *.jpg;*.png »)</source>
        <translation>invalid mask list for %1: &apos;%2&apos; (expected: non-empty masks separated by &apos;;&apos;, for example &apos;*.jpg;*.png&apos;)</translation>
    </message>
    <message>
        <source>le nom du fichier de sortie est vide (-o FICHIER, ou -o - pour la sortie standard)</source>
        <translation>the output file name is empty (-o FILE, or -o - for standard output)</translation>
    </message>
    <message>
        <source>police invalide : « %1 » (attendu : FAMILLE[,POINTS])</source>
        <translation>invalid font: &apos;%1&apos; (expected: FAMILY[,POINTS])</translation>
    </message>
    <message>
        <source>format inconnu : « %1 » (rtf, text, pdf, csv, json ou html)</source>
        <translation>unknown format: &apos;%1&apos; (rtf, text, pdf, csv, json or html)</translation>
    </message>
    <message>
        <source>--exclude-dir prend des noms de répertoires, sans « / » : « %1 »</source>
        <translation>--exclude-dir takes folder names, without &apos;/&apos;: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>profondeur invalide pour --max-depth : « %1 » (attendu : un entier positif ou nul)</source>
        <translation>invalid depth for --max-depth: &apos;%1&apos; (expected: a whole number, zero or more)</translation>
    </message>
    <message>
        <source>l&apos;option %1 attend une valeur</source>
        <translation>option %1 requires a value</translation>
    </message>
    <message>
        <source>aucun dossier indiqué</source>
        <translation>no folder given</translation>
    </message>
    <message>
        <source>un seul dossier est attendu</source>
        <translation>only one folder is expected</translation>
    </message>
    <message>
        <source>la sortie PDF demande un fichier : -o FICHIER.pdf</source>
        <translation>PDF output needs a file: -o FILE.pdf</translation>
    </message>
</context>
<context>
    <name>TFolderTotals</name>
    <message numerus="yes">
        <source> fichiers</source>
        <translation>
            <numerusform> file</numerusform>
            <numerusform> files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> fichier</source>
        <translation>
            <numerusform> file</numerusform>
            <numerusform> files</numerusform>
        </translation>
    </message>
    <message>
        <source>Total : </source>
        <translation>Total: </translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Répertoire racine</source>
        <translation>Root folder</translation>
    </message>
    <message>
        <source>Dossiers</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>Listing</source>
        <translation>Listing</translation>
    </message>
    <message>
        <source>Répertoire racine non choisi.</source>
        <translation>No root folder chosen.</translation>
    </message>
    <message>
        <source>Avertissement</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Lecture terminée.</source>
        <translation>Reading finished.</translation>
    </message>
    <message>
        <source>Lecture interrompue : </source>
        <translation>Reading interrupted: </translation>
    </message>
    <message>
        <source>Lecture en cours : %1 fichiers</source>
        <translation>Reading: %1 files</translation>
    </message>
    <message>
        <source>Afficher seulement les répertoires</source>
        <translation>Show folders only</translation>
    </message>
    <message>
        <source>Ordre alphabétique</source>
        <translation>Alphabetical order</translation>
    </message>
    <message>
        <source>Inclure taille</source>
        <translation>Include size</translation>
    </message>
    <message>
        <source>Inclure date</source>
        <translation>Include date</translation>
    </message>
    <message>
        <source>Lecture répertoire</source>
        <translation>Read folder</translation>
    </message>
    <message>
        <source>Police...</source>
        <translation>Font...</translation>
    </message>
    <message>
        <source>Imprimer...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>Enregistrer...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Aucune lecture à enregistrer : choisissez un dossier et lisez-le d&apos;abord.</source>
        <translation>Nothing read to save: choose a folder and read it first.</translation>
    </message>
    <message>
        <source>Aperçu...</source>
        <translation>Preview...</translation>
    </message>
</context>
<context>
    <name>THtmlWriter</name>
    <message>
        <source>fr</source>
        <comment>the language of the page</comment>
        <translation>en</translation>
    </message>
    <message>
        <source>Listing de %1</source>
        <translation>Listing of %1</translation>
    </message>
</context>
<context>
    <name>TListing</name>
    <message>
        <source> octets</source>
        <translation> bytes</translation>
    </message>
    <message>
        <source> Ko</source>
        <translation> KB</translation>
    </message>
    <message>
        <source> Mo</source>
        <translation> MB</translation>
    </message>
    <message>
        <source> Go</source>
        <translation> GB</translation>
    </message>
</context>
<context>
    <name>TPreviewDialog</name>
    <message>
        <source>Aperçu avant impression</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>Première page</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>Page précédente</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Page suivante</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Dernière page</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>&amp;Page</source>
        <translation>&amp;Page</translation>
    </message>
    <message>
        <source>Numéro de page</source>
        <translation>Page number</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Pleine largeur</source>
        <translation>Fit width</translation>
    </message>
    <message>
        <source>Page entière</source>
        <translation>Fit page</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Une page</source>
        <translation>One page</translation>
    </message>
    <message>
        <source>Deux pages</source>
        <translation>Two pages</translation>
    </message>
    <message>
        <source>Imprimer...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>sur %1</source>
        <translation>of %1</translation>
    </message>
    <message>
        <source>sur au moins %1</source>
        <translation>of at least %1</translation>
    </message>
</context>
<context>
    <name>TReadCommand</name>
    <message>
        <source>erreur inconnue</source>
        <translation>unknown error</translation>
    </message>
</context>
<context>
    <name>TRemembered</name>
    <message>
        <source>vantrel-oruk : réglages non enregistrés : %1</source>
        <translation>vantrel-oruk: settings not saved: %1</translation>
    </message>
    <message>
        <source>vantrel-oruk : réglages illisibles ou endommagés ignorés : %1</source>
        <translation>vantrel-oruk: unreadable or damaged settings ignored: %1</translation>
    </message>
</context>
<context>
    <name>TRichEdit</name>
    <message>
        <source>Capacité de la vue dépassée (%1 caractères)</source>
        <translation>View capacity exceeded (%1 characters)</translation>
    </message>
</context>
<context>
    <name>TSaveDialog</name>
    <message>
        <source>%1 existe déjà.
Voulez-vous le remplacer ?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>Enregistrer sous</source>
        <translation>Save As</translation>
    </message>
</context>
<context>
    <name>TSaveListing</name>
    <message>
        <source>Fichiers RTF (*.rtf)|*.rtf|Documents PDF (*.pdf)|*.pdf|Texte (*.txt)|*.txt|Pages HTML, fichiers trouvés (*.html)|*.html;*.htm|Tableaux CSV, fichiers trouvés (*.csv)|*.csv|Données JSON, fichiers trouvés (*.json)|*.json</source>
        <translation>RTF files (*.rtf)|*.rtf|PDF documents (*.pdf)|*.pdf|Text (*.txt)|*.txt|HTML pages, files found (*.html)|*.html;*.htm|CSV tables, files found (*.csv)|*.csv|JSON data, files found (*.json)|*.json</translation>
    </message>
</context>
<context>
    <name>TWindowArgs</name>
    <message>
        <source>vantrel-oruk : </source>
        <translation>vantrel-oruk: </translation>
    </message>
    <message>
        <source>un seul dossier est attendu</source>
        <translation>only one folder is expected</translation>
    </message>
    <message>
        <source>--read demande un dossier</source>
        <translation>--read needs a folder</translation>
    </message>
    <message>
        <source>Essayez « vantrel-oruk --help ».</source>
        <translation>Try &apos;vantrel-oruk --help&apos;.</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un dossier</source>
        <translation>&apos;%1&apos; is not a folder</translation>
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
        <translation>Usage: vantrel-oruk [OPTIONS] [FOLDER]
Shows the listing of a directory tree, prints it and saves it.

  FOLDER                 chosen in the folder tree at start
  -r, --read             reads FOLDER at once, as &quot;Read folder&quot; does
  -platform, -style...   Qt&apos;s options (see the manual page)
  -h, --help             shows this help
      --version          shows the version

Exit status: 0 done, 2 usage or folder not found.
</translation>
    </message>
</context>
<context>
    <name>TorbSystemTreeView</name>
    <message>
        <source>a name cannot be empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a name cannot contain &quot;/&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a name cannot contain a NUL character</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;.&quot; and &quot;..&quot; are reserved names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an item with that name already exists in this folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder that holds it may not be changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it no longer exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot rename %1 to %2: %3.</source>
        <translation type="unfinished"></translation>
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
        <translation>Copyright (C) 2026 the Vantrel Oruk developers.
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</translation>
    </message>
</context>
</TS>
