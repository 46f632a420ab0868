// Plays one file through the player's graph build (RenderFile, or the Media
// Foundation source where RenderFile fails), driven by
// tests/bench/bench_formats.py, which measures the CPU time from outside:
// decoders may run threads that the Windows side never counts.
//   bench_formats.exe <file> <seconds> <rounds>
// Per round it prints the time from the build's start until the first frame
// is cued (the graph paused and its state reached), then "run" and "ran"
// around <seconds> of playing:
//   path=<graph|mediafoundation> first_frame_ms=<t>
//   run
//   ran
#include "vlm_dx.h"
#include "vlm_dx_mfsource.h"
#include <dshow.h>
#include <stdio.h>
#include <stdlib.h>

static double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// Lets the renderer's window live while the graph plays.
static void PumpFor(double seconds)
{
    double end = Now() + seconds;
    while (Now() < end) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: bench_formats <file> <seconds> <rounds>\n");
        return 2;
    }
    WCHAR path[VLM_PATH_CHARS];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, VLM_PATH_CHARS);
    double seconds = atof(argv[2]);
    int rounds = atoi(argv[3]);
    CoInitialize(NULL);

    for (int round = 0; round < rounds; round++) {
        IGraphBuilder* volatile graph = NULL;
        int failedStep = 0;
        double start = Now();
        HRESULT kind = RenderMediaFile(&graph, path, VLM_EXC_GRAPHBUILD, &failedStep);
        if (FAILED(kind)) {
            fprintf(stderr, "bench_formats: step %d failed (0x%08lx)\n", failedStep, (unsigned long)kind);
            return 1;
        }
        IMediaControl* control = NULL;
        graph->QueryInterface(IID_IMediaControl, (void**)&control);
        control->Pause();
        OAFilterState state;
        control->GetState(10000, &state);
        printf("path=%s first_frame_ms=%.0f\nrun\n", kind == S_OK ? "graph" : "mediafoundation",
               (Now() - start) * 1000.0);
        fflush(stdout);
        control->Run();
        PumpFor(seconds);
        printf("ran\n");
        fflush(stdout);
        control->Stop();
        control->Release();
        graph->Release();
    }
    ShutdownMediaFoundation();
    CoUninitialize();
    return 0;
}
