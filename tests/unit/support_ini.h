// Test helpers: scratch folders reachable from Wine, raw file bytes, INI text
// and a fresh Settings record pointing at a test's own settings file.
#pragma once
#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<std::string, std::string>> IniPairs;

// A new, empty folder under $VLM_TEST_TMP (Windows form, no trailing
// backslash). Every call gives a different folder.
std::string MakeTestFolder(const char* tag);
// "Z:\..." form of a Unix path.
std::string WinePath(const std::string& unixPath);

// Removes a folder and everything in it (paths past 259 characters too).
void RemoveTree(const std::string& path);

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);  // empty when missing
bool FileExists(const std::string& path);

// "[VELMORA]\r\nKEY=value\r\n..." in the given order.
std::string IniText(const IniPairs& pairs, const char* section = "VELMORA");
// Keys and values of one section of raw INI bytes, in file order (keys as
// written, values after the first '=' up to CR/LF).
IniPairs ParseIniSection(const std::string& bytes, const char* section = "VELMORA");
// One value as the profile functions give it ("<absent>" when missing).
std::string IniValue(const std::string& path, const std::string& key);
std::string IniValueOf(const IniPairs& pairs, const std::string& key);  // "<absent>" when missing

// Zero-fills Settings and points it at path (as the process start would).
void ResetSettings(const std::string& path);
// Writes the INI text into a fresh folder and gives the file's path.
std::string WriteTestIni(const char* tag, const std::string& text);

// True when text has no lead byte without its trail byte.
bool IsWholeCharacters(const std::string& text);

struct HistoryLinks;
// Slots of the used (list 0) or free (list 1) list from head to tail; stops
// after 49 steps so damaged links cannot hang a test.
std::vector<int> HistoryListSlots(const HistoryLinks& links, int list);
// Empty when the links are sound: both lists doubly linked with matching
// head and tail, every slot in exactly one list, and (when pinnedPrefix) the
// pinned slots of the used list before all others. Else what is wrong.
std::string CheckHistoryLinks(const HistoryLinks& links, bool pinnedPrefix);
