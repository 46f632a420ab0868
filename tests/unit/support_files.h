// Helpers of the media-list tests: scratch folders, settings reset and a
// fixed random sequence for the shuffle.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Empties MediaFileList and puts the list-related settings at their
// defaults (process heap, "avi|mpg|mpeg|wmv", name order ascending,
// CONTINUOUS_PLAY on, nothing to resume) and the real random source back.
void FileTestReset();

// A new empty folder under VLM_TEST_TMP (as a Windows path, "Z:\...").
std::string FileTestFolder(const char* tag);
// Creates an empty file (or a folder) named name in folder; returns 1 when
// done. Long paths are created through the "\\?\" form.
int FileTestCreateFile(const std::string& folder, const std::string& name);
int FileTestCreateFolder(const std::string& folder, const std::string& name);

// MediaRandom then returns draws[0], draws[1], ...; after the last one it
// returns 0 and counts the overrun.
void FileTestUseDraws(const std::vector<int>& draws);
int FileTestDrawsTaken();
int FileTestDrawOverruns();

// Names, ids and playNos of MediaFileList from the head; also checks that
// prev, tail and count agree with the next links (adds a failure if not).
std::vector<std::string> FileTestNames();
std::vector<int> FileTestIds();
std::vector<int> FileTestPlayNos();
void FileTestCheckLinks(int expectCountMatches);

// Wide text of ANSI code page text, and the reverse.
std::wstring FileTestWide(const char* text);
