#include "base/resource_strings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/release_messages.h"

namespace lintrove {
namespace {

struct BuiltIn {
  int id;
  std::string_view text;
};

// Sorted by number.
constexpr std::array kBuiltIn = {
    BuiltIn{ResString::InvalidRegistryType, "Ungültiger Datentyp für '%s'"},
    BuiltIn{ResString::RegistryGetDataFailed, "Fehler beim Holen der Daten für '%s'"},
    BuiltIn{ResString::RegistrySetDataFailed, "Fehler beim Setzen der Daten für '%s'"},
    BuiltIn{ResString::ListIndexOutOfBounds, "Listenindex überschreitet das Maximum (%d)"},
    BuiltIn{ResString::InvalidInteger, "'%s' is not a valid integer value"},
    BuiltIn{ResString::NotAResourceModule, "Die Datei ist kein Ressourcenmodul (%s)."},
    BuiltIn{ResString::CannotReadFile, "Die Datei '%s' kann nicht gelesen werden: %s"},
    BuiltIn{ResString::DuplicateResource, "Die Ressource '%s' ist doppelt vorhanden."},
    BuiltIn{ResString::TruncatedTranslationRecord,
            "Der Eintrag reicht über das Ende der Übersetzungstabelle hinaus."},
    BuiltIn{ResString::NotACollection, "'%s' ist keine Collection."},
    BuiltIn{ResString::LogonEntryWriteFailed,
            "Der Autostart-Eintrag '%s' kann nicht geschrieben werden: %s"},
    BuiltIn{ResString::StartupFailed, "Lintrove wird wegen eines Fehlers beendet: %s"},
    BuiltIn{ResString::CommandLineHelp,
            "Aufruf: %s [/reminder] [--wine-prefix VERZ] [--help] [--version]\n"
            "\n"
            "Hält die installierte Software mit Hilfe eines Community-Dienstes aktuell.\n"
            "\n"
            "  /reminder   nur fragen, wenn die letzte Prüfung länger zurückliegt als\n"
            "              der eingestellte Zeitraum (so startet der Autostart-Eintrag)\n"
            "  --wine-prefix VERZ\n"
            "              die Programme des Wine-Präfixes VERZ zeigen\n"
            "  --help      diese Hilfe zeigen und beenden\n"
            "  --version   die Version zeigen und beenden\n"},
    BuiltIn{ResString::ButtonYes, "&Ja"},
    BuiltIn{ResString::ButtonNo, "&Nein"},
    BuiltIn{ResString::ButtonOk, "OK"},
    BuiltIn{ResString::ServiceStalled,
            "Der Server hat %d Sekunden lang keine Daten gesendet; die Anfrage wurde "
            "abgebrochen."},
    BuiltIn{ResString::ServiceAnswerTooLarge,
            "Die Antwort des Servers ist größer als %d kByte und wurde nicht gelesen."},
    BuiltIn{ResString::TransferCancelled, "Die Übertragung wurde abgebrochen."},
    BuiltIn{ResString::AnswerAttributeMissing,
            "Der Antwort des Servers fehlt das Attribut '%s' am Element '%s'."},
    BuiltIn{ResString::XmlError, "XML Fehler"},
    BuiltIn{ResString::VerdictWithoutEntry, "Komischer Fehler #123"},
    BuiltIn{ResString::NewClientOffered, "Neue Version %s: %s"},
    BuiltIn{ResString::AnswerNotXml,
            "Die Antwort des Servers ist kein XML-Dokument: %s (bei Byte %d)."},
    BuiltIn{ResString::AnswerWithoutSingleRoot,
            "Die Antwort des Servers ist kein XML-Dokument: Sie hat nicht genau ein "
            "Wurzelelement oder Text außerhalb davon."},
    BuiltIn{ResString::AnswerEmpty, "Die Antwort des Servers ist leer."},
    BuiltIn{ResString::AnswerHeaderCut,
            "Der Server hat die Verbindung beendet, bevor der Kopf seiner Antwort vollständig "
            "war."},
    BuiltIn{ResString::AnswerHttpStatus, "%s\r\nHTTP-Status der Antwort: %d"},
    BuiltIn{ResString::AnswerOfAnotherKind,
            "Die Antwort des Servers ist kein Dokument des Dienstes: Ihr Wurzelelement ist "
            "<%s> statt <dorvupdater>."},
    BuiltIn{ResString::RegistryFileUnreadable,
            "Die Registrierungsdatei '%s' kann nicht gelesen werden: %s"},
    BuiltIn{ResString::RegistryFileUnwritable,
            "Die Registrierungsdatei '%s' kann nicht geschrieben werden: %s"},
    BuiltIn{ResString::RegistryFileNotLocked,
            "Die Registrierungsdatei '%s' kann nicht gesperrt werden: %s"},
    BuiltIn{ResString::RegistryFileNotReplaced,
            "Die Registrierungsdatei '%s' kann nicht ersetzt werden: %s"},
    BuiltIn{ResString::RegistryKeyTooDeep, "Der Schlüssel liegt tiefer als %d Ebenen: %s"},
    BuiltIn{ResString::RegistryKeyNameTooLong, "Der Schlüsselname ist länger als %d Zeichen: %s"},
    BuiltIn{ResString::RegistryValueNameTooLong, "Der Wertname ist länger als %d Zeichen: %s"},
    BuiltIn{ResString::RegistryNameNotUtf8, "Der Name ist kein gültiger UTF-8-Text: %s"},
    BuiltIn{ResString::RegistryKeyPathEmptyName,
            "Der Schlüsselpfad enthält einen leeren Namen: %s"},
    BuiltIn{ResString::RegFileTooLarge,
            "Die Datei '%s' ist größer als %d MByte und wird nicht gelesen."},
    BuiltIn{ResString::RegFileKeyOfOtherRoot, "Schlüssel unter %s in der Datei für %s"},
    BuiltIn{ResString::RegFileRootDeleted, "ein Stammschlüssel kann nicht gelöscht werden"},
    BuiltIn{ResString::RegFileWindows31Content,
            "Dateien im Format von Windows 3.1 („REGEDIT“) werden nur ohne Inhalt gelesen"},
    BuiltIn{ResString::RegistryKeyNotCreated, "Der Schlüssel %s kann nicht angelegt werden."},
    BuiltIn{ResString::HomeDirectoryUnknown,
            "Das Heimatverzeichnis ist unbekannt; LINTROVE_REGISTRY_DIR ist nicht gesetzt."},
    BuiltIn{ResString::RegFileLine, "%s, Zeile %d: %s"},
    BuiltIn{ResString::RegFileNoHeader,
            "keine Registrierungsdatei: die erste Zeile muss „%s“ oder „%s“ lauten"},
    BuiltIn{ResString::RegFileOddUtf16, "UTF-16-Datei mit ungerader Anzahl von Bytes"},
    BuiltIn{ResString::RegFileLoneSurrogate,
            "ein UTF-16-Ersatzzeichen ohne Partner in einem Namen oder Text"},
    BuiltIn{ResString::RegFileStrayLine, "weder Schlüssel noch Wert noch Kommentar"},
    BuiltIn{ResString::RegFileKeyNotClosed, "Schlüsselname ohne schließende Klammer am Zeilenende"},
    BuiltIn{ResString::RegFileUnsupportedRoot, "nicht unterstützter Stammschlüssel „%s“"},
    BuiltIn{ResString::RegFileValueOutsideKey, "Wert außerhalb eines Schlüssels"},
    BuiltIn{ResString::RegFileUnterminatedName, "nicht abgeschlossener Wertname"},
    BuiltIn{ResString::RegFileUnterminatedString, "nicht abgeschlossene Zeichenkette"},
    BuiltIn{ResString::RegFileBadEscape,
            "ungültige Escape-Sequenz „%s“ (in Zeichenketten gelten nur \\\\ und \\\")"},
    BuiltIn{ResString::RegFileMissingEquals, "„=“ fehlt nach dem Wertnamen"},
    BuiltIn{ResString::RegFileTextAfterValue, "unerwarteter Text nach dem Wert"},
    BuiltIn{ResString::RegFileUnknownType, "unbekannter Werttyp"},
    BuiltIn{ResString::RegFileBadDword, "ungültiger DWORD-Wert"},
    BuiltIn{ResString::RegFileBadHexByte, "ungültiges Hex-Byte"},
    BuiltIn{ResString::WineFileNoHeader,
            "keine Registrierungsdatei von Wine: die erste Zeile muss „%s“ lauten"},
    BuiltIn{ResString::WinePrefixWithoutRegistry, "%s ist kein Wine-Präfix: %s fehlt."},
    BuiltIn{ResString::WineRegistryReadOnly,
            "Die Registrierung des Wine-Präfixes %s wird nur gelesen, nie geändert."},
    BuiltIn{ResString::WineFileUnknownArch, "unbekannte Architektur „%s“"},
    BuiltIn{ResString::WineFileInvalidUtf8, "ungültiger UTF-8-Text"},
    BuiltIn{ResString::WinePrefixesNotRead, "Wine-Präfixe werden unter Windows nicht gelesen: %s"},
    BuiltIn{ResString::CancelCheck, "Abbrechen"},
    BuiltIn{ResString::SetupNameNotFound, "Filename not found."},
    BuiltIn{ResString::DownloadFailed, "Fehler beim Download von URL: %s\r\n%s"},
    BuiltIn{ResString::SetupChecksumMismatch,
            "Die heruntergeladene Datei %s stimmt nicht mit der Prüfsumme des Dienstes überein "
            "und wurde gelöscht.\r\nErwartet (SHA-256): %s\r\nErhalten: %s"},
    BuiltIn{ResString::SetupSignatureMissing,
            "Der Dienst nennt keine Signatur für das Setup %s. Es wird nicht gestartet; die "
            "Datei wurde gelöscht."},
    BuiltIn{ResString::SetupSignatureInvalid,
            "Das Setup %s ist nicht vom Herausgeber von Lintrove signiert. Es wird nicht "
            "gestartet; die Datei wurde gelöscht."},
    BuiltIn{ResString::UpdatesThroughPackages,
            "Auf diesem System kommen neue Versionen von Lintrove über die Paketverwaltung "
            "des Systems."},
    BuiltIn{ResString::SetupSaved, "Das Setup ist geprüft und gespeichert: %s"},
    BuiltIn{ResString::ClientVersions, "Diese Version: %s, neueste Version: %s"},
    BuiltIn{ResString::NoSetupForThisSystem,
            "Der Dienst bietet kein Setup für dieses System (%s) an."},
    BuiltIn{ResString::SetupNotStarted,
            "Das Setup konnte nicht gestartet werden:\r\n%s\r\nDie Datei bleibt dort bis zum "
            "nächsten Start von Lintrove."},
    BuiltIn{ResString::UninstallerNotStarted,
            "Das Deinstallationsprogramm von „%s“ konnte nicht gestartet werden."},
    BuiltIn{ResString::CheckNotExported, "Die Prüfung wurde nicht gespeichert:\r\n%s"},
    BuiltIn{ResString::ExportCaption, "Prüfung exportieren"},
    BuiltIn{ResString::ExportCsvFiles, "CSV-Dateien"},
    BuiltIn{ResString::ExportJsonFiles, "JSON-Dateien"},
    BuiltIn{ResString::CheckExported, "Die Prüfung ist gespeichert: %s"},
    BuiltIn{ResString::ThisComputer, "Dieser Computer"},
    BuiltIn{ResString::NamedWinePrefix, "%s: %s (%s)"},
    BuiltIn{ResString::UnnamedWinePrefix, "%s (%s)"},
    BuiltIn{ResString::ChosenWinePrefix, "Wine-Präfix %s"},
    BuiltIn{ResString::PageOpensInBrowser,
            "Diese Seite des Dienstes öffnet sich in Ihrem Webbrowser."},
    BuiltIn{ResString::OpenPageInBrowser, "Im &Browser öffnen"},
    BuiltIn{ResString::NoVersionInfo, "-keine Versionsinfo vorhanden-"},
    BuiltIn{ResString::ConnectionFailed,
            "Es ist beim Verbinden zum Server ein Fehler aufgetreten.\r\nDie Fehlermeldung ist: "
            "\r\n%s"},
    BuiltIn{ResString::SetupStarts, "Das Programm wird nun beendet und das Setup wird gestartet."},
    BuiltIn{ResString::ReminderQuestion,
            "Sie haben längere Zeit nicht Lintrove ausgeführt. Möchten Sie es nun ausführen?"},
    BuiltIn{ResString::CommunityNotice,
            "Wichtig: \r\n\r\nBitte beachten Sie, dass Lintrove ein Community Projekt ist.\r\n\r\n"
            "Die Versionen die hier gefunden werden, sind Programme welche andere Benutzer "
            "gemeldet haben.\r\nNur weil keine neue Version einer Software angezeigt wird, "
            "bedeutet das nicht, dass es keine neue Version gibt.\r\nEs hat nur kein Benutzer von "
            "Lintrove, diese neue Version.\r\nDes Weiteren werden die Versionnummer automatisch "
            "ermittelt und diese automatisch Programmen zugeordnet.\r\nDieses führt gelegentlich "
            "zu Fehlern.\r\nManche Hersteller sind nicht in der Lage \"richtige\" "
            "Versionsnummern und Kennzeichnungen zu vergeben.\r\nManche können auch einfach "
            "nicht zählen."},
    BuiltIn{ResString::AboutVersion, "Version: "},
    BuiltIn{ResString::DownloadProgress, "%d von %d kByte"},
    BuiltIn{ResString::MainCaptionVersion, "Version: "},
    BuiltIn{ResString::FirstStart,
            "Sie starten Lintrove zum ersten Mal. Sie können im nachfolgenden Dialog grundlegende "
            "Einstellungen vornehmen."},
    BuiltIn{ResString::UninstallQuestion, "Möchten Sie die Software wirklich deinstallieren?"},
    BuiltIn{ResString::ServiceUnreachable, "Der Dienst konnte nicht erreicht werden.\r\n"},
    BuiltIn{ResString::AskingService, "Erfrage Versionen beim Server - Bitte warten..."},
    BuiltIn{ResString::Done, "Fertig..."},
    BuiltIn{ResString::CollectingInformation, "Bitte warten - es werden Informationen gesammelt."},
    BuiltIn{ResString::ScanProgress, "%d von %d"},
    BuiltIn{ResString::ReadingProgram, "Bitte Warten - lese Informationen für Programm: %s"},
    BuiltIn{ResString::TranslationFailed,
            "Error while translating \"%s\" and setting value \"%s\".\r\nError Message:\r\n%s"},
    BuiltIn{ResString::ClientCurrent, "Das Programm ist auf dem aktuellen Stand."},
    BuiltIn{ResString::ClientMayUpdate, "Das Programm ist veraltet und kann aktuallisiert werden."},
    BuiltIn{ResString::ClientMustUpdate,
            "Das Programm ist veraltet und muss aktuallisiert werden."},
};
static_assert(std::ranges::is_sorted(kBuiltIn, {}, &BuiltIn::id));

ResStringLookup& ActiveLookup() {
  static ResStringLookup lookup;
  return lookup;
}

}  // namespace

std::string_view BuiltInResString(int id) {
  auto found = std::ranges::lower_bound(kBuiltIn, id, {}, &BuiltIn::id);
  return found != kBuiltIn.end() && found->id == id ? found->text : std::string_view();
}

std::vector<int> BuiltInResStringIds() {
  std::vector<int> ids;
  for (const BuiltIn& entry : kBuiltIn) ids.push_back(entry.id);
  return ids;
}

std::string LoadResString(int id) {
  if (const ResStringLookup& lookup = ActiveLookup()) {
    if (std::string translated = lookup(id); !translated.empty()) return translated;
  }
  return std::string(BuiltInResString(id));
}

void SetResStringLookup(ResStringLookup lookup) { ActiveLookup() = std::move(lookup); }

}  // namespace lintrove
