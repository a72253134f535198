<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
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
</TS>
