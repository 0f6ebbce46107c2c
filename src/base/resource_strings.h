#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lintrove {

// The numbered message texts. A language file translates them by these numbers.
namespace ResString {
inline constexpr int NoVersionInfo = 65216;
inline constexpr int ConnectionFailed = 65217;
inline constexpr int SetupStarts = 65218;
inline constexpr int ReminderQuestion = 65219;
inline constexpr int CommunityNotice = 65236;
inline constexpr int AboutVersion = 65237;
inline constexpr int DownloadProgress = 65238;
inline constexpr int MainCaptionVersion = 65239;
inline constexpr int FirstStart = 65240;
inline constexpr int UninstallQuestion = 65241;
inline constexpr int ServiceUnreachable = 65242;
inline constexpr int AskingService = 65243;
inline constexpr int Done = 65244;
inline constexpr int CollectingInformation = 65245;
inline constexpr int ScanProgress = 65246;
inline constexpr int ReadingProgram = 65247;
inline constexpr int TranslationFailed = 65264;
inline constexpr int ClientCurrent = 65265;
inline constexpr int ClientMayUpdate = 65266;
inline constexpr int ClientMustUpdate = 65267;

// Messages of the registry layer, the lists and the number conversion. Their numbers are our
// own, outside the ranges above, so that a language file can translate them as well.
inline constexpr int InvalidRegistryType = 61440;
inline constexpr int RegistryGetDataFailed = 61441;
inline constexpr int RegistrySetDataFailed = 61442;
inline constexpr int ListIndexOutOfBounds = 61443;
inline constexpr int InvalidInteger = 61444;
// Language files and the resource modules they are.
inline constexpr int NotAResourceModule = 61445;
inline constexpr int CannotReadFile = 61446;
inline constexpr int DuplicateResource = 61447;
inline constexpr int TruncatedTranslationRecord = 61448;
inline constexpr int NotACollection = 61449;
// Start-up and the log-on entry: 61456 to 61471.
inline constexpr int LogonEntryWriteFailed = 61456;
inline constexpr int StartupFailed = 61457;
inline constexpr int CommandLineHelp = 61458;
// The buttons of the message boxes.
inline constexpr int ButtonYes = 61459;
inline constexpr int ButtonNo = 61460;
inline constexpr int ButtonOk = 61461;
// Messages of the service protocol.
inline constexpr int ServiceStalled = 61488;
inline constexpr int ServiceAnswerTooLarge = 61489;
inline constexpr int TransferCancelled = 61490;
inline constexpr int AnswerAttributeMissing = 61491;
inline constexpr int XmlError = 61492;
inline constexpr int VerdictWithoutEntry = 61493;
inline constexpr int NewClientOffered = 61494;
inline constexpr int AnswerNotXml = 61495;
inline constexpr int AnswerWithoutSingleRoot = 61496;
inline constexpr int AnswerEmpty = 61497;
inline constexpr int AnswerHeaderCut = 61498;
inline constexpr int AnswerHttpStatus = 61499;
inline constexpr int AnswerOfAnotherKind = 61500;
// The registry store on Linux and the regedit files it keeps.
inline constexpr int RegistryFileUnreadable = 61504;
inline constexpr int RegistryFileUnwritable = 61505;
inline constexpr int RegistryFileNotLocked = 61506;
inline constexpr int RegistryFileNotReplaced = 61507;
inline constexpr int RegistryKeyTooDeep = 61508;
inline constexpr int RegistryKeyNameTooLong = 61509;
inline constexpr int RegistryValueNameTooLong = 61510;
inline constexpr int RegistryNameNotUtf8 = 61511;
inline constexpr int RegistryKeyPathEmptyName = 61512;
inline constexpr int RegFileTooLarge = 61513;
inline constexpr int RegFileKeyOfOtherRoot = 61514;
inline constexpr int RegFileRootDeleted = 61515;
inline constexpr int RegFileWindows31Content = 61516;
inline constexpr int RegistryKeyNotCreated = 61517;
inline constexpr int HomeDirectoryUnknown = 61518;
// Registry files (regedit's export format): 61520 to 61535.
inline constexpr int RegFileLine = 61520;
inline constexpr int RegFileNoHeader = 61521;
inline constexpr int RegFileOddUtf16 = 61522;
inline constexpr int RegFileLoneSurrogate = 61523;
inline constexpr int RegFileStrayLine = 61524;
inline constexpr int RegFileKeyNotClosed = 61525;
inline constexpr int RegFileUnsupportedRoot = 61526;
inline constexpr int RegFileValueOutsideKey = 61527;
inline constexpr int RegFileUnterminatedName = 61528;
inline constexpr int RegFileUnterminatedString = 61529;
inline constexpr int RegFileBadEscape = 61530;
inline constexpr int RegFileMissingEquals = 61531;
inline constexpr int RegFileTextAfterValue = 61532;
inline constexpr int RegFileUnknownType = 61533;
inline constexpr int RegFileBadDword = 61534;
inline constexpr int RegFileBadHexByte = 61535;
// Wine prefixes as inventoried machines: 61536 to 61551.
inline constexpr int WineFileNoHeader = 61536;
inline constexpr int WinePrefixWithoutRegistry = 61537;
inline constexpr int WineRegistryReadOnly = 61538;
inline constexpr int WineFileUnknownArch = 61539;
inline constexpr int WineFileInvalidUtf8 = 61540;
inline constexpr int WinePrefixesNotRead = 61541;
// The update check and the self-update: 61568 to 61583.
inline constexpr int CancelCheck = 61568;
inline constexpr int SetupNameNotFound = 61569;
inline constexpr int DownloadFailed = 61570;
inline constexpr int SetupChecksumMismatch = 61571;
inline constexpr int SetupNotStarted = 61583;
// The details panel.
inline constexpr int UninstallerNotStarted = 61584;
// The record of a check saved from the window, and the machine the window checks: 61600 to
// 61619.
inline constexpr int CheckNotExported = 61600;
inline constexpr int ExportCaption = 61601;
inline constexpr int ExportCsvFiles = 61602;
inline constexpr int ExportJsonFiles = 61603;
inline constexpr int CheckExported = 61604;
inline constexpr int ThisComputer = 61605;
inline constexpr int NamedWinePrefix = 61606;
inline constexpr int UnnamedWinePrefix = 61607;
inline constexpr int ChosenWinePrefix = 61608;
// A page of the service where no browser can be embedded: 61620 to 61629.
inline constexpr int PageOpensInBrowser = 61620;
inline constexpr int OpenPageInBrowser = 61621;
}  // namespace ResString

// The German text built into the program; empty for a number it does not have.
std::string_view BuiltInResString(int id);
// Every number that has a built-in text, in ascending order.
std::vector<int> BuiltInResStringIds();

// Every message of the program goes through here: the loaded language's translation of the
// number when it has one, else the built-in text.
std::string LoadResString(int id);

// The localizer puts its lookup in front of the built-in texts while a language is loaded and
// takes it away (an empty function) when it unloads. An empty result means "not translated".
using ResStringLookup = std::function<std::string(int id)>;
void SetResStringLookup(ResStringLookup lookup);

}  // namespace lintrove
