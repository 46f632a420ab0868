// The Media Foundation source: files that DirectShow cannot open (mp4, mov,
// mkv on a stock system) are read through the Source Reader by a source
// filter of our own, whose decoded video and PCM sound the graph renders
// with its usual renderers.
#pragma once
#include <windows.h>
#include <mmreg.h>

struct IGraphBuilder;
struct tagVIDEOINFOHEADER;

// ---- rendering a file (vlm_dx_mfsource.cpp)

// Steps of RenderMediaFile that can fail, for the caller's message.
enum { RenderStepGraph = 0, RenderStepRenderFile = 1, RenderStepMediaFoundation = 2 };

// Renders path into the graph *graph: RenderFile, and when that fails,
// whatever its code, the failed graph is released and a new one is built
// around the Media Foundation source. *graph always holds the graph that
// stands (the exception guard finds it there). S_OK when RenderFile
// rendered it, S_FALSE through Media Foundation; on failure the code to
// report and in *failedStep the step it belongs to: the RenderFile code when
// Media Foundation cannot open the file either, its own when it opened the
// file but cannot decode or render it. Releases are guarded steps of number.
HRESULT RenderMediaFile(IGraphBuilder* volatile* graph, const WCHAR* path, int number, int* failedStep);

// ---- the arithmetic, without a graph (vlm_dx_mfformat.cpp)

// Pixel layouts the source handles; the reader decodes to the first three,
// the renderer may take them as they are or RGB32 converted by the filter.
enum { PixelNone = 0, PixelNV12, PixelYUY2, PixelI420, PixelRGB32 };

// Layout of a Media Foundation video subtype; PixelNone when unknown.
int PixelFormatOfSubtype(const GUID& subtype);
// The Media Foundation subtype of a decoded layout (NV12, YUY2, I420).
const GUID& SubtypeOfPixelFormat(int pixel);
// The DirectShow subtype of a layout.
const GUID& MediaSubtypeOfPixelFormat(int pixel);
// Bytes of one width x height frame packed at the layout's own stride.
DWORD FrameBytes(int pixel, int width, int height);
// VIDEOINFOHEADER of a frame: bottom-up for RGB32, the frame time
// (100 ns, 0 unknown) as AvgTimePerFrame.
void FillVideoInfo(int pixel, int width, int height, LONGLONG frameTime, tagVIDEOINFOHEADER* info);
// WAVEFORMATEX of integer PCM.
void FillPcmFormat(int channels, int samplesPerSec, int bitsPerSample, WAVEFORMATEX* format);
// Play time of bytes of PCM in that format, 100 ns.
LONGLONG PcmDuration(DWORD bytes, const WAVEFORMATEX* format);

// Where a sample of the reader (time and duration in the file, 100 ns) goes
// in the segment [segmentStart, segmentStop): SampleDeliver with *start and
// *end relative to the segment; SampleDrop when it ends before the segment
// begins (the frames before the target of a seek); SampleEnd when it starts
// at or past the segment's stop.
enum { SampleDeliver = 0, SampleDrop = 1, SampleEnd = 2 };
int PlaceSample(LONGLONG time, LONGLONG duration, LONGLONG segmentStart, LONGLONG segmentStop,
                LONGLONG* start, LONGLONG* end);

// A decoded frame in the reader's buffer: planes one after the other, each
// row pitch bytes apart (the chroma planes of I420 half that); rows is the
// luma plane's height in the buffer (it may exceed the picture's).
struct DecodedFrame {
    int pixel;
    const BYTE* data;
    int pitch;
    int rows;
    int width;   // picture size
    int height;
};
// Bytes of the buffer a frame's planes take.
DWORD DecodedFrameBytes(const DecodedFrame* frame);
// Row pitch of a frame in a plain buffer of length bytes, which the
// decoder may pad beyond the pitch its type states: the pitch the length
// gives for rows rows, when it is whole and wider; else statedPitch.
int PitchOfBuffer(int pixel, DWORD length, int rows, int statedPitch);
// Copies the picture into a DirectShow buffer of layout outPixel with rows
// outStride bytes apart: the same YUV layout packed, or RGB32 bottom-up
// (BT.601, video range). 0 when the layouts do not go together.
int ConvertFrame(const DecodedFrame* frame, int outPixel, BYTE* out, int outStride);
