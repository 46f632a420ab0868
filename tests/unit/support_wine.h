// Helpers shared by the unit tests: scratch folders and files reachable
// from inside Wine.
#pragma once
#include <string>

// A fresh empty folder (Windows path) under the scratch area of the tests.
std::string MakeScratchFolder(const char* name);
// Creates a file with the given bytes (Windows path); true on success.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when missing.
std::string ReadWholeFile(const std::string& path);
// Removes a folder and everything in it.
void RemoveTree(const std::string& path);
