// Exception guard, exception log and the release probe.
//
// The guard catches whatever escapes the guarded call, of any exception code,
// and only that: handlers inside the call (a component that probes memory
// and catches its own fault) always have their turn first. MSVC gets this
// from __try/__except; GCC has no such keywords, so the call runs below a
// small frame of our own whose unwind data names the handler.
#include "vlm_dx.h"
#include "vlm_file.h"
#include <dshow.h>
#include <string.h>

char LogFilePath[VLM_PATH_CHARS];
WCHAR LastRenderedFile[VLM_PATH_CHARS];
BOOL (WINAPI *ExceptionBeep)(UINT type) = MessageBeep;

void LogException(int number)
{
    if (Settings.ExceptionBeep) ExceptionBeep(MB_ICONEXCLAMATION);
    if (!Settings.ExceptionLog || LogFilePath[0] == '\0') return;

    HANDLE file = CreateFileA(LogFilePath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, NULL, FILE_END);
    const char* name = MediaFileList.current ? MediaFileList.current->name : "";
    char line[VLM_PATH_CHARS + 32];
    int length = wsprintfA(line, "%d %s\r\n", number, name);
    DWORD written;
    WriteFile(file, line, (DWORD)length, &written, NULL);
    CloseHandle(file);
}

#if defined(_MSC_VER)

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    __try {
        *result = op(context);
        return 1;
    } __except (EXCEPTION_EXECUTE_HANDLER) {
        return 0;
    }
}

#elif defined(__x86_64__)

// GuardCall(call, argument) gives call(argument), or 0 when an exception
// escaped it. The system offers an exception to a frame's handler only after
// every frame below has declined it, so GuardFrameHandler sees exactly what
// the call left unhandled. It unwinds the frames below (running their
// clean-up) and resumes GuardCall at GuardCallEscaped with 0 in rax. The nop
// keeps the return address of the call out of the epilogue: a frame that the
// unwinder takes to be in its epilogue has no handler.
extern "C" int GuardCall(int (*call)(void*), void* argument);
extern "C" char GuardCallEscaped[];

asm(R"(
    .text
    .p2align 4
    .globl GuardCall
    .def GuardCall; .scl 2; .type 32; .endef
    .seh_proc GuardCall
GuardCall:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler GuardFrameHandler, @except
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
    .globl GuardCallEscaped
GuardCallEscaped:
    addq $40, %rsp
    retq
    .seh_endproc
)");

extern "C" EXCEPTION_DISPOSITION GuardFrameHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                   DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
    RtlUnwindEx(frame, GuardCallEscaped, record, NULL, dispatch->ContextRecord, dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached: RtlUnwindEx resumes GuardCall
}

namespace {

struct GuardedCall {
    int (*op)(void*);
    void* context;
    int result;
};

// C++ exceptions of this program's own run-time are caught by the language,
// which destroys the exception object properly; GCC frames leave every other
// exception code alone, so those travel on to GuardFrameHandler.
int CallCatchingLanguageExceptions(void* argument)
{
    GuardedCall* call = (GuardedCall*)argument;
    try {
        call->result = call->op(call->context);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    GuardedCall call = {op, context, 0};
    if (!GuardCall(CallCatchingLanguageExceptions, &call)) return 0;
    *result = call.result;
    return 1;
}

#else
#error "the exception guard needs MSVC or an x86-64 GCC build"
#endif

int RunGuarded(int number, int (*op)(void*), void (*cleanup)(void*), void* context)
{
    for (int attempt = 0; attempt < VLM_GUARD_MAX_ATTEMPTS; attempt++) {
        int result = 0;
        if (RunGuardedOnce(op, context, &result)) return result;
        LogException(number);
        if (cleanup) cleanup(context);
    }
    return VLM_GUARD_EXHAUSTED;
}

namespace {

struct ProbeContext {
    IGraphBuilder* volatile graph;
};

int ReleaseProbeOnce(void* context)
{
    ProbeContext* probe = (ProbeContext*)context;
    IGraphBuilder* graph = NULL;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  (void**)&graph);
    probe->graph = graph;
    if (FAILED(hr)) return 0;
    hr = graph->RenderFile(LastRenderedFile, NULL);
    return SUCCEEDED(hr) ? 1 : 0;
}

void ReleaseProbeGraph(void* context)
{
    ProbeContext* probe = (ProbeContext*)context;
    if (probe->graph) probe->graph->Release();
    probe->graph = NULL;
}

}  // namespace

int ReleaseProbe()
{
    if (LastRenderedFile[0] == L'\0') return 0;
    ProbeContext probe = {NULL};
    int result = RunGuarded(VLM_EXC_RELEASEPROBE, ReleaseProbeOnce, ReleaseProbeGraph, &probe);
    ReleaseProbeGraph(&probe);
    return result == 1 ? 1 : 0;
}
