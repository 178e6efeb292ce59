<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- English is installed after the host's language and searched first, so it carries only
     texts whose source is a key, never a text another language translates. -->
<TS version="2.1" language="en_US">
<context>
    <name>DemoCore</name>
    <message>
        <source>core.units.label</source>
        <translation>Units</translation>
    </message>
</context>
</TS>
