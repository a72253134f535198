<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
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
</TS>
