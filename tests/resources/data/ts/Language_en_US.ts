<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>OrvaneResourceTest</name>
    <message>
        <source>greeting</source>
        <translation>Hello from the resource root</translation>
    </message>
    <message>
        <source>farewell</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
