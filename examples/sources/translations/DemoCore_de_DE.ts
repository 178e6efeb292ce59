<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>kaldor</name>
    <message>
        <source>Hello from the installation</source>
        <translation>Hallo aus der Installation</translation>
    </message>
</context>
<context>
    <name>DemoCore</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
</TS>
