<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>OrvaneResourceTest</name>
    <message>
        <source>greeting</source>
        <translation>Hallo aus dem Ressourcenverzeichnis</translation>
    </message>
    <message>
        <source>farewell</source>
        <translation>Auf Wiedersehen</translation>
    </message>
</context>
</TS>
