<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Solver</name>
    <message>
        <source>solver.run.label</source>
        <translation>Run the solver</translation>
    </message>
</context>
</TS>
