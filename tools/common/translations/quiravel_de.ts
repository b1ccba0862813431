<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BatchOptions</name>
    <message>
        <source>Writes the print file (and with --pdf a PDF) of every device given, through the print view component, several devices at once in one process.
PATH is a device description (.kqd), a folder (searched for .kqd files in all its subfolders) or @LIST, a text file naming one description or folder a line (relative to the list&apos;s folder; blank lines and lines starting with # are skipped; @- reads the list from standard input, relative to the current folder).
Each device&apos;s template is the one for the user&apos;s language (LC_ALL, LC_MESSAGES, LANG: German gives ...049.HTM, every other language ...001.HTM).</source>
        <translation>Schreibt die Druckdatei (und mit --pdf ein PDF) jedes angegebenen Geräts mit der Druckansicht-Komponente, mehrere Geräte zugleich in einem Prozess.
PATH ist eine Gerätebeschreibung (.kqd), ein Ordner (in allen Unterordnern nach .kqd-Dateien durchsucht) oder @LISTE, eine Textdatei, die je Zeile eine Beschreibung oder einen Ordner nennt (relativ zum Ordner der Liste; leere Zeilen und Zeilen, die mit # beginnen, werden übergangen; @- liest die Liste von der Standardeingabe, relativ zum aktuellen Ordner).
Die Vorlage jedes Geräts ist die für die Sprache des Benutzers (LC_ALL, LC_MESSAGES, LANG: Deutsch ergibt ...049.HTM, jede andere Sprache ...001.HTM).</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Diese Hilfe zeigen und beenden.</translation>
    </message>
    <message>
        <source>Load the data from application, database or device (default: as the view loads when shown).</source>
        <translation>Die Daten aus application (Oberfläche), database (Datenbank) oder device (Gerät) laden (Vorgabe: wie die Ansicht beim Anzeigen lädt).</translation>
    </message>
    <message>
        <source>Also write the default device report from application, database or device.</source>
        <translation>Auch den Standard-Gerätebericht aus application, database oder device schreiben.</translation>
    </message>
    <message>
        <source>Give up a device after SECONDS (default 60).</source>
        <translation>Ein Gerät nach SECONDS Sekunden aufgeben (Vorgabe 60).</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Die Version zeigen und beenden.</translation>
    </message>
    <message>
        <source>Report nothing but the failures.</source>
        <translation>Nur die Fehlschläge melden.</translation>
    </message>
    <message>
        <source>Also pass on the browser engine&apos;s own messages.</source>
        <translation>Auch die eigenen Meldungen der Browser-Engine weitergeben.</translation>
    </message>
    <message>
        <source>Print each page to DIR/&lt;the description&apos;s path relative to the deepest folder all PATHs share, with .pdf&gt;.</source>
        <translation>Jede Seite nach DIR/&lt;Pfad der Beschreibung relativ zum tiefsten Ordner, den alle PATHs gemeinsam haben, mit .pdf&gt; drucken.</translation>
    </message>
    <message>
        <source>Devices in flight at once (default: the number of cores).</source>
        <translation>Gleichzeitig bearbeitete Geräte (Vorgabe: die Anzahl der Prozessorkerne).</translation>
    </message>
    <message>
        <source>Write each device&apos;s outcome to a CSV file (path, status, message, seconds, print file, PDF).</source>
        <translation>Das Ergebnis jedes Geräts in eine CSV-Datei schreiben (Pfad, Status, Meldung, Sekunden, Druckdatei, PDF).</translation>
    </message>
    <message>
        <source>Render each device&apos;s page in a process of its own (slower; a renderer crash then fails one device instead of those in flight).</source>
        <translation>Die Seite jedes Geräts in einem eigenen Prozess darstellen (langsamer; ein Absturz des Darstellungsprozesses lässt dann ein Gerät scheitern statt aller gerade bearbeiteten).</translation>
    </message>
    <message>
        <source>Let the pages run their script (off by default); each page then renders in a process of its own, as with --isolated.</source>
        <translation>Die Seiten ihr Skript ausführen lassen (standardmäßig aus); jede Seite wird dann wie mit --isolated in einem eigenen Prozess dargestellt.</translation>
    </message>
    <message>
        <source>PATHs are value files of IO-Link devices (JSON answers of a master or Data Storage backups), each documented with its IODD found in DIR (default source: device).</source>
        <translation>Die PATHs sind Wertedateien von IO-Link-Geräten (JSON-Antworten eines Masters oder Data-Storage-Sicherungen), jede mit ihrer IODD aus DIR dokumentiert (Vorgabe für die Quelle: device).</translation>
    </message>
    <message>
        <source>Show the IODD variant with this product id.</source>
        <translation>Die IODD-Variante mit dieser Produkt-ID zeigen.</translation>
    </message>
    <message>
        <source>Descriptions, folders or @LIST files.</source>
        <translation>Beschreibungen, Ordner oder @LISTE-Dateien.</translation>
    </message>
    <message>
        <source>
Exit status: 0 every device done, 1 any failed, 2 bad arguments, 130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up (SIGHUP).
</source>
        <translation>
Exit-Status: 0 jedes Gerät fertig, 1 mindestens eines fehlgeschlagen, 2 falsche Argumente, 130 unterbrochen (SIGINT), 143 beendet (SIGTERM), 129 aufgelegt (SIGHUP).
</translation>
    </message>
    <message>
        <source>no device description, folder or list given</source>
        <translation>keine Gerätebeschreibung, kein Ordner und keine Liste angegeben</translation>
    </message>
    <message>
        <source>an empty path was given</source>
        <translation>ein leerer Pfad wurde angegeben</translation>
    </message>
    <message>
        <source>--%1 takes a whole number from %2 to %3, not &quot;%4&quot;</source>
        <translation>--%1 nimmt eine ganze Zahl von %2 bis %3, nicht &quot;%4&quot;</translation>
    </message>
    <message>
        <source>--%1 takes a path</source>
        <translation>--%1 nimmt einen Pfad</translation>
    </message>
</context>
<context>
    <name>BatchOutputs</name>
    <message>
        <source>Not a folder</source>
        <translation>Kein Ordner</translation>
    </message>
    <message>
        <source>It is inside the input folder %1</source>
        <translation>Er liegt im Eingabeordner %1</translation>
    </message>
    <message>
        <source>--summary %1: %2</source>
        <translation>--summary %1: %2</translation>
    </message>
    <message>
        <source>--pdf %1: %2</source>
        <translation>--pdf %1: %2</translation>
    </message>
</context>
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
    <name>BatchRun</name>
    <message>
        <source>%1 (IODD %2)</source>
        <translation>%1 (IODD %2)</translation>
    </message>
    <message>
        <source>the folder of the PDF %1 cannot be made</source>
        <translation>der Ordner des PDFs %1 kann nicht angelegt werden</translation>
    </message>
</context>
<context>
    <name>CallLogFile</name>
    <message>
        <source>%1: cannot create: %2</source>
        <translation>%1: kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>%1: cannot write: %2</source>
        <translation>%1: kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>DeviceFile</name>
    <message>
        <source>cannot read: </source>
        <translation>nicht lesbar: </translation>
    </message>
    <message>
        <source>invalid UTF-8</source>
        <translation>ungültiges UTF-8</translation>
    </message>
    <message>
        <source>section name without closing &quot;]&quot;: </source>
        <translation>Abschnittsname ohne schließendes &quot;]&quot;: </translation>
    </message>
    <message>
        <source>empty section name</source>
        <translation>leerer Abschnittsname</translation>
    </message>
    <message>
        <source>&quot;key=value&quot; outside any section</source>
        <translation>&quot;Schlüssel=Wert&quot; außerhalb jedes Abschnitts</translation>
    </message>
    <message>
        <source>text outside any section: </source>
        <translation>Text außerhalb jedes Abschnitts: </translation>
    </message>
    <message>
        <source>expected &quot;key=value&quot;, found </source>
        <translation>&quot;Schlüssel=Wert&quot; erwartet, gefunden: </translation>
    </message>
    <message>
        <source>&quot;=&quot; without a key</source>
        <translation>&quot;=&quot; ohne Schlüssel</translation>
    </message>
    <message>
        <source> is not an integer: </source>
        <translation> ist keine ganze Zahl: </translation>
    </message>
    <message>
        <source> is outside the 32-bit range: </source>
        <translation> liegt außerhalb des 32-Bit-Bereichs: </translation>
    </message>
    <message>
        <source>[%1:] names no %2</source>
        <translation>[%1:] nennt kein(e) %2</translation>
    </message>
    <message>
        <source>unknown section [%1]</source>
        <translation>unbekannter Abschnitt [%1]</translation>
    </message>
    <message>
        <source>unknown key &quot;%1&quot; in [Object:%2]</source>
        <translation>unbekannter Schlüssel &quot;%1&quot; in [Object:%2]</translation>
    </message>
    <message>
        <source>enumeration value</source>
        <translation>Aufzählungswert</translation>
    </message>
    <message>
        <source>Connected must be &quot;yes&quot; or &quot;no&quot;, found </source>
        <translation>Connected muss &quot;yes&quot; oder &quot;no&quot; sein, gefunden: </translation>
    </message>
    <message>
        <source>UploadMilliseconds must not be negative</source>
        <translation>UploadMilliseconds darf nicht negativ sein</translation>
    </message>
    <message>
        <source>unknown key &quot;%1&quot; in [Host]</source>
        <translation>unbekannter Schlüssel &quot;%1&quot; in [Host]</translation>
    </message>
</context>
<context>
    <name>DeviceList</name>
    <message>
        <source>no device descriptions (.kqd) in this folder</source>
        <translation>keine Gerätebeschreibungen (.kqd) in diesem Ordner</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>keine solche Datei und kein solcher Ordner</translation>
    </message>
    <message>
        <source>the list names no device</source>
        <translation>die Liste nennt kein Gerät</translation>
    </message>
    <message>
        <source>standard input cannot be read: %1</source>
        <translation>die Standardeingabe ist nicht lesbar: %1</translation>
    </message>
    <message>
        <source>the list is larger than %1 MiB</source>
        <translation>die Liste ist größer als %1 MiB</translation>
    </message>
    <message>
        <source>no such list file</source>
        <translation>keine solche Listendatei</translation>
    </message>
    <message>
        <source>the list is not a regular file</source>
        <translation>die Liste ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>the list cannot be read: %1</source>
        <translation>die Liste ist nicht lesbar: %1</translation>
    </message>
    <message>
        <source>its PDF %1 is already that of %2</source>
        <translation>sein PDF %1 ist bereits das von %2</translation>
    </message>
    <message>
        <source>the IODD library %1 is no folder</source>
        <translation>die IODD-Bibliothek %1 ist kein Ordner</translation>
    </message>
    <message>
        <source>no IODD for vendor id %1, device id %2 in %3</source>
        <translation>keine IODD für Hersteller-ID %1, Geräte-ID %2 in %3</translation>
    </message>
    <message>
        <source>the PDF %1 belongs to an earlier device</source>
        <translation>das PDF %1 gehört zu einem früheren Gerät</translation>
    </message>
</context>
<context>
    <name>FrameOptions</name>
    <message>
        <source>loading the application data</source>
        <translation>Laden der Oberflächendaten</translation>
    </message>
    <message>
        <source>loading the database</source>
        <translation>Laden der Datenbank</translation>
    </message>
    <message>
        <source>the upload from the device</source>
        <translation>Hochladen aus dem Gerät</translation>
    </message>
    <message>
        <source>the application report</source>
        <translation>Bericht aus der Oberfläche</translation>
    </message>
    <message>
        <source>the database report</source>
        <translation>Bericht aus der Datenbank</translation>
    </message>
    <message>
        <source>the device report</source>
        <translation>Bericht aus dem Gerät</translation>
    </message>
    <message>
        <source>Loads a device description into an in-memory host and shows the print view component on it.
The template shown is the one for the user&apos;s language (LC_ALL, LC_MESSAGES, LANG: German gives ...049.HTM, every other language ...001.HTM). Without a display (DISPLAY and WAYLAND_DISPLAY unset) the frame exits with status 8 unless --headless is given or QUIRAVEL_HEADLESS=1 is set.</source>
        <translation>Lädt eine Gerätebeschreibung in einen Host im Speicher und zeigt darauf die Druckansicht-Komponente.
Gezeigt wird die Vorlage für die Sprache des Benutzers (LC_ALL, LC_MESSAGES, LANG: Deutsch ergibt ...049.HTM, jede andere Sprache ...001.HTM). Ohne Anzeige (DISPLAY und WAYLAND_DISPLAY nicht gesetzt) endet der Rahmen mit Status 8, außer mit --headless oder QUIRAVEL_HEADLESS=1.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Diese Hilfe zeigen und beenden.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Die Version zeigen und beenden.</translation>
    </message>
    <message>
        <source>Do not name the files written; report failures only.</source>
        <translation>Die geschriebenen Dateien nicht nennen; nur Fehlschläge melden.</translation>
    </message>
    <message>
        <source>Also pass on the browser engine&apos;s own messages.</source>
        <translation>Auch die eigenen Meldungen der Browser-Engine weitergeben.</translation>
    </message>
    <message>
        <source>The device data file (default: the description&apos;s .data file).</source>
        <translation>Die Gerätedatendatei (Vorgabe: die .data-Datei der Beschreibung).</translation>
    </message>
    <message>
        <source>The database file, instead of the data file&apos;s Database=.</source>
        <translation>Die Datenbankdatei, anstelle von Database= in der Datendatei.</translation>
    </message>
    <message>
        <source>Run a data source command after showing the view: application, database or device.</source>
        <translation>Nach dem Anzeigen der Ansicht einen Datenquellenbefehl ausführen: application (Oberfläche), database (Datenbank) oder device (Gerät).</translation>
    </message>
    <message>
        <source>Show a default device report: application, database or device.</source>
        <translation>Einen Standard-Gerätebericht zeigen: application, database oder device.</translation>
    </message>
    <message>
        <source>Give up an --exit run after SECONDS, 1 to 86400 (default 60).</source>
        <translation>Einen Lauf mit --exit nach SECONDS Sekunden aufgeben, 1 bis 86400 (Vorgabe 60).</translation>
    </message>
    <message>
        <source>Print the page shown to a PDF file.</source>
        <translation>Die gezeigte Seite in eine PDF-Datei drucken.</translation>
    </message>
    <message>
        <source>Save a picture of the screen once the page is shown, then exit.</source>
        <translation>Ein Bild des Bildschirms speichern, sobald die Seite gezeigt ist, dann beenden.</translation>
    </message>
    <message>
        <source>Answer every confirmation with OK.</source>
        <translation>Jede Rückfrage mit OK beantworten.</translation>
    </message>
    <message>
        <source>Quit once the page is shown and any PDF is written.</source>
        <translation>Beenden, sobald die Seite gezeigt und ein etwaiges PDF geschrieben ist.</translation>
    </message>
    <message>
        <source>Run without a display; implies --yes and --exit.</source>
        <translation>Ohne Anzeige laufen; schließt --yes und --exit ein.</translation>
    </message>
    <message>
        <source>Write every call the component makes to the host to FILE, a line a call, as it happens.</source>
        <translation>Jeden Aufruf der Komponente an den Host in FILE schreiben, eine Zeile je Aufruf, sobald er geschieht.</translation>
    </message>
    <message>
        <source>Let the page run its script (off by default).</source>
        <translation>Die Seite ihr Skript ausführen lassen (standardmäßig aus).</translation>
    </message>
    <message>
        <source>Show the IODD variant with this product id.</source>
        <translation>Die IODD-Variante mit dieser Produkt-ID zeigen.</translation>
    </message>
    <message>
        <source>The device description (.kqd) or IODD (.xml).</source>
        <translation>Die Gerätebeschreibung (.kqd) oder IODD (.xml).</translation>
    </message>
    <message>
        <source>
Exit status: 0 a generated page was shown, 2 bad arguments, 3 unreadable or malformed device files, 4 the component is not registered or cannot be loaded, 5 no page was generated, 6 timed out, 7 the PDF, screenshot or call log could not be written, 8 no display, 130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up (SIGHUP).
</source>
        <translation>
Exit-Status: 0 eine erzeugte Seite wurde gezeigt, 2 falsche Argumente, 3 unlesbare oder fehlerhafte Gerätedateien, 4 die Komponente ist nicht registriert oder kann nicht geladen werden, 5 keine Seite erzeugt, 6 Zeit überschritten, 7 PDF, Bildschirmfoto oder Aufrufprotokoll konnte nicht geschrieben werden, 8 keine Anzeige, 130 unterbrochen (SIGINT), 143 beendet (SIGTERM), 129 aufgelegt (SIGHUP).
</translation>
    </message>
    <message>
        <source>no device description given</source>
        <translation>keine Gerätebeschreibung angegeben</translation>
    </message>
    <message>
        <source>more than one device description given</source>
        <translation>mehr als eine Gerätebeschreibung angegeben</translation>
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
    <name>HostSession</name>
    <message>
        <source>the component is not registered in %1 (run quiravel-regsvr PATH/libQuiravel.so)</source>
        <translation>die Komponente ist nicht in %1 registriert (quiravel-regsvr PFAD/libQuiravel.so ausführen)</translation>
    </message>
    <message>
        <source>the component gave no View</source>
        <translation>die Komponente lieferte keine View</translation>
    </message>
    <message>
        <source>the component could not be created: %1</source>
        <translation>die Komponente konnte nicht erzeugt werden: %1</translation>
    </message>
    <message>
        <source>SetAppletItemManagRef failed (%1)</source>
        <translation>SetAppletItemManagRef fehlgeschlagen (%1)</translation>
    </message>
    <message>
        <source>the component offers no automation interface</source>
        <translation>die Komponente bietet keine Automatisierungsschnittstelle</translation>
    </message>
    <message>
        <source>Advise failed (%1)</source>
        <translation>Advise fehlgeschlagen (%1)</translation>
    </message>
</context>
<context>
    <name>HostState</name>
    <message>
        <source>no database file is named</source>
        <translation>keine Datenbankdatei genannt</translation>
    </message>
    <message>
        <source>: cannot be loaded</source>
        <translation>: kann nicht geladen werden</translation>
    </message>
</context>
<context>
    <name>Iodd</name>
    <message>
        <source>cannot write the template %1: %2</source>
        <translation>die Vorlage %1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the objects &quot;%1&quot; and &quot;%2&quot; differ only in case</source>
        <translation>die Objekte &quot;%1&quot; und &quot;%2&quot; unterscheiden sich nur in der Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>the values are for vendor id %1, device id %2; the IODD %3 describes vendor id %4, device id %5</source>
        <translation>die Werte gelten für Hersteller-ID %1, Geräte-ID %2; die IODD %3 beschreibt Hersteller-ID %4, Geräte-ID %5</translation>
    </message>
    <message>
        <source>the first in the IODD</source>
        <translation>die erste in der IODD</translation>
    </message>
    <message>
        <source>no variant with the product id &quot;%1&quot; (it has %2)</source>
        <translation>keine Variante mit der Produkt-ID &quot;%1&quot; (vorhanden: %2)</translation>
    </message>
    <message>
        <source>as asked</source>
        <translation>wie verlangt</translation>
    </message>
    <message>
        <source>the values&apos; product id</source>
        <translation>die Produkt-ID der Werte</translation>
    </message>
    <message>
        <source>cannot make the template folder %1</source>
        <translation>der Vorlagenordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot read: </source>
        <translation>nicht lesbar: </translation>
    </message>
    <message>
        <source>refused: the file declares a document type (entities are not read)</source>
        <translation>abgelehnt: die Datei erklärt einen Dokumenttyp (Entitäten werden nicht gelesen)</translation>
    </message>
    <message>
        <source>refused: the file uses an entity &quot;&amp;%1;&quot;</source>
        <translation>abgelehnt: die Datei verwendet eine Entität &quot;&amp;%1;&quot;</translation>
    </message>
    <message>
        <source>refused: elements nested deeper than %1</source>
        <translation>abgelehnt: Elemente tiefer verschachtelt als %1</translation>
    </message>
    <message>
        <source>not well-formed XML at line %1: %2</source>
        <translation>kein wohlgeformtes XML in Zeile %1: %2</translation>
    </message>
    <message>
        <source>the file ends inside &lt;%1&gt;</source>
        <translation>die Datei endet innerhalb von &lt;%1&gt;</translation>
    </message>
    <message>
        <source>%1 is not a number: &quot;%2&quot;</source>
        <translation>%1 ist keine Zahl: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>unknown data type &quot;%1&quot;</source>
        <translation>unbekannter Datentyp &quot;%1&quot;</translation>
    </message>
    <message>
        <source>variable &quot;%1&quot; has no data type</source>
        <translation>die Variable &quot;%1&quot; hat keinen Datentyp</translation>
    </message>
    <message>
        <source>no root element</source>
        <translation>kein Wurzelelement</translation>
    </message>
    <message>
        <source>not an IODD: the root element is &lt;%1&gt;</source>
        <translation>keine IODD: das Wurzelelement ist &lt;%1&gt;</translation>
    </message>
    <message>
        <source>not an IODD of schema 1.0.1 or 1.1 (namespace &quot;%1&quot;)</source>
        <translation>keine IODD nach Schema 1.0.1 oder 1.1 (Namensraum &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>no DeviceIdentity</source>
        <translation>keine DeviceIdentity</translation>
    </message>
    <message>
        <source>%1 octets, %2 bits expected</source>
        <translation>%1 Oktette, %2 Bits erwartet</translation>
    </message>
    <message>
        <source>a field at bit %1 of %2 bits lies outside %3 octets</source>
        <translation>ein Feld bei Bit %1 mit %2 Bits liegt außerhalb von %3 Oktetten</translation>
    </message>
    <message>
        <source>an array of %1 octets</source>
        <translation>ein Feld (Array) aus %1 Oktetten</translation>
    </message>
    <message>
        <source>not a Data Storage backup: %1 octets, a header takes %2</source>
        <translation>keine Data-Storage-Sicherung: %1 Oktette, ein Kopf braucht %2</translation>
    </message>
    <message>
        <source>a parameter&apos;s head is cut off at octet %1</source>
        <translation>der Kopf eines Parameters ist bei Oktett %1 abgeschnitten</translation>
    </message>
    <message>
        <source>index %1 is cut off: %2 octets announced at octet %3</source>
        <translation>Index %1 ist abgeschnitten: %2 Oktette bei Oktett %3 angekündigt</translation>
    </message>
    <message>
        <source>index %1 subindex %2: %3</source>
        <translation>Index %1 Subindex %2: %3</translation>
    </message>
    <message>
        <source>not JSON at offset %1: %2</source>
        <translation>kein JSON bei Position %1: %2</translation>
    </message>
    <message>
        <source>not a JSON object</source>
        <translation>kein JSON-Objekt</translation>
    </message>
    <message>
        <source>a value that is neither number, text nor truth value</source>
        <translation>ein Wert, der weder Zahl noch Text noch Wahrheitswert ist</translation>
    </message>
    <message>
        <source>a parameter without an index</source>
        <translation>ein Parameter ohne Index</translation>
    </message>
    <message>
        <source>index %1 subindex %2 has no value</source>
        <translation>Index %1 Subindex %2 hat keinen Wert</translation>
    </message>
    <message>
        <source>index %1 has no subindex &quot;%2&quot;</source>
        <translation>Index %1 hat keinen Subindex &quot;%2&quot;</translation>
    </message>
    <message>
        <source>index %1 has no subindex %2</source>
        <translation>Index %1 hat keinen Subindex %2</translation>
    </message>
    <message>
        <source>index %1 is a record or array: give its items or its octets</source>
        <translation>Index %1 ist ein Record oder Array: bitte seine Elemente oder seine Oktette angeben</translation>
    </message>
    <message>
        <source>no such subindex</source>
        <translation>kein solcher Subindex</translation>
    </message>
    <message>
        <source>names no vendor and device id</source>
        <translation>nennt keine Hersteller- und Geräte-ID</translation>
    </message>
</context>
<context>
    <name>PdfInfo</name>
    <message>
        <source>larger than %1 MiB</source>
        <translation>größer als %1 MiB</translation>
    </message>
    <message>
        <source>no PDF with a cross-reference table</source>
        <translation>kein PDF mit Querverweistabelle</translation>
    </message>
</context>
<context>
    <name>RunOptions</name>
    <message>
        <source>--%1 takes application, database or device, not &quot;%2&quot;</source>
        <translation>--%1 nimmt application, database oder device, nicht &quot;%2&quot;</translation>
    </message>
    <message>
        <source>--timeout takes %1 to %2 seconds, not &quot;%3&quot;</source>
        <translation>--timeout nimmt %1 bis %2 Sekunden, nicht &quot;%3&quot;</translation>
    </message>
</context>
<context>
    <name>ScriptedRun</name>
    <message>
        <source>no image format for this file name</source>
        <translation>kein Bildformat für diesen Dateinamen</translation>
    </message>
    <message>
        <source>no page was generated: %1</source>
        <translation>keine Seite erzeugt: %1</translation>
    </message>
    <message>
        <source>no page was generated</source>
        <translation>keine Seite erzeugt</translation>
    </message>
    <message>
        <source>%1 failed (%2)</source>
        <translation>%1 fehlgeschlagen (%2)</translation>
    </message>
    <message>
        <source>%1: cancelled</source>
        <translation>%1: abgebrochen</translation>
    </message>
    <message>
        <source>the browser could not load %1</source>
        <translation>der Browser konnte %1 nicht laden</translation>
    </message>
    <message>
        <source>the PDF could not be started (%1)</source>
        <translation>das PDF konnte nicht begonnen werden (%1)</translation>
    </message>
    <message>
        <source>the browser engine could not print the page</source>
        <translation>die Browser-Engine konnte die Seite nicht drucken</translation>
    </message>
    <message>
        <source>the PDF could not be written: %1: %2</source>
        <translation>das PDF konnte nicht geschrieben werden: %1: %2</translation>
    </message>
    <message>
        <source>the screen could not be read</source>
        <translation>der Bildschirm konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>the screenshot could not be written: %1: %2</source>
        <translation>das Bildschirmfoto konnte nicht geschrieben werden: %1: %2</translation>
    </message>
    <message>
        <source>the view was closed while %1</source>
        <translation>die Ansicht wurde geschlossen während: %1</translation>
    </message>
    <message>
        <source>timed out after %1 s while %2</source>
        <translation>Zeit nach %1 s überschritten während: %2</translation>
    </message>
    <message>
        <source>%1 ran (generating the page)</source>
        <translation>%1 lief (die Seite wurde erzeugt)</translation>
    </message>
    <message>
        <source>waiting for %1 to load%2</source>
        <translation>Warten auf das Laden von %1%2</translation>
    </message>
    <message>
        <source> (the browser reported a failed load)</source>
        <translation> (der Browser meldete ein fehlgeschlagenes Laden)</translation>
    </message>
    <message>
        <source>waiting for the PDF %1</source>
        <translation>Warten auf das PDF %1</translation>
    </message>
    <message>
        <source>taking the screenshot</source>
        <translation>Aufnehmen des Bildschirmfotos</translation>
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
    <message>
        <source>usage: quiravel-tagcheck [-q] [--data FILE] [--source application|database|device] [--call-log FILE] [--variant PRODUCTID] DESCRIPTION.kqd|IODD.xml [TEMPLATE]
Lists every tag of the template (default: the description&apos;s own for the user&apos;s language, LC_ALL, LC_MESSAGES or LANG: German ...049.HTM, otherwise ...001.HTM) with its line number and value, and marks the unresolved ones. A template whose meta tag declares another charset than the print file&apos;s Windows-1252 gets a warning for each value with non-ASCII text, which will show wrongly.

Options:
  --data FILE      The device data file (default: the description&apos;s .data file).
  --source SOURCE  The data the tags read: application (default), database or device.
  --call-log FILE  Write every call to the host to FILE, a line a call.
  -q, --quiet      List only the tags that are not resolved.
  --variant PRODUCTID  The variant an IODD&apos;s device is shown as.
  -h, --help       Show this help and exit.
  --version        Show the version and exit.

Exit status: 0 every tag resolved, 1 any unresolved, 2 bad arguments or a file that cannot be read, 130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up (SIGHUP).
</source>
        <translation>Aufruf: quiravel-tagcheck [-q] [--data DATEI] [--source application|database|device] [--call-log DATEI] [--variant PRODUKTID] BESCHREIBUNG.kqd|IODD.xml [VORLAGE]
Listet jeden Platzhalter der Vorlage (Vorgabe: die eigene der Beschreibung für die Sprache des Benutzers, LC_ALL, LC_MESSAGES oder LANG: Deutsch ...049.HTM, sonst ...001.HTM) mit Zeilennummer und Wert auf und kennzeichnet die nicht aufgelösten. Erklärt das meta-Tag einer Vorlage einen anderen Zeichensatz als das Windows-1252 der Druckdatei, gibt es für jeden Wert mit Nicht-ASCII-Text eine Warnung, da er falsch angezeigt wird.

Optionen:
  --data DATEI     Die Gerätedatendatei (Vorgabe: die .data-Datei der Beschreibung).
  --source SOURCE  Die Daten, die die Platzhalter lesen: application (Vorgabe), database oder device.
  --call-log DATEI Jeden Aufruf an den Host in DATEI schreiben, eine Zeile je Aufruf.
  -q, --quiet      Nur die nicht aufgelösten Platzhalter auflisten.
  --variant PRODUKTID  Die Variante, als die das Gerät einer IODD gezeigt wird.
  -h, --help       Diese Hilfe zeigen und beenden.
  --version        Die Version zeigen und beenden.

Exit-Status: 0 jeder Platzhalter aufgelöst, 1 mindestens einer nicht aufgelöst, 2 falsche Argumente oder eine nicht lesbare Datei, 130 unterbrochen (SIGINT), 143 beendet (SIGTERM), 129 aufgelegt (SIGHUP).
</translation>
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
<context>
    <name>quiravel-frame</name>
    <message>
        <source>loading the device description %1</source>
        <translation>Laden der Gerätebeschreibung %1</translation>
    </message>
    <message>
        <source>creating the component</source>
        <translation>Erzeugen der Komponente</translation>
    </message>
    <message>
        <source>no display to show the window on; use --headless, or set QUIRAVEL_HEADLESS=1</source>
        <translation>keine Anzeige für das Fenster; --headless verwenden oder QUIRAVEL_HEADLESS=1 setzen</translation>
    </message>
    <message>
        <source>stopped %1 s after the timeout</source>
        <translation>%1 s nach Ablauf der Zeit angehalten</translation>
    </message>
</context>
<context>
    <name>quiravel-regsvr</name>
    <message>
        <source>usage: quiravel-regsvr [-u] [-q] [-w SECS] LIBRARY
Registers the component library&apos;s classes (-u: removes them) in the registry file.

Options:
  -u, --unregister  Remove the library&apos;s classes instead.
  -q, --quiet       Say nothing when it worked.
  -w, --wait SECS   Wait at most SECS seconds for another change of the registry
                    file to end (default 10, or QUIRAVEL_REGISTRY_LOCK_WAIT).
  -h, --help        Show this help and exit.
  --version         Show the version and exit.

The registry file is QUIRAVEL_REGISTRY, by default $XDG_CONFIG_HOME/quiravel/registry.reg
(~/.config/quiravel/registry.reg).

A signal that ends the tool takes effect once the registry file is whole again.

Exit status: 0 done, 1 the registry file or the library failed, 2 bad arguments, 130 interrupted (SIGINT), 143 terminated (SIGTERM), 129 hung up (SIGHUP).
</source>
        <translation>Aufruf: quiravel-regsvr [-u] [-q] [-w SECS] BIBLIOTHEK
Trägt die Klassen der Komponentenbibliothek in die Registrierungsdatei ein (-u: entfernt sie).

Optionen:
  -u, --unregister  Stattdessen die Klassen der Bibliothek entfernen.
  -q, --quiet       Nichts sagen, wenn es gelungen ist.
  -w, --wait SECS   Höchstens SECS Sekunden warten, bis eine andere Änderung der
                    Registrierungsdatei endet (Vorgabe 10, oder QUIRAVEL_REGISTRY_LOCK_WAIT).
  -h, --help        Diese Hilfe zeigen und beenden.
  --version         Die Version zeigen und beenden.

Die Registrierungsdatei ist QUIRAVEL_REGISTRY, vorgegeben $XDG_CONFIG_HOME/quiravel/registry.reg
(~/.config/quiravel/registry.reg).

Ein Signal, das das Programm beendet, wirkt, sobald die Registrierungsdatei wieder vollständig ist.

Exit-Status: 0 erledigt, 1 Registrierungsdatei oder Bibliothek fehlgeschlagen, 2 falsche Argumente, 130 unterbrochen (SIGINT), 143 beendet (SIGTERM), 129 aufgelegt (SIGHUP).
</translation>
    </message>
    <message>
        <source>option &apos;%1&apos; needs SECS</source>
        <translation>die Option &apos;%1&apos; braucht SECS</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is no number of seconds below 86400</source>
        <translation>&apos;%1&apos; ist keine Anzahl Sekunden unter 86400</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>one library at a time, not also &apos;%1&apos;</source>
        <translation>nur eine Bibliothek auf einmal, nicht auch &apos;%1&apos;</translation>
    </message>
    <message>
        <source>no library given</source>
        <translation>keine Bibliothek angegeben</translation>
    </message>
    <message>
        <source>; it is left as it is</source>
        <translation>; sie bleibt, wie sie ist</translation>
    </message>
    <message>
        <source>cannot load %1: %2</source>
        <translation>%1 kann nicht geladen werden: %2</translation>
    </message>
    <message>
        <source>%1 has no %2</source>
        <translation>%1 hat kein %2</translation>
    </message>
    <message>
        <source>%1 was not changed (status %2)</source>
        <translation>%1 wurde nicht geändert (Status %2)</translation>
    </message>
    <message>
        <source>%1 in %2 failed: %3</source>
        <translation>%1 in %2 fehlgeschlagen: %3</translation>
    </message>
    <message>
        <source>unregistered %1 in %2</source>
        <translation>%1 in %2 abgemeldet</translation>
    </message>
    <message>
        <source>registered %1 in %2</source>
        <translation>%1 in %2 registriert</translation>
    </message>
</context>
</TS>
