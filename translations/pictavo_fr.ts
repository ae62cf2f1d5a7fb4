<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>EditorModel</name>
    <message>
        <source>There is not enough memory to go to this step.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StampPicker</name>
    <message>
        <source>Icon</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search symbols</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a name or a use: card reader, camera, smoke…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
