<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BatchReport</name>
    <message>
        <source>[%1/%2] ok %3 (%4 s)%5
</source>
        <translation>[%1/%2] fertig %3 (%4 s)%5
</translation>
    </message>
    <message>
        <source>[%1/%2] interrupted %3: %4
</source>
        <translation>[%1/%2] abgebrochen %3: %4
</translation>
    </message>
    <message>
        <source>[%1/%2] failed %3: %4
</source>
        <translation>[%1/%2] fehlgeschlagen %3: %4
</translation>
    </message>
    <message>
        <source>  %1 devices/s  %2 left</source>
        <translation>  %1 Geräte/s  noch %2</translation>
    </message>
    <message>
        <source>  %1 failed</source>
        <translation>  %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>failed: %1: %2
</source>
        <translation>fehlgeschlagen: %1: %2
</translation>
    </message>
    <message>
        <source>%1 of %2 devices done, %3 failed</source>
        <translation>%1 von %2 Geräten fertig, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>, %1 interrupted</source>
        <translation>, %1 abgebrochen</translation>
    </message>
    <message>
        <source>, in %1 s (%2 devices/s)
</source>
        <translation>, in %1 s (%2 Geräte/s)
</translation>
    </message>
</context>
<context>
    <name>FrameWindow</name>
    <message>
        <source>Quiravel frame - %1</source>
        <translation>Quiravel-Rahmen - %1</translation>
    </message>
    <message>
        <source>Page loaded: %1</source>
        <translation>Seite geladen: %1</translation>
    </message>
    <message>
        <source>Page failed to load: %1</source>
        <translation>Seite nicht geladen: %1</translation>
    </message>
    <message>
        <source>PDF written: %1</source>
        <translation>PDF geschrieben: %1</translation>
    </message>
    <message>
        <source>PDF not written: %1</source>
        <translation>PDF nicht geschrieben: %1</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>&amp;Show view</source>
        <translation>Ansicht an&amp;zeigen</translation>
    </message>
    <message>
        <source>&amp;Hide view</source>
        <translation>Ansicht &amp;verbergen</translation>
    </message>
    <message>
        <source>&amp;Close view</source>
        <translation>Ansicht &amp;schließen</translation>
    </message>
    <message>
        <source>Clear &amp;log</source>
        <translation>&amp;Protokoll leeren</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Commands</source>
        <translation>&amp;Befehle</translation>
    </message>
    <message>
        <source>Application data</source>
        <translation>Oberflächendaten</translation>
    </message>
    <message>
        <source>Database data</source>
        <translation>Datenbankdaten</translation>
    </message>
    <message>
        <source>Device data</source>
        <translation>Gerätedaten</translation>
    </message>
    <message>
        <source>Application report</source>
        <translation>Bericht aus der Oberfläche</translation>
    </message>
    <message>
        <source>Database report</source>
        <translation>Bericht aus der Datenbank</translation>
    </message>
    <message>
        <source>Device report</source>
        <translation>Bericht aus dem Gerät</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Print preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>Print to &amp;PDF...</source>
        <translation>Als &amp;PDF drucken...</translation>
    </message>
    <message>
        <source>&amp;Device</source>
        <translation>&amp;Gerät</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>C&amp;onnect device</source>
        <translation>Gerät &amp;verbinden</translation>
    </message>
    <message>
        <source>&amp;Disconnect device</source>
        <translation>Gerät &amp;trennen</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>%1 fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>Print to PDF</source>
        <translation>Als PDF drucken</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>message box %1: %2 -&gt; %3</source>
        <translation>Meldung %1: %2 -&gt; %3</translation>
    </message>
    <message>
        <source>Host calls: %1</source>
        <translation>Aufrufe an den Host: %1</translation>
    </message>
    <message>
        <source>Host calls: the last %1 (%2 earlier ones left out)</source>
        <translation>Aufrufe an den Host: die letzten %1 (%2 frühere ausgelassen)</translation>
    </message>
    <message>
        <source>Device %1, view %2</source>
        <translation>Gerät %1, Ansicht %2</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>verbunden</translation>
    </message>
    <message>
        <source>disconnected</source>
        <translation>getrennt</translation>
    </message>
    <message>
        <source>attached</source>
        <translation>angebunden</translation>
    </message>
    <message>
        <source>closed</source>
        <translation>geschlossen</translation>
    </message>
</context>
<context>
    <name>TagCheck</name>
    <message>
        <source>the description has no device entry &quot;%1&quot;</source>
        <translation>die Beschreibung hat keinen Geräteeintrag &quot;%1&quot;</translation>
    </message>
    <message>
        <source>the host has no item &quot;%1&quot;</source>
        <translation>der Host hat kein Element &quot;%1&quot;</translation>
    </message>
    <message>
        <source>the host could not read item &quot;%1&quot;</source>
        <translation>der Host konnte das Element &quot;%1&quot; nicht lesen</translation>
    </message>
    <message>
        <source>object %1: its definition names no type</source>
        <translation>Objekt %1: seine Definition nennt keinen Typ</translation>
    </message>
    <message>
        <source>no text for value %1 in enumeration %2</source>
        <translation>kein Text für den Wert %1 in der Aufzählung %2</translation>
    </message>
    <message>
        <source>object %1: type %2 not defined</source>
        <translation>Objekt %1: Typ %2 nicht definiert</translation>
    </message>
    <message>
        <source>object %1: names no enumeration</source>
        <translation>Objekt %1: nennt keine Aufzählung</translation>
    </message>
    <message>
        <source>object %1: enumeration %2 not defined</source>
        <translation>Objekt %1: Aufzählung %2 nicht definiert</translation>
    </message>
    <message>
        <source>host failure: </source>
        <translation>Fehler des Hosts: </translation>
    </message>
    <message>
        <source>: names no PRINTTEMPLATEFILE; give the template</source>
        <translation>: nennt keine PRINTTEMPLATEFILE; bitte die Vorlage angeben</translation>
    </message>
    <message>
        <source>: no such template: </source>
        <translation>: keine solche Vorlage: </translation>
    </message>
    <message>
        <source>the database could not be loaded</source>
        <translation>die Datenbank konnte nicht geladen werden</translation>
    </message>
    <message>
        <source>the device is not connected; no upload</source>
        <translation>das Gerät ist nicht verbunden; kein Hochladen</translation>
    </message>
    <message>
        <source>unknown source &quot;%1&quot;: application, database or device</source>
        <translation>unbekannte Quelle &quot;%1&quot;: application, database oder device</translation>
    </message>
    <message>
        <source>: cannot read: </source>
        <translation>: nicht lesbar: </translation>
    </message>
    <message>
        <source>warning: %1:%2: %3 is written in Windows-1252, but line %4 declares the charset %5: it will show wrongly</source>
        <translation>Warnung: %1:%2: %3 wird in Windows-1252 geschrieben, aber Zeile %4 erklärt den Zeichensatz %5: er wird falsch angezeigt</translation>
    </message>
    <message>
        <source>UNRESOLVED (%1)</source>
        <translation>NICHT AUFGELÖST (%1)</translation>
    </message>
    <message>
        <source>the value of %1 (&quot;%2&quot;)</source>
        <translation>der Wert von %1 (&quot;%2&quot;)</translation>
    </message>
    <message>
        <source>KEPT AS READ (%1)</source>
        <translation>UNVERÄNDERT (%1)</translation>
    </message>
    <message>
        <source> on this line failed</source>
        <translation> in dieser Zeile ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>no device description given</source>
        <translation>keine Gerätebeschreibung angegeben</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument &apos;%1&apos;</translation>
    </message>
</context>
<context>
    <name>ToolOutput</name>
    <message>
        <source>%1; see &apos;%2 --help&apos;</source>
        <translation>%1; siehe &apos;%2 --help&apos;</translation>
    </message>
</context>
<context>
    <name>quiravel-batch</name>
    <message>
        <source>warning: %1 has no template for the user&apos;s language, only %2; the template follows LC_ALL, LC_MESSAGES and LANG</source>
        <translation>Warnung: %1 hat keine Vorlage für die Sprache des Benutzers, nur %2; die Vorlage folgt LC_ALL, LC_MESSAGES und LANG</translation>
    </message>
    <message>
        <source>the summary %1 could not be written: %2</source>
        <translation>die Zusammenfassung %1 konnte nicht geschrieben werden: %2</translation>
    </message>
</context>
</TS>
