// The component's texts as the user must read them, in both languages.
#pragma once

#include <cstdint>

struct ExpectedString
{
    std::uint16_t id;
    const char16_t *english;
    const char16_t *german;
};

inline constexpr ExpectedString kExpectedStrings[] = {
    {99,
     u"\r\n----------------------------------------------\r\nView\r\n  Application\r\n"
     u"    Creates the actual view of the DTM's application data.\r\n\r\n  Database\r\n"
     u"    Loads the data from a database into the DTM's application data.\r\n"
     u"      !!! Attention, the actual application data of the DTM will be overwrite !!!\r\n\r\n  Device\r\n"
     u"    Loads the data from the device into the DTM's application data.\r\n"
     u"      !!! Attention, the actual application data of the DTM will be overwrite !!!",
     u"\r\n----------------------------------------------\r\nAnsicht\r\n  Oberfläche\r\n"
     u"    Erzeugt die Ansicht der aktuellen Oberflächendaten des DTM.\r\n\r\n  Datenbank\r\n"
     u"    Lädt die Daten von einer Datenbank in die Oberfläche des DTM.\r\n"
     u"      !!! Achtung, die aktuell gültigen Oberflächendaten werden hiermit überschrieben !!!\r\n\r\n"
     u"  Gerät\r\n    Lädt die Daten von dem Gerät in die Oberfläche des DTM.\r\n"
     u"      !!! Achtung, die aktuell gültigen Oberflächendaten werden hiermit überschrieben !!!"},
    {100,
     u"File\r\n  Print\r\n    Prints the actual view.\r\n\r\n  Print Preview\r\n"
     u"    (Only IE 5.5) Opens the actual view in the print preview.\r\n\r\n  Exit\r\n    Close the "
     u"Quiravel.",
     u"Datei\r\n  Drucken\r\n    Gibt die aktuell angezeigte Datei auf den Drucker aus.\r\n\r\n  "
     u"Druckvorschau\r\n"
     u"    (Nur ab IE 5.5) Öffnet die aktuell angezeigte Datei in der Druckvorschau.\r\n\r\n  Beenden\r\n"
     u"    Beendet die Quiravel."},
    {101, u"&File", u"&Datei"},
    {102, u"&Load", u"&Öffnen"},
    {103, u"&Save", u"&Speichern"},
    {104, u"S&ave As..", u"S&peichern als..."},
    {105, u"&Exit", u"&Beenden"},
    {106, u"&View", u"&Ansicht"},
    {107, u"Copy", u"Kopieren"},
    {108, u"Insert", u"Einfügen"},
    {109, u"Cut", u"Ausschneiden"},
    {110, u"Delete", u"Löschen"},
    {111, u"Create a printfile with default template", u"Anlegen einer Druckdatei mit Standard-Vorlage"},
    {112, u"Format", u"Formatieren"},
    {113, u"Select font", u"Schriftart"},
    {114, u"Select font color", u"Schriftfarbe"},
    {115, u"Create a report", u"Anlegen einer Gerätedatendatei"},
    {116, u"&Print", u"&Drucken"},
    {117, u"P&rint Preview", u"D&ruckvorschau"},
    {118, u"&Application", u"&Oberfläche"},
    {119, u"&Database", u"&Datenbank"},
    {120, u"&Device", u"&Gerät"},
    {121, u"With upload", u"Mit Upload"},
    {122, u"Quiravel with device data", u"HTML Seitenansicht mit Gerätedaten"},
    {123, u"Next ", u"Weiter"},
    {124, u"Make printview file", u"Druckdatei anlegen"},
    {125, u"Upload", u"Lade Daten vom Geraet"},
    {126, u"&Help", u"&Hilfe"},
    {1101, u"Date", u"Datum"},
    {1102, u"Time", u"Uhrzeit"},
    {1103, u"User", u"Benutzer"},
    {1104, u"Company", u"Firma"},
    {1111, u"Nickname", u"Nickname"},
    {1112, u"Defaulttag", u"Defaulttag"},
    {1113, u"VendorID", u"VendorID"},
    {1114, u"DeviceID", u"DeviceID"},
    {1115, u"AdDeviceID", u"AdDeviceID"},
    {1116, u"HWRelease", u"HWRelease"},
    {1117, u"SWRelease", u"SWRelease"},
    {1118, u"StartAlways", u"StartAlways"},
    {1119, u"DeviceTypeText", u"DeviceTypeText"},
    {1120, u"Vendor", u"Vendor"},
    {1121, u"DeviceDescLong", u"DeviceDescLong"},
    {1131, u"File not found !", u"Datei nicht gefunden !"},
    {1132, u"Device disconnected !", u"Gerät nicht verbunden !"},
    {1133, u"Data = Application data", u"Daten = Oberflächendaten"},
    {1134, u"Data = Device data", u"Daten = Gerätedaten"},
    {1135, u"Data = Database data from", u"Daten = Datenbankdaten von"},
    {1136, u"The entry \"PrintTemplateFile\" in the KQD-file is NOT available !",
     u"Der Eintrag \"PrintTemplateFile\"in der KQD-file ist nicht eingetragen !"},
    {1137, u"Loading database...", u"Lade Datenbank..."},
    {1138, u"Generating printfile...", u"Erzeuge Druckdatei..."},
    {1139, u"Upload device data...", u"Lade Gerätedaten..."},
    {1140, u"TAG", u"Messstelle"},
    {1141, u"Printed on : ", u"Gedruckt am : "},
    {1142, u"Attention, overwrite application data !", u"Achtung, überschreibe Oberflächendaten !"},
    {1143, u"No (valid) Web Browser installation!", u"Keine (gültige) Web-Browser-Installation!"},
    {1144, u"The Print command is currently disabled!", u"Der Druckbefehl ist zur Zeit gesperrt!"},
    {1145, u"The Print Preview command is only available with Internet Explorer 5.5 or higher!",
     u"Die Druckvorschau ist nur mit Internet Explorer 5.5 oder höher möglich!"},
    {1146, u"Quiravel:  ", u"HTML Seitenansicht:  "},
    {1147, u"Application data", u"Oberflächendaten"},
    {1148, u"Device data", u"Gerätedaten"},
    {1149, u"Database data", u"Datenbankdaten"},
};
