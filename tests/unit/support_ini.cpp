// Scratch folders, raw files and INI text for the unit tests.
#include "support_ini.h"
#include "vlm_global.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

static std::string TestRoot()
{
    const char* root = getenv("VLM_TEST_TMP");
    std::string path = (root && *root) ? WinePath(root) : std::string(".\\unit-tmp");
    CreateDirectoryA(path.c_str(), NULL);
    return path;
}

std::string MakeTestFolder(const char* tag)
{
    static int counter = 0;
    std::string root = TestRoot();
    for (;;) {
        char name[128];
        snprintf(name, sizeof(name), "\\%s-%lu-%lu-%d", tag, (unsigned long)GetCurrentProcessId(),
                 (unsigned long)GetTickCount(), ++counter);
        std::string path = root + name;
        if (CreateDirectoryA(path.c_str(), NULL)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return path;  // let the test fail on use
    }
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileA(path.c_str())) {
                    wchar_t wide[1024];
                    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
                    DeleteFileW((std::wstring(L"\\\\?\\") + wide).c_str());
                }
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string IniText(const IniPairs& pairs, const char* section)
{
    std::string text = std::string("[") + section + "]\r\n";
    for (const auto& kv : pairs) text += kv.first + "=" + kv.second + "\r\n";
    return text;
}

IniPairs ParseIniSection(const std::string& bytes, const char* section)
{
    IniPairs pairs;
    bool inside = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            inside = close != std::string::npos && _stricmp(line.substr(1, close - 1).c_str(), section) == 0;
            continue;
        }
        size_t eq = line.find('=');
        if (inside && eq != std::string::npos) pairs.push_back({ line.substr(0, eq), line.substr(eq + 1) });
    }
    return pairs;
}

std::string IniValue(const std::string& path, const std::string& key)
{
    static char buffer[20000];
    GetPrivateProfileStringA(VLM_INI_SECTION, key.c_str(), "<absent>", buffer, sizeof(buffer), path.c_str());
    return buffer;
}

std::string IniValueOf(const IniPairs& pairs, const std::string& key)
{
    for (const auto& kv : pairs)
        if (_stricmp(kv.first.c_str(), key.c_str()) == 0) return kv.second;
    return "<absent>";
}

void ResetSettings(const std::string& path)
{
    ZeroMemory(&Settings, sizeof(Settings));
    Settings.Heap = GetProcessHeap();
    snprintf(Settings.SettingsPath, sizeof(Settings.SettingsPath), "%s", path.c_str());
}

std::string WriteTestIni(const char* tag, const std::string& text)
{
    std::string path = MakeTestFolder(tag) + "\\Velmora.ini";
    WriteFileBytes(path, text);
    return path;
}

bool IsWholeCharacters(const std::string& text)
{
    for (size_t i = 0; i < text.size(); i++) {
        if (IsDBCSLeadByte((BYTE)text[i])) {
            if (i + 1 >= text.size()) return false;
            i++;
        }
    }
    return true;
}

std::vector<int> HistoryListSlots(const HistoryLinks& links, int list)
{
    std::vector<int> slots;
    int s = list == 0 ? links.usedHead : links.freeHead;
    while (s >= 0 && s < VLM_HISTORY_SLOTS && slots.size() <= VLM_HISTORY_SLOTS) {
        slots.push_back(s);
        s = links.node[s].next;
    }
    return slots;
}

static std::string CheckOneList(const HistoryLinks& links, int list, int seen[VLM_HISTORY_SLOTS])
{
    const char* name = list == 0 ? "used" : "free";
    int head = list == 0 ? links.usedHead : links.freeHead;
    int tail = list == 0 ? links.usedTail : links.freeTail;
    char text[160];
    int prev = -1;
    int s = head;
    int steps = 0;
    while (s != -1) {
        if (s < 0 || s >= VLM_HISTORY_SLOTS || ++steps > VLM_HISTORY_SLOTS) {
            snprintf(text, sizeof(text), "%s list runs off the table at %d", name, s);
            return text;
        }
        if (links.node[s].prev != prev) {
            snprintf(text, sizeof(text), "%s list: slot %d has prev %d, expected %d", name, s, links.node[s].prev, prev);
            return text;
        }
        seen[s]++;
        prev = s;
        s = links.node[s].next;
    }
    if (tail != prev) {
        snprintf(text, sizeof(text), "%s list: tail %d, last slot %d", name, tail, prev);
        return text;
    }
    return "";
}

std::string CheckHistoryLinks(const HistoryLinks& links, bool pinnedPrefix)
{
    int seen[VLM_HISTORY_SLOTS] = {};
    std::string problem = CheckOneList(links, 0, seen);
    if (problem.empty()) problem = CheckOneList(links, 1, seen);
    if (!problem.empty()) return problem;
    for (int i = 0; i < VLM_HISTORY_SLOTS; i++) {
        if (seen[i] != 1) return "slot " + std::to_string(i) + " is in " + std::to_string(seen[i]) + " lists";
    }
    if (pinnedPrefix) {
        bool unpinnedSeen = false;
        for (int s : HistoryListSlots(links, 0)) {
            if (!links.node[s].pinned) unpinnedSeen = true;
            else if (unpinnedSeen) return "pinned slot " + std::to_string(s) + " after an unpinned one";
        }
    }
    return "";
}
