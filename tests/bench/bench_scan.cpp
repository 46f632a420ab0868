// Times ScanFolder on prepared folders in name order and in random order.
//   bench_scan.exe <folder> <files> [<folder> <files> ...]
// Each folder must hold exactly <files> files that match the default
// extensions. Prints, per folder:
//   list N=<n> ms=<t>                          (the directory listing alone)
//   scan N=<n> order=name ms=<t> per1000=<t>
//   scan N=<n> order=random ms=<t> per1000=<t>
#include "vlm_file.h"
#include "vlm_global.h"
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

// Median of this many runs; small folders run more often, their times
// being short enough for a busy machine to disturb.
static const int MaxRounds = 15;

static int RoundsFor(int files)
{
    return files >= 20000 ? 5 : files >= 5000 ? 9 : MaxRounds;
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

static double Median(double* values, int n)
{
    std::sort(values, values + n);
    return values[n / 2];
}

static double TimeListing(const char* folder, int* listed)
{
    char pattern[VLM_PATH_CHARS + 8];
    sprintf(pattern, "%s\\*.*", folder);
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    *listed = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) (*listed)++;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    QueryPerformanceCounter(&to);
    return Milliseconds(from, to);
}

// Median of several scans; 0 when a scan fails or counts the wrong number.
static int TimeScan(int files, BOOL random, double* ms)
{
    double times[MaxRounds];
    int rounds = RoundsFor(files);
    for (int round = 0; round < rounds; round++) {
        Settings.Random = random;
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        int scanned = ScanFolder();
        QueryPerformanceCounter(&to);
        int count = MediaFileList.count;
        FreeMediaList();
        if (!scanned || count != files) {
            fprintf(stderr, "bench_scan: %s: %d files scanned, %d expected (%s)\n", Settings.DirName, count,
                    files, Settings.ErrorText);
            return 0;
        }
        times[round] = Milliseconds(from, to);
    }
    *ms = Median(times, rounds);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc % 2 != 1) {
        fprintf(stderr, "usage: bench_scan <folder> <files> [<folder> <files> ...]\n");
        return 2;
    }
    srand((unsigned)time(NULL));
    Settings.Heap = GetProcessHeap();
    strcpy(Settings.Extensions, "avi|mpg|mpeg|wmv");
    Settings.ContinuousPlay = TRUE;

    for (int i = 1; i + 1 < argc; i += 2) {
        const char* folder = argv[i];
        int files = atoi(argv[i + 1]);
        if (strlen(folder) >= VLM_PATH_CHARS) return 2;
        strcpy(Settings.DirName, folder);

        int listed = 0;
        TimeListing(folder, &listed);   // warms the directory cache
        double listTimes[MaxRounds];
        int rounds = RoundsFor(files);
        for (int round = 0; round < rounds; round++) listTimes[round] = TimeListing(folder, &listed);
        printf("list N=%d ms=%.1f\n", listed, Median(listTimes, rounds));

        for (BOOL random : {FALSE, TRUE}) {
            double ms;
            if (!TimeScan(files, random, &ms)) return 1;
            printf("scan N=%d order=%s ms=%.1f per1000=%.2f\n", files, random ? "random" : "name", ms,
                   ms * 1000.0 / files);
            fflush(stdout);
        }
    }
    return 0;
}
