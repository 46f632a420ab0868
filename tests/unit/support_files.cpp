// Helpers of the media-list tests.
#include "support_files.h"
#include "support_ini.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

void FileTestReset()
{
    if (Settings.Heap == NULL) Settings.Heap = GetProcessHeap();
    FreeMediaList();
    Settings.Heap = GetProcessHeap();
    Settings.DirName[0] = '\0';
    strcpy(Settings.Extensions, "avi|mpg|mpeg|wmv");
    Settings.Random = FALSE;
    Settings.Descending = FALSE;
    Settings.ContinuousPlay = TRUE;
    Settings.FileLoop = FALSE;
    Settings.ProgramPlay = FALSE;
    Settings.Playing[0] = '\0';
    Settings.StopPosition = 0;
    Settings.ProgramPlayNo = 1;
    Settings.ProgramStopPosition = 0;
    ClearError();
    MediaRandom = rand;
}

std::string FileTestFolder(const char* tag)
{
    return MakeTestFolder((std::string("files-") + tag).c_str());
}

static std::wstring LongForm(const std::string& folder, const std::string& name)
{
    return L"\\\\?\\" + FileTestWide((folder + "\\" + name).c_str());
}

int FileTestCreateFile(const std::string& folder, const std::string& name)
{
    HANDLE file = CreateFileW(LongForm(folder, name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

int FileTestCreateFolder(const std::string& folder, const std::string& name)
{
    return CreateDirectoryW(LongForm(folder, name).c_str(), NULL) ? 1 : 0;
}

static std::vector<int> Draws;
static size_t DrawsTaken;
static int DrawOverruns;

static int NextDraw()
{
    if (DrawsTaken < Draws.size()) return Draws[DrawsTaken++];
    DrawOverruns++;
    return 0;
}

void FileTestUseDraws(const std::vector<int>& draws)
{
    Draws = draws;
    DrawsTaken = 0;
    DrawOverruns = 0;
    MediaRandom = NextDraw;
}

int FileTestDrawsTaken() { return (int)DrawsTaken; }
int FileTestDrawOverruns() { return DrawOverruns; }

std::vector<std::string> FileTestNames()
{
    std::vector<std::string> names;
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) names.push_back(e->name);
    return names;
}

std::vector<int> FileTestIds()
{
    std::vector<int> ids;
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) ids.push_back(e->id);
    return ids;
}

std::vector<int> FileTestPlayNos()
{
    std::vector<int> numbers;
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) numbers.push_back(e->playNo);
    return numbers;
}

void FileTestCheckLinks(int expectCountMatches)
{
    int n = 0;
    MediaFileEntry* prev = NULL;
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) {
        EXPECT_EQ(e->prev, prev) << "prev link of entry " << n;
        prev = e;
        n++;
    }
    EXPECT_EQ(MediaFileList.tail, prev);
    if (expectCountMatches) EXPECT_EQ(MediaFileList.count, n);
}

std::wstring FileTestWide(const char* text)
{
    WCHAR wide[1024];
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 1024);
    return n > 0 ? std::wstring(wide) : std::wstring();
}
